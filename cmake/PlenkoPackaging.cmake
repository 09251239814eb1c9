# Where `cmake --install` puts the application's desktop integration, and the Debian package CPack
# builds from it (`cpack -G DEB` in a build folder). The plenko binary installs itself (src/app);
# plenko-devserver is a development tool and stays out of the package.
include(GNUInstallDirs)

set(PLENKO_APP_ID "net.plenko.Plenko")

install(FILES packaging/${PLENKO_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/${PLENKO_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES packaging/${PLENKO_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(CPACK_PACKAGE_NAME "plenko")
set(CPACK_PACKAGE_VENDOR "Plenko")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION "A desktop application for keeping work on boards of short markdown items, \
on local boards that stay on this computer or on cloud boards shared with their members.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://plenko.net")
set(CPACK_PACKAGE_CONTACT "Plenko <support@plenko.net>")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "plenko")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR "DEB")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_RELEASE "${PLENKO_BUILD_NUMBER}")
# dpkg-shlibdeps reads the libraries the binary links (Qt with its SVG module, QCoro, QtKeychain,
# md4c, SQLite, ICU) and writes their packages as dependencies. A Secret Service keeps the tokens
# across runs (without one they live in memory for the run) and xdg-open opens the browser: both are
# found at run time, so they are recommended rather than required.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gnome-keyring, xdg-utils")

include(CPack)
