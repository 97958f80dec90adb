#!/usr/bin/env bash
# Makes the Debian package from the build tree with scripts/package (lintian
# included), unpacks it into a throw-away root and checks what it installs.
# Usage: check-package.sh <build-dir> <version>
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$root/scripts/package" --no-build "$build" "$work" >"$work/package.log" 2>&1 ||
    { cat "$work/package.log"; exit 1; }
deb="$work/ostrevik_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { echo "no package $deb"; ls "$work"; exit 1; }
tree="$work/root"
dpkg-deb -x "$deb" "$tree"

fail=0
need() {
    if [ ! -e "$tree/$1" ]; then
        echo "missing from the package: $1"
        fail=1
    fi
}
need usr/bin/ostrevik
need usr/bin/qtx-sim
need usr/share/ostrevik/Ostrevik.chm
need usr/share/applications/de.ostrevik.Ostrevik.desktop
need usr/share/metainfo/de.ostrevik.Ostrevik.metainfo.xml
need usr/share/icons/hicolor/scalable/apps/de.ostrevik.Ostrevik.svg
need usr/share/icons/hicolor/scalable/mimetypes/application-x-pelvaro.svg
need usr/share/mime/packages/de.ostrevik.Ostrevik.xml
need usr/lib/udev/rules.d/60-ostrevik-qtx.rules
need usr/share/doc/ostrevik/copyright
need usr/share/doc/ostrevik/changelog.gz
need usr/share/man/man1/ostrevik.1.gz
need usr/share/man/man1/qtx-sim.1.gz
[ "$fail" = 0 ] || exit 1

# The control data: this version, and dependencies that dpkg-shlibdeps found
# besides the platform plugins named by hand.
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || { echo "package version differs"; exit 1; }
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6core6 libc6 qt6-qpa-plugins; do
    grep -q "$lib" <<<"$depends" || { echo "Depends lacks $lib: $depends"; exit 1; }
done
zcat "$tree/usr/share/doc/ostrevik/changelog.gz" | head -1 | grep -qF "($version)" ||
    { echo "the changelog's latest entry is not $version"; exit 1; }

desktop-file-validate "$tree/usr/share/applications/de.ostrevik.Ostrevik.desktop"
appstreamcli validate --no-net --pedantic \
    "$tree/usr/share/metainfo/de.ostrevik.Ostrevik.metainfo.xml" >/dev/null

# The programs find every library on this system, carry no search path into
# the build tree, and the simulator runs.
for program in ostrevik qtx-sim; do
    libs=$(ldd "$tree/usr/bin/$program")
    if grep -q 'not found' <<<"$libs"; then
        echo "$program: $(grep 'not found' <<<"$libs")"
        exit 1
    fi
    if readelf -d "$tree/usr/bin/$program" | grep -qE 'RPATH|RUNPATH'; then
        echo "$program carries a library search path"
        exit 1
    fi
done
"$tree/usr/bin/qtx-sim" --help >/dev/null

# The udev rule: each chip named is told to ModemManager to be left alone.
rule="$tree/usr/lib/udev/rules.d/60-ostrevik-qtx.rules"
for chip in 0403:6001 0403:6015 067b:2303 10c4:ea60 1a86:7523; do
    line=$(grep -F "ATTRS{idVendor}==\"${chip%:*}\", ATTRS{idProduct}==\"${chip#*:}\"" "$rule" |
        grep -v '^#' || true)
    grep -qF 'ENV{ID_MM_DEVICE_IGNORE}="1"' <<<"$line" || { echo "rule lacks $chip"; exit 1; }
done
echo "package $(basename "$deb") complete"
