#!/usr/bin/env bash
# Adding a folder as a person does: Ctrl+Shift+A, its path typed in the
# chooser, Enter; the summary box, Enter. The photos are numbered in the order
# taken, with their own titles and dates, and the first one added is shown.
source "$(dirname "$0")/lib.sh" "$@"
start_x
add_colour_photo "$DEFAULT_ALBUM" 1 "200,30,30"
folder="$WORK/Vacanze 2020"
mkdir -p "$folder"
for photo in "a 3 30,30,200" "b 1 30,200,30" "c 2 200,200,30"; do
    read -r name day colour <<<"$photo"
    convert -size 640x480 "xc:rgb($colour)" "$folder/$name.jpg"
    exiv2 -M"set Exif.Photo.DateTimeOriginal 2020:05:0$day 10:00:00" \
        -M"set Iptc.Application2.ObjectName Maggio $day" "$folder/$name.jpg"
done
none_is() { ! xdotool search --onlyvisible --name "" 2>/dev/null | grep -qx "$1"; }
start_pictora
album=$(wait_window_sized Pictora 622 467)
app_sync
read -r ax ay _ _ < <(window_geometry "$album")

xdotool key ctrl+shift+a
chooser=$(wait_new_focus "$album")
type_and_enter "$folder"
# The summary, once the addition is over (a slow one shows its progress first).
wait_until "$WAIT" none_is "$chooser" || fail "the chooser did not take the folder"
wait_until "$WAIT" message_over_window || fail "no summary after the addition"
app_sync
rows=$(sqlite3 -separator '|' "$DEFAULT_ALBUM" "SELECT id, titolo, data_scatto, nome_file,
    percorso_file = '$folder' FROM datab ORDER BY id")
[ "$rows" = $'1|Foto 1|01/02/03|foto1.jpg|0\n2|Maggio 1|01/05/20|b.jpg|1\n3|Maggio 2|02/05/20|c.jpg|1\n4|Maggio 3|03/05/20|a.jpg|1' ] \
    || fail "album rows: $rows"
pass "the folder chosen is added, in the order taken, with the photos' own fields"
xdotool key Return
# Photo 2 (green), the first added.
wait_colour $((ax + 20)) $((ay + 50)) "30,200,30" "$SHOTS/after.png"
pass "after the summary the album window shows photo 2"
