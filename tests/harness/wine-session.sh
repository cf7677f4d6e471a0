#!/usr/bin/env bash
# Starts or stops the private wine session of one build folder: an Xvfb display of its own (1280 x
# 800 unless a size is given), the wine prefix under WINE_DIR/prefix (made once) and a wineserver
# that lives until "stop", which every test under wine shares.
#
#   wine-session.sh start|stop WINE_DIR [WIDTHxHEIGHT]
set -euo pipefail
usage() { echo "usage: $0 start|stop WINE_DIR [WIDTHxHEIGHT]" >&2; exit 2; }
[ $# -eq 2 ] || [ $# -eq 3 ] || usage
dir=$(realpath -m "$2")
source "$(dirname "$(realpath "$0")")/wine-env.sh" "$dir"

stop_session() {
    if [ -d "$WINEPREFIX" ]; then
        wineserver -k >/dev/null 2>&1 || true
        wineserver -w >/dev/null 2>&1 || true
    fi
    local pid
    pid=$(cat "$dir/xvfb.pid" 2>/dev/null) || pid=
    # Only the Xvfb this folder started, the one writing its log: a stale number may be anyone's.
    if [ -n "$pid" ] && [ "$(readlink "/proc/$pid/fd/1")" = "$dir/xvfb.log" ] &&
        kill "$pid" 2>/dev/null; then
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null || true
    fi
    rm -f "$dir/xvfb.pid" "$dir/display"
}

# Stops the session and fails, pointing at the log that says why.
give_up() { echo "$1; see $2" >&2; stop_session; exit 1; }

start_session() {
    mkdir -p "$dir"
    stop_session  # whatever an interrupted run left behind
    # Xvfb picks a free display itself and writes its number to fd 3. Its output goes to a file:
    # ctest waits for every process that still holds a test's output pipe.
    setsid Xvfb -displayfd 3 -nolisten tcp -screen 0 "${3:-1280x800}x24" \
        3>"$dir/display.tmp" </dev/null >"$dir/xvfb.log" 2>&1 &
    echo $! >"$dir/xvfb.pid"
    for _ in $(seq 100); do [ -s "$dir/display.tmp" ] && break; sleep 0.1; done
    [ -s "$dir/display.tmp" ] || give_up "Xvfb did not start" "$dir/xvfb.log"
    tr -d '\n' <"$dir/display.tmp" >"$dir/display"
    rm -f "$dir/display.tmp"
    export DISPLAY=":$(cat "$dir/display")"

    # The server goes first, so that wineboot and every test use it rather than one of their own.
    mkdir -p "$WINEPREFIX"
    wineserver -p </dev/null >/dev/null 2>&1
    # wineboot also starts wine's own background processes (services, devices). They live as long
    # as the server and keep whatever output they inherit open, so they must not inherit a test's.
    local boot=()
    [ -f "$WINEPREFIX/system.reg" ] || boot=(-i)
    wineboot "${boot[@]}" </dev/null >"$dir/wineboot.log" 2>&1 ||
        give_up "wineboot failed" "$dir/wineboot.log"
    # Wine's own fonts where its programs find them: Tahoma for the dialogs and Marlett for the
    # caption buttons, as on Windows.
    cp -n /usr/share/wine/fonts/{tahoma,tahomabd,marlett}.ttf "$WINEPREFIX/drive_c/windows/Fonts/" ||
        echo "wine's fonts are missing (fonts-wine): windows are drawn with others" >&2
    echo "wine session ready: prefix $WINEPREFIX, display $DISPLAY"
}

case $1 in
    start) start_session "$@" ;;
    stop) stop_session; echo "wine session stopped" ;;
    *) usage ;;
esac
