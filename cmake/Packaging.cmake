# `cpack -G DEB` in a build folder makes jostle_<version>_<arch>.deb from the
# install rules (scripts/package.sh does it from a release build).
set(CPACK_PACKAGE_NAME jostle)
set(CPACK_PACKAGE_VENDOR "Quorvane Software")
set(CPACK_PACKAGE_CONTACT "Jostle <jostle@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keeps an idle Internet connection from being dropped")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "At a period you set, Jostle opens a TCP connection to port 80 of a host from\n"
    "your list, sends a short HTTP request and throws the reply away, so that a\n"
    "link which drops idle connections stays up. It lives in the system tray, and\n"
    "a systemd user unit runs it without windows.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
# The Qt libraries come from scanning the binary; the plugins Qt loads at run
# time do not show up there: the SVG icon engine (a blank tray icon without
# it) and the platform plugins (no window at all without them).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")

include(CPack)
