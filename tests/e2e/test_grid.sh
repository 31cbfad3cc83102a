#!/usr/bin/env bash
# The grid as a person uses it: F12 on the album's photo, the thumbnails
# shown, Right twice and Enter to photo 3 full screen, G back to the grid,
# Left and Esc back to the album window on photo 2. Then "Provini" in the
# photo menu: a picture missing and a file that is no picture get the warning
# tile; a word typed keeps the one photo whose title holds it, Esc clears the
# word and a second Esc leaves.
source "$(dirname "$0")/lib.sh" "$@"
start_x

declare -A COLOUR=([1]="200,30,30" [2]="30,160,60" [3]="40,60,200")
for id in 1 2 3; do add_colour_photo "$DEFAULT_ALBUM" "$id" "${COLOUR[$id]}"; done
echo "non è una foto" >"$WORK/foto/rotta.jpg"
sqlite3 "$DEFAULT_ALBUM" "UPDATE datab SET titolo = 'Tramonto a Ostia' WHERE id = 2;
    INSERT INTO datab VALUES (4,'Foto 4','','','','','manca.jpg','$WORK/foto');
    INSERT INTO datab VALUES (5,'Foto 5','','','','','rotta.jpg','$WORK/foto')"

start_pictora
win=$(wait_window Pictora)
app_sync
read -r x y _ _ < <(window_geometry "$win")
shot=$SHOTS/grid.png
wait_colour $((x + 100)) $((y + 100)) "${COLOUR[1]}" "$shot"

# 256-pixel tiles 12 pixels apart on the 1280 x 1024 screen: four to a line
# from x = 110, the first line from y = 48; a tile's middle shows its photo.
tile_left() { echo $((110 + $1 % 4 * 268)); }
tile_top() { echo $((48 + ($1 / 4) * 268)); }
tile_x() { echo $(($(tile_left "$1") + 128)); }
tile_y() { echo $(($(tile_top "$1") + 128)); }

# True when, in one screenshot, the middle of tile N (from 0) is near the
# N-th colour given (black: no tile there).
tiles_now() {
    local i=0 colour
    screenshot "$shot"
    for colour in "$@"; do
        FOUND="tile $i is $(pixel "$shot" "$(tile_x $i)" "$(tile_y $i)")"
        near "${FOUND##* }" "$colour" || return 1
        i=$((i + 1))
    done
}
wait_tiles() { wait_until "$WAIT" tiles_now "$@" || fail "$FOUND, not as in: $* (see $shot)"; }

# True when tile $1 shows the warning: plain dark, with the icon's yellow in
# its upper half. Its lower half, where a photo's picture would be, must never
# show one.
warning_now() {
    local left top corner below icon colour
    left=$(tile_left "$1") top=$(tile_top "$1")
    screenshot "$shot"
    corner=$(pixel "$shot" $((left + 10)) $((top + 10)))
    below=$(pixel "$shot" $((left + 128)) $((top + 200)))
    icon=$(pixel "$shot" $((left + 120)) $((top + 94)))
    for colour in "${COLOUR[@]}"; do
        near "$below" "$colour" && fail "tile $1 shows a photo's colour, $below (see $shot)"
    done
    FOUND="tile $1 is $corner at its corner, $icon at the icon, $below below"
    near "$corner" "48,48,48" && near "$below" "48,48,48" && near "$icon" "255,255,0"
}
wait_warning() { wait_until "$WAIT" warning_now "$1" || fail "$FOUND (see $shot)"; }

xdotool key F12
wait_window_count Pictora 2
wait_tiles "${COLOUR[1]}" "${COLOUR[2]}" "${COLOUR[3]}"
pass "F12 shows the album's thumbnails"

# The 640 x 480 pictures full screen are centred, from (320, 272).
xdotool key Right Right Return
wait_colour 330 282 "${COLOUR[3]}" "$shot"
pass "Right, Right and Enter show photo 3 full screen"

xdotool key g
wait_colour "$(tile_x 0)" "$(tile_y 0)" "${COLOUR[1]}" "$shot"
xdotool key Left Escape
wait_window_count Pictora 1
wait_colour $((x + 100)) $((y + 100)) "${COLOUR[2]}" "$shot"
pass "G, Left and Esc come back to the album window on photo 2"

# The photo menu by the menu key, once the album window has the keyboard;
# "Provini" is its second item.
album_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$win" ]; }
wait_until "$WAIT" album_active || fail "the album window did not become active again"
xdotool key Menu
app_sync
xdotool key Down Down Return
wait_window_count Pictora 2
wait_tiles "${COLOUR[1]}" "${COLOUR[2]}" "${COLOUR[3]}"
wait_warning 3
wait_warning 4
pass "Provini in the photo menu shows the grid; a missing picture and a file that is no picture get the warning tile"

type_text tramonto
wait_tiles "${COLOUR[2]}" 0,0,0 0,0,0 0,0,0 0,0,0
pass "a word typed keeps only the photo whose title holds it"
xdotool key Escape
wait_tiles "${COLOUR[1]}" "${COLOUR[2]}" "${COLOUR[3]}"
wait_warning 3
wait_warning 4
pass "Esc clears the word: every tile is back"
xdotool key Escape
wait_window_count Pictora 1
wait_colour $((x + 100)) $((y + 100)) "${COLOUR[2]}" "$shot"
pass "a second Esc leaves the grid for the album window on photo 2"
