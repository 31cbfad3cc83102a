#!/usr/bin/env bash
# The grid as a person uses it: F12 on the album's photo, the thumbnails
# shown, Right twice and Enter to photo 3 full screen, G back to the grid,
# Left and Esc back to the album window on photo 2.
source "$(dirname "$0")/lib.sh" "$@"
start_x

declare -A COLOUR=([1]="200,30,30" [2]="30,160,60" [3]="40,60,200")
for id in 1 2 3; do add_colour_photo "$DEFAULT_ALBUM" "$id" "${COLOUR[$id]}"; done

start_pictora
win=$(wait_window Pictora)
app_sync
read -r x y w h < <(window_geometry "$win")
shot=$SHOTS/grid.png
wait_colour $((x + 100)) $((y + 100)) "${COLOUR[1]}" "$shot"

# 256-pixel tiles 12 pixels apart on the 1280 x 1024 screen: four columns
# from x = 110, the first line from y = 36; a tile's middle shows its photo.
tile_x() { echo $((110 + $1 * 268 + 128)); }
tile_y=$((36 + 128))

xdotool key F12
wait_window_count Pictora 2
for id in 1 2 3; do wait_colour "$(tile_x $((id - 1)))" "$tile_y" "${COLOUR[$id]}" "$shot"; done
pass "F12 shows the album's thumbnails"

# The 640 x 480 pictures full screen are centred, from (320, 272).
xdotool key Right Right Return
wait_colour 330 282 "${COLOUR[3]}" "$shot"
pass "Right, Right and Enter show photo 3 full screen"

xdotool key g
wait_colour "$(tile_x 0)" "$tile_y" "${COLOUR[1]}" "$shot"
xdotool key Left Escape
wait_window_count Pictora 1
wait_colour $((x + 100)) $((y + 100)) "${COLOUR[2]}" "$shot"
pass "G, Left and Esc come back to the album window on photo 2"
