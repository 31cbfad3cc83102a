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
trap 'umount "$ROOT/dev" "$ROOT/proc"' EXIT
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

# Only to watch the window: an X server and its window lister.
apt-get install -y -qq --no-install-recommends xvfb xauth x11-utils >/dev/null
# Runs COMMAND in an empty home under Xvfb until a Pictora window is mapped.
shows_window() {
    local home=$1; shift
    rm -rf "$home"; mkdir -p "$home"
    (cd "$home" && HOME=$home xvfb-run -a -s '-screen 0 1024x768x24' \
        bash -c '"$@" & app=$!; for _ in $(seq 300); do
                     if xwininfo -root -tree | grep -q "\"Pictora\""; then
                         xwininfo -root -tree | grep "\"Pictora\"" | head -1
                         kill $app; exit 0
                     fi; sleep 0.1; done; kill $app; exit 1' _ "$@")
}
# The menu entry's command on a first start: an empty usual album, opened.
shows_window /tmp/pictora/first "$(sed -n 's/^Exec=//p' /usr/share/applications/pictora.desktop)" ||
    fail "the menu entry's command shows no window"
[ -s /tmp/pictora/first/.local/share/Pictora/database.mdb ] || fail "no usual album made"
# The imported album, named by "pathdb" in the folder Pictora starts in.
mkdir -p /tmp/pictora/imported && printf '%s\r\n' /tmp/pictora/imported.mdb > /tmp/pictora/imported/pathdb
shows_window /tmp/pictora/imported-home bash -c 'cd /tmp/pictora/imported && exec pictora' ||
    fail "pictora shows no window on the imported album"

apt-get remove -y -qq pictora >/dev/null
left=0
while read -r path; do
    if [ -e "$path" ] && [ ! -d "$path" ]; then echo "left behind: $path"; left=1; fi
done < files
[ "$left" = 0 ] || fail "files of the package are left after apt-get remove"
echo "ok: installed, run and removed cleanly"
INSIDE
