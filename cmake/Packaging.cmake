# Installation and packaging rules.
#
# The panel finds the board library and the firmware image in its own folder,
# so the three live together in a private lib/qv7310 folder and bin/qv7310 is
# a relative symlink to the executable there (the panel resolves its folder
# through /proc/self/exe, so the link leads it to the right place).

include(GNUInstallDirs)

set(QV_APP_ID lab.qvpanel.QV7310)
set(QV_DEB_NAME qv7310-panel)
set(QV_VENDOR "QV7310 Panel Team")
set(QV_MAINTAINER "QV7310 Panel Team <qv7310-panel@example.org>")
# Date of the release named by PROJECT_VERSION; move both together.
set(QV_RELEASE_DATE 2026-12-08)
set(QV_RELEASE_DATE_RFC2822 "Tue, 08 Dec 2026 00:00:00 +0000")

# Fixed rather than CMAKE_INSTALL_LIBDIR: the folder holds the executable and
# its plug-in library, not libraries for others, so no multiarch subfolder.
set(QV_PRIVATE_DIR lib/qv7310)
set(QV_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${QV_DEB_NAME})
set(QV_PACKAGING_OUT ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${QV_PACKAGING_OUT})

# Qt comes from the system and BoardPort is opened by path at run time, so
# the installed panel needs no RPATH; a Qt outside the system's library
# folders still gets its folder recorded.
set_target_properties(qv7310 PROPERTIES
    INSTALL_RPATH ""
    INSTALL_RPATH_USE_LINK_PATH ON)

install(TARGETS qv7310 RUNTIME DESTINATION ${QV_PRIVATE_DIR})
install(TARGETS BoardPort LIBRARY DESTINATION ${QV_PRIVATE_DIR})
# The board bridge finds the library in its own folder, as the panel does.
install(TARGETS qv7310-board-bridge RUNTIME DESTINATION ${QV_PRIVATE_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/simboard/QV7310.hex DESTINATION ${QV_PRIVATE_DIR})

file(RELATIVE_PATH QV_LINK_TARGET /${CMAKE_INSTALL_BINDIR} /${QV_PRIVATE_DIR}/qv7310)
file(CREATE_LINK ${QV_LINK_TARGET} ${QV_PACKAGING_OUT}/qv7310 SYMBOLIC)
install(FILES ${QV_PACKAGING_OUT}/qv7310 DESTINATION ${CMAKE_INSTALL_BINDIR})

# Desktop entry, AppStream metadata and the icon in the hicolor theme.
configure_file(${PROJECT_SOURCE_DIR}/packaging/panel.desktop.in
    ${QV_PACKAGING_OUT}/${QV_APP_ID}.desktop @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/panel.metainfo.xml.in
    ${QV_PACKAGING_OUT}/${QV_APP_ID}.metainfo.xml @ONLY)
install(FILES ${QV_PACKAGING_OUT}/${QV_APP_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${QV_PACKAGING_OUT}/${QV_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/resources/art/icon.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
    RENAME ${QV_APP_ID}.svg)

# The 32x32 icon, rendered with the rest of the artwork.
install(FILES $<TARGET_PROPERTY:qv_art,QV_ICON_PNG>
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps
    RENAME ${QV_APP_ID}.png)

# Debian wants a copyright file, a manual page for each command and, for a
# package without a Debian revision, a changelog.gz; gzip -n keeps name and
# time stamp out of the archives.
find_program(QV_GZIP gzip REQUIRED)
# Writes ${QV_PACKAGING_OUT}/<name of input>.gz.
function(qv_gzip_file input target)
    get_filename_component(name ${input} NAME)
    set(output ${QV_PACKAGING_OUT}/${name}.gz)
    add_custom_command(
        OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E copy ${input} ${QV_PACKAGING_OUT}/${name}
        COMMAND ${QV_GZIP} -9nf ${QV_PACKAGING_OUT}/${name}
        DEPENDS ${input}
        COMMENT "Compressing ${name}"
        VERBATIM
    )
    add_custom_target(${target} ALL DEPENDS ${output})
endfunction()

configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in
    ${QV_PACKAGING_OUT}/configured/changelog @ONLY)
qv_gzip_file(${QV_PACKAGING_OUT}/configured/changelog qv-changelog)
# The manual page names the version the build makes.
configure_file(${PROJECT_SOURCE_DIR}/packaging/qv7310.1.in
    ${QV_PACKAGING_OUT}/configured/qv7310.1 @ONLY)
qv_gzip_file(${QV_PACKAGING_OUT}/configured/qv7310.1 qv-manpage)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${QV_PACKAGING_OUT}/changelog.gz
    DESTINATION ${QV_DOC_DIR})
install(FILES ${QV_PACKAGING_OUT}/qv7310.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Debian package: cpack in the build folder writes qv7310-panel_<version>_<arch>.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${QV_DEB_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR ${QV_VENDOR})
set(CPACK_PACKAGE_CONTACT ${QV_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control panel for the QV7301/QV7310 DAC evaluation board")
# One paragraph, in lines short enough for dpkg's description field.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Desktop panel for the USB evaluation board of the 12-bit high-voltage"
    "DACs QV7301 and QV7310. It downloads the board firmware, loads codes"
    "into the channels, drives the CLR, LDAC and range lines and shows the"
    "output voltages. A simulated board library is included, so the panel"
    "runs without hardware.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QV_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps finds the Qt and C++ libraries; the xcb platform plug-in and
# the fonts the forms are measured in are loaded without linking, so named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "hicolor-icon-theme")
# CPack adds ldconfig maintainer scripts for any library below usr/lib; for the
# private folder they do nothing, and lintian only warns about them.
include(CPack)
