#!/usr/bin/env bash
# End-to-end tests of the desktop program on a private Xvfb (no window manager), driven with
# xdotool. Usage: run_e2e.sh <test> <traffic program or ""> <probe program> <close_window> <out dir>
# Every wait is on a condition with a deadline; exit 0 pass, 1 fail, 77 skip.
set -u
test_name=$1 traffic=$2 probe=$3 closer=$4 out=$5
mkdir -p "$out"
log="$out/$test_name.log"
: >"$log"

fail() { echo "FAIL ($test_name): $*"; [ -s "$log" ] && sed 's/^/  program: /' "$log" | tail -20; exit 1; }
skip() { echo "SKIP ($test_name): $*"; exit 77; }
now_ms() { date +%s%3N; }

# ---- a private X server on a free display number ----
xvfb_pid=""
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
}
trap cleanup EXIT

# Xvfb picks a free display number itself and reports it on a file descriptor, so that tests
# running side by side never share a server.
start_xvfb() {
    local number_file="$out/$test_name.display"
    : >"$number_file"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
    xvfb_pid=$!
    local deadline=$(($(now_ms) + 10000))
    while [ "$(now_ms)" -lt "$deadline" ] && kill -0 "$xvfb_pid" 2>/dev/null; do
        local n
        n=$(tr -dc 0-9 <"$number_file")
        if [ -n "$n" ] && DISPLAY=":$n" xwininfo -root >/dev/null 2>&1; then
            export DISPLAY=":$n"
            return 0
        fi
        sleep 0.05
    done
    return 1
}

# wait_until <timeout ms> <command...>: polls the command until it succeeds.
wait_until() {
    local deadline=$(($(now_ms) + $1))
    shift
    while ! "$@"; do
        [ "$(now_ms)" -ge "$deadline" ] && return 1
        sleep 0.1
    done
}

start_app() {
    "$@" >"$log" 2>&1 &
    app_pid=$!
}

# Waits for the program to end and checks its exit status.
expect_exit() {
    local status=$1
    wait_until 10000 eval '! kill -0 "$app_pid" 2>/dev/null' || fail "the program did not end"
    wait "$app_pid"
    local rc=$?
    app_pid=""
    [ "$rc" -eq "$status" ] || fail "exit status $rc, expected $status"
}

window_id() { xdotool search --name "^$1\$" 2>/dev/null | head -1; }
window_exists() { [ -n "$(window_id "$1")" ]; }

# geometry <title>: "x y width height" of the X window.
geometry() {
    xwininfo -id "$(window_id "$1")" | awk '
        /Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
        /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}'
}

# The graphics window's client area (601 x 515 below the 25-pixel menu bar).
canvas_hash() { import -window root -crop 601x515+0+25 +repage rgb:- 2>/dev/null | md5sum | cut -c1-32; }
canvas_colors() {
    import -window root -crop 601x515+0+25 +repage png:- 2>/dev/null |
        convert png:- -format %c histogram:info:-
}
color_count() { canvas_colors | awk -v c="$1" 'index($0, c) {gsub(":", "", $1); print $1; f=1} END {if (!f) print 0}'; }

# The street grid: white ground, black lanes and squares, red and green lights.
grid_shown() {
    local colors
    colors=$(canvas_colors)
    local white black red green
    white=$(awk '/#FFFFFF/ {gsub(":", "", $1); print $1}' <<<"$colors")
    black=$(awk '/#000000/ {gsub(":", "", $1); print $1}' <<<"$colors")
    red=$(awk '/#FF0000/ {gsub(":", "", $1); print $1}' <<<"$colors")
    green=$(awk '/#00FF00/ {gsub(":", "", $1); print $1}' <<<"$colors")
    [ "${white:-0}" -gt 150000 ] && [ "${black:-0}" -gt 20000 ] && [ "${red:-0}" -gt 500 ] &&
        [ "${green:-0}" -gt 500 ]
}

reference=""
canvas_changed() { [ "$(canvas_hash)" != "$reference" ]; }

# The picture has not changed for 1.5 s (several timer periods).
canvas_still() {
    local first
    first=$(canvas_hash)
    local i
    for i in 1 2 3; do
        sleep 0.5
        [ "$(canvas_hash)" = "$first" ] || return 1
    done
}

# Keys go to the window under the pointer when no window manager gives the focus.
key_in() {
    local x=$1 y=$2
    shift 2
    xdotool mousemove "$x" "$y" && xdotool key "$@"
}
in_graphics() { key_in 300 400 "$@"; }
in_text() { key_in 800 700 "$@"; }

start_traffic_running() {
    [ -n "$traffic" ] || skip "the traffic program is not built"
    start_app "$traffic"
    wait_until 10000 window_exists "VELTA Graphics" || fail "no graphics window"
    wait_until 10000 grid_shown || fail "the street grid is not shown"
}

# Vehicles appear and move: the picture keeps changing while the animation runs.
expect_running() {
    local round
    for round in 1 2; do
        reference=$(canvas_hash)
        wait_until 8000 canvas_changed || fail "the picture does not change while running ($1)"
    done
}

expect_halted() {
    wait_until 8000 canvas_still || fail "the picture keeps changing after halting ($1)"
}

cpu_ticks() { awk '{print $14 + $15}' "/proc/$app_pid/stat"; }
# cpu_percent <seconds>: the program's processor use over the interval, in % of one core.
cpu_percent() {
    local a b
    a=$(cpu_ticks)
    sleep "$1"
    b=$(cpu_ticks)
    awk -v d=$((b - a)) -v hz="$(getconf CLK_TCK)" -v s="$1" 'BEGIN {printf "%.2f", 100 * d / hz / s}'
}

# ---- the probe: input messages and events printed one a line ----
probe_said() { grep -qFx -- "$1" "$log"; }
expect_line() { wait_until 5000 probe_said "$1" || fail "the probe never printed \"$1\""; }

start_probe() {
    start_app "$probe" "$@"
    wait_until 10000 window_exists "VELTA Graphics" || fail "no graphics window"
    expect_line "ready"
}

# Without a display the program says so in one line and fails; it must not crash.
if [ "$test_name" = no_display ]; then
    program=${traffic:-$probe}
    for display in "" ":9999"; do
        DISPLAY=$display "$program" >"$log" 2>&1
        rc=$?
        [ "$rc" -ne 0 ] && [ "$rc" -lt 128 ] || fail "status $rc with DISPLAY=\"$display\""
        [ "$(wc -l <"$log")" -eq 1 ] && grep -q "display" "$log" ||
            fail "expected one line about the display with DISPLAY=\"$display\""
    done
    echo "PASS ($test_name)"
    exit 0
fi

start_xvfb || skip "Xvfb did not start"

case "$test_name" in
windows_and_picture)
    start_traffic_running
    wait_until 5000 window_exists "VELTA Text" || fail "no text window"
    [ "$(geometry "VELTA Graphics")" = "0 0 601 540" ] ||
        fail "graphics window at $(geometry "VELTA Graphics"), expected 0 0 601 540"
    # A 1024 x 768 screen puts the text window at (0, 513) with size 1024 x 256.
    [ "$(geometry "VELTA Text")" = "0 513 1024 256" ] ||
        fail "text window at $(geometry "VELTA Text"), expected 0 513 1024 256"
    expect_running "at start"
    import -window root -crop 601x540+0+0 +repage "$out/screenshot.png"
    echo "idle CPU while running over 5 s: $(cpu_percent 5) % of one core" | tee "$out/cpu.txt"
    in_graphics ctrl+h
    expect_halted "Ctrl+H"
    echo "idle CPU while halted over 5 s: $(cpu_percent 5) % of one core" | tee -a "$out/cpu.txt"
    ;;
animation_keys)
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
    ;;
menu_quit)
    start_traffic_running
    xdotool mousemove 20 12 click 1
    # The open menu covers the picture's top-left corner with its grey items.
    menu_open() { [ "$(import -window root -crop 1x1+150+183 +repage txt:- 2>/dev/null |
        grep -o '#[0-9A-F]\{6\}')" = "#C0C0C0" ]; }
    wait_until 5000 menu_open || fail "the Run menu did not open"
    xdotool mousemove 22 183 click 1
    expect_exit 0
    ;;
ctrl_q)
    start_traffic_running
    in_graphics ctrl+q
    expect_exit 0
    ;;
close_box)
    start_traffic_running
    "$closer" "$(window_id "VELTA Graphics")"
    expect_exit 0
    ;;
text_window)
    start_traffic_running
    expect_running "at start"
    in_text ctrl+h
    expect_halted "Ctrl+H in the text window"
    in_text ctrl+a
    expect_running "Ctrl+A in the text window"
    # Closing the text window leaves the program running.
    "$closer" "$(window_id "VELTA Text")"
    wait_until 5000 eval '! window_exists "VELTA Text"' || fail "the text window did not close"
    expect_running "after closing the text window"
    in_graphics ctrl+q
    expect_exit 0
    ;;
keys_and_clicks)
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
    # Ctrl+letter: Ctrl's own code, the letter's upper-case code with the control character, and
    # no key event (Ctrl+L toggles logging, which the probe sees as nothing else).
    in_graphics ctrl+l
    expect_line "keydown 17 -1"
    expect_line "keydown 76 12"
    expect_line "keyup 17"
    # Keys typed in the text window reach the graphics window.
    in_text c
    expect_line "event 2 0 0 99"
    # A click 10 pixels right of and 10 below the client area's centre (300, 257).
    xdotool mousemove 310 292 click 1
    expect_line "click 310 267"
    expect_line "event 1 10 -10 0"
    in_graphics ctrl+q
    expect_line "event 4 0 0 0"
    expect_exit 0
    ;;
dialog)
    start_probe dialog
    wait_until 5000 window_exists "VELTA_gets" || fail "no dialog"
    # 50, 50 dialog units from the owner's client area (0, 25); 185 x 92 units.
    [ "$(geometry "VELTA_gets")" = "100 125 370 184" ] ||
        fail "dialog at $(geometry "VELTA_gets"), expected 100 125 370 184"
    xdotool mousemove 285 200
    # Escape and the close box leave the dialog open.
    xdotool key Escape
    "$closer" "$(window_id "VELTA_gets")"
    sleep 0.3
    window_exists "VELTA_gets" || fail "Escape or the close box closed the dialog"
    xdotool type "hello there"
    xdotool key Return
    expect_line "reply 1 [hello there]"
    wait_until 5000 eval '! window_exists "VELTA_gets"' || fail "the dialog stayed open"
    # The keyboard is back in the graphics window.
    in_graphics z
    expect_line "event 2 0 0 122"
    in_graphics ctrl+q
    expect_exit 0
    ;;
second_display)
    start_probe second-display
    wait_until 5000 window_exists "VELTA_gets" || fail "no error dialog"
    xdotool mousemove 285 200
    xdotool key Return
    expect_exit 255
    ;;
*)
    fail "unknown test"
    ;;
esac
echo "PASS ($test_name)"
