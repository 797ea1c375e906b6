#!/usr/bin/env bash
# Installs the library from a finished build into a fresh prefix, then builds programs against the
# installed package the way a student would: the examples with find_package, a first program with
# a CMakeLists.txt of five lines, and the same program with pkg-config; the first program then runs
# on a virtual X server and must show exactly the pixels it drew.
# Usage: run_install_test.sh <build dir> <source dir> <e2e runner> <probe> <close_window> <out dir>
set -euo pipefail
build=$1 source=$2 runner=$3 probe=$4 closer=$5 out=$6
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
step() { echo "== $*"; }

step "install into $prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in include/velta/velta.h include/velta/velta_test.h lib/libvelta.a lib/libvelta_headless.a \
    lib/cmake/velta/velta-config.cmake lib/cmake/velta/velta-config-version.cmake \
    lib/pkgconfig/velta.pc lib/pkgconfig/velta-headless.pc; do
    [ -f "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
# Only the two public headers are installed, and each needs nothing else.
[ "$(find "$prefix/include" -type f | wc -l)" -eq 2 ] || { echo "extra headers installed"; exit 1; }
for h in velta.h velta_test.h; do
    echo "#include <velta/$h>" | c++ -std=c++17 -Wall -Wextra -Werror -fsyntax-only \
        -I"$prefix/include" -x c++ -
done

step "build the examples against the package"
cmake -S "$source/examples" -B "$work/examples" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/examples" -j2 >/dev/null
for e in draw_with_mouse bouncing_ball colours paddle; do
    [ -x "$work/examples/$e" ] || { echo "example $e not built"; exit 1; }
done

step "build a first program with five CMake lines, and with pkg-config"
mkdir -p "$work/hello"
cat >"$work/hello/main.cpp" <<'CPP'
#include <velta/velta.h>

int main() {
    Display display;
    display.clear(1);
    display.rectangle(-100, 80, 100, -80, 4, 0);
    display.triangle(-60, -40, 60, -40, 0, 60, 5, 0);
    int x = 0, y = 0;
    char key = 0;
    while (display.next_event(&x, &y, &key) != EVENT_QUIT) {
    }
    return 0;
}
CPP
cat >"$work/hello/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.16)
project(hello CXX)
find_package(velta CONFIG REQUIRED)
add_executable(hello main.cpp)
target_link_libraries(hello PRIVATE velta::velta)
CMAKE
cmake -S "$work/hello" -B "$work/hello/build" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/hello/build" >/dev/null
PKG_CONFIG_PATH="$prefix/lib/pkgconfig" sh -c \
    'c++ -std=c++17 "$1/main.cpp" $(pkg-config --cflags --libs velta) -o "$1/hello-pc"' _ "$work/hello"
[ -x "$work/hello/hello-pc" ] || { echo "the pkg-config build failed"; exit 1; }

step "without a display it says so in one line and fails"
set +e
DISPLAY= "$work/hello/build/hello" >"$work/no-display.log" 2>&1
rc=$?
set -e
[ "$rc" -ne 0 ] && [ "$rc" -lt 128 ] && [ "$(wc -l <"$work/no-display.log")" -eq 1 ] ||
    { echo "without a display: status $rc, said: $(cat "$work/no-display.log")"; exit 1; }

step "run it on a virtual X server"
"$runner" installed_hello "$work/hello/build/hello" "$probe" "$closer" "$out"
