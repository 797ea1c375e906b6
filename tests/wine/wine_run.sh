#!/usr/bin/env bash
# Runs a Windows program under the test run's Wine prefix (see wine_prefix.sh) with its arguments,
# in its own directory, and ends the prefix's server after it. Usage:
#   wine_run.sh <state dir> <program.exe> [arguments...]
set -u
state=$1
shift
[ -s "$state/prefix" ] || { echo "no Wine prefix: the wine_prefix fixture did not run"; exit 1; }
export WINEPREFIX
WINEPREFIX=$(cat "$state/prefix")
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cd "$(dirname "$1")" || exit 1
wine "$@"
rc=$?
wineserver -k 2>/dev/null
exit $rc
