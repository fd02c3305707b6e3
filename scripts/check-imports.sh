#!/usr/bin/env bash
# check-imports.sh OBJDUMP FILE...: fails when a program imports a DLL that is not
# part of Windows itself; it must run from an installation medium on a bare machine.
set -euo pipefail
objdump=$1
shift
allowed='^(kernel32|user32|gdi32|advapi32|shell32|msvcrt|comctl32|ole32|oleaut32|version|shlwapi|uxtheme|comdlg32|ntdll)\.dll$'
status=0
for file in "$@"; do
  while read -r dll; do
    if ! printf '%s\n' "$dll" | tr 'A-Z' 'a-z' | grep -Eq "$allowed"; then
      echo "FAIL: $file imports $dll, which is not a Windows system DLL" >&2
      status=1
    fi
  done < <("$objdump" -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p')
  [ $status -eq 0 ] && echo "imports ok: $file ($("$objdump" -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '\n' ' '))"
done
exit $status
