#!/usr/bin/env bash
# Screenshots of Pictora's windows for the README, taken in a private X server
# (Xvfb with openbox) on the demo album, into docs/screenshots/.
#
# Usage: tools/screenshots.sh [BUILD_DIR]      (default: build/dev)
#
# One function per window: shoot_<window> finds the window, brings it to the
# state worth showing and saves it with `shot`. To add a window, write its
# function and call it in the list at the end.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(readlink -f "${1:-$ROOT/build/dev}")
OUT=$ROOT/docs/screenshots

if [ ! -x "$BUILD/src/pictora" ] || [ ! -x "$BUILD/tools/pictora-album/pictora-album" ] \
    || [ ! -x "$BUILD/tests/e2e_xhelper" ]; then
    (cd "$ROOT" && cmake --preset dev >/dev/null \
        && cmake --build --preset dev --target pictora pictora-album e2e_xhelper)
fi
# The X server, the private home and the program, as the end-to-end tests
# have them.
source "$ROOT/tests/e2e/lib.sh" "$BUILD/src/pictora" "$BUILD/tools/pictora-album/pictora-album" \
    "$BUILD/tests/e2e_xhelper"
mkdir -p "$OUT"

# Saves window $1 alone as docs/screenshots/$2.png; with a third argument
# "frame", with the frame the window manager gave it.
shot() {
    app_sync
    if [ "${3:-}" = frame ]; then
        # The frame is the window manager's drawing.
        wm_sync
        import -frame -window "$1" "$WORK/shot.png"
    else
        import -window "$1" "$WORK/shot.png"
    fi
    convert "$WORK/shot.png" -strip "$OUT/$2.png"
    echo "$OUT/$2.png"
}

# Moves the pointer onto window point ($2,$3) of window $1, then one pixel on,
# so the window sees a move over what lies there and lights it.
point_at() {
    local x y
    read -r x y _ _ < <(window_geometry "$1")
    move_to $((x + $2)) $((y + $3))
    move_to $((x + $2 + 1)) $((y + $3))
}

# Lights what lies at ($2,$3), then leaves every window: what it lit stays lit
# and no tooltip covers it.
hover() {
    point_at "$@"
    move_to 1 1
}

# The album window on the demo album's first photo; then with the add button
# lit under the pointer.
shoot_album_window() {
    local win
    win=$(wait_window Pictora)
    move_to 1 1
    shot "$win" album-window
    hover "$win" 471 427
    shot "$win" album-window-hover
    # Back to rest for the windows shot after it.
    hover "$win" 440 300
}

# Lights the button at ($2,$3) of window $1 and clicks it.
hover_click() {
    point_at "$@"
    xdotool click 1
}

# The question of the add button, then the picker it opens, with a file
# chosen in the run folder, where the demo pictures lie.
shoot_picker() {
    local win box picker
    win=$(wait_window_sized Pictora 622 467)
    hover_click "$win" 471 427
    box=$(wait_new_focus "$win")
    shot "$box" question frame
    xdotool key Return
    picker=$(wait_window_sized Pictora 300 360)
    click_in "$picker" 100 210
    move_to 1 1
    shot "$picker" picker
}

# True once every tile of the demo album's grid shows its thumbnail: a tile
# still waiting is plain dark where each picture has sky or its number, and
# photo 8, whose picture is missing, keeps the warning icon's yellow.
grid_tiles_came() {
    local i left top
    import -window root "$WORK/grid.png"
    for ((i = 0; i < 12; i++)); do
        left=$((110 + i % 4 * 268)) top=$((48 + (i / 4) * 268))
        if [ "$i" = 6 ]; then
            near "$(pixel "$WORK/grid.png" $((left + 120)) $((top + 94)))" 255,255,0 || return 1
        else
            ! near "$(pixel "$WORK/grid.png" $((left + 100)) $((top + 100)))" 48,48,48 || return 1
        fi
    done
}

# The grid of thumbnails (F12), full screen, on the demo album's twelve
# photos with 256-pixel tiles; Esc back to the album window.
shoot_grid() {
    local grid
    wait_window_sized Pictora 622 467 >/dev/null
    xdotool key F12
    grid=$(wait_window_sized Pictora 1280 1024)
    wait_until "$WAIT" grid_tiles_came || fail "the grid's thumbnails did not come"
    shot "$grid" grid
    xdotool key Escape
    wait_window_sized_gone Pictora 1280 1024
}

# The photo list, opened by a click on the photo, with its frame.
shoot_photo_list() {
    local win list
    win=$(wait_window_sized Pictora 622 467)
    click_in "$win" 200 200
    list=$(wait_window Form3)
    shot "$list" photo-list frame
}

start_x
# The demo album at the usual place, its pictures in the run folder.
"$ALBUM_TOOL" demo "$WORK/run" >/dev/null
mkdir -p "$(dirname "$DEFAULT_ALBUM")"
mv "$WORK/run/database.mdb" "$DEFAULT_ALBUM"
start_pictora

shoot_album_window
shoot_grid
shoot_photo_list
shoot_picker
