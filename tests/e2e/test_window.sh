#!/usr/bin/env bash
# The album window as a person handles it: each button lights up under the
# pointer and only its own square changes, the window is dragged by its
# background, minimised and closed with the glyphs in its corner.
source "$(dirname "$0")/lib.sh" "$@"
start_x

add_colour_photo "$DEFAULT_ALBUM" 1 "40,120,200"

start_pictora
win=$(wait_window Pictora)
app_sync
wm_sync
read -r x y w h < <(window_geometry "$win")
[ "$w" = 622 ] && [ "$h" = 467 ] || fail "window is ${w}x${h}"
# Centred on the 1280x1024 screen.
[ "$x" = 329 ] && [ "$y" = 278 ] || fail "window opened at $x,$y, not centred"

# The window lists itself for the taskbar and carries its icon.
state=$(xprop -id "$win" _NET_WM_STATE)
[[ $state != *SKIP_TASKBAR* ]] || fail "window kept off the taskbar: $state"
xprop -id "$win" _NET_WM_ICON >"$WORK/icon.txt"
grep -q 'Icon (32 x 32)' "$WORK/icon.txt" || fail "no 32x32 window icon"
pass "taskbar entry with the icon"

# The window alone, as it shows on the screen, to $1.
window_shot() { import -window "$win" "$1"; }

# Where two pictures of the window differ, as "W H X Y", or "none".
diff_box() {
    local box
    box=$(convert "$1" "$2" -compose difference -composite -threshold 1% -trim \
        -format '%w %h %X %Y' info: 2>/dev/null)
    # -trim leaves a single pixel when nothing differs.
    if [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = 0 ]; then echo none; else echo "$box"; fi
}

# Hover at window point ($1,$2), then leave the window straight away, as a
# person moving off the window does: the highlight stays and no tooltip has
# had the time to show. The program takes the two in order, however busy.
hover_and_leave() {
    xdotool mousemove $((x + $1)) $((y + $2))
    xdotool mousemove 5 5
    app_sync
}

# True when a shot of the window, to $1, is the same as $2.
same_as() {
    window_shot "$1"
    [ "$(diff_box "$2" "$1")" = none ]
}

# True when a shot of the window, to $1, differs from $2 only inside the
# square "left top width height" ($3..$6) and over at least half of it each
# way. The change found is left in FOUND as "W H X Y".
lit_within() {
    local bw bh bx by
    window_shot "$1"
    FOUND=$(diff_box "$2" "$1")
    [ "$FOUND" != none ] || return 1
    read -r bw bh bx by <<<"$FOUND"
    [ "$bx" -ge "$3" ] && [ "$by" -ge "$4" ] && [ $((bx + bw)) -le $(($3 + $5)) ] \
        && [ $((by + bh)) -le $(($4 + $6)) ] && [ $((bw * 2)) -ge "$5" ] && [ $((bh * 2)) -ge "$6" ]
}

# At rest: the pointer crosses the background on its way out.
hover_and_leave 440 300
window_shot "$WORK/rest.png"

# Each button, and the two glyph zones: name, a point on it, and the square
# (left top width height, in pixels) where the lit picture lies.
while read -r name px py left top size_w size_h; do
    hover_and_leave "$px" "$py"
    wait_until "$WAIT" lit_within "$WORK/$name.png" "$WORK/rest.png" "$left" "$top" "$size_w" "$size_h" \
        || fail "$name: the change under the pointer is '$FOUND' (W H X Y), not over the ${size_w}x${size_h}+${left}+${top} square"
    # The background puts it back.
    hover_and_leave 440 300
    wait_until "$WAIT" same_as "$WORK/back.png" "$WORK/rest.png" || fail "$name: not back to rest"
done <<'EOF'
first 496 46 480 31 32 32
previous 522 47 514 39 16 16
next 542 46 534 38 16 16
last 570 45 554 29 32 32
add 471 427 456 412 32 32
delete 507 429 492 414 32 32
jump 541 427 526 412 32 32
other 583 427 568 412 32 32
minimise 592 11 587 4 13 14
close 606 12 602 5 13 13
EOF
pass "each button and glyph lights in its own square and goes back on the background"

# Moving from a lit button onto a field, a caption, the photo or the book
# leaves it lit.
# Each move is taken before the next, so none is merged into the next one.
move_to $((x + 471)) $((y + 427))
for point in "520 148" "520 125" "200 200" "20 20" "520 370" "590 380"; do
    read -r px py <<<"$point"
    move_to $((x + px)) $((y + py))
done
move_to 5 5
# A tooltip may show a moment on the way.
wait_until "$WAIT" same_as "$WORK/still.png" "$WORK/add.png" || fail "the add button went out"
pass "fields, captions, the photo and the book leave the highlight alone"

# The tooltip of a lit button shows once the pointer rests on it, in the
# active window.
album_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$win" ]; }
# The id of a visible tooltip of the program in FOUND.
tooltip_shown() {
    local id
    FOUND=""
    for id in $(xdotool search --onlyvisible --class pictora 2>/dev/null); do
        xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q TOOLTIP && FOUND=$id
    done
    [ -n "$FOUND" ]
}
wait_until "$WAIT" album_active || fail "the album window is not active: $(xdotool getactivewindow 2>&1)"
app_sync
move_to $((x + 471)) $((y + 427))
move_to $((x + 472)) $((y + 428))
wait_until "$WAIT" tooltip_shown || fail "no tooltip over the add button"
screenshot "$SHOTS/tooltip.png"
pass "tooltip over the lit add button"
move_to 5 5
wait_until "$WAIT" eval '! tooltip_shown' || fail "the tooltip stayed after the pointer left"

# Dragging by the background, with either button, exactly by the pointer's
# displacement, and past the screen's edge.
drag() {  # button, from window point, by dx dy
    local gx=$((x + $2)) gy=$((y + $3))
    move_to "$gx" "$gy"
    xdotool mousedown "$1"
    app_sync
    move_to $((gx + $4)) $((gy + $5))
    xdotool mouseup "$1"
    app_sync
}
# True when the window stands at ($1,$2); where it stands in FOUND.
stands_at() {
    local nx ny
    read -r nx ny _ _ < <(window_geometry "$win")
    FOUND="$nx,$ny"
    [ "$nx" = "$1" ] && [ "$ny" = "$2" ]
}
# Waits for the window to stand at ($1,$2); says where it is if it does not.
wait_at() {
    wait_until "$WAIT" stands_at "$@" || { echo "$FOUND"; return 1; }
}
drag 1 440 300 120 60
at=$(wait_at $((x + 120)) $((y + 60))) || fail "dragged by 120,60 from $x,$y but the window is at $at"
x=$((x + 120)) y=$((y + 60))
drag 3 300 20 -37 25
at=$(wait_at $((x - 37)) $((y + 25))) || fail "right-button drag ended at $at"
x=$((x - 37)) y=$((y + 25))
# The right button drags by the photo too.
drag 3 200 200 -30 20
at=$(wait_at $((x - 30)) $((y + 20))) || fail "right-button drag on the photo ended at $at"
x=$((x - 30)) y=$((y + 20))
# A press on a field, the left one on the photo or the book moves nothing
# (each released off the control, so none counts as a click).
drag 1 520 148 60 60
drag 1 300 250 200 150
drag 3 20 20 100 100
# Any move asked for has been made by now.
wm_sync
stands_at "$x" "$y" || fail "a press on a control moved the window to $FOUND"
# Far to the left and up: the window goes partly off the screen and stays.
drag 1 440 300 $((-x - 200)) $((-y - 100))
at=$(wait_at -200 -100) || fail "dragged off the screen, the window is at $at"
app_sync
wm_sync
stands_at -200 -100 || fail "the window was pulled back to $FOUND"
x=-200 y=-100
drag 1 440 300 400 300
at=$(wait_at 200 200) || fail "dragged back, the window is at $at"
x=200 y=200
pass "dragged by the background with either button, by the photo with the right one, off the screen and back"

# The minimise glyph: under the pointer it shows, a click iconifies.
hover_and_leave 440 300
window_shot "$WORK/rest2.png"
move_to $((x + 592)) $((y + 11))
xdotool click 1
iconic() { xprop -id "$win" WM_STATE | grep -q 'window state: Iconic'; }
wait_until "$WAIT" iconic || fail "not minimised: $(xprop -id "$win" WM_STATE)"
pass "minimise glyph iconifies the window"
xdotool mousemove 5 5
xdotool windowactivate "$win" 2>/dev/null || xdotool windowmap "$win"
win=$(wait_window Pictora)
app_sync
read -r x y _ _ < <(window_geometry "$win")
wait_until "$WAIT" lit_within "$WORK/restored.png" "$WORK/rest2.png" 587 4 13 14 \
    || fail "after restoring, the window differs from rest by '$FOUND', not by the lit glyph"
pass "restored with the minimise glyph still lit"

# The close glyph ends the program at once, with exit code 0.
move_to $((x + 606)) $((y + 12))
xdotool click 1
status=0
wait_until "$WAIT" ended "$APP_PID" || fail "still running after the close glyph"
wait "$APP_PID" || status=$?
APP_PID=""
[ "$status" = 0 ] || fail "ended with exit code $status"
wait_window_gone Pictora
pass "close glyph ends the program with exit code 0"
