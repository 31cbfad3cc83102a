#!/usr/bin/env bash
# Start-up as a person sees it: the album at the usual place opens at once;
# with no album anywhere the program asks for one and remembers the answer.
source "$(dirname "$0")/lib.sh" "$@"
start_x

# A landscape photo of a known colour in a one-photo album at the usual place.
add_colour_photo "$DEFAULT_ALBUM" 1 "200,30,30"

start_pictora
win=$(wait_window Pictora)
app_sync
read -r x y w h < <(window_geometry "$win")
[ "$w" = 622 ] && [ "$h" = 467 ] || fail "window is ${w}x${h}, not 622x467"
pass "window titled Pictora, 622x467"
# Motif hints: flags, functions, decorations; the decorations field in use and 0.
hints=$(xprop -id "$win" _MOTIF_WM_HINTS | sed 's/.*= //')
IFS=', ' read -r flags _ decorations _ <<<"$hints"
(( (flags & 2) && decorations == 0 )) || fail "window asks for decorations: $hints"
pass "window asks for no decorations"

shot=$SHOTS/startup.png
screenshot "$shot"
# The photo frame starts at (12,42); a 640x480 picture fills 423x309 pixels.
near "$(pixel "$shot" $((x + 20)) $((y + 50)))" "200,30,30" || fail "photo not at the frame's corner"
near "$(pixel "$shot" $((x + 430)) $((y + 345)))" "200,30,30" || fail "photo not fitted to 423x309"
! near "$(pixel "$shot" $((x + 200)) $((y + 360)))" "200,30,30" || fail "photo taller than the fitting rule"
pass "first photo fitted by the rule"
end_process "$APP_PID"
APP_PID=""
wait_window_gone Pictora

# No album anywhere: the input box titled Pictora asks for the path.
mv "$DEFAULT_ALBUM" "$WORK/mio.mdb"
start_pictora
# Two windows named Pictora: the album window and the input box in front.
wait_window_count Pictora 2
wait_new_focus "$(windows_sized Pictora 622 467)" >/dev/null
type_and_enter "$WORK/mio.mdb"
app_sync
remembered() { printf '%s\r\n' "$WORK/mio.mdb" | cmp -s - "$WORK/run/pathdb"; }
wait_until "$WAIT" remembered || fail "pathdb holds: $(od -c "$WORK/run/pathdb" 2>&1)"
pass "the typed path is remembered in pathdb, ended by CR LF"
wait_window_count Pictora 1
read -r x y w h < <(window_geometry "$(wait_window Pictora)")
wait_colour $((x + 20)) $((y + 50)) "200,30,30" "$shot"
pass "album opened from the typed path"
