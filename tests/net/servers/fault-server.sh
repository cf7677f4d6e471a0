#!/usr/bin/env bash
# Starts or stops the fault-injecting server (fault_server.py) whose state lives in STATE_DIR:
# its pid, log and the ports it writes.
#
#   fault-server.sh start|stop STATE_DIR
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 start|stop STATE_DIR" >&2; exit 2; }
action=$1
dir=$(realpath -m "$2")
here=$(dirname "$(realpath "$0")")

stop_server() {
    if [ -s "$dir/fault.pid" ]; then
        local pid
        pid=$(cat "$dir/fault.pid")
        if kill "$pid" 2>/dev/null; then
            for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
            kill -9 "$pid" 2>/dev/null || true
        fi
    fi
    rm -f "$dir/fault.pid" "$dir/fault.port" "$dir/refused.port"
}

case $action in
    start)
        mkdir -p "$dir"
        stop_server
        # Output to a file: ctest waits for every process that holds a test's output pipe.
        setsid python3 "$here/fault_server.py" "$dir" </dev/null >"$dir/fault.log" 2>&1 &
        echo $! >"$dir/fault.pid"
        for _ in $(seq 100); do
            [ -s "$dir/fault.port" ] && break
            sleep 0.1
        done
        [ -s "$dir/fault.port" ] || { echo "fault server did not start; see $dir/fault.log" >&2
                                       stop_server; exit 1; }
        echo "fault server on 127.0.0.1:$(cat "$dir/fault.port")"
        ;;
    stop) stop_server; echo "fault server stopped" ;;
    *) echo "usage: $0 start|stop STATE_DIR" >&2; exit 2 ;;
esac
