#!/usr/bin/env bash
# The Wine prefix of one test run: "setup <state dir>" makes a fresh prefix in a temporary
# directory (wineboot, about 6 to 10 s) and notes where it is in <state dir>/prefix; "cleanup
# <state dir>" ends its server and removes it. Every Wine test of the run shares it.
set -u
action=$1 state=$2
export WINEDEBUG=-all
# No Mono or Gecko: nothing here needs .NET or HTML, and there is no network to fetch them.
export WINEDLLOVERRIDES="mscoree,mshtml="
case "$action" in
setup)
    command -v wine >/dev/null || { echo "wine is not installed"; exit 1; }
    mkdir -p "$state"
    if [ -s "$state/prefix" ]; then
        old=$(cat "$state/prefix")
        WINEPREFIX=$old wineserver -k 2>/dev/null
        rm -rf "$(dirname "$old")"
    fi
    dir=$(mktemp -d "${TMPDIR:-/tmp}/velta-wine.XXXXXX")
    start=$(date +%s%3N)
    if ! env -u DISPLAY WINEPREFIX="$dir/prefix" wine wineboot -i >"$dir/wineboot.log" 2>&1; then
        cat "$dir/wineboot.log"
        exit 1
    fi
    WINEPREFIX="$dir/prefix" wineserver -w
    echo "$dir/prefix" >"$state/prefix"
    echo "Wine prefix $dir/prefix made in $(($(date +%s%3N) - start)) ms"
    ;;
cleanup)
    [ -s "$state/prefix" ] || exit 0
    prefix=$(cat "$state/prefix")
    WINEPREFIX=$prefix wineserver -k 2>/dev/null
    rm -rf "$(dirname "$prefix")" "$state/prefix"
    ;;
*)
    echo "usage: $0 setup|cleanup <state dir>"
    exit 2
    ;;
esac
