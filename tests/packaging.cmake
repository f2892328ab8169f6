# Installation, Debian package and the Windows calling convention of the
# board library. The scripts live in install/ and need the tools named in
# scripts/test-packages.txt; where one is missing they exit 77 and CTest
# reports the check as skipped.
set(QV_INSTALL_TESTS ${CMAKE_CURRENT_SOURCE_DIR}/install)

add_test(NAME install_run
    COMMAND bash ${QV_INSTALL_TESTS}/install_run.sh ${CMAKE_COMMAND} ${CMAKE_BINARY_DIR})
set_tests_properties(install_run PROPERTIES TIMEOUT 180 SKIP_RETURN_CODE 77)

# The package is made from the regular build; a sanitizer build's binaries
# are not something to ship.
if(NOT QV_SANITIZE)
    add_test(NAME package_deb
        COMMAND bash ${QV_INSTALL_TESTS}/package_deb.sh ${CMAKE_CPACK_COMMAND} ${CMAKE_BINARY_DIR})
    set_tests_properties(package_deb PROPERTIES TIMEOUT 600 SKIP_RETURN_CODE 77)
endif()

add_test(NAME mingw_board_binding
    COMMAND bash ${QV_INSTALL_TESTS}/mingw_abi_check.sh ${PROJECT_SOURCE_DIR} ${CMAKE_CXX_COMPILER})
set_tests_properties(mingw_board_binding PROPERTIES TIMEOUT 120 SKIP_RETURN_CODE 77)
