# Shared steps of the end-to-end tests: a private X server with a small window
# manager, a private home, the real program, and a person's mouse and keyboard.
# Usage in a test:  source "$(dirname "$0")/lib.sh" "$@"
set -euo pipefail

PICTORA=$(readlink -f "$1")
ALBUM_TOOL=$(readlink -f "$2")
WORK=$(mktemp -d /tmp/pictora-e2e.XXXXXX)
SHOTS=${PICTORA_SCREENSHOTS:-$WORK/shots}
mkdir -p "$WORK/home" "$WORK/run" "$SHOTS"
export HOME=$WORK/home
export XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache XDG_CONFIG_HOME=$HOME/.config
export XDG_RUNTIME_DIR=$WORK/runtime
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=xcb
export LC_ALL=C.UTF-8
DEFAULT_ALBUM=$XDG_DATA_HOME/Pictora/database.mdb
LOCAL_COPY=$XDG_CACHE_HOME/Pictora/_database.mdb

XVFB_PID="" WM_PID="" APP_PID=""
# Folders a test made outside $WORK; removed with it.
EXTRA_DIRS=()

cleanup() {
    local status=$?
    [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null || true
    [ -n "$WM_PID" ] && kill "$WM_PID" 2>/dev/null || true
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
    if [ $status -ne 0 ]; then
        echo "FAILED; work folder kept: $WORK ${EXTRA_DIRS[*]}" >&2
    else
        # Write-protected parts (a "CD") too, whoever runs the tests.
        chmod -R u+w "$WORK" "${EXTRA_DIRS[@]}" 2>/dev/null || true
        rm -rf "$WORK" "${EXTRA_DIRS[@]}"
    fi
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
pass() { echo "ok: $*"; }

# Starts Xvfb on a free display and openbox on it.
start_x() {
    # Xvfb picks a free display itself; when another test's server takes the
    # same one at the same moment, ours exits, and we try again.
    local attempt
    for attempt in 1 2 3 4 5; do
        : >"$WORK/display"
        exec {fd}>"$WORK/display"
        Xvfb -displayfd "$fd" -screen 0 1280x1024x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
        XVFB_PID=$!
        exec {fd}>&-
        for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
        export DISPLAY=":$(head -n1 "$WORK/display")"
        sleep 0.2
        if kill -0 "$XVFB_PID" 2>/dev/null && xdpyinfo >/dev/null 2>&1; then break; fi
        kill "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=""
        [ "$attempt" = 5 ] && fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
    done
    openbox >"$WORK/openbox.log" 2>&1 &
    WM_PID=$!
    for _ in $(seq 50); do xprop -root _NET_SUPPORTING_WM_CHECK >/dev/null 2>&1 && break; sleep 0.1; done
    xdotool mousemove 5 5
}

# Starts Pictora in the run folder; its output goes to app.log.
start_pictora() {
    (cd "$WORK/run" && exec "$PICTORA") >"$WORK/app.log" 2>&1 &
    APP_PID=$!
}

# Prints the id of the visible window whose title is exactly $1, waiting up
# to ~10 s for it.
wait_window() {
    local title=$1 id
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n1 || true)
        if [ -n "$id" ]; then echo "$id"; return 0; fi
        sleep 0.1
    done
    fail "no window titled '$title' appeared"
}

# Waits until no visible window has title $1.
wait_window_gone() {
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    fail "window '$1' did not go away"
}

# The window's inner geometry as "X Y W H".
window_geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
        /Width:/{w=$NF} /Height:/{h=$NF} END{print x, y, w, h}'
}

# Screenshot of the whole screen to $1.
screenshot() { import -window root "$1"; }

# Colour of one pixel of a screenshot, as "r,g,b" (0-255).
pixel() {
    convert "$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:
}

# True when colour "r,g,b" $1 is within 40 of $2 on every channel.
near() {
    local IFS=, r1 g1 b1 r2 g2 b2
    read -r r1 g1 b1 <<<"$1"
    read -r r2 g2 b2 <<<"$2"
    (( (r1-r2)*(r1-r2) < 1600 && (g1-g2)*(g1-g2) < 1600 && (b1-b2)*(b1-b2) < 1600 ))
}

# Moves the pointer to ($2,$3) in window $1 and clicks button ${4:-1}.
click_in() {
    xdotool mousemove --window "$1" "$2" "$3"
    sleep 0.2
    xdotool click "${4:-1}"
    sleep 0.3
}

# Types text into the focused window and presses Return.
type_and_enter() {
    xdotool type --delay 20 -- "$1"
    xdotool key Return
}

# Types $1 into the focused window. A letter missing from the keyboard map
# (è, ß) is typed on its own and slowly: xdotool lends it a spare key for the
# moment, and a program reading the key after that moment loses the letter.
type_text() {
    local text=$1 run="" c i
    for ((i = 0; i < ${#text}; i++)); do
        c=${text:i:1}
        if [[ $c == [[:ascii:]] ]]; then
            run+=$c
            continue
        fi
        [ -z "$run" ] || xdotool type --delay 20 -- "$run"
        run=""
        xdotool type --delay 250 -- "$c"
        sleep 0.2
    done
    [ -z "$run" ] || xdotool type --delay 20 -- "$run"
}

# Waits until the app has drawn, so screenshots show the settled window.
settle() { sleep "${1:-0.8}"; }

# Prints the id of the visible window titled $1 whose inner size is $2 x $3,
# waiting up to ~10 s for it: tells apart windows with the same title.
wait_window_sized() {
    local title=$1 width=$2 height=$3 id w h
    for _ in $(seq 100); do
        for id in $(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null || true); do
            read -r _ _ w h < <(window_geometry "$id" 2>/dev/null || echo "0 0 0 0")
            if [ "$w" = "$width" ] && [ "$h" = "$height" ]; then echo "$id"; return 0; fi
        done
        sleep 0.1
    done
    fail "no ${width}x${height} window titled '$title' appeared"
}

# Waits until no visible window titled $1 is $2 x $3.
wait_window_sized_gone() {
    local title=$1 width=$2 height=$3 id w h found
    for _ in $(seq 100); do
        found=""
        for id in $(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null || true); do
            read -r _ _ w h < <(window_geometry "$id" 2>/dev/null || echo "0 0 0 0")
            [ "$w" = "$width" ] && [ "$h" = "$height" ] && found=1
        done
        [ -z "$found" ] && return 0
        sleep 0.1
    done
    fail "the ${width}x${height} window '$title' did not go away"
}

# Prints the id of the focused window once it is none of the ids given,
# waiting up to ~10 s: the next message or input box to answer.
wait_new_focus() {
    local id
    for _ in $(seq 100); do
        id=$(xdotool getwindowfocus 2>/dev/null || true)
        if [ -n "$id" ] && ! printf '%s\n' "$@" | grep -qx "$id"; then echo "$id"; return 0; fi
        sleep 0.1
    done
    fail "no new window took the focus"
}

# Writes an empty album at $1 with the table datab in its fixed shape.
new_album() {
    mkdir -p "$(dirname "$1")"
    "$ALBUM_TOOL" create "$1" >/dev/null
}

# Adds photo number $2 to album $1 (made if missing): a 640x480 picture of
# the solid colour "r,g,b" $3, titled "Foto N", in $WORK/foto.
add_colour_photo() {
    [ -f "$1" ] || new_album "$1"
    mkdir -p "$WORK/foto"
    convert -size 640x480 "xc:rgb($3)" "$WORK/foto/foto$2.jpg"
    sqlite3 "$1" "INSERT INTO datab VALUES ($2,'Foto $2','01/02/03','Roma','Anna','','foto$2.jpg','$WORK/foto')"
}

# True when the screenshots $1 and $2 differ inside the rectangle W x H + X + Y
# given as $3 (e.g. 32x32+100+200).
region_differs() {
    local a b
    a=$(convert "$1" -crop "$3" +repage -format '%#' info:)
    b=$(convert "$2" -crop "$3" +repage -format '%#' info:)
    [ "$a" != "$b" ]
}

# Waits up to ~10 s until the pixel at screen ($1,$2) is near colour $3;
# each try's screenshot goes to $4 (kept for a failure's post-mortem).
wait_colour() {
    local colour
    for _ in $(seq 40); do
        screenshot "$4"
        colour=$(pixel "$4" "$1" "$2")
        near "$colour" "$3" && return 0
        sleep 0.25
    done
    fail "pixel ($1,$2) is $colour, not $3 (see $4)"
}

# Waits until exactly $2 visible windows are titled $1 (a message or input box
# of the program carries its title too).
wait_window_count() {
    local n=0
    for _ in $(seq 100); do
        n=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | wc -l || true)
        [ "$n" = "$2" ] && return 0
        sleep 0.1
    done
    fail "$n windows titled '$1', not $2"
}

# Prints the screen y of the middle of each line of dark text in the region
# X Y W H ($2..$5) of screenshot $1, top to bottom.
text_lines() {
    convert "$1" -crop "$4x$5+$2+$3" +repage -colorspace gray -threshold 50% \
        -scale "1x$5!" -depth 8 txt:- |
        awk -v top="$3" -F'[,:() ]+' '
            NR > 1 { dark = $3 < 250 }
            NR > 1 && dark && start < 0 { start = $2 }
            NR > 1 && !dark && start >= 0 { if ($2 - start >= 4) print top + int((start + $2) / 2); start = -1 }
            BEGIN { start = -1 }'
}
