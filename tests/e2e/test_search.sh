#!/usr/bin/env bash
# Finding a photo by its words as a person does: Ctrl+F in the album window
# opens the photo list with the search line ready, the words typed narrow the
# list and its count, and a photo found is picked. The album file is only
# read; the word index goes to the cache folder.
source "$(dirname "$0")/lib.sh" "$@"
start_x

declare -A COLOUR=([1]="200,30,30" [4]="40,60,200" [12]="220,200,40")
for id in 1 4 12; do add_colour_photo "$DEFAULT_ALBUM" "$id" "${COLOUR[$id]}"; done
sqlite3 "$DEFAULT_ALBUM" "UPDATE datab SET luogo = 'Cefalù' WHERE id = 4;
                          UPDATE datab SET titolo = 'Natale dai nonni' WHERE id = 12"
# As another program may leave it: numbers that are not the rows', one twice.
sqlite3 "$DEFAULT_ALBUM" "CREATE TABLE copia AS SELECT * FROM datab; DROP TABLE datab;
                          CREATE TABLE datab AS SELECT * FROM copia; DROP TABLE copia;
                          INSERT INTO datab (id, titolo) VALUES (4, 'Mare d''inverno')"
cp "$DEFAULT_ALBUM" "$WORK/album-before.mdb"

start_pictora
win=$(wait_window Pictora)
app_sync
read -r x y _ _ < <(window_geometry "$win")
shot=$SHOTS/search.png
wait_colour $((x + 100)) $((y + 100)) "${COLOUR[1]}" "$shot"

xdotool key ctrl+f
list=$(wait_window Form3)
app_sync
read -r lx ly lw lh < <(window_geometry "$list")
[ "$lw" = 310 ] && [ "$lh" = 211 ] || fail "the list window is ${lw}x${lh}, not 310x211"
pass "Ctrl+F opens the photo list, 310x211"

# The entries of the list, and the width of the count's text below it.
entries() {
    screenshot "$shot"
    mapfile -t LINES < <(text_lines "$shot" $((lx + 18)) $((ly + 26)) 40 156)
    [ "${#LINES[@]}" = "$1" ]
}
count_width() {
    screenshot "$shot"
    convert "$shot" -crop "280x20+$((lx + 16))+$((ly + 186))" +repage -colorspace gray \
        -threshold 50% -negate -trim -format '%w' info: 2>/dev/null || echo 0
}
wait_until "$WAIT" entries 4 || fail "the list shows ${#LINES[@]} entries, not 4 (see $shot)"
all_width=$(count_width)

# The line has the keyboard: typing goes straight into it.
type_text "cefalu"
wait_until "$WAIT" entries 1 || fail "'cefalu' leaves ${#LINES[@]} entries, not 1 (see $shot)"
one_width=$(count_width)
[ "$one_width" -gt 0 ] || fail "no count under the list (see $shot)"
pass "typing 'cefalu' finds the photo taken in Cefalù, and a count is shown"

xdotool key ctrl+a
type_text "mare"
wait_until "$WAIT" entries 1 || fail "'mare' leaves ${#LINES[@]} entries, not 1 (see $shot)"
pass "an album numbering two photos alike is searched whole"

xdotool key ctrl+a
type_text "zanzibar"
wait_until "$WAIT" entries 0 || fail "'zanzibar' leaves ${#LINES[@]} entries (see $shot)"
none_width=$(count_width)
[ "$none_width" -gt "$one_width" ] || fail "no longer message when nothing is found (see $shot)"
pass "words no photo holds empty the list and say so"

xdotool key ctrl+a
type_text "NATALE NON"
wait_until "$WAIT" entries 1 || fail "'NATALE NON' leaves ${#LINES[@]} entries (see $shot)"
move_to $((lx + 40)) "${LINES[0]}"
xdotool click 1
wait_window_gone Form3
wait_colour $((x + 100)) $((y + 100)) "${COLOUR[12]}" "$shot"
pass "the photo found is picked and shown"

# The words stay for the next opening.
xdotool key ctrl+f
wait_window Form3 >/dev/null
app_sync
wait_until "$WAIT" entries 1 || fail "the words were not kept: ${#LINES[@]} entries (see $shot)"
[ "$all_width" -gt 0 ] || fail "no count for the whole album"
pass "opened again, the list keeps the words and what they found"

cmp -s "$WORK/album-before.mdb" "$DEFAULT_ALBUM" || fail "the search changed the album file"
ls "$XDG_CACHE_HOME"/Pictora/search/search-*.index >/dev/null 2>&1 ||
    fail "no word index in $XDG_CACHE_HOME/Pictora/search"
pass "the album file is unchanged; the word index is in the cache folder"

# Another program deletes the photo found while the list is open: picking it
# says so, the list is shown anew, and the album window shows a photo whole.
sqlite3 "$DEFAULT_ALBUM" "DELETE FROM datab WHERE id = 12"
move_to $((lx + 40)) "${LINES[0]}"
xdotool click 1
wait_window_count Pictora 2
wait_new_focus "$win" "$list" >/dev/null
screenshot "$SHOTS/search_gone.png"
xdotool key Return
wait_window_count Pictora 1
wait_until "$WAIT" entries 0 || fail "the list still shows ${#LINES[@]} entries (see $shot)"
wait_colour $((x + 100)) $((y + 100)) "${COLOUR[1]}" "$shot"
pass "a photo another program deleted is told, the list shown anew"
