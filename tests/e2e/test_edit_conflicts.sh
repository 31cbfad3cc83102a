#!/usr/bin/env bash
# Correcting fields while other programs use the album, the album file read
# with sqlite3 after each step: a lock, a photo renumbered, deleted or put in
# place of another, two Pictora windows and Ctrl+Z, two photos of one number,
# and an album that may only be read.
source "$(dirname "$0")/lib.sh" "$@"
start_x
for id in 1 2; do add_colour_photo "$DEFAULT_ALBUM" "$id" "$((id * 90)),60,60"; done
long=$(printf 'parola %.0s' {1..3000})
sqlite3 "$DEFAULT_ALBUM" "UPDATE datab SET note = '$long' WHERE id = 1"

OTHER_PID=""
trap 'status=$?; end_process "$OTHER_PID"; (exit $status); cleanup' EXIT

value() { sqlite3 "$DEFAULT_ALBUM" "$1"; }
is() { [ "$(value "$1")" = "$2" ]; }
expect() { wait_until "$WAIT" is "$1" "$2" || fail "'$1' gives '$(value "$1")', not '$2'"; }
key() { xdotool key "$@"; app_sync; }
# A message box over the window ($1 windows titled Pictora with it), closed.
message() {
    wait_window_count Pictora "$1"
    key Return
    wait_window_count Pictora "$(($1 - 1))"
}
open_window() {
    start_pictora
    win=$(wait_window Pictora)
    app_sync
}
edit() { # the box at window pixels ($1,$2): F2, Ctrl+A, then $3 typed
    click_in "$win" "$1" "$2"
    key F2 ctrl+a
    type_text "$3"
}
# Another program's write lock on the album, from lock to unlock.
lock() {
    coproc LOCKER { sqlite3 "$DEFAULT_ALBUM"; }
    echo "BEGIN IMMEDIATE; SELECT 'preso';" >&"${LOCKER[1]}"
    local line=""
    read -r -t "$WAIT" line <&"${LOCKER[0]}" || true
    [ "$line" = preso ] || fail "the album could not be locked"
}
unlock() {
    echo "ROLLBACK;" >&"${LOCKER[1]}"
    local fd=${LOCKER[1]}
    exec {fd}>&-
    wait "$LOCKER_PID" || true
}

open_window
lock
click_in "$win" 528 378  # the notes
key F2 ctrl+End
type_text " fine"
key ctrl+Return
message 2
note="SELECT length(note) || substr(note, -5) FROM datab WHERE id = 1"
is "$note" "${#long}${long: -5}" || fail "the note changed while locked"
unlock
key ctrl+Return
expect "$note" "$((${#long} + 5)) fine"
pass "a save refused by a lock keeps the long note typed, and saves it once the lock ends"

# Each time another program changes the photo being edited; Esc then shows
# the album as it now is.
for change in "UPDATE datab SET id = 9 WHERE id = 1" "DELETE FROM datab WHERE id = 2" \
    "DELETE FROM datab WHERE id = 9; INSERT INTO datab VALUES (9, 'Altra', '', '', '', '', 'altra.jpg', '')"; do
    edit 524 149 "Nuovo"
    sqlite3 "$DEFAULT_ALBUM" "$change"
    key Return
    message 2
    key Escape
    is "SELECT count(*) FROM datab WHERE titolo = 'Nuovo'" 0 || fail "'$change': saved into another row"
done
is "SELECT titolo FROM datab" "Altra" || fail "the photo put in place of another changed"
pass "a photo renumbered, deleted or replaced meanwhile is not written, and said so"

# A second Pictora on the same album, beside the first; each is driven, and
# waited for, in turn.
found_pid() { FOUND=$(xdotool search --onlyvisible --pid "$1" 2>/dev/null | head -n1); [ -n "$FOUND" ]; }
active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
use() { # the window $1 of program $2, activated
    APP_PID=$2
    xdotool windowactivate "$1"
    wait_until "$WAIT" active "$1" || fail "window $1 did not become active"
    app_sync
}
first_title="SELECT titolo FROM datab ORDER BY id LIMIT 1"  # the photo shown
edit 524 149 "Primo"
key Return
expect "$first_title" "Primo"
first=$APP_PID first_win=$win
start_pictora
OTHER_PID=$APP_PID
wait_until "$WAIT" found_pid "$OTHER_PID" || fail "no second window"
win=$FOUND
app_sync
xdotool windowmove "$first_win" 0 0 windowmove "$win" 650 520
wm_sync
edit 524 149 "Secondo"
key Return
expect "$first_title" "Secondo"
use "$first_win" "$first"
key ctrl+z
message 3
is "$first_title" "Secondo" || fail "Ctrl+Z wrote over the other Pictora's title"
use "$win" "$OTHER_PID"
key ctrl+z
expect "$first_title" "Primo"
end_process "$OTHER_PID"
OTHER_PID="" APP_PID=$first win=$first_win
pass "Ctrl+Z puts the old title back only while the album holds the one saved"

# An album made by another program with two photos numbered 2.
end_process "$APP_PID"
rm -f "$DEFAULT_ALBUM"
sqlite3 "$DEFAULT_ALBUM" "CREATE TABLE datab (id, titolo, data_scatto, luogo, persone, note, nome_file, percorso_file);
    INSERT INTO datab VALUES (1, 'Uno', '', '', '', '', 'foto1.jpg', '$WORK/foto'),
        (2, 'Due A', '', '', '', '', 'foto2.jpg', '$WORK/foto'),
        (2, 'Due B', '', '', '', '', 'foto2.jpg', '$WORK/foto'),
        (3, 'Tre', '', '', '', '', 'foto1.jpg', '$WORK/foto')"
open_window
key Next
edit 524 149 "Corretto"
key Return
expect "SELECT count(*) FROM datab WHERE titolo = 'Corretto'" 1
is "SELECT group_concat(titolo, ',') FROM (SELECT titolo FROM datab WHERE titolo != 'Corretto' ORDER BY rowid)" \
    "Uno,Due B,Tre" \
    || is "SELECT group_concat(titolo, ',') FROM (SELECT titolo FROM datab WHERE titolo != 'Corretto' ORDER BY rowid)" \
        "Uno,Due A,Tre" || fail "both photos numbered 2 changed"
pass "of two photos numbered 2, only the one shown is corrected"

# An album that may only be read: F2 and a double-click say so, once each.
end_process "$APP_PID"
chmod a-w "$DEFAULT_ALBUM"
open_window
click_in "$win" 524 149
key F2
message 2
type_text "x"
key Return
xdotool mousemove --window "$win" 528 378 click --repeat 2 --delay 80 1
app_sync
message 2
[ "$(windows_titled Pictora | wc -l)" = 1 ] || fail "more than one message"
is "SELECT count(*) FROM datab WHERE titolo LIKE '%x%'" 0 || fail "a read-only album changed"
pass "F2 and a double-click on a read-only album unlock nothing and say why"
