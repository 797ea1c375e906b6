#!/usr/bin/env bash
# End-to-end tests of the web build: run_web_e2e.js drives headless Chromium. The first-frame test
# first takes the Linux program's first frame on a private Xvfb (with the desktop tests' helpers),
# for the page's picture to be compared with. Usage:
#   run_web_e2e.sh <test> <build-web dir> <out dir> [<the Linux traffic program>]
set -u
web_test=$1 web_build=$2 web_out=$3 linux_traffic=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$web_out"
# linux_on_xvfb: when the Linux program and Xvfb are at hand, loads the desktop tests' helpers
# and starts a private X server for it; returns 1 otherwise, and the comparison is left out.
linux_on_xvfb() {
    [ -n "$linux_traffic" ] && [ -x "$linux_traffic" ] && command -v Xvfb >/dev/null || return 1
    # The Linux build's X tools (find_window beside close_window) lie next to its e2e tests.
    closer=$(dirname "$linux_traffic")/../../tests/e2e/close_window
    E2E_HELPERS_ONLY=1 source "$here/../e2e/run_e2e.sh" "web_$web_test" "$linux_traffic" "" "$closer" \
        "$web_out"
    start_xvfb || fail "Xvfb did not start"
}
stop_xvfb() {
    kill "$xvfb_pid" 2>/dev/null
    xvfb_pid=""
}
frame=""
if [ "$web_test" = grid_and_first_frame ] && linux_on_xvfb; then
    work=$(mktemp -d)
    # The Linux program's picture around the origin, before the first vehicle comes.
    for attempt in 1 2 3; do
        (cd "$work" && exec "$linux_traffic") >"$log" 2>&1 &
        app_pid=$!
        wait_until 10000 window_exists "VELTA Graphics" || fail "no graphics window (Linux)"
        locate_canvas
        ox=$((canvas_x + canvas_w / 2)) oy=$((canvas_y + canvas_h / 2))
        wait_until 10000 grid_shown || fail "the street grid is not shown (Linux)"
        import -window root -crop "361x461+$((ox - 230))+$((oy - 230))" +repage "$web_out/linux.png"
        kill "$app_pid" 2>/dev/null
        wait "$app_pid" 2>/dev/null
        app_pid=""
        colors=$(convert "$web_out/linux.png" -format %c histogram:info:-)
        grep -q "#FFFF00" <<<"$colors" || break  # no vehicle in it yet
    done
    rm -rf "$work"
    convert "$web_out/linux.png" rgb:"$web_out/linux.rgb"
    frame=$web_out/linux.rgb
    stop_xvfb
fi
# The page's playback rate is printed beside the Linux program's, measured here in the same run.
if [ "$web_test" = playback_rate ] && linux_on_xvfb; then
    work=$(mktemp -d)
    pushd "$work" >/dev/null || fail "no temporary directory"
    export WEB_PLAYBACK_TICKS=${WEB_PLAYBACK_TICKS:-20000}
    measure_playback "$WEB_PLAYBACK_TICKS" "$work"
    popd >/dev/null || true
    echo "the Linux program's playback of VELTA_PERIODIC($WEB_PLAYBACK_TICKS); under Xvfb in the same run: $rate ticks/s ($played_ms ms)"
    in_graphics ctrl+q
    expect_exit 0
    rm -rf "$work"
    stop_xvfb
fi

# A student's first program, built on the installed web library with find_package under
# emcmake, is a page too; the browser then serves it from its own build folder.
if [ "$web_test" = student_program ]; then
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    cmake --install "$web_build" --prefix "$work/prefix" >/dev/null || { echo "FAIL: the install failed"; exit 1; }
    cp -r "$here/../package/first_program" "$work/hello"
    export NODE_PATH=/usr/share/nodejs
    emcmake cmake -S "$work/hello" -B "$work/hello/build" -Dvelta_DIR="$work/prefix/lib/cmake/velta" \
        >"$web_out/student.log" 2>&1 && cmake --build "$work/hello/build" >>"$web_out/student.log" 2>&1 ||
        { echo "FAIL: the first program did not build:"; tail -20 "$web_out/student.log"; exit 1; }
    node "$here/run_web_e2e.js" "$web_test" "$work/hello/build" "$web_out"
    exit $?
fi
exec node "$here/run_web_e2e.js" "$web_test" "$web_build" "$web_out" "$frame"
