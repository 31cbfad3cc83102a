#!/usr/bin/env bash
# The album window as a person handles it: each button lights up under the
# pointer and only its own square changes, the window is dragged by its
# background, minimised and closed with the glyphs in its corner.
source "$(dirname "$0")/lib.sh" "$@"
start_x

add_colour_photo "$DEFAULT_ALBUM" 1 "40,120,200"

start_pictora
win=$(wait_window Pictora)
settle
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
    sleep 0.1
    xdotool mousemove 5 5
}

# Shoots the window to $1 until it is the same as $2 ("same") or differs from
# it ("differs"), for up to ~5 s; false if it never does.
shot_until() {
    local d
    for _ in $(seq 25); do
        window_shot "$1"
        d=$(diff_box "$2" "$1")
        if [ "$3" = same ]; then [ "$d" = none ] && return 0; else [ "$d" != none ] && return 0; fi
        sleep 0.2
    done
    return 1
}

# At rest: the pointer crosses the background on its way out.
hover_and_leave 440 300
settle
window_shot "$WORK/rest.png"

# Each button, and the two glyph zones: name, a point on it, and the square
# (left top width height, in pixels) where the lit picture lies.
while read -r name px py left top size_w size_h; do
    hover_and_leave "$px" "$py"
    shot_until "$WORK/$name.png" "$WORK/rest.png" differs || fail "$name: nothing changed under the pointer"
    sleep 0.2
    window_shot "$WORK/$name.png"
    read -r bw bh bx by < <(diff_box "$WORK/rest.png" "$WORK/$name.png")
    [ "$bx" -ge "$left" ] && [ "$by" -ge "$top" ] \
        && [ $((bx + bw)) -le $((left + size_w)) ] && [ $((by + bh)) -le $((top + size_h)) ] \
        || fail "$name: the change spans ${bw}x${bh}+${bx}+${by}, not inside ${size_w}x${size_h}+${left}+${top}"
    [ $((bw * 2)) -ge "$size_w" ] && [ $((bh * 2)) -ge "$size_h" ] \
        || fail "$name: only ${bw}x${bh} of the ${size_w}x${size_h} square changed"
    # The background puts it back.
    hover_and_leave 440 300
    shot_until "$WORK/back.png" "$WORK/rest.png" same || fail "$name: not back to rest"
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
xdotool mousemove $((x + 471)) $((y + 427))
sleep 0.2
for point in "520 148" "520 125" "200 200" "20 20" "520 370" "590 380"; do
    read -r px py <<<"$point"
    xdotool mousemove $((x + px)) $((y + py))
    sleep 0.15
done
xdotool mousemove 5 5
settle 0.5
window_shot "$WORK/still.png"
[ "$(diff_box "$WORK/add.png" "$WORK/still.png")" = none ] || fail "the add button went out"
pass "fields, captions, the photo and the book leave the highlight alone"

# The tooltip of a lit button shows once the pointer rests on it.
xdotool mousemove $((x + 471)) $((y + 427))
sleep 0.1
xdotool mousemove $((x + 472)) $((y + 428))
tip=""
for _ in $(seq 40); do
    for id in $(xdotool search --onlyvisible --class pictora 2>/dev/null); do
        xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q TOOLTIP && tip=$id
    done
    [ -n "$tip" ] && break
    sleep 0.1
done
[ -n "$tip" ] || fail "no tooltip over the add button"
screenshot "$SHOTS/tooltip.png"
pass "tooltip over the lit add button"
xdotool mousemove 5 5
sleep 0.5

# Dragging by the background, with either button, exactly by the pointer's
# displacement, and past the screen's edge.
drag() {  # button, from window point, by dx dy
    local gx=$((x + $2)) gy=$((y + $3))
    xdotool mousemove -- "$gx" "$gy"
    sleep 0.2
    xdotool mousedown "$1"
    sleep 0.2
    xdotool mousemove -- $((gx + $4)) $((gy + $5))
    sleep 0.3
    xdotool mouseup "$1"
}
# Waits up to ~5 s for the window to stand at ($1,$2); says where it is if not.
wait_at() {
    local nx ny
    for _ in $(seq 25); do
        read -r nx ny _ _ < <(window_geometry "$win")
        [ "$nx" = "$1" ] && [ "$ny" = "$2" ] && return 0
        sleep 0.2
    done
    echo "$nx,$ny"
    return 1
}
drag 1 440 300 120 60
at=$(wait_at $((x + 120)) $((y + 60))) || fail "dragged by 120,60 from $x,$y but the window is at $at"
x=$((x + 120)) y=$((y + 60))
drag 3 300 20 -37 25
at=$(wait_at $((x - 37)) $((y + 25))) || fail "right-button drag ended at $at"
x=$((x - 37)) y=$((y + 25))
# A press on a field, the photo or the book moves nothing (each released off
# the control, so none counts as a click).
drag 1 520 148 60 60
drag 1 300 250 200 150
drag 3 20 20 100 100
sleep 0.5
at=$(wait_at "$x" "$y") || fail "a press on a control moved the window to $at"
# Far to the left and up: the window goes partly off the screen and stays.
drag 1 440 300 $((-x - 200)) $((-y - 100))
at=$(wait_at -200 -100) || fail "dragged off the screen, the window is at $at"
sleep 0.5
at=$(wait_at -200 -100) || fail "the window was pulled back to $at"
x=-200 y=-100
drag 1 440 300 400 300
at=$(wait_at 200 200) || fail "dragged back, the window is at $at"
x=200 y=200
pass "dragged by the background with either button, off the screen and back"

# The minimise glyph: under the pointer it shows, a click iconifies.
hover_and_leave 440 300
settle 0.5
window_shot "$WORK/rest2.png"
xdotool mousemove $((x + 592)) $((y + 11))
sleep 0.3
xdotool click 1
for _ in $(seq 50); do
    xprop -id "$win" WM_STATE | grep -q Iconic && break
    sleep 0.1
done
xprop -id "$win" WM_STATE | grep -q 'window state: Iconic' || fail "not minimised: $(xprop -id "$win" WM_STATE)"
pass "minimise glyph iconifies the window"
xdotool mousemove 5 5
xdotool windowactivate "$win" 2>/dev/null || xdotool windowmap "$win"
win=$(wait_window Pictora)
settle
read -r x y _ _ < <(window_geometry "$win")
window_shot "$WORK/restored.png"
read -r bw bh bx by < <(diff_box "$WORK/rest2.png" "$WORK/restored.png")
[ "$bw" != none ] && [ "$bx" -ge 587 ] && [ "$by" -ge 4 ] \
    && [ $((bx + bw)) -le 600 ] && [ $((by + bh)) -le 18 ] \
    || fail "after restoring, the window differs from rest by '$bw $bh $bx $by', not by the lit glyph"
pass "restored with the minimise glyph still lit"

# The close glyph ends the program at once, with exit code 0.
xdotool mousemove $((x + 606)) $((y + 12))
sleep 0.3
xdotool click 1
status=0
for _ in $(seq 50); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.1; done
kill -0 "$APP_PID" 2>/dev/null && fail "still running after the close glyph"
wait "$APP_PID" || status=$?
APP_PID=""
[ "$status" = 0 ] || fail "ended with exit code $status"
wait_window_gone Pictora
pass "close glyph ends the program with exit code 0"
