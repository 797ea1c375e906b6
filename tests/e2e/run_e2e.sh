#!/usr/bin/env bash
# End-to-end tests of the desktop program on a private Xvfb, driven with xdotool. A test whose name
# ends in _wm runs with a window manager (openbox) on the server, as users have it; the others run
# without one. Usage:
#   run_e2e.sh <test> <traffic program or ""> <probe program> <close_window> <out dir> [<map_watch>]
#              [<velta_frame_compare>] [<fltk_backend_tests>]
# find_window (find_window.cpp) is built next to close_window. Every wait is on a condition with a
# deadline, and with E2E_DEADLINE_S set a test still running after that many seconds is ended as
# hanging (see start_watchdog); exit 0 pass, 1 fail, 77 skip.
set -u
label=$1 traffic=$2 probe=$3 closer=$4 out=$5 watcher=${6:-} frame_compare=${7:-} contract=${8:-}
finder="$(dirname "$closer")/find_window"
test_name=${label%_wm}
with_wm=0
[ "$test_name" != "$label" ] && with_wm=1
mkdir -p "$out"
log="$out/$label.log"
: >"$log"

fail() { echo "FAIL ($label): $*"; [ -s "$log" ] && sed 's/^/  program: /' "$log" | tail -20; exit 1; }
skip() { echo "SKIP ($label): $*"; exit 77; }
now_ms() { date +%s%3N; }

# ---- a private X server on a free display number ----
xvfb_pid=""
wm_pid=""
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
}

# descendants <pid> [<pid>]: the processes below the first, at any depth, leaving out the second
# and those below it.
descendants() {
    ps -eo pid=,ppid= | awk -v top="$1" -v skip="${2:-0}" '
        {parent[$1] = $2}
        END {
            for (p in parent) {
                if (p == skip) continue
                for (q = parent[p]; q > 1 && q in parent; q = parent[q]) {
                    if (q == skip) break
                    if (q == top) {print p; break}
                }
            }
        }'
}

# A test still running E2E_DEADLINE_S seconds after its start is hanging: some command in it waits
# for something that never comes. The watchdog says so, with the commands then running and a
# picture of the screen, and ends those commands (not itself), so that the test fails with that
# message before ctest's timeout kills it without one. The test script is told first (USR1), and
# fails as soon as its command has returned.
watchdog_pid=""
hung=0
start_watchdog() {
    [ -n "${E2E_DEADLINE_S:-}" ] || return 0
    local script=$$
    (
        # Its sleep must not outlive it, nor hold the test's output open.
        sleeper=""
        trap '[ -n "$sleeper" ] && kill "$sleeper" 2>/dev/null; exit 0' TERM
        sleep "$E2E_DEADLINE_S" </dev/null >/dev/null 2>&1 &
        sleeper=$!
        wait "$sleeper"
        trap - TERM
        me=$BASHPID
        running=$(descendants "$script" "$me" | paste -sd, -)
        echo "HANG ($label): still running after $E2E_DEADLINE_S s; the commands then running:"
        [ -n "$running" ] && ps -o pid=,etime=,args= -p "$running" | sed 's/^/  /'
        display=":$(tr -dc 0-9 <"$out/$label.display" 2>/dev/null)"
        if DISPLAY=$display timeout 10 import -window root "$out/$label.hang.png" 2>/dev/null; then
            DISPLAY=$display timeout 10 xwininfo -root -tree >"$out/$label.hang.windows" 2>&1
            echo "  the screen and its windows then: $out/$label.hang.png, $out/$label.hang.windows"
        fi
        kill -USR1 "$script"
        # shellcheck disable=SC2086
        [ -n "$running" ] && kill ${running//,/ } 2>/dev/null
        sleep 2
        # shellcheck disable=SC2086
        [ -n "$running" ] && kill -KILL ${running//,/ } 2>/dev/null
    ) &
    watchdog_pid=$!
}
# Once it has fired it is let finish its work.
stop_watchdog() {
    [ -n "$watchdog_pid" ] || return 0
    [ "$hung" = 1 ] || kill "$watchdog_pid" 2>/dev/null
    wait "$watchdog_pid" 2>/dev/null
    watchdog_pid=""
}
trap 'hung=1; fail "ended by the watchdog: it hung (see above)"' USR1
trap 'stop_watchdog; cleanup' EXIT
start_watchdog

# Xvfb picks a free display number itself and reports it on a file descriptor, so that tests
# running side by side never share a server. It must not reset when its last client leaves (the
# probe below): a client that connects during the reset is turned away.
start_xvfb() {
    local number_file="$out/$label.display"
    : >"$number_file"
    # present_no_shm runs on a server without the shared memory extension.
    local extension=()
    [ "$test_name" = present_no_shm ] && extension=(-extension MIT-SHM)
    # A screen of twice the density is twice as large, so that it holds the same windows.
    local screen=1024x768x24
    [ "${E2E_SCALE:-1}" = 2 ] && screen=2048x1536x24
    Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset "${extension[@]}" \
        3>"$number_file" >/dev/null 2>&1 &
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

# The window manager runs with its stock settings (click to focus), whatever the user's own are.
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }
start_wm() {
    command -v openbox >/dev/null || return 1
    local settings="$out/$label.wm"
    mkdir -p "$settings"
    XDG_CONFIG_HOME="$settings" XDG_CACHE_HOME="$settings" openbox --sm-disable \
        >"$settings/log" 2>&1 &
    wm_pid=$!
    wait_until 10000 wm_running
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

# window_id <title>: the id of the X window with that name; nothing when there is none. Every
# command below that takes a window id is given one only when there is one: xwininfo and xprop
# without an id wait for a click on the window to show, which no test ever makes.
window_id() { "$finder" "$1" | head -1; }
window_exists() { [ -n "$(window_id "$1")" ]; }

# xwindow_geometry <window id>: "x y width height" on the screen, the X border included.
xwindow_geometry() {
    [ -n "$1" ] || return 1
    xwininfo -id "$1" | awk '
        /Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} /Border width:/ {b=$3}
        /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w + 2 * b, h + 2 * b}'
}

# geometry <title>: the program's own X window: the client area with the menu bar. Without a window
# manager it is the whole window.
geometry() { xwindow_geometry "$(window_id "$1")"; }

# outer_geometry <title>: the whole window with the frame that a window manager put around it: the
# ancestor just below the root window.
outer_geometry() {
    local top parent root
    top=$(window_id "$1")
    [ -n "$top" ] || return 1
    root=$(xwininfo -root | awk '/Window id:/ {print $4; exit}')
    while parent=$(xwininfo -children -id "$top" | awk '/Parent window id:/ {print $4}') &&
        [ -n "$parent" ] && [ "$((parent))" != "$((root))" ]; do
        top=$parent
    done
    xwindow_geometry "$top"
}

# The graphics window's client area below its 25-pixel menu bar (601 x 515 at (0, 25) without a
# window manager), found by locate_canvas once the window has settled.
canvas_x=0 canvas_y=25 canvas_w=601 canvas_h=515
canvas_crop() { echo "${canvas_w}x${canvas_h}+${canvas_x}+${canvas_y}"; }
viewable() {
    local id
    id=$(window_id "$1")
    [ -n "$id" ] && xwininfo -id "$id" 2>/dev/null | grep -q "IsViewable"
}
# window_property <title> <property>: what xprop says of it; fails when there is no such window.
window_property() {
    local id
    id=$(window_id "$1")
    [ -n "$id" ] && xprop -id "$id" "$2"
}
# close_window <title>: the window manager's close box for the window (see close_window.cpp).
close_window() {
    local id
    id=$(window_id "$1")
    [ -n "$id" ] || fail "no window \"$1\" to close"
    "$closer" "$id"
}
# The window is mapped and has not moved for a moment.
settled() {
    viewable "$1" || return 1
    local first
    first=$(outer_geometry "$1")
    sleep 0.3
    [ "$(outer_geometry "$1")" = "$first" ]
}
locate_canvas() {
    wait_until 10000 settled "VELTA Graphics" || fail "the graphics window never settled"
    local x y w h
    read -r x y w h <<<"$(geometry "VELTA Graphics")"
    local menu=$((25 * ${E2E_SCALE:-1}))
    canvas_x=$x canvas_y=$((y + menu)) canvas_w=$w canvas_h=$((h - menu))
}

canvas_hash() { import -window root -crop "$(canvas_crop)" +repage rgb:- 2>/dev/null | md5sum | cut -c1-32; }
canvas_colors() {
    import -window root -crop "$(canvas_crop)" +repage png:- 2>/dev/null |
        convert png:- -format %c histogram:info:-
}

# black_box: "left top right bottom" of the black pixels, in pixels from the client area's centre,
# where the picture's origin lies; a 10-pixel margin leaves the image's own edges out.
black_box() {
    import -window root -crop "$((canvas_w - 20))x$((canvas_h - 20))+$((canvas_x + 10))+$((canvas_y + 10))" \
        +repage png:- 2>/dev/null |
        convert png:- -fill white +opaque black -trim -format "%X %Y %w %h" info:- |
        awk -v cx=$((canvas_w / 2 - 10)) -v cy=$((canvas_h / 2 - 10)) '{
            print $1 - cx, $2 - cy, $1 + $3 - 1 - cx, $2 + $4 - 1 - cy }'
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

# motif_hints <title>: the five fields of the window's _MOTIF_WM_HINTS in decimal, as map_watch
# prints them.
motif_hints() {
    local f fields=()
    for f in $(window_property "$1" _MOTIF_WM_HINTS | sed -n 's/.*= //p' | tr -d ,); do
        fields+=("$((f))")
    done
    echo "${fields[*]:-none}"
}
# allowed_actions <title>: what the window manager lets the user do with the window.
allowed_actions() { window_property "$1" _NET_WM_ALLOWED_ACTIONS | sed -n 's/.*= //p'; }
# The hints that the windows' styles give them. The graphics window (caption and system menu):
# moving and closing (4 + 32), a border, a title bar and the window menu (2 + 8 + 16). The text
# window (an overlapped window) besides can be resized, minimised and maximised (2 + 8 + 16) and
# has a resize handle and both buttons (4 + 32 + 64).
graphics_hints="3 36 26 0 0"
text_hints="3 62 126 0 0"

active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }

# focus <title> <x> <y>: gives the window the keyboard focus. Without a window manager the focus
# follows the pointer: put it at (x, y) of the window's client area. A window manager focuses a
# window when its title bar is clicked, as users do.
focus() {
    local x y w h
    read -r x y w h <<<"$(geometry "$1")"
    if [ "$with_wm" = 0 ]; then
        xdotool mousemove $((x + $2)) $((y + $3))
        return
    fi
    local id
    id=$(window_id "$1")
    active "$id" && return
    local ox oy ow oh
    read -r ox oy ow oh <<<"$(outer_geometry "$1")"
    [ "$y" -gt "$oy" ] || fail "$1 has no title bar"
    xdotool mousemove $((ox + ow * 3 / 4)) $(((oy + y) / 2)) click 1
    wait_until 5000 active "$id" || fail "clicking the title bar did not focus $1"
}
in_graphics() { focus "VELTA Graphics" 300 400 && xdotool key "$@"; }
in_text() { focus "VELTA Text" 800 187 && xdotool key "$@"; }

start_traffic_running() {
    [ -n "$traffic" ] || skip "the traffic program is not built"
    start_app "$traffic"
    wait_until 10000 window_exists "VELTA Graphics" || fail "no graphics window"
    locate_canvas
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
    locate_canvas
    expect_line "ready"
}

# The test bodies every desktop harness shares.
source "$(dirname "${BASH_SOURCE[0]}")/cases.sh"

# Sourced by another test script (tests/wine/run_wine_e2e.sh) for the helpers above only.
[ "${E2E_HELPERS_ONLY:-0}" = 1 ] && return 0

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

# hidpi runs on a screen of 192 dpi, as desktops set it for X programs (the Xft.dpi resource).
[ "$test_name" = hidpi ] && export E2E_SCALE=2
start_xvfb || skip "Xvfb did not start"
[ "${E2E_SCALE:-1}" = 2 ] && xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "Xft.dpi:	192"
if [ "$with_wm" = 1 ]; then
    command -v openbox >/dev/null || skip "openbox is not installed"
    start_wm || fail "the window manager did not start: $(tail -5 "$out/$label.wm/log")"
fi

case "$test_name" in
contract)
    # The backend contract tests (tests/platform/contract_test.cpp) on real FLTK windows.
    [ -n "$contract" ] || skip "the backend tests are not built"
    "$contract" --gtest_brief=1 >"$log" 2>&1
    rc=$?
    grep -E '^\[  (PASSED|FAILED) |Failure' "$log" | sed 's/^/  /'
    [ "$rc" -eq 0 ] || fail "the backend tests failed (status $rc)"
    ;;
windows_and_picture)
    start_traffic_running
    wait_until 5000 window_exists "VELTA Text" || fail "no text window"
    wait_until 10000 settled "VELTA Text" || fail "the text window never settled"
    # The outer rectangles, a window manager's frame included. A 1024 x 768 screen puts the text
    # window at (0, 513) with size 1024 x 256.
    check_places() {
        [ "$(outer_geometry "VELTA Graphics")" = "0 0 601 540" ] ||
            fail "graphics window at $(outer_geometry "VELTA Graphics") $1, expected 0 0 601 540"
        [ "$(outer_geometry "VELTA Text")" = "0 513 1024 256" ] ||
            fail "text window at $(outer_geometry "VELTA Text") $1, expected 0 513 1024 256"
    }
    check_places "at start"
    # The graphics window cannot be resized: its smallest and largest sizes are its size.
    window_property "VELTA Graphics" WM_NORMAL_HINTS | awk '
        /minimum size/ {min=$(NF-2) "x" $NF} /maximum size/ {max=$(NF-2) "x" $NF}
        END {exit !(min != "" && min == max)}' || fail "the graphics window can be resized"
    [ "$(motif_hints "VELTA Graphics")" = "$graphics_hints" ] ||
        fail "graphics window hints $(motif_hints "VELTA Graphics"), expected $graphics_hints"
    [ "$(motif_hints "VELTA Text")" = "$text_hints" ] ||
        fail "text window hints $(motif_hints "VELTA Text"), expected $text_hints"
    if [ "$with_wm" = 1 ]; then
        # openbox offers neither maximising nor resizing the graphics window, and both for the
        # text window. It offers minimising every ordinary window whatever the hints say: it never
        # lets them take a button away.
        actions=$(allowed_actions "VELTA Graphics")
        for action in MAXIMIZE_HORZ MAXIMIZE_VERT RESIZE; do
            grep -q "_NET_WM_ACTION_$action" <<<"$actions" &&
                fail "the window manager offers $action for the graphics window: $actions"
        done
        actions=$(allowed_actions "VELTA Text")
        for action in MINIMIZE MAXIMIZE_HORZ MAXIMIZE_VERT RESIZE CLOSE; do
            grep -q "_NET_WM_ACTION_$action" <<<"$actions" ||
                fail "the window manager does not offer $action for the text window: $actions"
        done
    fi
    # The picture's origin is the client area's centre: the street grid reaches 220 pixels left
    # of it, above it and below it, and 120 to its right.
    [ "$(black_box)" = "-220 -220 120 220" ] ||
        fail "street grid at $(black_box) from the client area's centre"
    expect_running "at start"
    if [ "$with_wm" = 1 ]; then
        import -window root "$out/$label.png"
    else
        import -window root -crop 601x540+0+0 +repage "$out/screenshot.png"
        echo "idle CPU while running over 5 s: $(cpu_percent 5) % of one core" | tee "$out/cpu.txt"
    fi
    in_graphics ctrl+h
    expect_halted "Ctrl+H"
    [ "$with_wm" = 0 ] &&
        echo "idle CPU while halted over 5 s: $(cpu_percent 5) % of one core" | tee -a "$out/cpu.txt"
    check_places "after a while"
    ;;
animation_keys)
    case_animation_keys
    ;;
menu_quit)
    start_traffic_running
    # Positions in the menu bar and the menu count from the client area's top-left corner.
    mx=$canvas_x my=$((canvas_y - 25))
    xdotool mousemove $((mx + 20)) $((my + 12)) click 1
    # The open menu covers the picture's top-left corner with its grey items.
    menu_open() { [ "$(import -window root -crop 1x1+$((mx + 150))+$((my + 183)) +repage txt:- \
        2>/dev/null | grep -o '#[0-9A-F]\{6\}')" = "#C0C0C0" ]; }
    wait_until 5000 menu_open || fail "the Run menu did not open"
    xdotool mousemove $((mx + 22)) $((my + 183)) click 1
    expect_exit 0
    ;;
ctrl_q)
    start_traffic_running
    in_graphics ctrl+q
    expect_exit 0
    ;;
close_box)
    start_traffic_running
    close_window "VELTA Graphics"
    expect_exit 0
    ;;
text_window)
    case_text_window
    ;;
keys_and_clicks)
    case_keys_and_clicks
    ;;
dialog)
    start_probe dialog
    wait_until 5000 window_exists "VELTA_gets" || fail "no dialog"
    wait_until 5000 settled "VELTA_gets" || fail "the dialog never settled"
    # 50, 50 dialog units from the owner's client area ((0, 25) without a window manager) to the
    # dialog's own; 185 x 92 units.
    expected="$((canvas_x + 100)) $((canvas_y + 100)) 370 184"
    [ "$(geometry "VELTA_gets")" = "$expected" ] ||
        fail "dialog at $(geometry "VELTA_gets"), expected $expected"
    focus VELTA_gets 185 75
    # Escape and the close box leave the dialog open.
    xdotool key Escape
    close_window "VELTA_gets"
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
record_signals)
    # A recording ended by kill -9 keeps every click and key so far, in order; ended by Ctrl+C
    # (SIGINT) or SIGTERM the program quits as Quit does, so the file also ends with the counted
    # ticks, and the exit status is 0.
    [ -n "$traffic" ] || skip "the traffic program is not built"
    work=$(mktemp -d)
    lines() { grep -c -E 'VELTA_(MOUSE|KBD)' "$work/VELTA.SCR" 2>/dev/null; }
    for how in KILL INT TERM; do
        echo "VELTA_KBD(65);" >"$work/VELTA.SCR"  # a script from before, which the recording replaces
        pushd "$work" >/dev/null || fail "no temporary directory"
        # A program started in the background of a script ignores SIGINT; one started from a
        # terminal, as here, does not.
        printf '#!/bin/sh\nexec env --default-signal=INT "%s"\n' "$traffic" >"$work/in-terminal"
        chmod +x "$work/in-terminal"
        traffic_program=$traffic traffic=$work/in-terminal
        start_traffic_running
        traffic=$traffic_program
        popd >/dev/null || true
        in_graphics ctrl+r
        expected=""
        for d in 10 20 30; do
            xdotool mousemove $((canvas_x + canvas_w / 2 + d)) $((canvas_y + canvas_h / 2 - d)) click 1
            expected+="VELTA_MOUSE($d, $d);"$'\n'
            sleep 0.2
        done
        in_graphics w x y z
        expected+=$'VELTA_KBD(119);\nVELTA_KBD(120);\nVELTA_KBD(121);\nVELTA_KBD(122);\n'
        wait_until 5000 eval '[ "$(lines)" = 7 ]' || fail "$how: the lines were not on disk as recorded: $(cat "$work/VELTA.SCR")"
        sleep 0.5  # a few ticks more, counted but not yet written
        sent=$(now_ms)
        kill -"$how" "$app_pid"
        if [ "$how" = KILL ]; then
            expect_exit 137
        else
            expect_exit 0
            echo "SIG$how: the program ended $(($(now_ms) - sent)) ms after the signal"
            tail -1 "$work/VELTA.SCR" | grep -qE '^VELTA_PERIODIC\([1-9][0-9]*\);$' ||
                fail "SIG$how: the script does not end with the counted ticks: $(tail -3 "$work/VELTA.SCR")"
        fi
        got=$(grep -E 'VELTA_(MOUSE|KBD)' "$work/VELTA.SCR")
        [ "$got"$'\n' = "$expected" ] || fail "$how: recorded events $got"
    done
    rm -rf "$work"
    ;;
hidpi)
    work_dir=$(mktemp -d)
    pushd "$work_dir" >/dev/null || fail "no temporary directory"
    case_hidpi "$work_dir"
    popd >/dev/null || true
    rm -rf "$work_dir"
    ;;
game_input)
    work_dir=$(mktemp -d)
    pushd "$work_dir" >/dev/null || fail "no temporary directory"
    case_game_input
    popd >/dev/null || true
    rm -rf "$work_dir"
    ;;
dialog_quit)
    # A quit that arrives while the dialog is open (here SIGTERM, as from Ctrl+C in a terminal)
    # waits for the dialog's end, and meanwhile the program sleeps instead of spinning.
    start_probe dialog
    wait_until 5000 window_exists "VELTA_gets" || fail "no dialog"
    wait_until 5000 settled "VELTA_gets" || fail "the dialog never settled"
    kill -TERM "$app_pid"
    sleep 0.5
    window_exists "VELTA_gets" || fail "the quit closed the dialog"
    busy=$(cpu_percent 3)
    echo "processor use with the dialog open after a quit, over 3 s: $busy % of one core"
    awk -v b="$busy" 'BEGIN {exit !(b < 25)}' || fail "the program spins with the dialog open ($busy %)"
    focus VELTA_gets 185 75
    xdotool type "still here"
    xdotool key Return
    expect_line "reply 1 [still here]"
    expect_line "event 4 0 0 0"
    expect_exit 0
    ;;
second_display)
    start_probe second-display
    wait_until 5000 window_exists "VELTA_gets" || fail "no error dialog"
    wait_until 5000 settled "VELTA_gets" || fail "the dialog never settled"
    focus VELTA_gets 185 75
    xdotool key Return
    expect_exit 255
    ;;
playback_rate)
    # Unpaced playback of one counted line in the real program: the script is open from the
    # playback's first read to its end of file. Its rate is printed next to the rate at which
    # Cairo draws and copies the same frame on this machine in the same run; neither is asserted.
    [ -n "$traffic" ] || skip "the traffic program is not built"
    ticks=${E2E_PLAYBACK_TICKS:-40000}
    work=$(mktemp -d)
    pushd "$work" >/dev/null || fail "no temporary directory"
    measure_playback "$ticks" "$work"
    popd >/dev/null || true
    line="desktop playback of VELTA_PERIODIC($ticks); under Xvfb: $rate ticks/s ($played_ms ms)"
    if [ -n "$frame_compare" ]; then
        "$frame_compare" --rounds 5 >"$out/$label.frame" 2>&1 || fail "velta_frame_compare failed"
        cairo=$(awk -F': ' '/^cairo frame\/s/ {print $2}' "$out/$label.frame")
        velta=$(awk -F': ' '/^velta frame\/s/ {print $2}' "$out/$label.frame")
        line="$line; Cairo draws and copies the same frame $cairo times a second, the library $velta"
        line="$line; playback / Cairo: $(awk -v r="$rate" -v c="$cairo" 'BEGIN {printf "%.2f", r / c}')"
    fi
    echo "$line" | tee "$out/playback.txt"
    rm -rf "$work"
    ;;
present | present_refused | present_no_shm)
    # Pictures reach the screen through MIT-SHM where the server offers it and attaches our
    # segments, else through XPutImage: frames drawn without a pause are coalesced, the last one is
    # on the screen once the program goes idle, and uncovered rows are repainted.
    case "$test_name" in
    present) start_probe present; expect_line "presenting with MIT-SHM" ;;
    present_refused) start_probe present refuse-shm; expect_line "presenting with XPutImage" ;;
    present_no_shm) start_probe present; expect_line "presenting with XPutImage" ;;
    esac
    expect_line "differing after uncovering: 0"
    expect_line "frames coalesced"
    expect_line "differing when idle: 0"
    expect_line "sleeping"
    gray=$(color_count "#808080")
    [ "$gray" = 1681 ] || fail "the last frame is not on the screen while the program sleeps ($gray gray pixels)"
    expect_line "differing after the sleep: 0"
    in_graphics ctrl+q
    expect_line "event 4 0 0 0"
    expect_exit 0
    ! grep -q "Bad[A-Z]" "$log" || fail "X errors: $(grep "Bad[A-Z]" "$log" | head -3)"
    ;;
hints_at_map)
    # A window manager reads the hints when the window asks to be mapped, and some never read
    # them again: they must be the window's own by then, not FLTK's.
    [ -n "$watcher" ] || skip "map_watch is not built"
    watch_log="$out/$label.watch"
    "$watcher" >"$watch_log" 2>&1 &
    wm_pid=$!
    wait_until 5000 grep -qx watching "$watch_log" || fail "map_watch did not start: $(cat "$watch_log")"
    start_probe dialog
    wait_until 5000 grep -q "^VELTA_gets:" "$watch_log" || fail "the dialog was never mapped"
    # The dialog has a caption and a system menu, like the graphics window.
    for expected in "VELTA Graphics: $graphics_hints" "VELTA Text: $text_hints" \
        "VELTA_gets: $graphics_hints"; do
        grep -qFx "$expected" "$watch_log" ||
            fail "expected \"$expected\" when mapping; map_watch saw: $(cat "$watch_log")"
    done
    ;;
installed_hello)
    # A program built against the installed package (its path comes in place of traffic's): a
    # white picture with a filled blue rectangle from (-100, 80) to (100, -80), both corners
    # included, and a filled yellow triangle with its tip at (0, 60).
    [ -n "$traffic" ] || skip "no program given"
    start_app "$traffic"
    wait_until 10000 window_exists "VELTA Graphics" || fail "no graphics window"
    locate_canvas
    ox=$((canvas_w / 2)) oy=$((canvas_h / 2))
    pixel() { import -window root -crop "1x1+$((canvas_x + ox + $1))+$((canvas_y + oy - $2))" +repage -depth 8 \
        txt:- 2>/dev/null | grep -o '#[0-9A-F]\{6\}'; }
    drawn() { [ "$(pixel 0 60)" = "#FFFF00" ]; }
    wait_until 10000 drawn || fail "the triangle's tip is $(pixel 0 60), not yellow"
    for point in "-100 80" "100 80" "-100 -80" "100 -80" "0 -70"; do
        # shellcheck disable=SC2086
        [ "$(pixel $point)" = "#0000FF" ] || fail "($point) is $(pixel $point), not blue"
    done
    for point in "-101 80" "-100 81" "101 -80" "100 -81"; do
        # shellcheck disable=SC2086
        [ "$(pixel $point)" = "#FFFFFF" ] || fail "($point) is $(pixel $point), not white"
    done
    in_graphics ctrl+q
    expect_exit 0
    ;;
*)
    fail "unknown test"
    ;;
esac
echo "PASS ($test_name)"
