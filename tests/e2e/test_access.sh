#!/usr/bin/env bash
# An album from an earlier version, in the Access format (Jet 4), at the usual
# place: the window shows its first photo, steps through it, and the add
# button does not react, as on any album that may not be written.
source "$(dirname "$0")/lib.sh" "$@"
[ -x "${WRITE_ACCESS_ALBUM:-}" ] || fail "WRITE_ACCESS_ALBUM names no program"
start_x

mkdir -p "$WORK/foto" "$(dirname "$DEFAULT_ALBUM")"
convert -size 640x480 xc:'rgb(200,30,30)' "$WORK/foto/rosso.jpg"
convert -size 640x480 xc:'rgb(30,30,200)' "$WORK/foto/blu.jpg"
printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' \
    3 'Città' 01/02/03 Roma Anna '' rosso.jpg "$WORK/foto" \
    8 'Perché' 01/02/03 Roma Anna '' blu.jpg "$WORK/foto" >"$WORK/rows.tsv"
"$WRITE_ACCESS_ALBUM" --jet4 "$DEFAULT_ALBUM" "$WORK/rows.tsv"
# mdbtools, a reader that is not ours, reads the two photos back.
[ "$(mdb-export -H "$DEFAULT_ALBUM" datab | cut -d, -f1 | tr '\n' ' ')" = "3 8 " ] \
    || fail "mdb-export reads: $(mdb-export "$DEFAULT_ALBUM" datab)"

start_pictora
win=$(wait_window_sized Pictora 622 467)
read -r x y _ _ < <(window_geometry "$win")
shot=$SHOTS/access.png
wait_colour $((x + 100)) $((y + 100)) "200,30,30" "$shot"
pass "the Access-format album opens on its first photo"
ls "$XDG_CACHE_HOME"/Pictora/access/*.album >/dev/null 2>&1 \
    || fail "no readable copy in the cache folder"

# A click on the add button opens no question; had it opened one, that modal
# box would swallow the click on Next that follows.
click_in "$win" 470 426
click_in "$win" 542 46
wait_colour $((x + 100)) $((y + 100)) "30,30,200" "$shot"
wait_window_count Pictora 1
pass "the add button does not react; next shows the second photo"

# A large album read for the first time: a box tells that it is being read,
# and the reader ends with the program, even one killed outright; the
# scratch folder it leaves is removed at the next start.
end_process "$APP_PID"
APP_PID=""
rm -rf "$XDG_CACHE_HOME/Pictora/access"
awk -v d="$WORK/foto" 'BEGIN { for (i = 1; i <= 400000; i++)
    printf "%d\tFoto %d\t01/02/03\tRoma\tAnna\t\trosso.jpg\t%s\n", i, i, d }' >"$WORK/big.tsv"
rm -f "$DEFAULT_ALBUM"
"$WRITE_ACCESS_ALBUM" --jet4 "$DEFAULT_ALBUM" "$WORK/big.tsv"
start_pictora
wait_until "$WAIT" found_titled "Pictora" || fail "no window"
reader_running() { READER=$(pgrep -P "$APP_PID" -x pictora-album || true); [ -n "$READER" ]; }
wait_until "$WAIT" reader_running || fail "the album is not being read"
wait_until "$WAIT" count_titled Pictora 2 || fail "no box tells that the album is being read"
screenshot "$SHOTS/access-reading.png"
pass "a box tells that the large album is being read"
reader_running || fail "the reading ended before the program could be killed"
leftover=$(ls -d "$XDG_CACHE_HOME"/Pictora/access/.import-*)
kill -9 "$APP_PID"
wait "$APP_PID" 2>/dev/null || true
APP_PID=""
wait_until 5 ended "$READER" || fail "the reader outlived the program"
pass "the reader ends with the program"
[ -d "$leftover" ] || fail "no scratch folder left to remove"
start_pictora
wait_until "$WAIT" test ! -e "$leftover" || fail "the scratch folder of the killed reading stays"
pass "the scratch folder of the killed reading is removed at the next start"
