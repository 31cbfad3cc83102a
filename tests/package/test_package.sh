#!/usr/bin/env bash
# The Debian package made by `make package`: its files, its metadata, the
# desktop files' validators, the programs' versions, and lintian's verdict.
# Usage: test_package.sh pictora_VERSION_ARCH.deb
set -euo pipefail
DEB=$1
DEST=$(mktemp -d /tmp/pictora-package.XXXXXX)
trap 'rm -rf "$DEST"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

version=$(dpkg-deb -f "$DEB" Version)
[ "$(basename "$DEB")" = "pictora_${version}_$(dpkg-deb -f "$DEB" Architecture).deb" ] ||
    fail "package file named $(basename "$DEB") for version $version"
depends=$(dpkg-deb -f "$DEB" Depends)
names=$(sed 's/ ([^)]*)//g; s/, /\n/g' <<<"$depends")
# Linked libraries, found by dpkg-shlibdeps, and what the programs load.
for package in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libsqlite3-0 libmdb3 \
    liblcms2-2 libjpeg62-turbo \
    qt6-translations-l10n fonts-liberation qt6-image-formats-plugins; do
    grep -qxF "$package" <<<"$names" || fail "Depends lacks $package: $depends"
done
[ "$(dpkg-deb -f "$DEB" Section)" = graphics ] || fail "not in the graphics section"

files=$(dpkg-deb -c "$DEB" | awk '{print $6}')
expected=(usr/bin/pictora usr/bin/pictora-album usr/libexec/pictora/pictora-start
    usr/share/applications/pictora.desktop usr/share/icons/hicolor/scalable/apps/pictora.svg
    usr/share/metainfo/io.github.pictora.Pictora.metainfo.xml
    usr/share/man/man1/pictora.1.gz usr/share/man/man1/pictora-album.1.gz
    usr/share/doc/pictora/copyright usr/share/doc/pictora/changelog.gz)
for size in 16 22 24 32 48 64 128 256; do
    expected+=("usr/share/icons/hicolor/${size}x$size/apps/pictora.png")
done
for file in "${expected[@]}"; do
    grep -qxF "./$file" <<<"$files" || fail "the package lacks /$file"
done

dpkg-deb -x "$DEB" "$DEST"
for size in 16 48 256; do
    icon=$DEST/usr/share/icons/hicolor/${size}x$size/apps/pictora.png
    [ "$(identify -format '%m %wx%h' "$icon")" = "PNG ${size}x$size" ] || fail "icon $icon"
done
desktop-file-validate "$DEST/usr/share/applications/pictora.desktop"
grep -qx 'Exec=/usr/libexec/pictora/pictora-start' "$DEST/usr/share/applications/pictora.desktop" ||
    fail "the menu entry does not start pictora-start"
appstreamcli validate --no-net "$DEST/usr/share/metainfo/io.github.pictora.Pictora.metainfo.xml"
grep -q '<summary xml:lang="it">' "$DEST/usr/share/metainfo/io.github.pictora.Pictora.metainfo.xml" ||
    fail "no Italian summary"

# No display is needed to ask for the version, which the programs tell as
# the major version and the minor one in two digits (1.00 for 1.0.0).
IFS=. read -r major minor _ <<<"$version"
shown=$(printf '%d.%02d' "$major" "$minor")
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY "$DEST/usr/bin/pictora" --version)" = "pictora $shown" ] || fail "pictora --version"
[ "$("$DEST/usr/bin/pictora-album" --version)" = "pictora-album $shown" ] ||
    fail "pictora-album --version"
help=$("$DEST/usr/bin/pictora-album" --help)
grep -q 'Codici di uscita' <<<"$help" || fail "pictora-album --help: $help"

# Nothing in the package or the source tree names whoever built it: not the
# name or address of their git configuration, nor their machine. The
# package names the project's maintainers.
SOURCE=$(cd "$(dirname "$0")/../.." && pwd)
marks=("@$(hostname)")
for key in user.name user.email; do
    mine=$(git -C "$SOURCE" config "$key" || true)
    [ -n "$mine" ] && marks+=("$mine")
done
for mark in "${marks[@]}"; do
    ! dpkg-deb -f "$DEB" | grep -qF "$mark" || fail "the package's control names $mark"
    found=$(grep -rlaF "$mark" "$DEST"; find "$DEST" -name '*.gz' -exec zgrep -laF "$mark" {} +) || true
    [ -z "$found" ] || fail "the package's files name $mark: $found"
    found=$(git -C "$SOURCE" grep -lIF "$mark") || true
    [ -z "$found" ] || fail "the source tree names $mark: $found"
done

lintian --fail-on error "$DEB"
echo "ok: $(basename "$DEB"): files, metadata and lintian"
