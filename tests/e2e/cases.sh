# Test bodies that every desktop harness runs the same way on its backend (tests/e2e/run_e2e.sh
# for FLTK, tests/wine/run_wine_e2e.sh for Win32 under Wine). Sourced after the harness's helpers,
# which provide for its platform: start_traffic_running, start_probe, in_graphics, in_text,
# close_window, expect_running, expect_halted, expect_line, expect_exit, canvas_hash,
# canvas_changed, canvas_still and the client area's canvas_x, canvas_y, canvas_w and canvas_h.

# lines_since <count>: the probe's lines after the first <count>, line ends as on Linux.
lines_since() { tail -n +"$(($1 + 1))" "$log" | tr -d '\r'; }

# Ctrl+H halts, Ctrl+F steps once, Ctrl+A runs again.
case_animation_keys() {
    start_traffic_running
    expect_running "at start"
    in_graphics ctrl+h
    expect_halted "Ctrl+H"
    # One frame may move nothing (every vehicle waiting at a red light): step until the picture
    # changes, and check that it then stays still.
    reference=$(canvas_hash)
    stepped=0
    for i in $(seq 1 40); do
        in_graphics ctrl+f
        if wait_until 1000 canvas_changed; then stepped=1; break; fi
    done
    [ "$stepped" = 1 ] || fail "Ctrl+F never advanced the picture"
    expect_halted "after Ctrl+F"
    in_graphics ctrl+a
    expect_running "after Ctrl+A"
}

# The Run menu's keys in the text window, and the text window's close box.
case_text_window() {
    start_traffic_running
    expect_running "at start"
    in_text ctrl+h
    expect_halted "Ctrl+H in the text window"
    in_text ctrl+a
    expect_running "Ctrl+A in the text window"
    # Closing the text window leaves the program running.
    close_window "VELTA Text"
    wait_until 5000 eval '! window_exists "VELTA Text"' || fail "the text window did not close"
    expect_running "after closing the text window"
    in_graphics ctrl+q
    expect_exit 0
}

# Key codes, characters and clicks as the probe sees them: only keys that type a character give
# key events, Ctrl combinations give none, and clicks come at picture coordinates.
case_keys_and_clicks() {
    start_probe
    in_graphics a
    expect_line "keydown 65 97"
    expect_line "event 2 0 0 97"
    expect_line "keyup 65"
    in_graphics shift+b
    expect_line "event 2 0 0 66"
    in_graphics F1
    expect_line "keydown 112 -1"
    in_graphics KP_Divide
    expect_line "keydown 111 47"
    # Keys that type no character: a key-down without one and no key event. A typed z marks the
    # end, so every event printed from here on up to it must be z's own.
    mark=$(wc -l <"$log")
    in_graphics Delete Left Home End Prior Insert F5 z
    for vk in 46 37 36 35 33 45 116; do expect_line "keydown $vk -1"; done
    expect_line "event 2 0 0 122"
    events=$(lines_since "$mark" | grep '^event')
    [ "$events" = "event 2 0 0 122" ] || fail "keys without a character gave events: $events"
    # Backspace, Tab (with Shift too), Enter (on the keypad too) and Escape type their codes.
    in_graphics BackSpace
    expect_line "keydown 8 8"
    expect_line "event 2 0 0 8"
    in_graphics Tab
    expect_line "keydown 9 9"
    expect_line "event 2 0 0 9"
    mark=$(wc -l <"$log")
    in_graphics shift+Tab
    wait_until 5000 eval 'lines_since "$mark" | grep -qFx "event 2 0 0 9"' ||
        fail "Shift+Tab gave no Tab event"
    in_graphics Return
    expect_line "keydown 13 13"
    expect_line "event 2 0 0 13"
    mark=$(wc -l <"$log")
    in_graphics KP_Enter
    wait_until 5000 eval 'lines_since "$mark" | grep -qFx "event 2 0 0 13"' ||
        fail "keypad Enter gave no Enter event"
    in_graphics Escape
    expect_line "keydown 27 27"
    expect_line "event 2 0 0 27"
    # Ctrl+letter: Ctrl's own code, the letter's upper-case code with the control character, and
    # no key event (Ctrl+L toggles logging, which the probe sees as nothing else).
    in_graphics ctrl+l
    expect_line "keydown 17 -1"
    expect_line "keydown 76 12"
    expect_line "keyup 17"
    # Other control characters come from the character that the key types without Ctrl.
    in_graphics ctrl+bracketleft
    expect_line "keydown 219 27"
    in_graphics ctrl+shift+2
    expect_line "keydown 50 0"
    in_graphics ctrl+2
    expect_line "keydown 50 -1"
    # Keys typed in the text window reach the graphics window.
    in_text c
    expect_line "event 2 0 0 99"
    # A click 10 pixels right of and 10 below the client area's centre is (10, -10) in the
    # picture.
    cx=$((canvas_w / 2 + 10)) cy=$((canvas_h / 2 + 10))
    xdotool mousemove $((canvas_x + cx)) $((canvas_y + cy)) click 1
    expect_line "click $cx $cy"
    expect_line "event 1 10 -10 0"
    in_graphics ctrl+q
    expect_line "event 4 0 0 0"
    expect_exit 0
}

# measure_playback <ticks> <folder> [<start> <keys>]: starts the traffic program in the folder
# (with the harness's start_traffic_running, or the given command) with a script of one counted
# line, plays it back unpaced (Ctrl+P, typed with in_graphics or the given command) and sets rate
# (ticks a second) and played_ms, from the script's opening at the playback's first read to its
# closing at the end of the file.
measure_playback() {
    local ticks=$1 folder=$2 start=${3:-start_traffic_running} keys=${4:-in_graphics} started ended
    printf 'VELTA_PERIODIC(%d);\n' "$ticks" >"$folder/VELTA.SCR"
    "$start"
    script_open() { [ -n "$(find "/proc/$app_pid/fd" -lname '*/VELTA.SCR' -print -quit 2>/dev/null)" ]; }
    poll_until() { # poll_until <timeout ms> <command...>, every 20 ms
        local deadline=$(($(now_ms) + $1))
        shift
        while ! "$@"; do
            [ "$(now_ms)" -ge "$deadline" ] && return 1
            sleep 0.02
        done
    }
    "$keys" ctrl+p
    poll_until 5000 script_open || fail "Ctrl+P did not open the script"
    started=$(now_ms)
    poll_until 80000 eval '! script_open' || fail "the playback did not end within 80 s"
    ended=$(now_ms)
    expect_halted "after the playback"
    played_ms=$((ended - started))
    rate=$(awk -v n="$ticks" -v ms="$played_ms" 'BEGIN {printf "%.0f", n * 1000 / ms}')
}

# Input for games (every key, the mouse's motion, buttons and wheel) through the real program:
# each kind as the probe's records show it, each recorded with its own script line, and played
# back in the same order. The probe runs in $work_dir, where its VELTA.SCR lands.
case_game_input() {
    start_probe input
    in_graphics ctrl+r
    local px=$((canvas_x + canvas_w / 2 + 20)) py=$((canvas_y + canvas_h / 2 + 30))
    local kinds=("input 5 0 0 0 37 0 0" "input 6 0 0 0 37 0 0" "input 7 20 -30 0 0 0 0"
        "input 8 20 -30 0 0 2 0" "input 9 20 -30 0 0 2 0" "input 10 20 -30 0 120 0 0"
        "input 1 20 -30 0 0 1 0" "input 9 20 -30 0 0 1 0")
    in_graphics Left
    expect_line "${kinds[0]}"
    expect_line "${kinds[1]}"
    xdotool mousemove "$px" "$py"
    expect_line "${kinds[2]}"
    xdotool click 3
    expect_line "${kinds[4]}"
    xdotool click 4
    expect_line "${kinds[5]}"
    xdotool click 1
    expect_line "${kinds[7]}"
    in_graphics ctrl+r
    local script=$work_dir/VELTA.SCR line
    for line in "VELTA_DOWN(37, 0);" "VELTA_UP(37, 0);" "VELTA_XY(20, -30, 0);" \
        "VELTA_BUTTON(20, -30, 2, 0);" "VELTA_RELEASE(20, -30, 2, 0);" "VELTA_WHEEL(20, -30, 120, 0);" \
        "VELTA_MOUSE(20, -30);" "VELTA_RELEASE(20, -30, 1, 0);"; do
        tr -d '\r' <"$script" | grep -qFx "$line" || fail "the recording has no $line: $(tr -d '\r' <"$script" | tr '\n' ' ')"
    done
    # Played back, the same records come again in the same order.
    local mark
    mark=$(wc -l <"$log")
    in_graphics ctrl+p
    wait_until 5000 eval 'lines_since "$mark" | grep -qFx "${kinds[7]}"' || fail "the playback did not reach the last click"
    local order
    order=$(lines_since "$mark" | grep -Fx -e "${kinds[0]}" -e "${kinds[1]}" -e "${kinds[3]}" \
        -e "${kinds[4]}" -e "${kinds[5]}" -e "${kinds[6]}" -e "${kinds[7]}" | uniq | tr '\n' ';')
    [ "$order" = "${kinds[0]};${kinds[1]};${kinds[3]};${kinds[4]};${kinds[5]};${kinds[6]};${kinds[7]};" ] ||
        fail "played back in another order: $order"
    in_graphics ctrl+q
    expect_exit 0
}

# A screen of twice the density (192 dpi, as the platform says it: set_density must have set it
# before the program starts): the program draws twice as large in whole pixels. Its client area
# is twice as large, the grid lies at twice its offsets from the centre, every picture pixel is a
# uniform 2 x 2 block, and a click at twice (30, 40) from the origin is (30, 40) in the picture.
case_hidpi() {
    local folder=$1
    start_traffic_running
    in_graphics ctrl+h
    expect_halted "Ctrl+H"
    [ "$canvas_w" -ge 1180 ] && [ "$canvas_h" -ge 980 ] ||
        fail "client area $canvas_w x $canvas_h, not twice as large"
    # The grid reaches 220 picture pixels left of the origin, above and below it, and 120 to its
    # right: from the logical origin's 2 x 2 block, twice that (black_box counts from the device
    # client area's centre).
    local cx=$((canvas_w / 2)) cy=$((canvas_h / 2)) ox=$((canvas_w / 4)) oy=$((canvas_h / 4))
    local grid="$(((ox - 220) * 2 - cx)) $(((oy - 220) * 2 - cy)) $(((ox + 120) * 2 + 1 - cx)) $(((oy + 220) * 2 + 1 - cy))"
    [ "$(black_box)" = "$grid" ] ||
        fail "street grid at $(black_box) from the client area's centre, expected $grid (twice its offsets)"
    # Sampling every second pixel and doubling it again gives the same picture only when every
    # 2 x 2 block is of one colour.
    import -window root -crop "$(canvas_crop)" +repage "$out/$label.png"
    convert "$out/$label.png" -sample 50% -sample 200% "$out/$label.blocks.png"
    local differ
    differ=$(compare -metric AE "$out/$label.png" "$out/$label.blocks.png" null: 2>&1)
    [ "$differ" = 0 ] || fail "$differ pixels are not in uniform 2 x 2 blocks"
    in_graphics ctrl+r
    local ox=$((canvas_x + canvas_w / 2)) oy=$((canvas_y + canvas_h / 2))
    xdotool mousemove $((ox + 60)) $((oy - 80)) click 1
    sleep 0.3
    in_graphics ctrl+r
    wait_until 5000 eval 'tr -d "\r" <"$folder/VELTA.SCR" 2>/dev/null | grep -qFx "VELTA_MOUSE(30, 40);"' ||
        fail "the click was recorded as: $(cat "$folder/VELTA.SCR" 2>/dev/null)"
    in_graphics ctrl+q
    expect_exit 0
}
