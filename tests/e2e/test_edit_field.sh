#!/usr/bin/env bash
# Correcting fields in place as a person does it, the album file read with
# sqlite3 after each step: F2, accents and quotes, Enter, Esc, a double-click,
# Ctrl+Enter in the notes, Ctrl+Z, and a kill -9 right after a save.
source "$(dirname "$0")/lib.sh" "$@"
start_x
for id in 1 2; do add_colour_photo "$DEFAULT_ALBUM" "$id" "$((id * 90)),60,60"; done
start_pictora
win=$(wait_window Pictora)
app_sync

column() { sqlite3 "$DEFAULT_ALBUM" "SELECT $1 FROM datab WHERE id = ${2:-1}"; }
stored() { [ "$(column "$1")" = "$2" ]; }
expect() { wait_until "$WAIT" stored "$1" "$2" || fail "$1 is '$(column "$1")', not '$2'"; }
key() { xdotool key "$@"; app_sync; }
edit() { # the box at window pixels ($1,$2): F2, Ctrl+A, then $3 typed
    click_in "$win" "$1" "$2"
    key F2 ctrl+a
    type_text "$3"
}

edit 524 149 "Città d'Alba"  # the title
key Return
expect titolo "Città d'Alba"
edit 524 197 "31/12/99"  # the date
key Escape
stored data_scatto "01/02/03" || fail "Esc saved the date"
pass "F2, typing and Enter save the title verbatim; Esc saves nothing"

xdotool mousemove --window "$win" 524 245 click --repeat 2 --delay 80 1  # the place
app_sync
key ctrl+a
type_text "Alba"
key Return
expect luogo "Alba"
pass "a double-click starts an edit"

edit 528 378 "uno"  # the notes
key Return
type_text "due"
key ctrl+Return
expect note $'uno\ndue'
key ctrl+z
expect note ""
pass "Enter is a new line in the notes, Ctrl+Enter saves, Ctrl+Z puts the old text back"

edit 524 149 "Città d'Alba, il duomo"
key Return
expect titolo "Città d'Alba, il duomo"
kill -9 "$APP_PID"
wait_until "$WAIT" ended "$APP_PID" || fail "the program did not end"
APP_PID=""
[ "$(sqlite3 "$DEFAULT_ALBUM" "PRAGMA integrity_check")" = ok ] || fail "the album is damaged"
stored titolo "Città d'Alba, il duomo" || fail "a title saved before kill -9 is lost"
[ "$(column "persone"):$(column titolo 2)" = "Anna:Foto 2" ] || fail "another column or row changed"
pass "a kill -9 right after a save loses nothing saved"
