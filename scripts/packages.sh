# The Debian packages the build, the package and the tests need (sourced by
# the scripts). They are installed without recommended packages, so every
# tool a script or test calls must come from a package named here.
# shellcheck shell=bash disable=SC2034
BUILD_PACKAGES=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-svg-dev libqt6svg6 libxcb1-dev
                qt6-qpa-plugins libgl-dev libsystemd-dev)
# dpkg-shlibdeps, which puts the Qt libraries into the package's Depends;
# lintian, which judges the package.
PACKAGE_PACKAGES=(dpkg-dev lintian)
TEST_PACKAGES=(googletest libgtest-dev libgmock-dev libbenchmark-dev iproute2 util-linux mount
               dbus-daemon python3 python3-gi gir1.2-glib-2.0 weston qt6-wayland
               xvfb xauth trayer xdotool x11-utils imagemagick desktop-file-utils man-db
               fonts-dejavu-core tesseract-ocr tesseract-ocr-eng
               systemd appstream binutils python3
               at-spi2-core python3-pyatspi dbus-bin xfce4-panel)
