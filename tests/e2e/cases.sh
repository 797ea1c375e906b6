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
