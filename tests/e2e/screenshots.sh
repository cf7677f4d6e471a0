# Sourced by scenarios that keep screenshots. Expects here, wine_dir, work (a scratch folder) and
# shots (where the pictures go) to be set.

# A picture of the given size in many colours, as a 24-bit bitmap.
make_bitmap() {
    convert -size "$2" gradient:'#ff4000-#0040ff' \( -size "$2" pattern:checkerboard \) \
        -compose multiply -composite -type TrueColor "BMP3:$1"
}

# The driver steps that stop a run for the screenshot NAME: the driver marks NAME.shown, this
# side saves the screen as NAME.png (shoot NAME), then marks NAME.taken and the driver goes on.
# Read them with: mapfile -d '' pause < <(steps NAME)
steps() {
    printf '%s\0' mark "$(windows "$work/$1.shown")" -- \
        wait-file "$(windows "$work/$1.taken")" 60000
}
shoot() {
    for _ in $(seq 900); do [ -e "$work/$1.shown" ] && break; sleep 0.1; done
    [ -e "$work/$1.shown" ] || { echo "the driver never got to $1"; return 1; }
    sleep 0.5  # room for the window to paint
    bash "$here/../harness/screenshot.sh" "$wine_dir" "$shots/$1.png"
    touch "$work/$1.taken"
}
