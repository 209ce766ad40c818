#!/usr/bin/env bash
# Builds the Debian package from a build tree, unpacks it into a staging root
# and checks that the program and everything a desktop needs is in place.
# Usage: check-deb.sh BUILD_DIR
set -euo pipefail
build=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

(cd "$build" && cpack -G DEB -B "$stage/out" >/dev/null)
deb=$(ls "$stage"/out/zo7scope_*.deb)
dpkg-deb -x "$deb" "$stage/root"
fail() { echo "check-deb: $*" >&2; exit 1; }

id=cz.zo7scope.zo7scope
for file in usr/bin/zo7scope \
            usr/share/applications/$id.desktop \
            usr/share/metainfo/$id.metainfo.xml \
            usr/share/icons/hicolor/scalable/apps/$id.svg \
            usr/share/man/man1/zo7scope.1; do
    [ -s "$stage/root/$file" ] || fail "missing $file"
done
[ -x "$stage/root/usr/bin/zo7scope" ] || fail "the program is not executable"

# The package depends on the runtime packages of the libraries it links.
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libasound2 fonts-dejavu-core qt6-translations-l10n; do
    grep -q "$package" <<<"$depends" || fail "Depends lacks $package: $depends"
done

desktop=$stage/root/usr/share/applications/$id.desktop
grep -qx 'Categories=Education;Science;Electronics;' "$desktop" || fail "desktop categories"
grep -qx 'Name=Osciloskop ZO7' "$desktop" || fail "desktop name"
grep -q '^Comment=Dvoukanálový osciloskop' "$desktop" || fail "desktop comment"
grep -qx "Icon=$id" "$desktop" || fail "desktop icon"
desktop-file-validate "$desktop" || fail "the desktop entry does not validate"
appstreamcli validate --no-net "$stage/root/usr/share/metainfo/$id.metainfo.xml" >/dev/null ||
    fail "the metainfo does not validate"

# The manual page formats, and names every option the program offers.
man -l "$stage/root/usr/share/man/man1/zo7scope.1" >/dev/null 2>&1 || fail "manual page"
help=$(QT_QPA_PLATFORM=offscreen "$stage/root/usr/bin/zo7scope" --help)
for option in $(grep -o -- '--[a-z][a-z-]*' <<<"$help" | sort -u); do
    grep -q -- "${option//-/\\\\-}" "$stage/root/usr/share/man/man1/zo7scope.1" ||
        fail "the manual page lacks $option"
done
echo "check-deb: $(basename "$deb") is complete"
