# Sourced with the wine folder of a build: points wine at that build's private prefix and display.
qg_wine_dir=$1
export WINEPREFIX="$qg_wine_dir/prefix"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko: the launcher needs neither, and wine would offer to download them.
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ -s "$qg_wine_dir/display" ]; then
    export DISPLAY=":$(cat "$qg_wine_dir/display")"
fi
