#!/usr/bin/env bash
# The grid of an album kept on CD: switched to with the other-database button,
# F12 shows its thumbnails, and the CD is left as it was: the thumbnails go to
# the user's cache, never beside the CD's pictures.
source "$(dirname "$0")/lib.sh" "$@"
start_x

declare -A COLOUR=([1]="200,30,30" [cd3]="30,160,60" [cd8]="160,40,160")
add_colour_photo "$DEFAULT_ALBUM" 1 "${COLOUR[1]}"
make_cd 8 "${COLOUR[cd8]}" 3 "${COLOUR[cd3]}"
# Every file and folder of the CD with its kind, size, time and permissions.
cd_listing() { find "$CD" -printf '%p %y %s %T@ %m\n' | sort; }
cd_listing >"$WORK/cd-before.txt"

start_pictora
win=$(wait_window Pictora)
app_sync
read -r x y _ _ < <(window_geometry "$win")
shot=$SHOTS/grid_cd.png
wait_colour $((x + 100)) $((y + 100)) "${COLOUR[1]}" "$shot"
open_cd_album "$win"
wait_colour $((x + 100)) $((y + 100)) "${COLOUR[cd3]}" "$shot"
pass "the CD's album is shown"

# The first two 256-pixel tiles' middles on the 1280 x 1024 screen, in
# number order: photo 3, then 8.
xdotool key F12
wait_window_count Pictora 2
wait_colour 238 176 "${COLOUR[cd3]}" "$shot"
wait_colour 506 176 "${COLOUR[cd8]}" "$shot"
pass "F12 shows the CD's thumbnails"

# The desktop's cache names an entry by the MD5 of the picture's URI.
cached() { compgen -G "$XDG_CACHE_HOME/thumbnails/*/$1.png" >/dev/null; }
for id in 3 8; do
    md5=$(printf 'file://%s' "$CD/Foto/cd$id.jpg" | md5sum | cut -c1-32)
    wait_until "$WAIT" cached "$md5" || fail "no thumbnail of cd$id.jpg in $XDG_CACHE_HOME/thumbnails"
done
pass "the thumbnails are in the user's cache"

xdotool key Escape
wait_window_count Pictora 1
wait_colour $((x + 100)) $((y + 100)) "${COLOUR[cd3]}" "$shot"
[ ! -e "$CD/Foto/.sh_thumbnails" ] || fail "a .sh_thumbnails folder was made on the CD"
cd_listing | diff "$WORK/cd-before.txt" - >&2 || fail "the CD's files were changed"
pass "nothing on the CD was written"
