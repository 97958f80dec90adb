#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that the install tree
# is complete and that its desktop files validate.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null

fail=0
need() {
    if [ ! -e "$prefix/$1" ]; then
        echo "missing from the install tree: $1"
        fail=1
    fi
}
need bin/ostrevik
need bin/qtx-sim
need share/ostrevik/Ostrevik.chm
need share/applications/de.ostrevik.Ostrevik.desktop
need share/metainfo/de.ostrevik.Ostrevik.metainfo.xml
need share/icons/hicolor/scalable/apps/de.ostrevik.Ostrevik.svg
need share/icons/hicolor/scalable/mimetypes/application-x-pelvaro.svg
need share/mime/packages/de.ostrevik.Ostrevik.xml
[ "$fail" = 0 ] || exit 1

desktop-file-validate "$prefix/share/applications/de.ostrevik.Ostrevik.desktop"
appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/de.ostrevik.Ostrevik.metainfo.xml" \
    >/dev/null
xmllint --noout "$prefix/share/icons/hicolor/scalable/apps/de.ostrevik.Ostrevik.svg"

# The mime package: well-formed, with the glob and the magic of a measurement file.
mime="$prefix/share/mime/packages/de.ostrevik.Ostrevik.xml"
xmllint --noout "$mime"
glob=$(xmllint --xpath "string(//*[local-name()='glob']/@pattern)" "$mime")
magic=$(xmllint --xpath "string(//*[local-name()='match']/@value)" "$mime")
offset=$(xmllint --xpath "string(//*[local-name()='match']/@offset)" "$mime")
[ "$glob" = "*.pvo" ] || { echo "mime glob is '$glob'"; exit 1; }
[ "$magic" = '\x01\x00\x00\x00' ] || { echo "mime magic is '$magic'"; exit 1; }
[ "$offset" = 0 ] || { echo "mime magic offset is '$offset'"; exit 1; }

# The shared-mime-info database built from the package knows the type by its
# name and by its first bytes.
update-mime-database "$prefix/share/mime" >/dev/null 2>&1
grep -q 'application/x-pelvaro:\*\.pvo' "$prefix/share/mime/globs2"
grep -q 'application/x-pelvaro' "$prefix/share/mime/magic"
grep -q 'application/x-pelvaro' "$prefix/share/mime/types"

# The desktop entry opens measurement files.
grep -q '^MimeType=application/x-pelvaro;$' "$prefix/share/applications/de.ostrevik.Ostrevik.desktop"
grep -q '^Exec=ostrevik %f$' "$prefix/share/applications/de.ostrevik.Ostrevik.desktop"
echo "install tree complete"
