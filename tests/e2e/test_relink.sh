#!/usr/bin/env bash
# A native album whose photos were copied to another folder tree: the frame
# says its picture is not found and offers to look for it; the folder is typed
# in the chooser, the album's rows are rewritten and the picture is shown.
source "$(dirname "$0")/lib.sh" "$@"
start_x

add_colour_photo "$DEFAULT_ALBUM" 1 "200,30,30"
add_colour_photo "$DEFAULT_ALBUM" 2 "30,30,200"
mkdir -p "$WORK/altrove/Archivio"
cp -r "$WORK/foto" "$WORK/altrove/Archivio/foto"
rm -r "$WORK/foto"

start_pictora
win=$(wait_window_sized Pictora 622 467)
read -r x y _ _ < <(window_geometry "$win")
shot=$SHOTS/relink.png
xdotool windowfocus --sync "$win"
app_sync

# The offer's button, light on the lavender frame below the notice, then its
# key, Alt+C, once: pressed again it would reach the chooser.
wait_colour $((x + 116)) $((y + 326)) "245,245,245" "$shot"
xdotool key alt+c
CHOOSER="Cerca le foto spostate: la cartella dove sono ora"
wait_window "$CHOOSER" >/dev/null
app_sync
pass "the notice of a picture not found offers the search"

type_text "$WORK/altrove"
app_sync
# Return may first close the typed folder's completion list.
accept() {
    none_titled "$CHOOSER" && return 0
    xdotool key Return
    app_sync
    wm_sync
    none_titled "$CHOOSER"
}
wait_until "$WAIT" accept || fail "the chooser did not take the folder"

# The summary, over the window once the search is over (a slow search shows
# its progress box first); the rows name the new folder by then.
wait_until "$WAIT" message_over_window || fail "no summary after the search"
app_sync
rows=$(sqlite3 "$DEFAULT_ALBUM" 'SELECT group_concat(percorso_file, "|") FROM datab')
[ "$rows" = "$WORK/altrove/Archivio/foto|$WORK/altrove/Archivio/foto" ] \
    || fail "the album's folders: $rows"
pass "the album's rows name the folder the photos are in now"
xdotool key Return
wait_window_count Pictora 1
wait_colour $((x + 100)) $((y + 100)) "200,30,30" "$shot"
pass "the photo is shown with its picture"
