# What `cmake --install` puts under the prefix, and the Debian package made from it
# (`make package`, or `cmake --build build --target package`).
#   bin/vortik, bin/vortik-cli
#   share/vortik/                         the data (lang.ini and the other shipped files)
#   lib/udev/rules.d/                     the Scan Tool's udev rule
#   share/applications/<id>.desktop       the desktop entry
#   share/icons/hicolor/{scalable,256x256}/apps/<id>.{svg,png}
#   share/metainfo/<id>.metainfo.xml      AppStream metadata
#   share/man/man1/vortik.1, vortik-cli.1
#   share/bash-completion/completions/vortik-cli
#   etc/xdg/vortik/vortik.conf            the commented system configuration (/etc/xdg/... in
#                                         the package)
include(GNUInstallDirs)

# The application's id is its executable's and package's name: a reverse-DNS id would have to
# name a domain the project owns, and it owns none yet. For the same reason the metadata names
# no home page, screenshot address or mail address.
set(VORTIK_APP_ID vortik)
set(VORTIK_RELEASE_DATE 2026-12-11)

set(VORTIK_PACKAGING ${CMAKE_SOURCE_DIR}/packaging)
configure_file(${VORTIK_PACKAGING}/${VORTIK_APP_ID}.metainfo.xml
               ${CMAKE_BINARY_DIR}/packaging/${VORTIK_APP_ID}.metainfo.xml @ONLY)
configure_file(${VORTIK_PACKAGING}/vortik.1.in ${CMAKE_BINARY_DIR}/packaging/vortik.1 @ONLY)
configure_file(${VORTIK_PACKAGING}/vortik-cli.1.in ${CMAKE_BINARY_DIR}/packaging/vortik-cli.1 @ONLY)

install(TARGETS vortik vortik-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The data folder as the runnable folder has it, without the language file's source and the
# udev rule (installed on its own).
install(DIRECTORY data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/vortik
        PATTERN lang EXCLUDE PATTERN udev EXCLUDE)
install(FILES data/udev/70-vortik-scantool.rules DESTINATION lib/udev/rules.d)
install(FILES ${VORTIK_PACKAGING}/${VORTIK_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${VORTIK_PACKAGING}/icons/vortik.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${VORTIK_APP_ID}.svg)
install(FILES ${VORTIK_PACKAGING}/icons/vortik-256.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps
        RENAME ${VORTIK_APP_ID}.png)
install(FILES ${CMAKE_BINARY_DIR}/packaging/${VORTIK_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_BINARY_DIR}/packaging/vortik.1 ${CMAKE_BINARY_DIR}/packaging/vortik-cli.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${VORTIK_PACKAGING}/completion/vortik-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
# The commented system configuration file: <prefix>/etc/xdg/vortik/ for a prefix, /etc/xdg/vortik/
# in the package (moved there before packing).
install(FILES ${VORTIK_PACKAGING}/vortik.conf DESTINATION ${CMAKE_INSTALL_SYSCONFDIR}/xdg/vortik)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/package_etc.cmake)

# The Debian package: dependencies from the shared libraries the executable links, the udev
# rule reloaded by the maintainer scripts.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vortik)
set(CPACK_PACKAGE_VENDOR "The VORTIK developers")
set(CPACK_PACKAGE_CONTACT "The VORTIK developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "companion for a handheld OBD-II scan tool")
set(CPACK_PACKAGE_DESCRIPTION
    "VORTIK finds the OBD-II Scan Tool on USB, follows it being plugged in and out, and brings
its firmware and data up to date from the update server with one click.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's window-system plugins are loaded at run time, not linked; the fonts stand in for the
# faces the skin names.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${VORTIK_PACKAGING}/postinst ${VORTIK_PACKAGING}/postrm
                                       ${VORTIK_PACKAGING}/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
