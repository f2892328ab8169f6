# What a Windows build of the panel needs beside its executable to start from
# the build folder: the Qt DLLs, the platform and style plug-ins in their
# folders, and, with MinGW, the compiler's runtime DLLs that Qt's DLLs link.
# The same list is installed (cmake/PackagingWindows.cmake).

set(QV_QT_RUNTIME Qt6::Core Qt6::Gui Qt6::Widgets Qt6::Network)
# The suites' DLL, beside them in the build folder only.
set(runtime_copies ${QV_QT_RUNTIME})
if(TARGET Qt6::Test)
    list(APPEND runtime_copies Qt6::Test)
endif()
# Plug-in target and the folder it is looked for in, beside the executable.
set(QV_QT_PLUGINS
    Qt6::QWindowsIntegrationPlugin platforms
    Qt6::QOffscreenIntegrationPlugin platforms
    Qt6::QWindowsVistaStylePlugin styles)

# MinGW's runtime, found where the compiler itself finds it (Debian's cross
# compiler and Qt's MinGW kit keep it in different places).
set(QV_COMPILER_RUNTIME "")
if(MINGW)
    foreach(dll libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
            OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(IS_ABSOLUTE "${found}" AND EXISTS "${found}")
            get_filename_component(found "${found}" REALPATH)
            list(APPEND QV_COMPILER_RUNTIME ${found})
        endif()
    endforeach()
endif()

set(runtime_dir ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
set(copy_commands "")
foreach(target ${runtime_copies})
    list(APPEND copy_commands COMMAND ${CMAKE_COMMAND} -E copy_if_different
        $<TARGET_FILE:${target}> ${runtime_dir})
endforeach()
set(plugins ${QV_QT_PLUGINS})
while(plugins)
    list(POP_FRONT plugins plugin folder)
    list(APPEND copy_commands
        COMMAND ${CMAKE_COMMAND} -E make_directory ${runtime_dir}/${folder}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${plugin}> ${runtime_dir}/${folder})
endwhile()
foreach(dll ${QV_COMPILER_RUNTIME})
    list(APPEND copy_commands COMMAND ${CMAKE_COMMAND} -E copy_if_different ${dll} ${runtime_dir})
endforeach()
add_custom_target(qv_windows_runtime ALL ${copy_commands}
    COMMENT "Copying the Qt and compiler runtime beside the executables" VERBATIM)
