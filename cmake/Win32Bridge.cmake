# The 32-bit Windows builds that the windows_bridge check runs under Wine:
# the simulated board as BoardPort.dll, exporting the maker's decorated
# __stdcall names, and the board bridge as qv7310-board-bridge.exe. Made with
# the MinGW cross compiler where it is installed (its -posix variant: the
# simulated board needs std::mutex), linked statically so that neither needs
# MinGW's runtime DLLs.
find_program(QV_MINGW32_CXX i686-w64-mingw32-g++-posix)
if(NOT QV_MINGW32_CXX)
    message(STATUS "i686-w64-mingw32-g++-posix not found: no 32-bit Windows bridge build")
    return()
endif()

set(QV_WIN32_DIR ${CMAKE_BINARY_DIR}/win32)
set(win32_flags -std=c++17 -O2 -Wall -Wextra -Wpedantic -Wshadow -Wconversion
    -Wno-sign-conversion $<$<BOOL:${QV_WERROR}>:-Werror> -static)
set(sim ${PROJECT_SOURCE_DIR}/simboard)
set(sim_sources ${sim}/simboard.cpp ${sim}/BoardModel.cpp ${sim}/FirmwareFile.cpp
    ${sim}/IntelHex.cpp ${sim}/Trace.cpp ${sim}/ConverterErrors.cpp)

add_custom_command(
    OUTPUT ${QV_WIN32_DIR}/BoardPort.dll
    COMMAND ${CMAKE_COMMAND} -E make_directory ${QV_WIN32_DIR}
    COMMAND ${QV_MINGW32_CXX} ${win32_flags} -shared -I${PROJECT_SOURCE_DIR} -I${sim} -I${PROJECT_SOURCE_DIR}/board
        ${sim_sources} ${sim}/BoardPort.def -o ${QV_WIN32_DIR}/BoardPort.dll
    DEPENDS ${sim_sources} ${sim}/BoardPort.def ${sim}/simboard.h ${sim}/BoardModel.h
        ${PROJECT_SOURCE_DIR}/board/BoardPortAbi.h
    COMMENT "Cross-compiling the simulated board as a 32-bit BoardPort.dll"
    COMMAND_EXPAND_LISTS VERBATIM)

set(bridge_sources ${QV_BRIDGE_SOURCES} ${PROJECT_SOURCE_DIR}/bridge/windows/BridgeSystem.cpp)
add_custom_command(
    OUTPUT ${QV_WIN32_DIR}/qv7310-board-bridge.exe
    COMMAND ${CMAKE_COMMAND} -E make_directory ${QV_WIN32_DIR}
    COMMAND ${QV_MINGW32_CXX} ${win32_flags} -I${PROJECT_SOURCE_DIR} -I${PROJECT_SOURCE_DIR}/board
        -I${PROJECT_SOURCE_DIR}/protocol ${bridge_sources}
        -o ${QV_WIN32_DIR}/qv7310-board-bridge.exe
    DEPENDS ${bridge_sources} ${PROJECT_SOURCE_DIR}/bridge/BoardLibrary.h
        ${PROJECT_SOURCE_DIR}/bridge/BridgeSystem.h
        ${PROJECT_SOURCE_DIR}/board/BridgeFrames.h ${PROJECT_SOURCE_DIR}/board/BoardBinding.h
        ${PROJECT_SOURCE_DIR}/board/BoardPortAbi.h ${PROJECT_SOURCE_DIR}/protocol/SafeSequence.h
        ${PROJECT_SOURCE_DIR}/protocol/RegisterMap.h
    COMMENT "Cross-compiling the board bridge as a 32-bit Windows program"
    COMMAND_EXPAND_LISTS VERBATIM)

add_custom_target(win32_bridge ALL
    DEPENDS ${QV_WIN32_DIR}/BoardPort.dll ${QV_WIN32_DIR}/qv7310-board-bridge.exe)
