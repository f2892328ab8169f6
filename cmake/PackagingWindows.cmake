# The Windows installer (CPack's NSIS generator) and a portable .zip:
# `cpack` in the build folder writes qv7310-<version>-win64.exe and .zip.
#
# Everything lives in one folder, as the panel finds the board library, the
# firmware image and the bridge beside its own executable: the maker's
# BoardPort.dll and QV7310.hex replace the simulated ones there.

set(QV_VENDOR "QV7310 Panel Team")

install(TARGETS qv7310 RUNTIME DESTINATION .)
foreach(target ${QV_QT_RUNTIME})
    install(FILES $<TARGET_FILE:${target}> DESTINATION .)
endforeach()
install(FILES ${QV_COMPILER_RUNTIME} DESTINATION .)
# Only what a person's panel loads: the Windows platform and style.
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)
install(FILES ${PROJECT_SOURCE_DIR}/simboard/QV7310.hex DESTINATION .)
# The simulated board built the maker's way (32-bit, decorated names) with
# the 32-bit bridge that reaches it; where no 32-bit compiler is at hand, the
# native simulated board, which the panel loads in-process.
if(QV_WIN32_DIR)
    install(FILES ${QV_WIN32_DIR}/BoardPort.dll ${QV_WIN32_DIR}/qv7310-board-bridge.exe
        DESTINATION .)
else()
    install(TARGETS BoardPort RUNTIME DESTINATION .)
endif()

set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_NAME qv7310)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR ${QV_VENDOR})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control panel for the QV7301/QV7310 DAC evaluation board")
set(CPACK_PACKAGE_FILE_NAME qv7310-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY "QV7310 Panel")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "QV7310 Panel")
# The Start-menu entry.
set(CPACK_PACKAGE_EXECUTABLES qv7310 "QV7310 Panel")
set(CPACK_STRIP_FILES OFF)

set(CPACK_NSIS_PACKAGE_NAME "QV7310 Panel")
set(CPACK_NSIS_DISPLAY_NAME "QV7310 Panel ${PROJECT_VERSION}")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_INSTALLED_ICON_NAME qv7310.exe)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MODIFY_PATH OFF)
# A 64-bit installer: NSIS's default 32-bit stub does not start where only
# 64-bit programs run (64-bit Wine). CPack's own script, with the two lines
# that choose the 64-bit Unicode stub put first, is found before CMake's.
set(nsis_template_dir ${CMAKE_BINARY_DIR}/cpack-nsis)
file(READ ${CMAKE_ROOT}/Modules/Internal/CPack/NSIS.template.in nsis_template)
# After its first line, a comment behind the file's byte-order mark.
string(FIND "${nsis_template}" "\n" first_line_end)
string(SUBSTRING "${nsis_template}" 0 ${first_line_end} first_line)
string(SUBSTRING "${nsis_template}" ${first_line_end} -1 rest)
file(WRITE ${nsis_template_dir}/NSIS.template.in
    "${first_line}\nUnicode true\nTarget amd64-unicode${rest}")
list(PREPEND CMAKE_MODULE_PATH ${nsis_template_dir})
include(CPack)
