#!/usr/bin/env bash
# `cmake --install` puts the program, the album tool beside it, its desktop
# entry with its command, and its icon where a Linux desktop finds them.
# Usage: test_install.sh BUILD_DIR
set -euo pipefail
BUILD=$1
DEST=$(mktemp -d /tmp/pictora-install.XXXXXX)
trap 'rm -rf "$DEST"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$BUILD" --prefix "$DEST/usr" >/dev/null
[ -x "$DEST/usr/bin/pictora" ] || fail "no bin/pictora"
# The program finds the reader of Access-format albums beside itself.
[ -x "$DEST/usr/bin/pictora-album" ] || fail "no bin/pictora-album"
usage=$("$DEST/usr/bin/pictora-album" 2>&1 || true)
grep -q 'pictora-album import' <<<"$usage" || fail "bin/pictora-album does not run: $usage"

entry=$DEST/usr/share/applications/pictora.desktop
[ -f "$entry" ] || fail "no desktop entry"
for line in '[Desktop Entry]' 'Type=Application' 'Name=Pictora' 'Icon=pictora' \
    'Categories=Graphics;Photography;' 'GenericName=Album fotografico'; do
    grep -qxF "$line" "$entry" || fail "desktop entry lacks '$line'"
done
grep -q '^Comment=.*foto' "$entry" || fail "desktop entry has no Italian comment"
grep -q '^Exec=/.*/libexec/pictora/pictora-start$' "$entry" || fail "desktop entry's command"
[ -x "$DEST/usr/libexec/pictora/pictora-start" ] || fail "no libexec/pictora/pictora-start"
if command -v desktop-file-validate >/dev/null; then desktop-file-validate "$entry"; fi
metainfo=$DEST/usr/share/metainfo/io.github.pictora.Pictora.metainfo.xml
[ -f "$metainfo" ] || fail "no AppStream metadata"
if command -v appstreamcli >/dev/null; then appstreamcli validate --no-net "$metainfo" >/dev/null; fi

icon=$DEST/usr/share/icons/hicolor/128x128/apps/pictora.png
[ -f "$icon" ] || fail "no icon in the hicolor theme"
[ "$(identify -format '%m %wx%h' "$icon")" = "PNG 128x128" ] || fail "icon is $(identify "$icon")"
echo "ok: program, album tool, desktop entry and icon installed"
