#!/usr/bin/env bash
# Starts or stops the tests' nginx (update-server.nginx.conf.in) serving ROOT over HTTPS on
# 127.0.0.1:47443 and 127.0.0.1:47444. It runs as a process of this script's own, with its
# configuration, pid, logs and temporary files in STATE_DIR; /etc/nginx and the system's nginx
# service are never touched.
#
#   nginx-server.sh start STATE_DIR CERT_DIR ROOT
#   nginx-server.sh stop STATE_DIR
set -euo pipefail
usage() { echo "usage: $0 start STATE_DIR CERT_DIR ROOT | stop STATE_DIR" >&2; exit 2; }
[ $# -ge 2 ] || usage
dir=$(realpath -m "$2")
here=$(dirname "$(realpath "$0")")
listening() { (exec 3<>/dev/tcp/127.0.0.1/47443 && exec 4<>/dev/tcp/127.0.0.1/47444) 2>/dev/null; }

stop_server() {
    local pid
    pid=$(cat "$dir/nginx.master" 2>/dev/null) || pid=
    if [ -n "$pid" ] && kill -TERM "$pid" 2>/dev/null; then
        for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null || true
    fi
    rm -f "$dir/nginx.master"
}

start_server() {
    local certs root
    certs=$(realpath "$1")
    root=$(realpath -m "$2")
    mkdir -p "$dir/temp" "$root"
    stop_server
    if (exec 3<>/dev/tcp/127.0.0.1/47443) 2>/dev/null || (exec 3<>/dev/tcp/127.0.0.1/47444) 2>/dev/null
    then
        echo "127.0.0.1:47443 or :47444 is already in use: another update server is running" >&2
        exit 1
    fi
    sed -e "s|@STATE@|$dir|g" -e "s|@CERTS@|$certs|g" \
        "$here/update-server.nginx.conf.in" >"$dir/nginx.conf"
    sed -e "s|@ROOT@|$root|g" "$here/update-tree.nginx.conf.in" >"$dir/update-tree.conf"
    # -e: nginx opens its default error log before reading the configuration.
    setsid "$(command -v nginx || echo /usr/sbin/nginx)" -p "$dir" -c "$dir/nginx.conf" \
        -e "$dir/error.log" -g "daemon off;" </dev/null >"$dir/nginx.out" 2>&1 &
    echo $! >"$dir/nginx.master"
    for _ in $(seq 100); do
        kill -0 "$(cat "$dir/nginx.master")" 2>/dev/null || break
        listening && { echo "nginx serving $root on 127.0.0.1:47443 and :47444"; return; }
        sleep 0.1
    done
    echo "nginx did not start:" >&2
    cat "$dir/nginx.out" "$dir/error.log" >&2 2>/dev/null || true
    stop_server
    exit 1
}

case $1 in
    start) [ $# -eq 4 ] || usage; start_server "$3" "$4" ;;
    stop) stop_server; echo "nginx stopped" ;;
    *) usage ;;
esac
