#!/usr/bin/env bash
# An album kept on CD as a person uses it: switched to with the other-database
# button, browsed read-only with its pictures read from the CD, and left; then
# the photo list, opened from the photo, and a photo picked from it.
source "$(dirname "$0")/lib.sh" "$@"
start_x

declare -A COLOUR=([1]="200,30,30" [4]="40,60,200" [12]="220,200,40"
                   [cd3]="30,160,60" [cd8]="160,40,160")

# The usual album: three photos.
for id in 12 1 4; do add_colour_photo "$DEFAULT_ALBUM" "$id" "${COLOUR[$id]}"; done
[ -f "$DEFAULT_ALBUM" ] || fail "pictora-album made no album at $DEFAULT_ALBUM"

make_cd 8 "${COLOUR[cd8]}" 3 "${COLOUR[cd3]}"
cp "$CD/database.mdb" "$WORK/cd-before.mdb"

start_pictora
win=$(wait_window Pictora)
app_sync
read -r x y _ _ < <(window_geometry "$win")
shot=$SHOTS/cd_and_list.png
px=$((x + 100)) py=$((y + 100))
showing() { wait_colour "$px" "$py" "${COLOUR[$1]}" "$shot"; }
# The other-database button: hovered, then its highlighted picture clicked.
other_database() { click_in "$win" 584 428; }
switch_to_cd() {
    open_cd_album "$win"
    showing cd3
}

showing 1
pass "the usual album opens on photo 1"

# A path that names no file: asked again, no message; then the CD's album.
other_database
wait_window_count Pictora 2
wait_new_focus "$win" >/dev/null
screenshot "$SHOTS/cd_prompt.png"
type_and_enter "$CD/nessuno.mdb"
app_sync
wait_window_count Pictora 2
wait_new_focus "$win" >/dev/null
type_and_enter "$CD/database.mdb"
wait_window_count Pictora 1
showing cd3
pass "the CD's album is shown, its pictures read below the CD's root"
[ -f "$LOCAL_COPY" ] || fail "no working copy at $LOCAL_COPY"
cmp -s "$LOCAL_COPY" "$CD/database.mdb" || fail "the working copy differs from the CD's album"
[[ $(stat -c %A "$LOCAL_COPY") == -rw* ]] || fail "working copy not writable: $(stat -c %A "$LOCAL_COPY")"
pass "the working copy is the CD's album, writable"

click_in "$win" 542 46   # next
showing cd8
pass "the CD's album is browsed: next shows its photo 8"

# The add button refuses: no question comes.
click_in "$win" 472 428
# Any window asked for has been shown by now.
wm_sync
wait_window_count Pictora 1
showing cd8
pass "the add button does nothing on a CD's album"

other_database
showing 1
wait_window_count Pictora 1
pass "a second click returns to the usual album"

# The working copy made read-only while a CD's album is shown: the way back
# asks for a CD again; Escape (Annulla) returns to the usual album.
switch_to_cd
chmod a-w "$LOCAL_COPY"
other_database
wait_window_count Pictora 2
wait_new_focus "$win" >/dev/null
xdotool key Escape
wait_window_count Pictora 1
showing 1
pass "a read-only working copy: asked again, Annulla returns to the usual album"
switch_to_cd
[[ $(stat -c %A "$LOCAL_COPY") == -rw* ]] || fail "the read-only working copy was not replaced"
other_database
showing 1
pass "a read-only working copy is replaced by the next switch"
cmp -s "$WORK/cd-before.mdb" "$CD/database.mdb" || fail "the CD's album was changed"

# The photo list, opened by a click on the photo.
click_in "$win" 100 100
list=$(wait_window Form3)
app_sync
read -r lx ly lw lh < <(window_geometry "$list")
[ "$lw" = 310 ] && [ "$lh" = 211 ] || fail "the list window is ${lw}x${lh}, not 310x211"
screenshot "$SHOTS/photo_list.png"
mapfile -t lines < <(text_lines "$SHOTS/photo_list.png" $((lx + 18)) $((ly + 26)) 40 156)
[ "${#lines[@]}" = 3 ] || fail "the list shows ${#lines[@]} entries, not 3 (see $SHOTS/photo_list.png)"
pass "the list window, 310x211, lists the album's three photos"

# The third entry is photo 12.
move_to $((lx + 40)) "${lines[2]}"
xdotool click 1
wait_window_gone Form3
showing 12
album_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$win" ]; }
wait_until "$WAIT" album_active || fail "the album window did not become active again"
app_sync
showing 12
pass "an entry picked: its photo is shown and stays once the album window is active"

# The book glyph brings the list back.
click_in "$win" 20 20
wait_window Form3 >/dev/null
pass "the book glyph opens the list again"
