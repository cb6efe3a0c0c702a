#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that every installed
# file is there and valid.
#
#   install_test.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
expect_file() {
    [[ -s "$prefix/$1" ]] || fail "$1 is missing or empty"
}

for program in jostle jostle-headless; do
    expect_file "bin/$program"
    [[ -x "$prefix/bin/$program" ]] || fail "bin/$program is not executable"
done
for file in share/applications/jostle.desktop share/icons/hicolor/scalable/apps/jostle.svg \
    share/man/man1/jostle.1 lib/systemd/user/jostle.service; do
    expect_file "$file"
done

desktop-file-validate "$prefix/share/applications/jostle.desktop" || fail "desktop entry"

# The icon must be an SVG drawing that renders.
icon="$prefix/share/icons/hicolor/scalable/apps/jostle.svg"
grep -q '<svg' "$icon" || fail "icon is no SVG"
convert "$icon" -resize 48x48 "png:$prefix/icon-48.png" 2>/dev/null || fail "icon does not render"

# man prints warnings on standard error; there must be none.
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/jostle.1" \
    2>&1 >/dev/null) || fail "man page does not render"
[[ -z "$warnings" ]] || fail "man page warnings: $warnings"
page=$(LC_ALL=C.UTF-8 MANWIDTH=250 man -l "$prefix/share/man/man1/jostle.1" 2>/dev/null)
for topic in --settings --headless --help --version Jostle.INI WINDIR settings.reg; do
    grep -q -- "$topic" <<<"$page" || fail "man page does not describe $topic"
done

unit="$prefix/lib/systemd/user/jostle.service"
grep -qx "ExecStart=$prefix/bin/jostle-headless" "$unit" || fail "unit ExecStart: $(grep ExecStart "$unit")"
if command -v systemd-analyze >/dev/null; then
    # The user manager's checks need a runtime folder, even without a session;
    # the man page was checked above, from the prefix.
    runtime="$prefix/.runtime"
    mkdir -m 700 "$runtime"
    verify=$(XDG_RUNTIME_DIR=$runtime systemd-analyze --user --man=no verify "$unit" 2>&1) ||
        fail "systemd-analyze: $verify"
    [[ -z "$verify" ]] || fail "systemd-analyze: $verify"
fi

if ((failures > 0)); then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "installed files are all present and valid"
