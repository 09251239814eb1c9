# Where `cmake --install` puts the application's desktop integration and the server's service files,
# and the two Debian packages CPack builds from them (`cpack -G DEB` in a build folder): "plenko"
# (component app) and "plenko-server" (component server). The binaries install themselves (src/app,
# server/plenko-server); plenko-devserver is a development tool and stays out of both.
include(GNUInstallDirs)

set(PLENKO_APP_ID "net.plenko.Plenko")

install(FILES packaging/${PLENKO_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT app)
install(FILES packaging/${PLENKO_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
    COMPONENT app)
install(FILES packaging/${PLENKO_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT app)

# The server runs as a systemd service over the settings in /etc (kept as a conffile, so an upgrade
# never overwrites the administrator's edits); the proxy example and the manual go with its docs.
install(FILES packaging/server/plenko-server.service DESTINATION lib/systemd/system COMPONENT server)
install(FILES packaging/server/plenko-server.ini DESTINATION /etc/plenko-server COMPONENT server)
install(FILES docs/server.md packaging/server/nginx-plenko-server.conf
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/plenko-server COMPONENT server)

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
set(CPACK_DEBIAN_APP_PACKAGE_RECOMMENDS "gnome-keyring, xdg-utils")

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL app server)
set(CPACK_DEBIAN_APP_PACKAGE_NAME "plenko")
set(CPACK_DEBIAN_SERVER_PACKAGE_NAME "plenko-server")
set(CPACK_DEBIAN_SERVER_PACKAGE_SECTION "net")
set(CPACK_DEBIAN_APP_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_SERVER_DESCRIPTION "The Plenko service for a team to run: boards, members, sign-in \
with passwords and sync for Plenko clients, kept in SQLite or PostgreSQL, as a systemd service behind a \
reverse proxy that terminates TLS.")
# libpq is linked, so shlibdeps finds it too; named here so the PostgreSQL back end's need is plain.
set(CPACK_DEBIAN_SERVER_PACKAGE_DEPENDS "libpq5")
set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/server/conffiles)

include(CPack)
