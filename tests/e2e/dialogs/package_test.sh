#!/usr/bin/env bash
# Makes the Debian package from the build with cpack and checks what is in
# it: every file in its place, stripped programs, a unit that runs the
# program where the package puts it, and the run-time Qt plugins in Depends;
# lintian finds no error or warning in it, and systemd rates the unit's
# exposure at 4.0 at most.
#
#   package_test.sh BUILD_DIR VERSION PROGRAM...
set -euo pipefail
build=$1
version=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; exit 1; }
deb="$work/jostle_${version}_$(dpkg --print-architecture).deb"
[[ -f $deb ]] || { echo "FAIL: no $(basename "$deb"): $(ls "$work")" >&2; exit 1; }

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for file in share/applications/jostle.desktop share/icons/hicolor/scalable/apps/jostle.svg \
    share/man/man1/jostle.1.gz share/man/man1/jostle-headless.1.gz share/doc/jostle/copyright \
    share/doc/jostle/changelog.gz share/metainfo/org.example.jostle.metainfo.xml \
    share/systemd/user/jostle.service "${@/#/bin/}"; do
    grep -qx "./usr/$file" <<<"$contents" || fail "the package lacks /usr/$file"
done

dpkg-deb -x "$deb" "$work/root"
for program in "$@"; do
    sections=$(readelf --section-headers --wide "$work/root/usr/bin/$program")
    if grep -Eq '\.symtab|\.debug_' <<<"$sections"; then
        fail "/usr/bin/$program is not stripped"
    fi
done
grep -qx "ExecStart=/usr/bin/jostle-headless" "$work/root/usr/share/systemd/user/jostle.service" ||
    fail "unit: $(grep ExecStart "$work/root/usr/share/systemd/user/jostle.service")"

# field NAME: the control field NAME, one comma-separated item a line.
field() {
    dpkg-deb -f "$deb" "$1" | tr ',' '\n' | sed 's/^ *//; s/ *(.*//'
}
[[ $(field Package) == jostle && $(field Version) == "$version" ]] ||
    fail "package $(field Package) $(field Version)"
for needed in libqt6core6 libqt6gui6 libqt6widgets6 libqt6svg6 qt6-qpa-plugins; do
    field Depends | grep -qx "$needed" || fail "Depends lacks $needed: $(dpkg-deb -f "$deb" Depends)"
done
field Recommends | grep -qx qt6-wayland || fail "Recommends lacks qt6-wayland"

# lintian warns that it runs as root; its tags are on standard output.
lintian --fail-on error,warning "$deb" >"$work/lintian.out" 2>/dev/null ||
    fail "lintian: $(grep -E '^[EW]:' "$work/lintian.out")"

unit=$work/root/usr/share/systemd/user/jostle.service
exposure=$(systemd-analyze security --offline=true "$unit" 2>&1 |
    sed -n 's/.*Overall exposure level for jostle.service: \([0-9.]*\).*/\1/p')
if [[ -z $exposure ]] || ! awk -v e="$exposure" 'BEGIN { exit !(e <= 4.0) }'; then
    fail "the unit's exposure is ${exposure:-not rated}: $(systemd-analyze security --offline=true "$unit" 2>&1 | tail -n 3)"
fi

if ((failures > 0)); then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "$(basename "$deb"): all files in place, programs stripped, plugins in Depends," \
    "lintian clean, unit exposure $exposure"
