#!/usr/bin/env bash
# Adding a photo as a person does it: the add button, Yes, a file chosen in the
# picker, OK, five answers typed with quotes and accented letters; the album
# file then holds the row exactly as typed, and the album window is back on
# its first photo.
source "$(dirname "$0")/lib.sh" "$@"
start_x

# The album: photos 1 (red) and 5 (blue). Pictora runs in a folder holding two
# pictures among files the picker must not offer.
mkdir -p "$WORK/foto"
convert -size 640x480 xc:'rgb(200,30,30)' "$WORK/foto/rosso.jpg"
convert -size 640x480 xc:'rgb(30,30,200)' "$WORK/foto/blu.jpg"
new_album "$DEFAULT_ALBUM"
sqlite3 "$DEFAULT_ALBUM" "INSERT INTO datab VALUES (1,'Rosso','','','','','rosso.jpg','$WORK/foto'),
    (5,'Blu','','','','','blu.jpg','$WORK/foto')"
convert -size 640x480 xc:'rgb(30,200,30)' "$WORK/run/FOTO.JPG"
convert -size 64x48 xc:'rgb(200,200,30)' "$WORK/run/b.Bmp"
cp "$WORK/run/FOTO.JPG" "$WORK/run/a.jpeg"
convert -size 8x8 xc:white "$WORK/run/a.png"
echo nota >"$WORK/run/a.txt"
mkdir "$WORK/run/a.jpg.d"

start_pictora
album=$(wait_window_sized Pictora 622 467)
app_sync
read -r ax ay _ _ < <(window_geometry "$album")

# Hover the add button first: its highlighted picture replaces the normal one.
shot0=$SHOTS/rest.png shot1=$SHOTS/add_hover.png
screenshot "$shot0"
move_to $((ax + 470)) $((ay + 426))
move_to $((ax + 472)) $((ay + 428))
# True when a new screenshot $2 differs from $1 in rectangle $3.
shot_differs() { screenshot "$2" && region_differs "$@"; }
wait_until "$WAIT" shot_differs "$shot0" "$shot1" "32x32+$((ax + 456))+$((ay + 412))" \
    || fail "the add button did not highlight under the pointer"
pass "the add button highlights under the pointer"

xdotool click 1
question=$(wait_new_focus "$album")
xdotool key Return
picker=$(wait_window_sized Pictora 300 360)
app_sync
read -r px py _ _ < <(window_geometry "$picker")
# Centred over the album window (622x467 and 300x360).
[ $((px - ax)) = 161 ] && [ $((py - ay)) = 54 ] \
    || fail "picker at $px,$py, not centred over the album window at $ax,$ay"
# Motif hints: flags 0x2 (decorations given), then functions, decorations 0.
xprop -id "$picker" _MOTIF_WM_HINTS | grep -Eq '= 0x2, 0x[0-9a-f]+, 0x0(,|$)' \
    || fail "the picker asks for decorations: $(xprop -id "$picker" _MOTIF_WM_HINTS)"
[ "$question" != "$picker" ] || fail "no question before the picker"
pass "Yes opens the frameless picker, centred over the album window"

# The file list opens on the run folder and offers b.Bmp and FOTO.JPG only,
# by name: a.jpeg, a.png, a.txt and the folder would come first. Choosing one
# file, then the other, records the second.
click_in "$picker" 80 205
click_in "$picker" 80 222

shot2=$SHOTS/ok_rest.png shot3=$SHOTS/ok_hover.png
move_to $((px + 20)) $((py + 340))
screenshot "$shot2"
move_to $((px + 142)) $((py + 326))
move_to $((px + 144)) $((py + 328))
wait_until "$WAIT" shot_differs "$shot2" "$shot3" "32x32+$((px + 128))+$((py + 312))" \
    || fail "OK did not highlight under the pointer"
pass "OK highlights under the pointer"
xdotool click 1

# Quotes of every kind, a semicolon and letters beyond ASCII.
answers=("L'isola" 'Il "faro" è lì' 'Città sul mare, Straße' "Anna; Bob O'Hara" '"); DROP TABLE datab; --')
seen=("$album" "$picker")
for answer in "${answers[@]}"; do
    box=$(wait_new_focus "${seen[@]}")
    seen+=("$box")
    type_text "$answer"
    xdotool key Return
done
wait_window_sized_gone Pictora 300 360
pass "the five answers typed; the picker is gone"

three_rows() { [ "$(sqlite3 "$DEFAULT_ALBUM" 'SELECT count(*) FROM datab')" = 3 ]; }
wait_until "$WAIT" three_rows || true
[ "$(sqlite3 "$DEFAULT_ALBUM" 'SELECT group_concat(id) FROM (SELECT id FROM datab ORDER BY id)')" = "1,5,6" ] \
    || fail "album ids: $(sqlite3 "$DEFAULT_ALBUM" 'SELECT group_concat(id) FROM datab')"
columns=(titolo data_scatto luogo persone note nome_file percorso_file)
expected=("${answers[@]}" "FOTO.JPG" "$WORK/run")
for i in "${!columns[@]}"; do
    got=$(sqlite3 "$DEFAULT_ALBUM" "SELECT ${columns[$i]} FROM datab WHERE id = 6")
    [ "$got" = "${expected[$i]}" ] || fail "${columns[$i]} is [$got], not [${expected[$i]}]"
done
pass "the new row 6 holds exactly what was typed and picked"

# Back on the album window, its activation reopens the album on photo 1.
read -r ax ay _ _ < <(window_geometry "$(wait_window_sized Pictora 622 467)")
wait_colour $((ax + 20)) $((ay + 50)) "200,30,30" "$SHOTS/after_add.png"
pass "the album window shows the first photo again"
