#!/usr/bin/env bash
# Full screen as a person uses it: F11 on the album's photo, Right to the next
# one, Esc back to the album window on that photo.
source "$(dirname "$0")/lib.sh" "$@"
start_x

declare -A COLOUR=([1]="200,30,30" [2]="30,160,60" [3]="40,60,200")
for id in 1 2 3; do add_colour_photo "$DEFAULT_ALBUM" "$id" "${COLOUR[$id]}"; done

start_pictora
win=$(wait_window Pictora)
app_sync
read -r x y w h < <(window_geometry "$win")
shot=$SHOTS/fullscreen.png
wait_colour $((x + 100)) $((y + 100)) "${COLOUR[1]}" "$shot"

# The 640 x 480 pictures are not enlarged: centred on the 1280 x 1024 screen,
# from (320, 272). A point of them near the album window's top left corner,
# where that window shows its background and no photo.
cx=$(( (x > 320 ? x : 320) + 3 )) cy=$(( (y > 272 ? y : 272) + 3 ))

xdotool key F11
wait_window_count Pictora 2
wait_colour 2 2 "0,0,0" "$shot"
wait_colour "$cx" "$cy" "${COLOUR[1]}" "$shot"
pass "F11 shows photo 1 on a black screen"

xdotool key Right
app_sync
wait_colour "$cx" "$cy" "${COLOUR[2]}" "$shot"
pass "Right shows photo 2"

xdotool key Escape
wait_window_count Pictora 1
wait_colour $((x + 100)) $((y + 100)) "${COLOUR[2]}" "$shot"
pass "Esc comes back to the album window on photo 2"
