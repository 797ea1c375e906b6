#!/usr/bin/env bash
# The Debian packages as a student on Debian gets them: makes them with scripts/package, checks
# their control fields and contents, checks that their Depends name every package whose files a
# program's build and the program use, installs both into a throwaway root (dpkg --root), builds
# the first program (first_program/) and the examples' sources against the installed files with
# find_package, and runs the first program and the installed velta-traffic on a private Xvfb.
# Usage: run_deb_test.sh <source dir> <version> <package build dir> <close_window> <out dir>
# Exit 0 pass, 1 fail, 77 skip.
set -u
source_dir=$1 version=$2 package_build=$3 closer=$4 out_dir=$5
here=$(cd "$(dirname "$0")" && pwd)
label=debian_packages
E2E_HELPERS_ONLY=1 source "$here/../e2e/run_e2e.sh" "$label" "" "" "$closer" "$out_dir"
source "$here/drive_first_program.sh"
step() { echo "== $*"; }
for tool in dpkg dpkg-deb dpkg-query cpack; do
    command -v "$tool" >/dev/null || skip "$tool is not installed"
done

work=$(mktemp -d)
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
quietly() { "$@" >"$work/command.log" 2>&1 || fail "$* failed: $(tail -20 "$work/command.log")"; }

step "make the packages"
quietly "$source_dir/scripts/package" "$package_build"
arch=$(dpkg --print-architecture)
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)
dev=$package_build/libvelta-dev_$version-1_$arch.deb
traffic=$package_build/velta-traffic_$version-1_$arch.deb
[ -f "$dev" ] && [ -f "$traffic" ] || fail "packages made: $(cd "$package_build" && ls ./*.deb)"

step "control fields"
field() { dpkg-deb -f "$1" "$2"; }
for deb in "$dev" "$traffic"; do
    name=$(basename "$deb" | cut -d_ -f1)
    [ "$(field "$deb" Package)" = "$name" ] || fail "$name is called $(field "$deb" Package)"
    [ "$(field "$deb" Version)" = "$version-1" ] || fail "$name has version $(field "$deb" Version)"
    [ "$(field "$deb" Architecture)" = "$arch" ] || fail "$name is for $(field "$deb" Architecture)"
    [ -n "$(field "$deb" Maintainer)" ] || fail "$name has no maintainer"
    # A summary line of its own, and a longer description below it.
    description=$(field "$deb" Description)
    summary=$(head -1 <<<"$description")
    [ -n "$summary" ] && [ "${#summary}" -le 80 ] || fail "$name's summary: $summary"
    [ "$(wc -l <<<"$description")" -ge 3 ] || fail "$name has no long description"
done
[ "$(head -1 <<<"$(field "$dev" Description)")" != "$(head -1 <<<"$(field "$traffic" Description)")" ] ||
    fail "both packages have the same summary"
[ "$(field "$dev" Section)" = libdevel ] || fail "libvelta-dev is in section $(field "$dev" Section)"

step "contents"
lib=usr/lib/$multiarch
expect_files() {
    local deb=$1 listing f
    shift
    listing=$(dpkg-deb -c "$deb") || fail "$deb cannot be read"
    # Everything belongs to root and lies under /usr.
    awk '$2 != "root/root" {print; bad = 1} END {exit bad}' <<<"$listing" ||
        fail "$(basename "$deb") holds files not owned by root"
    awk '$6 !~ /^\.\/usr\// && $6 != "./" {print; bad = 1} END {exit bad}' <<<"$listing" ||
        fail "$(basename "$deb") installs outside /usr"
    for f in "$@"; do
        awk -v f="./$f" '$6 == f {found = 1} END {exit !found}' <<<"$listing" ||
            fail "$(basename "$deb") lacks /$f"
    done
}
expect_files "$dev" usr/include/velta/velta.h usr/include/velta/velta_test.h \
    "$lib/libvelta.a" "$lib/libvelta_headless.a" \
    "$lib/cmake/velta/velta-config.cmake" "$lib/cmake/velta/velta-config-version.cmake" \
    "$lib/cmake/velta/velta-targets.cmake" "$lib/cmake/velta/VeltaDependencies.cmake" \
    "$lib/pkgconfig/velta.pc" "$lib/pkgconfig/velta-headless.pc" \
    usr/share/doc/libvelta-dev/copyright usr/share/doc/libvelta-dev/library.md \
    usr/share/doc/libvelta-dev/colours.png usr/share/doc/libvelta-dev/examples/CMakeLists.txt \
    usr/share/doc/libvelta-dev/examples/draw_with_mouse.cpp \
    usr/share/doc/libvelta-dev/examples/bouncing_ball.cpp \
    usr/share/doc/libvelta-dev/examples/colours.cpp
expect_files "$traffic" usr/bin/velta-traffic usr/share/applications/velta-traffic.desktop \
    usr/share/icons/hicolor/48x48/apps/velta-traffic.png usr/share/doc/velta-traffic/copyright
dpkg-deb -c "$dev" | grep -q "usr/bin/" && fail "libvelta-dev installs programs"

step "install both into a throwaway root"
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
: >"$root/var/lib/dpkg/status"
# The root has no other packages: their dependencies are checked against this machine below.
quietly dpkg --root="$root" --force-depends --force-not-root --log=/dev/null -i "$dev" "$traffic"
for name in libvelta-dev velta-traffic; do
    [ "$(dpkg-query --root="$root" -W -f='${Status}' "$name")" = "install ok installed" ] ||
        fail "$name is not installed in the root"
done
strip_check=$(readelf -S "$root/usr/bin/velta-traffic" | grep -c '\.symtab\|\.debug_')
[ "$strip_check" -eq 0 ] || fail "velta-traffic is not stripped"

# Depends: each package named, or one that a named package provides.
depends_names() {
    dpkg-deb -f "$1" Depends | tr ',|' '\n\n' | sed 's/(.*//; s/:.*//; s/ //g' | grep -v '^$'
}
# owner <file>: the package that owns a file of this machine, with or without /usr (Debian 12's
# merged /usr).
owner() {
    local path=$1 found
    found=$(dpkg -S "$path" 2>/dev/null) || found=$(dpkg -S "${path#/usr}" 2>/dev/null) ||
        found=$(dpkg -S "/usr$path" 2>/dev/null) || return 1
    head -1 <<<"$found" | cut -d: -f1
}
# expect_depended <deb> <what> <ignored packages> <file>...: every file's package is in the
# deb's Depends (or provides a name there), unless it is among the ignored ones.
expect_depended() {
    local deb=$1 what=$2 ignored=$3 names file package provides p
    shift 3
    names=$(depends_names "$deb")
    for file in "$@"; do
        package=$(owner "$file") || fail "no package owns $file ($what)"
        grep -qxF "$package" <<<"$ignored" && continue
        grep -qxF "$package" <<<"$names" && continue
        provides=$(dpkg-query -W -f='${Provides}' "$package" | tr ',' '\n' | sed 's/(.*//; s/ //g')
        for p in $provides; do grep -qxF "$p" <<<"$names" && continue 2; done
        fail "$(basename "$deb" | cut -d_ -f1) does not depend on $package, which owns $file ($what)"
    done
}

step "the Depends name what the program and a program's build need"
# The program: the libraries it asks for by name, as this machine resolves them.
needed=$(objdump -p "$root/usr/bin/velta-traffic" | awk '/NEEDED/ {print $2}')
resolved=$(ldd "$root/usr/bin/velta-traffic")
files=()
for soname in $needed; do
    path=$(awk -v s="$soname" '$1 == s {print $3}' <<<"$resolved")
    [ -n "$path" ] && [ "$path" != "not" ] || fail "velta-traffic needs $soname, which is not found"
    files+=("$path")
done
expect_depended "$traffic" "a library velta-traffic needs" "" "${files[@]}"
# A program's build: the development files (archives, .so links, objects) that linking the first
# program with pkg-config's flags reads, beyond those that any C++ program's link reads (the
# compiler's own); the shared libraries that these pull in come with their own packages'
# dependencies. And the tools and pkg-config files that the package's CMake files use.
# linked_files <source> <compile flags> <link flags>
linked_files() {
    # shellcheck disable=SC2086
    c++ -std=c++17 -c "$1" -o "$work/traced.o" $2 2>/dev/null || return 1
    # shellcheck disable=SC2086
    c++ "$work/traced.o" -o "$work/traced" $3 -Wl,--trace 2>/dev/null | grep '^/' |
        grep -E '\.(so|a|o)$' | xargs -r realpath -s -m | sort -u
}
echo 'int main() { return 0; }' >"$work/empty.cpp"
baseline=$(linked_files "$work/empty.cpp" "" "" | while read -r f; do owner "$f"; done | sort -u)
export PKG_CONFIG_PATH="$root/$lib/pkgconfig"
cflags=$(pkg-config --cflags velta) && libs=$(pkg-config --libs velta) ||
    fail "pkg-config does not know the installed velta"
link=$(linked_files "$here/first_program/main.cpp" "$cflags" "$libs")
[ -n "$link" ] || fail "the first program does not link with pkg-config's flags"
files=()
while read -r f; do
    # The package's own files in the root, and the test's object.
    case "$f" in "$work"/*) continue ;; esac
    files+=("$f")
done <<<"$link"
files+=("$(command -v pkg-config)" "$(command -v fltk-config)" "$(pkg-config --path freetype2)"
    "$(pkg-config --path fontconfig)")
expect_depended "$dev" "for building a program" "$baseline" "${files[@]}"
unset PKG_CONFIG_PATH
# Each Depends names a package this machine's Debian knows.
if command -v apt-get >/dev/null && [ -n "$(ls /var/lib/apt/lists 2>/dev/null)" ]; then
    apt-get install --simulate "$dev" "$traffic" >"$work/apt.log" 2>&1 ||
        fail "apt cannot install the packages: $(tail -10 "$work/apt.log")"
fi

step "the desktop entry and its icons"
desktop=$root/usr/share/applications/velta-traffic.desktop
entry() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(head -1 "$desktop")" = "[Desktop Entry]" ] && [ "$(entry Type)" = Application ] ||
    fail "velta-traffic.desktop is not an application's entry"
[ -n "$(entry Name)" ] || fail "the desktop entry has no name"
[ -x "$root/usr/bin/$(entry Exec | cut -d' ' -f1)" ] || fail "the entry starts $(entry Exec)"
grep -qE '(^|;)(Education|Science|Game);' <<<"$(entry Categories)" ||
    fail "the entry's categories $(entry Categories) have no main category"
icon=$(entry Icon)
icons=$(find "$root/usr/share/icons/hicolor" -name "$icon.png")
[ -n "$icons" ] || fail "no icon named $icon"
for png in $icons; do
    size=$(basename "$(dirname "$(dirname "$png")")")
    [ "$(identify -format '%wx%h' "$png")" = "$size" ] || fail "$png is not $size"
    # The light's red and green, a vehicle's yellow, the roads' black.
    colours=$(convert "$png" -format %c histogram:info:-)
    for c in "#000000" "#FF0000" "#00FF00" "#FFFF00"; do
        grep -q "$c" <<<"$colours" || fail "$png has no $c"
    done
done
if command -v desktop-file-validate >/dev/null; then
    quietly desktop-file-validate "$desktop"
fi

step "build the first program and the examples with find_package against the root"
cp -r "$here/first_program" "$work/hello"
quietly cmake -S "$work/hello" -B "$work/hello/build" -DCMAKE_PREFIX_PATH="$root/usr"
found=$(sed -n 's/^velta_DIR:PATH=//p' "$work/hello/build/CMakeCache.txt")
[ "$found" = "$root/$lib/cmake/velta" ] || fail "find_package found velta in $found"
quietly cmake --build "$work/hello/build"
quietly cmake -S "$root/usr/share/doc/libvelta-dev/examples" -B "$work/examples" \
    -DCMAKE_PREFIX_PATH="$root/usr"
quietly cmake --build "$work/examples" -j2

step "run the first program and velta-traffic on a virtual X server"
start_xvfb || skip "Xvfb did not start"
log=$out/$label.hello.log
start_app "$work/hello/build/hello"
wait_until 10000 window_exists "VELTA Graphics" || fail "no graphics window (first program)"
check_first_program "$out/$label.hello.png"
log=$out/$label.traffic.log
start_app "$root/usr/bin/velta-traffic"
wait_until 10000 window_exists "VELTA Graphics" || fail "no graphics window (velta-traffic)"
locate_canvas
wait_until 10000 grid_shown || fail "velta-traffic shows no street grid"
in_graphics ctrl+q
expect_exit 0
echo "PASS ($label)"
