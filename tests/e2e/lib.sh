# Shared steps of the end-to-end tests: a private X server with a small window
# manager, a private home, the real program, and a person's mouse and keyboard.
# Usage in a test:  source "$(dirname "$0")/lib.sh" "$@"
set -euo pipefail

PICTORA=$(readlink -f "$1")
ALBUM_TOOL=$(readlink -f "$2")
# Tells when the program or the window manager has taken all sent to it, and
# gives letters missing from the keyboard map keys of their own.
XHELPER=$(readlink -f "$3")
# The longest a step waits for what it needs, in seconds: ample for the
# sanitizer build on a busy machine. A step that waits so long has failed.
WAIT=${PICTORA_E2E_WAIT:-30}
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

# Runs the command until it succeeds, for at most $1 (whole) seconds; false
# if it never did. Every wait of the tests goes through here.
wait_until() {
    local limit=$((${EPOCHREALTIME/./} + $1 * 1000000))
    shift
    until "$@"; do
        ((${EPOCHREALTIME/./} < limit)) || return 1
        sleep 0.05
    done
}

# True when process $1 has ended (or is only waiting to be reaped).
ended() {
    local state
    state=$(sed -E 's/.*\) (.).*/\1/' "/proc/$1/stat" 2>/dev/null) || return 0
    [ "$state" = Z ]
}

# Ends our process $1: asks it to, forces it after 10 s, and reaps it.
end_process() {
    [ -n "$1" ] || return 0
    kill "$1" 2>/dev/null || true
    wait_until 10 ended "$1" || kill -9 "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}

stop_x() {
    end_process "$WM_PID"
    end_process "$XVFB_PID"
    WM_PID="" XVFB_PID=""
}

cleanup() {
    local status=$?
    end_process "$APP_PID"
    stop_x
    if [ $status -ne 0 ]; then
        echo "FAILED; work folder kept: $WORK ${EXTRA_DIRS[*]}" >&2
    else
        # Write-protected parts (a "CD") too, whoever runs the tests.
        chmod -R u+w "$WORK" "${EXTRA_DIRS[@]}" 2>/dev/null || true
        rm -rf "$WORK" "${EXTRA_DIRS[@]}"
    fi
}
trap cleanup EXIT

# Says what failed, and whether the X server or the window manager has gone
# meanwhile, which would explain it.
fail() {
    echo "FAIL: $*" >&2
    if [ -n "$XVFB_PID" ] && ended "$XVFB_PID"; then
        echo "  (the X server has ended: $(tail -n3 "$WORK/xvfb.log"))" >&2
    elif [ -n "$WM_PID" ] && ended "$WM_PID"; then
        echo "  (openbox has ended: $(tail -n3 "$WORK/openbox.log"))" >&2
    fi
    exit 1
}
pass() { echo "ok: $*"; }

# True once Xvfb has written its display number, or has ended.
xvfb_settled() {
    [[ $(cat "$WORK/display"; echo .) == [0-9]*$'\n.' ]] || ended "$XVFB_PID"
}

# True once openbox has claimed the screen: the root window names its check
# window, the check window names itself, and the root window carries the pid
# of our openbox. Also true once openbox has ended.
wm_settled() {
    local check self pid
    ended "$WM_PID" && return 0
    check=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | awk '/window id/ {print $NF}')
    [ -n "$check" ] || return 1
    self=$(xprop -id "$check" _NET_SUPPORTING_WM_CHECK 2>/dev/null | awk '/window id/ {print $NF}')
    pid=$(xprop -root _OPENBOX_PID 2>/dev/null | awk '/=/ {print $NF}')
    [ "$self" = "$check" ] && [ "$pid" = "$WM_PID" ]
}

# One try at Xvfb on a display of its own choosing, then openbox on it; on
# failure says in X_PROBLEM what did not start.
start_x_once() {
    : >"$WORK/display"
    exec {fd}>"$WORK/display"
    # -noreset: by default the server resets itself whenever its last client
    # leaves, and turns away whoever connects meanwhile. Probed by one client
    # and then joined by openbox, it did just that now and then.
    Xvfb -displayfd "$fd" -noreset -nolisten tcp -screen 0 1280x1024x24 >"$WORK/xvfb.log" 2>&1 &
    XVFB_PID=$!
    exec {fd}>&-
    if ! wait_until "$WAIT" xvfb_settled || ended "$XVFB_PID"; then
        X_PROBLEM="Xvfb did not start: $(tail -n5 "$WORK/xvfb.log")"
        return 1
    fi
    export DISPLAY=":$(head -n1 "$WORK/display")"
    if ! xdpyinfo >/dev/null 2>&1; then
        X_PROBLEM="Xvfb on $DISPLAY does not accept connections: $(tail -n5 "$WORK/xvfb.log")"
        return 1
    fi
    openbox --sm-disable >"$WORK/openbox.log" 2>&1 &
    WM_PID=$!
    if ! wait_until "$WAIT" wm_settled || ended "$WM_PID"; then
        X_PROBLEM="openbox did not start on $DISPLAY: $(tail -n5 "$WORK/openbox.log")"
        return 1
    fi
    # Its event loop runs: it answers.
    if ! "$XHELPER" "$WAIT" wm; then
        X_PROBLEM="openbox on $DISPLAY does not answer"
        return 1
    fi
}

# Starts a private X server with openbox, and goes on only with both running:
# a pair that did not come up is stopped and started again, up to three times.
start_x() {
    local attempt
    for attempt in 1 2 3; do
        start_x_once && break
        echo "try $attempt: $X_PROBLEM" >&2
        stop_x
        [ "$attempt" = 3 ] && fail "no X server with a window manager: $X_PROBLEM"
    done
    xdotool mousemove 5 5
}

# Starts Pictora in the run folder; its output goes to app.log.
start_pictora() {
    (cd "$WORK/run" && exec "$PICTORA") >"$WORK/app.log" 2>&1 &
    APP_PID=$!
}

# Waits until the program has handled every input sent to it so far and has
# shown what follows from it; fails when it does not answer.
app_sync() {
    local status=0 ids
    for _ in 1 2 3; do
        ended "$APP_PID" && fail "the program has ended: $(tail -n5 "$WORK/app.log")"
        # Its visible windows first; any of them answers for the whole program.
        ids=$(xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null || true)
        ids+=" $(xdotool search --pid "$APP_PID" 2>/dev/null || true)"
        "$XHELPER" "$WAIT" app $ids && return 0 || status=$?
        # 2: the window went away meanwhile; look again.
        [ "$status" = 2 ] || break
    done
    fail "the program did not answer within ${WAIT}s (status $status)"
}

# Waits until the window manager has handled every request sent so far.
wm_sync() { "$XHELPER" "$WAIT" wm || fail "openbox did not answer within ${WAIT}s"; }

# The ids of the visible windows titled exactly $1.
windows_titled() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true; }

# What the last check below found, for the wait that ran it.
FOUND=""
found_titled() { FOUND=$(windows_titled "$1" | head -n1); [ -n "$FOUND" ]; }
none_titled() { [ -z "$(windows_titled "$1")" ]; }

# Prints the id of the visible window whose title is exactly $1, waiting for it.
wait_window() {
    wait_until "$WAIT" found_titled "$1" || fail "no window titled '$1' appeared"
    echo "$FOUND"
}

# Waits until no visible window has title $1.
wait_window_gone() {
    wait_until "$WAIT" none_titled "$1" || fail "window '$1' did not go away"
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

# Moves the pointer to ($2,$3) in window $1 and clicks button ${4:-1},
# waiting each time until the program has taken it.
click_in() {
    xdotool mousemove --window "$1" "$2" "$3"
    app_sync
    xdotool click "${4:-1}"
    app_sync
}

# Moves the pointer to screen point ($1,$2) and waits until the program has
# taken the move, so that it is never merged into the next one.
move_to() {
    xdotool mousemove -- "$1" "$2"
    app_sync
}

# Types $1 into the focused window.
type_text() {
    # Letters missing from the keyboard map get keys of their own first.
    "$XHELPER" "$WAIT" keys "$1" || fail "no keys for the letters of '$1'"
    xdotool type --delay 20 -- "$1"
}

# Types text into the focused window and presses Return.
type_and_enter() {
    type_text "$1"
    xdotool key Return
}

# Prints the ids of the visible windows titled $1 whose inner size is $2 x $3.
windows_sized() {
    local id w h
    for id in $(windows_titled "$1"); do
        read -r _ _ w h < <(window_geometry "$id" 2>/dev/null || echo "0 0 0 0")
        [ "$w" = "$2" ] && [ "$h" = "$3" ] && echo "$id"
    done
    return 0
}

found_sized() { FOUND=$(windows_sized "$@" | head -n1); [ -n "$FOUND" ]; }
none_sized() { [ -z "$(windows_sized "$@")" ]; }

# Prints the id of the visible window titled $1 whose inner size is $2 x $3,
# waiting for it: tells apart windows with the same title.
wait_window_sized() {
    wait_until "$WAIT" found_sized "$@" || fail "no $2x$3 window titled '$1' appeared"
    echo "$FOUND"
}

# Waits until no visible window titled $1 is $2 x $3.
wait_window_sized_gone() {
    wait_until "$WAIT" none_sized "$@" || fail "the $2x$3 window '$1' did not go away"
}

# True when the focused window is the program's and none of the ids given
# (between two windows, the window manager may hold the focus itself).
new_focus() {
    FOUND=$(xdotool getwindowfocus 2>/dev/null || true)
    [ -n "$FOUND" ] && ! printf '%s\n' "$@" | grep -qx "$FOUND" \
        && [ "$(xprop -id "$FOUND" _NET_WM_PID 2>/dev/null | awk '{print $NF}')" = "$APP_PID" ]
}

# Prints the id of the focused window once it is one of the program's and
# none of the ids given: the next message or input box to answer. The program
# has taken the focus by then.
wait_new_focus() {
    wait_until "$WAIT" new_focus "$@" || fail "no new window took the focus"
    app_sync
    echo "$FOUND"
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

# Makes a "CD" at $CD: its album at its root, its pictures under \Foto,
# stored as folders from the root of the volume that holds it, everything
# write-protected. Each pair of arguments, N and "r,g,b", adds photo N, a
# 480x640 picture cdN.jpg of that colour titled "Dal CD N".
# There is no drive to mount here; the program takes the mount point of the
# volume holding the typed path for the CD's drive. So the "CD" goes on a
# volume of its own when the machine has one (/dev/shm, usually): its folders
# then name pictures only below that mount point, never below "/", and a
# picture on screen shows the program looked there.
make_cd() {
    local base=$WORK root below folder
    if [ -d /dev/shm ] && [ -w /dev/shm ] && [ "$(stat -c %m /dev/shm)" = /dev/shm ]; then
        base=/dev/shm
    fi
    CD=$(mktemp -d "$base/pictora-cd.XXXXXX")
    [ "$base" = "$WORK" ] || EXTRA_DIRS+=("$CD")
    root=$(stat -c %m "$CD")
    below=${CD#"${root%/}"}                       # the CD's folder from the volume's root
    folder=$(printf '%s' "$below/Foto" | tr / '\\')  # as "\pictora-cd.XXXXXX\Foto"
    mkdir -p "$CD/Foto"
    "$ALBUM_TOOL" create "$CD/database.mdb" >/dev/null
    while (($# >= 2)); do
        convert -size 480x640 "xc:rgb($2)" "$CD/Foto/cd$1.jpg"
        sqlite3 "$CD/database.mdb" \
            "INSERT INTO datab VALUES ($1,'Dal CD $1','01/02/03','Cefalù','Lucia','','cd$1.jpg','$folder')"
        shift 2
    done
    if [ "$root" != / ] && [ -e "$below/Foto" ]; then
        fail "the CD's pictures are found from / as well"
    fi
    chmod -R a-w "$CD"
    echo "CD at $CD, on the volume at $root; folders stored as $folder"
}

# Switches album window $1 to the CD's album: the other-database button,
# hovered and clicked, then the album's path typed in its prompt.
open_cd_album() {
    click_in "$1" 584 428
    wait_window_count Pictora 2
    wait_new_focus "$1" >/dev/null
    type_and_enter "$CD/database.mdb"
    wait_window_count Pictora 1
}

# True when the screenshots $1 and $2 differ inside the rectangle W x H + X + Y
# given as $3 (e.g. 32x32+100+200).
region_differs() {
    local a b
    a=$(convert "$1" -crop "$3" +repage -format '%#' info:)
    b=$(convert "$2" -crop "$3" +repage -format '%#' info:)
    [ "$a" != "$b" ]
}

# Waits until the pixel at screen ($1,$2) is near colour $3; each try's
# screenshot goes to $4 (kept for a failure's post-mortem).
wait_colour() {
    wait_until "$WAIT" colour_now "$@" || fail "pixel ($1,$2) is $FOUND, not $3 (see $4)"
}
colour_now() {
    screenshot "$4"
    FOUND=$(pixel "$4" "$1" "$2")
    near "$FOUND" "$3"
}

# Waits until exactly $2 visible windows are titled $1 (a message or input box
# of the program carries its title too), and the program has taken the change.
wait_window_count() {
    wait_until "$WAIT" count_titled "$@" || fail "$FOUND windows titled '$1', not $2"
    app_sync
}
# True when the program shows one box over its window, and that box is not a
# progress box: the message that follows long work, once the work is over.
message_over_window() {
    local w
    count_titled Pictora 2 || return 1
    for w in $(windows_titled Pictora); do
        xprop -id "$w" WM_WINDOW_ROLE 2>/dev/null | grep -q '"progress"' && return 1
    done
    return 0
}
count_titled() {
    FOUND=$(windows_titled "$1" | wc -l)
    [ "$FOUND" = "$2" ]
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
