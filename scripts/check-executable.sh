#!/usr/bin/env bash
# check-executable.sh OBJDUMP FILE [MAX_BYTES]
# The program runs from an installation medium on a bare machine: it may import
# only Windows system DLLs, must be built for ASLR and DEP, and stays small.
set -euo pipefail
objdump=$1 file=$2 max_bytes=${3:-}
allowed='^(kernel32|user32|gdi32|advapi32|shell32|msvcrt|comctl32|ole32|oleaut32|version|shlwapi|uxtheme|comdlg32|ntdll)\.dll$'
headers=$("$objdump" -p "$file")
status=0
fail() { echo "FAIL: $file: $*" >&2; status=1; }

dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
for dll in $dlls; do
  tr 'A-Z' 'a-z' <<<"$dll" | grep -Eq "$allowed" || fail "imports $dll, which is not a Windows system DLL"
done

flags=(DYNAMIC_BASE NX_COMPAT)
grep -q 'Magic.*020b' <<<"$headers" && flags+=(HIGH_ENTROPY_VA)
for flag in "${flags[@]}"; do
  grep -Eq "^[[:space:]]+$flag\$" <<<"$headers" || fail "not linked with $flag"
done

size=$(stat -c %s "$file")
if [ -n "$max_bytes" ] && [ "$size" -gt "$max_bytes" ]; then
  fail "$size bytes, more than the $max_bytes allowed"
fi
[ $status -eq 0 ] && echo "ok: $file, $size bytes, ${flags[*]}, imports: $(tr '\n' ' ' <<<"$dlls")"
exit $status
