#!/usr/bin/env bash
# The album commands as a person uses them: next, last and first, a jump to a
# photo number, and a deletion confirmed with Return.
source "$(dirname "$0")/lib.sh" "$@"
start_x

# Four photos, each a solid colour of its own, numbered with gaps.
declare -A COLOUR=([2]="200,30,30" [5]="30,160,60" [9]="40,60,200" [12]="220,200,40")
for id in 12 2 9 5; do add_colour_photo "$DEFAULT_ALBUM" "$id" "${COLOUR[$id]}"; done
[ -f "$DEFAULT_ALBUM" ] || fail "pictora-album made no album at $DEFAULT_ALBUM"

start_pictora
win=$(wait_window Pictora)
app_sync
read -r x y _ _ < <(window_geometry "$win")
shot=$SHOTS/commands.png

# A point inside the photo frame, in screen pixels.
px=$((x + 100)) py=$((y + 100))
showing() { wait_colour "$px" "$py" "${COLOUR[$1]}" "$shot"; }

showing 2
pass "the album opens on photo 2"

# Each button's normal picture is hovered, then its highlighted picture,
# shown in its place, takes the click.
click_in "$win" 542 46   # next
showing 5
pass "next shows photo 5"
click_in "$win" 570 45   # last
showing 12
pass "last shows photo 12"
click_in "$win" 542 46   # next on the last photo: no wrap-around
showing 12
pass "next on the last photo stays on it"
click_in "$win" 522 47   # previous
showing 9
pass "previous shows photo 9"
click_in "$win" 496 47   # first
showing 2
pass "first shows photo 2"

# Jump: the input box, also titled Pictora, in front of the album window.
click_in "$win" 542 428
wait_window_count Pictora 2
wait_new_focus "$win" >/dev/null
type_and_enter 9
wait_window_count Pictora 1
showing 9
pass "a jump to 9 shows photo 9"

click_in "$win" 542 428
box=$(wait_new_focus "$win")
type_and_enter 99
# "Nessuna foto trovata con questo numero", then the first photo.
wait_new_focus "$win" "$box" >/dev/null
wait_window_count Pictora 2
screenshot "$SHOTS/jump_not_found.png"
xdotool key Return
wait_window_count Pictora 1
showing 2
pass "a jump to a missing number is told, then photo 2 is shown"

# Delete photo 9, confirmed with Return (Yes is the default button).
click_in "$win" 542 428
wait_window_count Pictora 2
wait_new_focus "$win" >/dev/null
type_and_enter 9
wait_window_count Pictora 1
showing 9
click_in "$win" 508 430
wait_window_count Pictora 2
wait_new_focus "$win" >/dev/null
screenshot "$SHOTS/delete_question.png"
xdotool key Return
wait_window_count Pictora 1
showing 2
ids=$(sqlite3 "$DEFAULT_ALBUM" "SELECT group_concat(id, ',') FROM (SELECT id FROM datab ORDER BY id)")
[ "$ids" = "2,5,12" ] || fail "album holds ids $ids after deleting 9"
[ -f "$WORK/foto/foto9.jpg" ] || fail "the picture file of photo 9 was removed"
pass "deleting photo 9 removes its row only, and the first photo is shown"

click_in "$win" 542 46   # next
showing 5
click_in "$win" 542 46
showing 12
pass "next steps over the deleted number"
