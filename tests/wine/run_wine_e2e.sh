#!/usr/bin/env bash
# End-to-end tests of the Windows build under Wine, on a private Xvfb, driven with xdotool: the
# tests that the FLTK program passes (tests/e2e/run_e2e.sh, whose helpers this script uses), for
# traffic.exe and the probe program on the Win32 backend. Where a window is and which one has the
# keys is asked from Windows itself (win_info.exe). A test whose name ends in _wm runs with a
# window manager (openbox). Usage:
#   run_wine_e2e.sh <test> <wine state dir> <traffic.exe> <velta_probe.exe> <win_info.exe>
#                   <win32_backend_tests.exe> <close_window> <out dir> [<the Linux traffic program>]
# Every wait is on a condition with a deadline; exit 0 pass, 1 fail, 77 skip.
set -u
wine_label=$1 state=$2 traffic_exe=$3 probe_exe=$4 win_info=$5 backend_exe=$6 wine_closer=$7
wine_out=$8 linux_traffic=${9:-}
# The FLTK tests' helpers: the X server, the window manager, waits, pictures of the client area.
E2E_HELPERS_ONLY=1 source "$(dirname "$0")/../e2e/run_e2e.sh" "$wine_label" "" "" "$wine_closer" \
    "$wine_out"

[ -s "$state/prefix" ] || fail "no Wine prefix: the wine_prefix fixture did not run"
export WINEPREFIX
WINEPREFIX=$(cat "$state/prefix")
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# Each test's programs run in a fresh directory of their own (VELTA.SCR lands there).
work="$out/$label.dir"
rm -rf "$work"
mkdir -p "$work"

# The Wine server of the prefix ends with the test, before the X server does.
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    wineserver -k 2>/dev/null
    # The program is gone with its server; should it not be, the wait below must not wait for it.
    [ -n "$app_pid" ] && kill -KILL "$app_pid" 2>/dev/null
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
}

start_app() {
    (cd "$work" && exec wine "$@") >"$log" 2>&1 &
    app_pid=$!
}

# resize <title> <width> <height>: as a user's drag of the window's border would.
resize() {
    local id
    id=$(window_id "$1")
    [ -n "$id" ] || fail "no window \"$1\" to resize"
    xdotool windowsize "$id" "$2" "$3"
}

# win_info <command> [<title>]: what Windows says (see win_info.cpp).
win_info() { wine "$win_info" "$@" 2>/dev/null | tr -d '\r'; }

# The client area is where Windows says it is; the menu bar lies between the top of the program's
# X window and the client area.
fltk_locate_canvas() {
    wait_until 10000 settled "VELTA Graphics" || fail "the graphics window never settled"
    local x y w h
    read -r x y w h <<<"$(geometry "VELTA Graphics")"
    canvas_x=$x canvas_y=$((y + 25)) canvas_w=$w canvas_h=$((h - 25))
}
menu_bar_y=0
locate_canvas() {
    wait_until 10000 settled "VELTA Graphics" || fail "the graphics window never settled"
    local client
    client=$(win_info client "VELTA Graphics")
    read -r canvas_x canvas_y canvas_w canvas_h <<<"$client"
    [ -n "${canvas_h:-}" ] || fail "Windows reports no client area for the graphics window"
    local x y w h
    read -r x y w h <<<"$(geometry "VELTA Graphics")"
    menu_bar_y=$(((y + canvas_y) / 2))
}

# focus <title>: makes the window the foreground window, as clicking its title bar would, and
# waits until Windows says it is.
foreground_is() { [ "$(win_info foreground)" = "$1" ]; }
focus() {
    foreground_is "$1" && return
    win_info focus "$1" >/dev/null
    wait_until 5000 foreground_is "$1" || fail "$1 never became the foreground window"
}
in_graphics() { focus "VELTA Graphics" && xdotool key "$@"; }
in_text() { focus "VELTA Text" && xdotool key "$@"; }

# The picture's origin on the screen: the client area's centre.
origin_x() { echo $((canvas_x + canvas_w / 2)); }
origin_y() { echo $((canvas_y + canvas_h / 2)); }

# first_frame <file>: the street grid around the origin (x -230 to 130, y -230 to 230 from it,
# which holds the whole grid) as soon as it is shown, before any vehicle has come (the first
# ones come at tick 25, 2.5 s after the animation starts). Fails when a vehicle was caught.
first_frame() {
    local file=$1 crop
    crop="361x461+$(($(origin_x) - 230))+$(($(origin_y) - 230))"
    local deadline=$(($(now_ms) + 10000))
    while :; do
        import -window root -crop "$crop" +repage "$file" 2>/dev/null
        local colors
        colors=$(convert "$file" -format %c histogram:info:- 2>/dev/null)
        if grep -q "#000000" <<<"$colors" && grep -q "#FF0000" <<<"$colors" &&
            grep -q "#00FF00" <<<"$colors"; then
            ! grep -q "#FFFF00" <<<"$colors"
            return
        fi
        [ "$(now_ms)" -ge "$deadline" ] && fail "the street grid is not shown"
        sleep 0.05
    done
}

start_traffic_running() {
    start_app "$traffic_exe"
    wait_until 20000 window_exists "VELTA Graphics" || fail "no graphics window"
    locate_canvas
    wait_until 10000 grid_shown || fail "the street grid is not shown"
}

start_probe() {
    start_app "$probe_exe" "$@"
    wait_until 20000 window_exists "VELTA Graphics" || fail "no graphics window"
    locate_canvas
    expect_line "ready"
}

# The probe is a console program: its lines end in CR LF.
probe_said() { tr -d '\r' <"$log" | grep -qFx -- "$1"; }

cpu_report() {
    echo "traffic.exe under Wine, $1 over 5 s: $(cpu_percent 5) % of one core" |
        tee -a "$out/cpu.txt"
}

if [ "$test_name" = no_display ]; then
    for display in "" ":9999"; do
        (cd "$work" && DISPLAY=$display exec wine "$traffic_exe") >"$log" 2>&1
        rc=$?
        [ "$rc" -ne 0 ] && [ "$rc" -lt 128 ] || fail "status $rc with DISPLAY=\"$display\""
        [ "$(wc -l <"$log")" -eq 1 ] && grep -q "display" "$log" ||
            fail "expected one line about the display with DISPLAY=\"$display\""
    done
    wineserver -k 2>/dev/null
    echo "PASS ($test_name)"
    exit 0
fi

# hidpi runs on a screen of 192 dpi, as Windows is told it (LogPixels), in a prefix of its own.
[ "$test_name" = hidpi ] && export E2E_SCALE=2
start_xvfb || skip "Xvfb did not start"
if [ "$with_wm" = 1 ]; then
    command -v openbox >/dev/null || skip "openbox is not installed"
    start_wm || fail "the window manager did not start: $(tail -5 "$out/$label.wm/log")"
fi

case "$test_name" in
contract)
    # The backend contract tests (tests/platform/contract_test.cpp) and the native ones
    # (native_test.cpp) on real windows.
    (cd "$work" && exec wine "$backend_exe" --gtest_brief=1) >"$log" 2>&1
    rc=$?
    tr -d '\r' <"$log" | grep -E '^\[  (PASSED|FAILED) |Failure' | sed 's/^/  /'
    [ "$rc" -eq 0 ] || fail "the backend tests failed (status $rc)"
    ;;
windows_and_picture)
    start_traffic_running
    wait_until 5000 window_exists "VELTA Text" || fail "no text window"
    wait_until 10000 settled "VELTA Text" || fail "the text window never settled"
    # The window rectangles as Windows has them: a 1024 x 768 screen puts the text window at
    # (0, 513) with size 1024 x 256. A window manager frames Wine's windows itself, and keeps
    # them on the screen: it may move them by its frame's difference from Windows' own.
    near() {
        local ax ay aw ah bx by bw bh
        read -r ax ay aw ah <<<"$1"
        read -r bx by bw bh <<<"$2"
        [ "$aw $ah" = "$bw $bh" ] && [ $((ax - bx)) -le 8 ] && [ $((bx - ax)) -le 8 ] &&
            [ $((ay - by)) -le 8 ] && [ $((by - ay)) -le 8 ]
    }
    check_places() {
        local graphics text
        graphics=$(win_info window "VELTA Graphics")
        text=$(win_info window "VELTA Text")
        if [ "$with_wm" = 1 ]; then
            near "$graphics" "0 0 601 540" && near "$text" "0 513 1024 256" ||
                fail "graphics window at $graphics, text window at $text $1"
            return
        fi
        [ "$graphics" = "0 0 601 540" ] ||
            fail "graphics window at $graphics $1, expected 0 0 601 540"
        [ "$text" = "0 513 1024 256" ] || fail "text window at $text $1, expected 0 513 1024 256"
    }
    check_places "at start"
    # The records' classes and styles: a caption and a system menu (0x00C80000) for the graphics
    # window, an overlapped window (0x00CF0000) for the text window.
    [ "$(win_info class "VELTA Graphics")" = "DrawWndClass 00C80000" ] ||
        fail "graphics window of class and style $(win_info class "VELTA Graphics")"
    [ "$(win_info class "VELTA Text")" = "TextWndClass 00CF0000" ] ||
        fail "text window of class and style $(win_info class "VELTA Text")"
    # The program's X windows hold the client areas (and the graphics window's menu bar).
    read -r x y w h <<<"$(geometry "VELTA Graphics")"
    [ "$x $w $((y + h))" = "$canvas_x $canvas_w $((canvas_y + canvas_h))" ] && [ "$y" -lt "$canvas_y" ] ||
        fail "graphics X window at $x $y $w $h, client area at $canvas_x $canvas_y $canvas_w $canvas_h"
    # The graphics window cannot be resized: its smallest and largest sizes are its size.
    window_property "VELTA Graphics" WM_NORMAL_HINTS | awk '
        /minimum size/ {min=$(NF-2) "x" $NF} /maximum size/ {max=$(NF-2) "x" $NF}
        END {exit !(min != "" && min == max)}' || fail "the graphics window can be resized"
    if [ "$with_wm" = 1 ]; then
        actions=$(allowed_actions "VELTA Graphics")
        for action in MAXIMIZE_HORZ MAXIMIZE_VERT RESIZE; do
            grep -q "_NET_WM_ACTION_$action" <<<"$actions" &&
                fail "the window manager offers $action for the graphics window: $actions"
        done
        actions=$(allowed_actions "VELTA Text")
        for action in MAXIMIZE_HORZ MAXIMIZE_VERT RESIZE CLOSE; do
            grep -q "_NET_WM_ACTION_$action" <<<"$actions" ||
                fail "the window manager does not offer $action for the text window: $actions"
        done
    fi
    # The picture's origin is the client area's centre, whatever size Windows gives the client
    # area: the street grid reaches 220 pixels left of it, above it and below it, and 120 to its
    # right, as in the Linux program.
    [ "$(black_box)" = "-220 -220 120 220" ] ||
        fail "street grid at $(black_box) from the client area's centre"
    expect_running "at start"
    if [ "$with_wm" = 1 ]; then
        import -window root "$out/$label.png"
    else
        import -window root "$out/$label.png"
        : >"$out/cpu.txt"
        cpu_report "running"
    fi
    in_graphics ctrl+h
    expect_halted "Ctrl+H"
    [ "$with_wm" = 0 ] && cpu_report "halted"
    check_places "after a while"
    in_graphics ctrl+q
    expect_exit 0
    ;;
grid_pixels)
    # The first frame of traffic.exe, around the origin, equals the Linux program's exactly.
    [ -n "$linux_traffic" ] && [ -x "$linux_traffic" ] || skip "the Linux program is not built"
    compare_first_frames() {
        start_app "$linux_traffic"
        wait_until 10000 window_exists "VELTA Graphics" || fail "no graphics window (Linux)"
        fltk_locate_canvas
        first_frame "$out/$label.linux.png" || return 1
        xdotool mousemove 300 300 key ctrl+q
        expect_exit 0
        start_app "$traffic_exe"
        wait_until 20000 window_exists "VELTA Graphics" || fail "no graphics window"
        locate_canvas
        first_frame "$out/$label.windows.png" || return 1
        in_graphics ctrl+q
        expect_exit 0
    }
    # A vehicle caught in either picture (a slow start) spoils the comparison: try again.
    for attempt in 1 2 3; do
        compare_first_frames && break
        [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null
        app_pid=""
        [ "$attempt" = 3 ] && fail "a vehicle was in the first frame three times"
    done
    linux_sum=$(convert "$out/$label.linux.png" rgb:- | md5sum)
    windows_sum=$(convert "$out/$label.windows.png" rgb:- | md5sum)
    [ "$linux_sum" = "$windows_sum" ] ||
        fail "the grids differ: compare $out/$label.linux.png with $out/$label.windows.png"
    ;;
game_input)
    work_dir=$work
    case_game_input
    ;;
hidpi)
    WINEPREFIX=$work/prefix
    wine wineboot -i >/dev/null 2>&1 || fail "the Wine prefix could not be made"
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 192 /f >/dev/null 2>&1 ||
        fail "LogPixels could not be set"
    wineserver -w
    case_hidpi "$work"
    ;;
playback_rate)
    # Unpaced playback of one counted line in traffic.exe, and in the Linux program in the same
    # run; the rates are printed, not judged.
    ticks=${E2E_PLAYBACK_TICKS:-40000}
    measure_playback "$ticks" "$work"
    line="traffic.exe under Wine: playback of VELTA_PERIODIC($ticks); at $rate ticks/s ($played_ms ms)"
    in_graphics ctrl+q
    expect_exit 0
    if [ -n "$linux_traffic" ] && [ -x "$linux_traffic" ]; then
        linux_start() {
            (cd "$work" && exec "$linux_traffic") >"$log.linux" 2>&1 &
            app_pid=$!
            wait_until 10000 window_exists "VELTA Graphics" || fail "no graphics window (Linux)"
            fltk_locate_canvas
        }
        linux_keys() { xdotool mousemove $((canvas_x + 300)) $((canvas_y + 300)) key "$@"; }
        measure_playback "$ticks" "$work" linux_start linux_keys
        line="$line; the Linux program in the same run: $rate ticks/s ($played_ms ms)"
        linux_keys ctrl+q
        expect_exit 0
    fi
    echo "$line" | tee "$out/playback.txt"
    ;;
animation_keys)
    case_animation_keys
    in_graphics ctrl+q
    expect_exit 0
    ;;
menu_quit)
    start_traffic_running
    # The open menu covers a corner of the street grid's left intersection (117 left of and 116
    # above the origin), which is black otherwise.
    menu_open() {
        [ "$(import -window root -crop 1x1+$(($(origin_x) - 117))+$(($(origin_y) - 116)) +repage \
            txt:- 2>/dev/null | grep -o '#[0-9A-F]\{6\}')" != "#000000" ]
    }
    menu_open && fail "the grid's corner is not black"
    open_menu() {
        if [ "$with_wm" = 1 ]; then
            # Alt and the & mnemonic open the menu.
            in_graphics alt+r
        else
            xdotool mousemove $((canvas_x + 12)) "$menu_bar_y" click 1
        fi
        wait_until 5000 menu_open || fail "the Run menu did not open"
    }
    # Windows runs its own loop while a menu is open; once it is closed (Escape closes the menu,
    # and a second one leaves the menu bar) the animation goes on.
    open_menu
    sleep 1
    xdotool key Escape
    sleep 0.2
    xdotool key Escape
    wait_until 5000 eval '! menu_open' || fail "the Run menu did not close"
    expect_running "after the menu was closed"
    # The & mnemonic of Quit chooses it.
    open_menu
    xdotool key q
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
    # 50, 50 dialog units from the owner's client area to the dialog's own; 185 x 92 units. A
    # dialog without a font of its own has the system font's base units (Wine's is 7 x 16, where
    # Windows has 8 x 16); Windows rounds units to pixels to the nearest.
    read -r bx by <<<"$(win_info base-units)"
    px() { echo $((($1 * $2 * 2 + $3) / ($3 * 2))); }
    expected="$((canvas_x + $(px 50 "$bx" 4))) $((canvas_y + $(px 50 "$by" 8)))"
    expected="$expected $(px 185 "$bx" 4) $(px 92 "$by" 8)"
    [ "$(win_info client VELTA_gets)" = "$expected" ] ||
        fail "dialog's client area at $(win_info client VELTA_gets), expected $expected"
    focus VELTA_gets
    # Escape and the close box leave the dialog open.
    xdotool key Escape
    close_window "VELTA_gets"
    sleep 0.5
    window_exists "VELTA_gets" || fail "Escape or the close box closed the dialog"
    xdotool type "hello there"
    xdotool key Return
    expect_line "reply 1 [hello there]"
    wait_until 5000 eval '! window_exists "VELTA_gets"' || fail "the dialog stayed open"
    # The graphics window has the keys again. A window manager chooses for itself which window
    # gets the focus when one closes (openbox gives it to the text window): there the test gives
    # it back.
    if [ "$with_wm" = 0 ]; then
        wait_until 5000 foreground_is "VELTA Graphics" ||
            fail "the graphics window is not active: $(win_info foreground)"
        xdotool key z
    else
        in_graphics z
    fi
    expect_line "event 2 0 0 122"
    in_graphics ctrl+q
    expect_exit 0
    ;;
second_display)
    start_probe second-display
    wait_until 5000 window_exists "VELTA_gets" || fail "no error dialog"
    wait_until 5000 settled "VELTA_gets" || fail "the dialog never settled"
    focus VELTA_gets
    xdotool key Return
    # exit(-1): all 32 bits set, of which Wine passes on the low 8.
    expect_exit 255
    ;;
present)
    # The surface on the screen: rows uncovered when the text window closes are repainted, the
    # last of frames drawn without a pause is there once the program goes idle, and while it
    # sleeps. (Windows paints every frame that it is given the chance to: there is no pacing to
    # check.)
    start_probe present
    expect_line "presenting with XPutImage"
    expect_line "differing after uncovering: 0"
    expect_line "differing when idle: 0"
    expect_line "sleeping"
    gray=$(color_count "#808080")
    [ "$gray" = 1681 ] || fail "the last frame is not on the screen while the program sleeps ($gray gray pixels)"
    expect_line "differing after the sleep: 0"
    in_graphics ctrl+q
    expect_line "event 4 0 0 0"
    expect_exit 0
    ;;
text_resize)
    # The text window can be resized, and the core hears of its new client area.
    start_probe
    resize "VELTA Text" 800 200
    wait_until 5000 eval '[ "$(win_info client "VELTA Text" | cut -d" " -f3-)" = "800 200" ]' ||
        fail "the text window's client area is $(win_info client "VELTA Text"), expected 800 x 200"
    expect_line "textsize 800 200"
    # The graphics window keeps its size.
    resize "VELTA Graphics" 400 300
    sleep 0.5
    [ "$(win_info client "VELTA Graphics" | cut -d" " -f3-)" = "$canvas_w $canvas_h" ] ||
        fail "the graphics window's client area became $(win_info client "VELTA Graphics")"
    in_graphics ctrl+q
    expect_exit 0
    ;;
script)
    start_probe
    # Record a click and a key; the file has Windows' line ends.
    in_graphics ctrl+r
    cx=$((canvas_w / 2 + 10)) cy=$((canvas_h / 2 + 10))
    xdotool mousemove $((canvas_x + cx)) $((canvas_y + cy)) click 1
    expect_line "event 1 10 -10 0"
    in_graphics x
    expect_line "event 2 0 0 120"
    in_graphics ctrl+r
    wait_until 5000 test -s "$work/VELTA.SCR" || fail "no script was written"
    recorded=$(od -An -c "$work/VELTA.SCR" | tr -s ' \n' ' ')
    expected=$(printf 'VELTA_MOUSE(10, -10);\r\nVELTA_KBD(120);\r\n' | od -An -c | tr -s ' \n' ' ')
    [ "$recorded" = "$expected" ] || fail "recorded$recorded, expected$expected"
    # Playing it back gives the same events again, up to the end of the file.
    mark=$(wc -l <"$log")
    in_graphics ctrl+p
    wait_until 5000 eval 'lines_since "$mark" | grep -qFx "event 2 0 0 120"' ||
        fail "the playback gave no key event"
    played=$(lines_since "$mark" | grep '^event' | head -2 | tr '\n' ';')
    [ "$played" = "event 1 10 -10 0;event 2 0 0 120;" ] || fail "played back $played"
    in_graphics ctrl+q
    expect_line "console EOF encountered in script file VELTA.SCR"
    expect_exit 0
    ;;
script_cannot_open)
    # A directory in the script's place: neither recording nor playback can open it, the
    # console says so, and the program goes on; the directory and what it holds stay.
    mkdir "$work/VELTA.SCR"
    echo kept >"$work/VELTA.SCR/inside"
    start_probe
    in_graphics ctrl+r
    in_graphics x
    expect_line "console Cannot open script file VELTA.SCR for writing"
    expect_line "event 2 0 0 120"
    in_graphics ctrl+r ctrl+p
    in_graphics y
    expect_line "console Cannot open script file VELTA.SCR for reading"
    expect_line "event 2 0 0 121"
    in_graphics ctrl+q
    expect_exit 0
    [ "$(cat "$work/VELTA.SCR/inside")" = kept ] || fail "the directory's file was touched"
    ;;
*)
    fail "unknown test"
    ;;
esac
echo "PASS ($test_name)"
