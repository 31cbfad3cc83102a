#!/usr/bin/env bash
# Correcting a photo's fields in place as a person does it: F2 and typing,
# Enter, Esc, a double-click, Ctrl+Enter in the notes, Ctrl+Z; the album file
# read with sqlite3 after each, and after the program is killed.
source "$(dirname "$0")/lib.sh" "$@"
start_x

for id in 1 2; do add_colour_photo "$DEFAULT_ALBUM" "$id" "$((id * 90)),60,60"; done
start_pictora
win=$(wait_window Pictora)
app_sync

# Photo 1's column $1 is $2.
stored() { [ "$(sqlite3 "$DEFAULT_ALBUM" "SELECT $1 FROM datab WHERE id = 1")" = "$2" ]; }
expect() { wait_until "$WAIT" stored "$1" "$2" || fail "$1 of photo 1 is '$(sqlite3 "$DEFAULT_ALBUM" "SELECT $1 FROM datab WHERE id = 1")', not '$2' ($3)"; }
key() { xdotool key "$@"; app_sync; }

# The boxes' middles, in window pixels: title, date, place, notes.
TITLE=(524 149) DATE=(524 197) PLACE=(524 245) NOTES=(528 378)

click_in "$win" "${TITLE[@]}"
key F2
key ctrl+a
type_text "Città d'Alba"
key Return
expect titolo "Città d'Alba" "F2, typing, Enter"
pass "F2, typing and Enter save the title verbatim"

click_in "$win" "${DATE[@]}"
key F2
key ctrl+a
type_text "31/12/99"
key Escape
[ "$(sqlite3 "$DEFAULT_ALBUM" "SELECT data_scatto FROM datab WHERE id = 1")" = "01/02/03" ] ||
    fail "Esc saved the date"
pass "Esc saves nothing"

xdotool mousemove --window "$win" "${PLACE[@]}"
app_sync
xdotool click --repeat 2 --delay 80 1
app_sync
key ctrl+a
type_text "Alba"
key Return
expect luogo "Alba" "double-click, typing, Enter"
pass "a double-click starts an edit of the place"

click_in "$win" "${NOTES[@]}"
key F2
type_text "uno"
key Return
type_text "due"
key ctrl+Return
expect note $'uno\ndue' "Enter then Ctrl+Enter in the notes"
pass "Enter is a new line in the notes, Ctrl+Enter saves them"

key ctrl+z
expect note "" "Ctrl+Z after the notes' save"
pass "Ctrl+Z puts the previous notes back"

click_in "$win" "${TITLE[@]}"
key F2
key ctrl+a
type_text "Città d'Alba"
key Return
key F2
key End
type_text " vecchia"
key Return
expect titolo "Città d'Alba vecchia" "a second save of the title"
key ctrl+z
expect titolo "Città d'Alba" "Ctrl+Z after the title's save"
kill -9 "$APP_PID"
wait_until "$WAIT" ended "$APP_PID" || fail "the program did not end"
APP_PID=""
[ "$(sqlite3 "$DEFAULT_ALBUM" "PRAGMA integrity_check")" = ok ] || fail "the album is damaged"
stored titolo "Città d'Alba" || fail "the title saved before kill -9 is lost"
stored persone "Anna" || fail "another column changed"
[ "$(sqlite3 "$DEFAULT_ALBUM" "SELECT titolo FROM datab WHERE id = 2")" = "Foto 2" ] ||
    fail "another row changed"
pass "a kill -9 right after a save loses nothing saved"
