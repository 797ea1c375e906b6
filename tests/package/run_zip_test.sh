#!/usr/bin/env bash
# The Windows package as a student gets it: makes velta-<version>-win64.zip from a finished Windows
# build with CPack, unpacks it alone into a fresh folder, checks what it holds, builds the first
# program (first_program/) against the unpacked folder only, with the cross compiler (once with
# find_package and the package's toolchain file, once with pkg-config), and runs each build under
# Wine on a private Xvfb: its pixels, a click, a key, Ctrl+Q and status 0.
# Usage: run_zip_test.sh <Windows build dir> <version> <wine state dir> <win_info.exe>
#                        <close_window> <objdump> <out dir>
# Exit 0 pass, 1 fail, 77 skip.
set -u
build=$1 version=$2 state=$3 win_info=$4 closer=$5 objdump=$6 out_dir=$7
here=$(cd "$(dirname "$0")" && pwd)
label=windows_package
E2E_HELPERS_ONLY=1 source "$here/../e2e/run_e2e.sh" "$label" "" "" "$closer" "$out_dir"
source "$here/drive_first_program.sh"
step() { echo "== $*"; }

work=$(mktemp -d)
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
# Commands that must succeed; their output is shown only when they fail.
quietly() { "$@" >"$work/command.log" 2>&1 || fail "$* failed: $(tail -20 "$work/command.log")"; }

step "make the package"
quietly cpack --config "$build/CPackConfig.cmake" -B "$work/cpack"
zip=$work/cpack/velta-$version-win64.zip
[ -f "$zip" ] || fail "no $(basename "$zip"): $(ls "$work/cpack")"

step "unpack it into a fresh folder"
mkdir "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$zip") || fail "the package does not unpack"
[ "$(ls "$work/unpacked")" = "velta-$version-win64" ] ||
    fail "the package holds $(ls "$work/unpacked"), not one folder velta-$version-win64"
pkg=$work/unpacked/velta-$version-win64
for f in bin/traffic.exe bin/draw_with_mouse.exe bin/bouncing_ball.exe bin/colours.exe bin/paddle.exe \
    include/velta/velta.h include/velta/velta_test.h lib/libvelta.a lib/libvelta_headless.a \
    lib/cmake/velta/velta-config.cmake lib/cmake/velta/velta-config-version.cmake \
    lib/cmake/velta/velta-targets.cmake lib/cmake/velta/toolchain-mingw-w64.cmake \
    lib/pkgconfig/velta.pc lib/pkgconfig/velta-headless.pc LICENSE doc/library.md \
    doc/colours.png doc/coordinates.png doc/examples/CMakeLists.txt doc/examples/colours.cpp; do
    [ -f "$pkg/$f" ] || fail "not in the package: $f"
done
[ "$(find "$pkg/include" -type f | wc -l)" -eq 2 ] ||
    fail "headers besides velta.h and velta_test.h in the package"
# Every program is one GUI .exe that needs only Windows' own DLLs.
for exe in "$pkg"/bin/*.exe; do
    quietly "$here/../wine/check_imports.sh" "$objdump" "$exe"
done
# Nothing in the package's files points back at the machine that built it.
if grep -rlF -e "$build" -e "$(cd "$here/../.." && pwd)" "$pkg/lib/cmake" "$pkg/lib/pkgconfig"; then
    fail "files of the package name the build's folders"
fi

# imports_only_windows <program.exe>: a student's program runs without MinGW's DLLs.
imports_only_windows() {
    local dll
    for dll in $("$objdump" -p "$1" | awk '/DLL Name:/ {print $3}'); do
        case "${dll,,}" in
        kernel32.dll | user32.dll | gdi32.dll | msvcrt.dll) ;;
        *) fail "$(basename "$1") imports $dll" ;;
        esac
    done
}

step "build the first program with find_package and the package's toolchain file"
cp -r "$here/first_program" "$work/hello"
quietly cmake -S "$work/hello" -B "$work/hello/build" \
    -DCMAKE_TOOLCHAIN_FILE="$pkg/lib/cmake/velta/toolchain-mingw-w64.cmake"
found=$(sed -n 's/^velta_DIR:PATH=//p' "$work/hello/build/CMakeCache.txt")
[ "$found" = "$pkg/lib/cmake/velta" ] || fail "find_package found velta in $found"
quietly cmake --build "$work/hello/build"
imports_only_windows "$work/hello/build/hello.exe"
# The repository's toolchain file finds the package given with CMAKE_PREFIX_PATH.
quietly cmake -S "$work/hello" -B "$work/hello/build-prefix" \
    -DCMAKE_TOOLCHAIN_FILE="$here/../../cmake/toolchain-mingw-w64.cmake" -DCMAKE_PREFIX_PATH="$pkg"
found=$(sed -n 's/^velta_DIR:PATH=//p' "$work/hello/build-prefix/CMakeCache.txt")
[ "$found" = "$pkg/lib/cmake/velta" ] || fail "with CMAKE_PREFIX_PATH, velta found in $found"
# Without the toolchain file the machine's own compiler is told what to do.
if cmake -S "$work/hello" -B "$work/hello/build-native" -DCMAKE_PREFIX_PATH="$pkg" \
    >"$work/native.log" 2>&1; then
    fail "a Linux build accepted the Windows package"
fi
grep -q "this VELTA package is for Windows" "$work/native.log" ||
    fail "a Linux build against the package said: $(grep -A8 'CMake Error' "$work/native.log")"

step "build the examples' sources from the package"
quietly cmake -S "$pkg/doc/examples" -B "$work/examples" \
    -DCMAKE_TOOLCHAIN_FILE="$pkg/lib/cmake/velta/toolchain-mingw-w64.cmake"
quietly cmake --build "$work/examples" -j2
for e in draw_with_mouse bouncing_ball colours paddle; do
    quietly "$here/../wine/check_imports.sh" "$objdump" "$work/examples/$e.exe"
done

step "build the first program with pkg-config"
mkdir "$work/hello-pc"
# PKG_CONFIG_LIBDIR in place of the machine's own folders: only the package's files are seen.
cflags_libs=$(PKG_CONFIG_LIBDIR="$pkg/lib/pkgconfig" pkg-config --cflags --libs velta) ||
    fail "pkg-config does not know velta"
# shellcheck disable=SC2086
quietly x86_64-w64-mingw32-g++-posix "$work/hello/main.cpp" $cflags_libs -o "$work/hello-pc/hello.exe"
imports_only_windows "$work/hello-pc/hello.exe"

step "run both under Wine on a virtual X server"
[ -s "$state/prefix" ] || fail "no Wine prefix: the wine_prefix fixture did not run"
export WINEPREFIX
WINEPREFIX=$(cat "$state/prefix")
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
start_xvfb || skip "Xvfb did not start"

win_info() { wine "$win_info" "$@" 2>/dev/null | tr -d '\r'; }
# The client area is where Windows says it is.
locate_canvas() {
    wait_until 10000 settled "VELTA Graphics" || fail "the graphics window never settled"
    read -r canvas_x canvas_y canvas_w canvas_h <<<"$(win_info client "VELTA Graphics")"
    [ -n "${canvas_h:-}" ] || fail "Windows reports no client area for the graphics window"
}
foreground_is() { [ "$(win_info foreground)" = "$1" ]; }
in_graphics() {
    if ! foreground_is "VELTA Graphics"; then
        win_info focus "VELTA Graphics" >/dev/null
        wait_until 5000 foreground_is "VELTA Graphics" ||
            fail "the graphics window never became the foreground window"
    fi
    xdotool key "$@"
}

for build_kind in build:hello/build pkg-config:hello-pc; do
    kind=${build_kind%%:*} dir=$work/${build_kind#*:}
    echo "   the $kind build"
    log=$out/$label.$kind.log
    (cd "$dir" && exec wine ./hello.exe) >"$log" 2>&1 &
    app_pid=$!
    wait_until 20000 window_exists "VELTA Graphics" || fail "no graphics window ($kind build)"
    check_first_program "$out/$label.$kind.png"
done
wineserver -k 2>/dev/null
echo "PASS ($label)"
