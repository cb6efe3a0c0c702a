#!/usr/bin/env bash
# Installs the build as a user would, into ~/.local of a scratch home, and
# checks that every installed file is there and valid, and that systemd finds
# the user unit by name.
#
#   install_test.sh BUILD_DIR RENDER_ICON PROGRAM...
set -euo pipefail
build=$1
render_icon=$2
shift 2
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
prefix=$home/.local
mkdir -m 700 "$home/.runtime" # the runtime folder Qt and the user manager want

cmake --install "$build" --prefix "$prefix" >/dev/null

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
expect_file() {
    [[ -s "$prefix/$1" ]] || fail "$1 is missing or empty"
}

for program in "$@"; do
    expect_file "bin/$program"
    [[ -x "$prefix/bin/$program" ]] || fail "bin/$program is not executable"
done
metainfo=share/metainfo/org.example.jostle.metainfo.xml
for file in share/applications/jostle.desktop share/icons/hicolor/scalable/apps/jostle.svg \
    share/man/man1/jostle.1.gz share/man/man1/jostle-headless.1.gz share/doc/jostle/copyright \
    share/doc/jostle/changelog.gz share/systemd/user/jostle.service "$metainfo"; do
    expect_file "$file"
done

desktop-file-validate "$prefix/share/applications/jostle.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$prefix/$metainfo" >/dev/null || fail "metainfo: $(appstreamcli validate --no-net "$prefix/$metainfo")"

# The icon must be an SVG drawing that Qt renders, as the program's tray icon is.
icon="$prefix/share/icons/hicolor/scalable/apps/jostle.svg"
grep -q '<svg' "$icon" || fail "icon is no SVG"
rendered=$(QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$home/.runtime" "$render_icon" "$icon" 48 2>&1) || fail "icon does not render: $rendered"

# man prints warnings on standard error; there must be none.
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/jostle.1.gz" \
    2>&1 >/dev/null) || fail "man page does not render"
[[ -z "$warnings" ]] || fail "man page warnings: $warnings"
page=$(LC_ALL=C.UTF-8 MANWIDTH=250 man -l "$prefix/share/man/man1/jostle-headless.1.gz" 2>/dev/null)
for topic in --settings --headless --help --version --show-settings KEY=VALUE Jostle.INI WINDIR \
    settings.reg Type=notify ReadWritePaths; do
    grep -q -- "$topic" <<<"$page" || fail "man page does not describe $topic"
done

unit="$prefix/share/systemd/user/jostle.service"
grep -qx "ExecStart=$prefix/bin/jostle-headless" "$unit" || fail "unit ExecStart: $(grep ExecStart "$unit")"
# The user manager looks the unit up by name in its search path, as
# `systemctl --user enable jostle.service` would; it needs a runtime folder,
# though no session runs. The XDG folders are the defaults of the scratch home.
verify=$(env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_CONFIG_DIRS -u XDG_DATA_DIRS \
    -u SYSTEMD_UNIT_PATH HOME="$home" XDG_RUNTIME_DIR="$home/.runtime" PATH="$prefix/bin:$PATH" \
    systemd-analyze --user verify jostle.service 2>&1) || fail "systemd-analyze: $verify"
[[ -z "$verify" ]] || fail "systemd-analyze: $verify"

if ((failures > 0)); then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "installed files are all present and valid; systemd finds the user unit"
