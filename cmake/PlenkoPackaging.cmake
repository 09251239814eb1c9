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

# What Debian asks of every package: the licences in its machine-readable copyright format, a
# changelog and a manual page for each program. The manual pages are written in scdoc and turned into
# troff here; both they and the changelog are compressed the reproducible way (gzip -n: no name, no
# time).
find_program(PLENKO_SCDOC scdoc REQUIRED)
find_program(PLENKO_GZIP gzip REQUIRED)
set(PLENKO_DEBIAN_VERSION "${PROJECT_VERSION}-${PLENKO_BUILD_NUMBER}")
set(plenko_package_docs ${PROJECT_BINARY_DIR}/packaging)
configure_file(packaging/changelog.in ${plenko_package_docs}/changelog @ONLY)
add_custom_command(OUTPUT ${plenko_package_docs}/changelog.Debian.gz
    COMMAND ${PLENKO_GZIP} -9n -c ${plenko_package_docs}/changelog > ${plenko_package_docs}/changelog.Debian.gz
    DEPENDS ${plenko_package_docs}/changelog VERBATIM)
set(plenko_manual_pages)
foreach(program plenko plenko-server)
    set(page ${plenko_package_docs}/${program}.1.gz)
    add_custom_command(OUTPUT ${page}
        COMMAND sh -c "\"$1\" < \"$2\" | \"$3\" -9n -c > \"$4\"" sh ${PLENKO_SCDOC}
            ${PROJECT_SOURCE_DIR}/packaging/man/${program}.1.scd ${PLENKO_GZIP} ${page}
        DEPENDS ${PROJECT_SOURCE_DIR}/packaging/man/${program}.1.scd VERBATIM)
    list(APPEND plenko_manual_pages ${page})
endforeach()
add_custom_target(plenko_package_docs ALL DEPENDS ${plenko_package_docs}/changelog.Debian.gz ${plenko_manual_pages})
foreach(component app server)
    set(package plenko)
    if(component STREQUAL "server")
        set(package plenko-server)
    endif()
    install(FILES packaging/copyright ${plenko_package_docs}/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
    install(FILES ${plenko_package_docs}/${package}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
    # Tags that do not apply to a package made outside Debian's archive, each with its reason.
    install(FILES packaging/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME ${package} COMPONENT ${component})
endforeach()

set(CPACK_PACKAGE_NAME "plenko")
set(CPACK_PACKAGE_VENDOR "Plenko")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
# Each package's description starts with its own synopsis line; an empty shared summary keeps CPack
# from putting the same one in front of both. Lines stay under 80 columns: CPack does not wrap them.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
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
set(CPACK_DEBIAN_PACKAGE_SOURCE "plenko")
set(CPACK_DEBIAN_APP_DESCRIPTION "desktop application for boards of short markdown items
Plenko keeps work on boards of short markdown items: local boards that stay
on this computer, and cloud boards kept by a Plenko service and shared with
their members. Changes made offline are kept and sent with the next sync.
It is driven from the keyboard alone and reads well with a screen reader.")
set(CPACK_DEBIAN_SERVER_DESCRIPTION "service that keeps Plenko boards for a team
The Plenko service for a team to run: boards, members, sign-in with passwords
and sync for Plenko clients, kept in SQLite or PostgreSQL. It runs as a
systemd service behind a reverse proxy that terminates TLS.")
# libpq is linked, so shlibdeps finds it too; named here so the PostgreSQL back end's need is plain.
set(CPACK_DEBIAN_SERVER_PACKAGE_DEPENDS "libpq5")
set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/server/conffiles)

include(CPack)
