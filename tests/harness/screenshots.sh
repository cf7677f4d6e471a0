# Sourced by scenarios that keep screenshots. Expects here, wine_dir and work (a scratch folder)
# to be set; the pictures go to shots, work/shots unless set.
shots=${shots:-$work/shots}
mkdir -p "$shots"

# A picture of the given size in many colours, as a 24-bit bitmap.
make_bitmap() {
    convert -size "$2" gradient:'#ff4000-#0040ff' \( -size "$2" pattern:checkerboard \) \
        -compose multiply -composite -type TrueColor "BMP3:$1"
}

# Waits until the driver run in the background (driver_job, started in work) holds at NAME.
await_held() {
    for _ in $(seq 900); do
        [ -e "$work/$1.held" ] || ! kill -0 "$driver_job" 2>/dev/null && break
        sleep 0.1
    done
    [ -e "$work/$1.held" ] || { echo "the driver never got to $1"; return 1; }
}

# Once the run holds at NAME, saves the window it brought to the front, as Alt+Print Screen
# would, as NAME.png, and lets the run go on. Failures are returned, not left to set -e, which a
# caller's "||" would switch off.
shoot() {
    await_held "$1" || return 1
    # The driver makes the file before it writes the window's rectangle into it.
    for _ in $(seq 50); do [ -s "$work/$1.held" ] && break; sleep 0.1; done
    local x y width height
    read -r x y width height <"$work/$1.held" || { echo "no rectangle for $1"; return 1; }
    sleep 0.5  # room for the window to paint
    (source "$here/../harness/wine-env.sh" "$wine_dir"
        import -window root -crop "${width}x${height}+$x+$y" +repage "PNG24:$shots/$1.png") ||
        return 1
    touch "$work/$1.released"
}

# shooting NAME... -- STEP...: runs the driver's steps in work, where each step "hold NAME
# CAPTION" stops the run while this side saves that window as NAME.png, in the order the names
# are given.
shooting() {
    local names=()
    while [ "$1" != -- ]; do names+=("$1"); shift; done
    shift
    (cd "$work" && driver "$@") &
    driver_job=$!
    local status=0
    for name in "${names[@]}"; do shoot "$name" || { status=1; break; }; done
    wait "$driver_job" || status=1
    driver_job=
    return $status
}
