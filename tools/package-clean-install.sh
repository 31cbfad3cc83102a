#!/usr/bin/env bash
# Installs the Debian package into a freshly bootstrapped Debian 12 and tries
# it there the way a user would: install with its dependencies, the versions,
# an import of an Access-format album, the menu entry's command on a first
# start and the program on an album under Xvfb, then removal, after which no
# file of the package may be left. Slow (it downloads Qt and friends), so it
# is no part of the tests. As root, on a Debian host:
#   apt-get install debootstrap && debootstrap bookworm ROOT MIRROR
#   tools/package-clean-install.sh ROOT build/package/pictora_*.deb ACCESS_ALBUM
# ACCESS_ALBUM is an album in the Access format, e.g. one written by the
# tests' write-access-album from tests/access/fixtures/small.tsv.
set -euo pipefail
ROOT=$1 DEB=$2 OLD=$3
fail() { echo "FAIL: $*" >&2; exit 1; }
[ -x "$ROOT/usr/bin/apt-get" ] || fail "$ROOT is not a Debian system"

mount -t proc proc "$ROOT/proc"
mount --bind /dev "$ROOT/dev"
mount --bind /dev/pts "$ROOT/dev/pts"
trap 'umount "$ROOT/dev/pts" "$ROOT/dev" "$ROOT/proc"' EXIT
mkdir -p "$ROOT/tmp/pictora"
cp "$DEB" "$ROOT/tmp/pictora/"
cp "$OLD" "$ROOT/tmp/pictora/old.mdb"

chroot "$ROOT" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive bash -s <<'INSIDE'
set -euo pipefail
fail() { echo "FAIL: $*" >&2; exit 1; }
cd /tmp/pictora
apt-get update -qq
apt-get install -y -qq ./pictora_*.deb >/dev/null
dpkg -L pictora > files
echo "installed: $(dpkg-query -W -f='${Package} ${Version}' pictora)"
pictora --version
pictora-album --version
pictora-album import old.mdb imported.mdb

# Only to watch the window: an X server, its window lister and xwd.
apt-get install -y -qq --no-install-recommends xvfb xauth x11-utils x11-apps >/dev/null
# Runs COMMAND in an empty home under Xvfb until the album window (622x467,
# titled "Pictora") is mapped with no box over it, and keeps a screenshot of
# it as HOME/screen.xwd.
shows_window() {
    local home=$1; shift
    rm -rf "$home"; mkdir -p "$home"
    (cd "$home" && HOME=$home xvfb-run -a -s '-screen 0 1024x768x24' \
        bash -c '"$@" & app=$!
                 for _ in $(seq 300); do
                     windows=$(xwininfo -root -tree | grep "\"Pictora\"" | grep -v " 1x1+") || true
                     if grep -q " 622x467+" <<<"$windows"; then
                         xwd -root -silent > "$HOME/screen.xwd"; kill $app
                         echo "$windows"; [ "$(wc -l <<<"$windows")" = 1 ]; exit
                     fi; sleep 0.1
                 done; kill $app; exit 1' _ "$@")
}
# The menu entry's command on a first start: an empty usual album, opened.
shows_window /tmp/pictora/first "$(sed -n 's/^Exec=//p' /usr/share/applications/pictora.desktop)" ||
    fail "the menu entry's command shows no window"
[ -s /tmp/pictora/first/.local/share/Pictora/database.mdb ] || fail "no usual album made"
# The imported album, named by "pathdb" in the folder Pictora starts in.
mkdir -p /tmp/pictora/imported && printf '%s\r\n' /tmp/pictora/imported.mdb > /tmp/pictora/imported/pathdb
shows_window /tmp/pictora/imported-home bash -c 'cd /tmp/pictora/imported && exec pictora' ||
    fail "pictora shows no window on the imported album"
# The Access-format album itself, read through the installed pictora-album.
mkdir -p /tmp/pictora/old && printf '%s\r\n' /tmp/pictora/old.mdb > /tmp/pictora/old/pathdb
shows_window /tmp/pictora/old-home bash -c 'cd /tmp/pictora/old && exec pictora' ||
    fail "pictora shows no window on the Access-format album"

apt-get remove -y -qq pictora >/dev/null
left=0
while read -r path; do
    if [ -e "$path" ] && [ ! -d "$path" ]; then echo "left behind: $path"; left=1; fi
done < files
for folder in /usr/libexec/pictora /usr/share/doc/pictora; do
    if [ -e "$folder" ]; then echo "left behind: $folder"; left=1; fi
done
[ "$left" = 0 ] || fail "files of the package are left after apt-get remove"
echo "ok: installed, run and removed cleanly"
INSIDE
