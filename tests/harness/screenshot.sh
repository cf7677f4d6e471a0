#!/usr/bin/env bash
# Saves what a build's wine session shows on its Xvfb display as a PNG.
#
#   screenshot.sh WINE_DIR OUT.png
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 WINE_DIR OUT.png" >&2; exit 2; }
source "$(dirname "$(realpath "$0")")/wine-env.sh" "$(realpath -m "$1")"
[ -n "${DISPLAY:-}" ] || { echo "no wine session in $1" >&2; exit 2; }
import -window root "$2"
