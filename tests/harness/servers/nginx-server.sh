#!/usr/bin/env bash
# Starts or stops the tests' nginx serving ROOT over HTTPS with the configuration that
# docs/update-server.md gives publishers: 127.0.0.1:47443 with a certificate from the CA the test
# prefix trusts, and 127.0.0.1:47444 with one from a CA that nothing trusts. It runs as a process
# of this script's own, with its configuration, pid, logs and temporary files in STATE_DIR;
# /etc/nginx and the system's nginx service are never touched.
#
#   nginx-server.sh start STATE_DIR CERT_DIR ROOT
#   nginx-server.sh stop STATE_DIR
set -euo pipefail
usage() { echo "usage: $0 start STATE_DIR CERT_DIR ROOT | stop STATE_DIR" >&2; exit 2; }
[ $# -ge 2 ] || usage
dir=$(realpath -m "$2")
here=$(dirname "$(realpath "$0")")
ports="47443 47444"
open_port() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
listening() { for port in $ports; do open_port "$port" || return 1; done; }

stop_server() {
    local pid
    pid=$(cat "$dir/nginx.master" 2>/dev/null) || pid=
    # Only the nginx this folder started, writing its output: a stale number may be anyone's.
    if [ -n "$pid" ] && [ "$(readlink "/proc/$pid/fd/1")" = "$dir/nginx.out" ] &&
        kill -TERM "$pid" 2>/dev/null; then
        for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null || true
    fi
    rm -f "$dir/nginx.master"
}

# The document's nginx block with the tests' addresses, certificates, root and state folder, the
# server once for each listener; under /slow/ on the first, builds trickle out, so that a test can
# interrupt a launcher in the middle of a download; /moved/X redirects to https /X and
# /downgraded/X to http /X, as a CDN's front may.
configure() {
    local certs=$1 root=$2 block server
    block=$(awk '/^```nginx$/ { on = 1; next } /^```$/ { on = 0 } on' "$here/../../../docs/update-server.md")
    server=$(awk '/^    server \{$/ { on = 1 } on { print } on && /^    \}$/ { exit }' <<<"$block")
    site() {
        sed -e "s|listen 443 ssl;|listen 127.0.0.1:$1 ssl;|" -e "s|server_name .*;|server_name localhost;|" \
            -e "s|ssl_certificate .*;|ssl_certificate $certs/$2.pem;|" \
            -e "s|ssl_certificate_key .*;|ssl_certificate_key $certs/$2.key;|" \
            -e "s|root .*;|root $root;|" <<<"$server"
    }
    cat <<CONF
worker_processes 1;
pid $dir/nginx.pid;
error_log $dir/error.log warn;
events {
    worker_connections 64;
}
http {
    # When each request ended (seconds since 1970) and how long it took, which the start-time
    # benchmark places beside the launcher's own times.
    log_format timed '\$remote_addr - - [\$time_local] "\$request" \$status \$body_bytes_sent '
                     '"\$http_referer" "\$http_user_agent" \$msec \$request_time';
    access_log $dir/access.log timed;
    client_body_temp_path $dir/temp/client_body;
    proxy_temp_path $dir/temp/proxy;
    fastcgi_temp_path $dir/temp/fastcgi;
    uwsgi_temp_path $dir/temp/uwsgi;
    scgi_temp_path $dir/temp/scgi;
CONF
    awk '/^http \{$/ { on = 1; next } /^    server \{$/ { exit } on' <<<"$block"
    site 47443 trusted-server | sed '$d'
    printf '        location /slow/ {\n            limit_rate 40k;\n            try_files $uri =404;\n        }\n'
    printf '        rewrite ^/moved(/.*)$ https://localhost:47443$1 redirect;\n'
    printf '        rewrite ^/downgraded(/.*)$ http://localhost:47443$1 redirect;\n    }\n'
    site 47444 unknown-server
    echo "}"
}

start_server() {
    local certs root
    certs=$(realpath "$1")
    root=$(realpath -m "$2")
    mkdir -p "$dir/temp" "$root"
    stop_server
    for port in $ports; do
        ! open_port "$port" || { echo "127.0.0.1:$port is already in use: another update server is running" >&2; exit 1; }
    done
    configure "$certs" "$root" >"$dir/nginx.conf"
    # A block that no longer has the lines adapted here would leave the document's own.
    for line in "listen 127.0.0.1:47443 ssl;" "listen 127.0.0.1:47444 ssl;" "root $root;" \
        "server_name localhost;" "ssl_certificate $certs/trusted-server.pem;" \
        "ssl_certificate_key $certs/unknown-server.key;" "limit_rate 40k;"; do
        grep -qF -- "$line" "$dir/nginx.conf" ||
            { echo "docs/update-server.md's nginx block has changed: no \"$line\"" >&2; exit 1; }
    done
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
