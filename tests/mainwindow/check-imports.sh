#!/usr/bin/env bash
# Usage: check-imports.sh OBJDUMP PROGRAM...
# Fails when a program imports a DLL that Windows might take from the program's own folder.
# The programs ask for the highest rights available, so such a DLL planted beside them would
# run with those rights. Allowed are Windows' known DLLs, which it always takes from its
# system folder, and the common controls, which come from the side-by-side store when the
# program's manifest names them (checked here as well).
set -euo pipefail
objdump=$1
shift
known="advapi32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll shell32.dll user32.dll"
status=0
for program in "$@"; do
    imports=$("$objdump" -p "$program" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
    [ -n "$imports" ] || { echo "$program: no import table found" >&2; status=1; continue; }
    for dll in $imports; do
        case " $known " in
        *" $dll "*) ;;
        *)
            if [ "$dll" = comctl32.dll ] &&
                grep -q -a 'name="Microsoft.Windows.Common-Controls"' "$program"; then
                continue
            fi
            echo "$program imports $dll, which Windows may load from the program's folder" >&2
            status=1
            ;;
        esac
    done
done
exit $status
