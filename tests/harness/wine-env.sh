# Sourced with the wine folder of a build: points wine at that build's private prefix and display.
export WINEPREFIX="$1/prefix"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko: the launcher needs neither, and wine would offer to download them. A test's
# own overrides come after.
export WINEDLLOVERRIDES="mscoree,mshtml=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
[ ! -s "$1/display" ] || export DISPLAY=":$(cat "$1/display")"
