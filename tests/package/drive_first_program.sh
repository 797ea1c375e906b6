# Drives the first program (first_program/main.cpp) on a virtual X server, the same way whether it
# was built for Linux or for Windows (under Wine). Sourced by the package tests after the helpers of
# tests/e2e/run_e2e.sh; the sourcing script provides locate_canvas and in_graphics for its
# platform, and has started the program with start_app.

# picture_pixel <x> <y>: "#RRGGBB" of the picture's point (x, y), the origin at the client area's
# centre and y upward.
picture_pixel() {
    import -window root -crop "1x1+$((canvas_x + canvas_w / 2 + $1))+$((canvas_y + canvas_h / 2 - $2))" \
        +repage -depth 8 txt:- 2>/dev/null | grep -o '#[0-9A-F]\{6\}'
}
pixel_is() { [ "$(picture_pixel "$1" "$2")" = "$3" ]; }

# expect_pixels <colour> <what> <x y>...: each point has the colour.
expect_pixels() {
    local colour=$1 what=$2 point
    shift 2
    for point in "$@"; do
        # shellcheck disable=SC2086
        pixel_is $point "$colour" || fail "($point) is $(picture_pixel $point), not $what ($colour)"
    done
}

# check_first_program <screenshot>: its picture, a click, two keys and Ctrl+Q, which ends it with
# status 0. The screen is saved once everything has been drawn.
check_first_program() {
    local screenshot=$1
    locate_canvas
    # A white picture with a filled blue rectangle from (-100, 80) to (100, -80), both corners
    # included, and a filled yellow triangle with its tip at (0, 60).
    wait_until 10000 pixel_is 0 60 "#FFFF00" || fail "the triangle's tip is $(picture_pixel 0 60), not yellow"
    expect_pixels "#0000FF" blue "-100 80" "100 80" "-100 -80" "100 -80" "0 -70"
    expect_pixels "#FFFFFF" white "-101 80" "-100 81" "101 -80" "100 -81" "150 -120"
    # A click at (150, -120) puts a red 7 x 7 mark there: the click came at the picture's
    # coordinates.
    xdotool mousemove $((canvas_x + canvas_w / 2 + 150)) $((canvas_y + canvas_h / 2 + 120)) click 1
    wait_until 5000 pixel_is 150 -120 "#FF0000" || fail "no red mark where the mouse was clicked"
    expect_pixels "#FF0000" red "147 -117" "153 -123"
    expect_pixels "#FFFFFF" white "146 -120" "154 -120" "150 -116" "150 -124"
    # The key's character comes with its event: g green, then b blue.
    in_graphics g
    wait_until 5000 pixel_is 220 0 "#00FF00" ||
        fail "typing g gave $(picture_pixel 220 0) at (220, 0), not green"
    in_graphics b
    wait_until 5000 pixel_is 220 0 "#0000FF" ||
        fail "typing b gave $(picture_pixel 220 0) at (220, 0), not blue"
    import -window root "$screenshot"
    in_graphics ctrl+q
    expect_exit 0
}
