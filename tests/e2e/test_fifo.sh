#!/usr/bin/env bash
# A file that is no picture never holds the program: with FIFOs as the first
# and the next photo's pictures, the window shows, answers a step to the next
# photo, and its close glyph ends the program at once.
source "$(dirname "$0")/lib.sh" "$@"
start_x

add_colour_photo "$DEFAULT_ALBUM" 1 "40,120,200"
add_colour_photo "$DEFAULT_ALBUM" 2 "200,60,40"
for n in 1 2; do
    rm "$WORK/foto/foto$n.jpg"
    mkfifo "$WORK/foto/foto$n.jpg"
done

start_pictora
win=$(wait_window Pictora)
app_sync
pass "the window shows with a FIFO as the first photo's picture"
click_in "$win" 542 46   # next
pass "a step to a FIFO is answered"

read -r x y _ _ < <(window_geometry "$win")
move_to $((x + 606)) $((y + 12))
xdotool click 1
wait_until "$WAIT" ended "$APP_PID" || fail "still running after the close glyph"
APP_PID=""
pass "the close glyph ends the program"
