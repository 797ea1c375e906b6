#!/usr/bin/env bash
# traffic.exe is one file that runs on a Windows machine with nothing installed: a GUI program
# (no console window) that imports only DLLs that every Windows has, so the MinGW-w64 runtimes
# (libstdc++, libgcc, winpthread) are linked in. Usage: check_imports.sh <objdump> <program.exe>
set -u
objdump=$1 program=$2
headers=$("$objdump" -p "$program") || { echo "FAIL: $objdump could not read $program"; exit 1; }
grep -q "^Subsystem.*(Windows GUI)" <<<"$headers" || { echo "FAIL: not a GUI program"; exit 1; }
dlls=$(awk '/DLL Name:/ {print $3}' <<<"$headers")
[ -n "$dlls" ] || { echo "FAIL: no imports found"; exit 1; }
status=0
for dll in $dlls; do
    case "${dll,,}" in
    kernel32.dll | user32.dll | gdi32.dll | msvcrt.dll) ;;
    *) echo "FAIL: imports $dll, which Windows does not have"; status=1 ;;
    esac
done
echo "imports:" $dlls
exit $status
