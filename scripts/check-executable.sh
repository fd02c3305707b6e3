#!/usr/bin/env bash
# check-executable.sh OBJDUMP FILE [MAX_BYTES [LATER_DLL|UNLINKED_FUNCTION...]]
# The program runs from an installation medium on a bare machine: it may import
# only Windows system DLLs, must be built for ASLR and DEP, and stays small
# (MAX_BYTES, 0 for no limit). The LATER_DLLs (names ending in .dll), loaded
# when first needed, must not be imported: an import loads them at every start.
# Nor may the UNLINKED_FUNCTIONs (any other name): what only parts of a library
# the program does not use call, so that an import says those parts came along.
set -euo pipefail
objdump=$1 file=$2 max_bytes=${3:-0}
later=() unlinked=()
for name in "${@:4}"; do
  if [[ $name == *.dll ]]; then later+=("$name"); else unlinked+=("$name"); fi
done
allowed='^(kernel32|user32|gdi32|advapi32|shell32|msvcrt|comctl32|ole32|oleaut32|version|shlwapi|uxtheme|comdlg32|ntdll)\.dll$'
headers=$("$objdump" -p "$file")
status=0
fail() { echo "FAIL: $file: $*" >&2; status=1; }

dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
# A Windows program imports at least kernel32: none read means objdump's output was not understood.
[ -n "$dlls" ] || fail "no imported DLL found in $objdump's output"
for dll in $dlls; do
  name=$(tr 'A-Z' 'a-z' <<<"$dll")
  grep -Eq "$allowed" <<<"$name" || fail "imports $dll, which is not a Windows system DLL"
  for deferred in "${later[@]}"; do
    [ "$name" = "$deferred" ] && fail "imports $dll, which it should load only when first needed"
  done
done

# The import tables list each function by hint and name.
for function in "${unlinked[@]}"; do
  grep -Eq "^[[:space:]]+[0-9a-f]+[[:space:]]+[0-9]+[[:space:]]+$function\$" <<<"$headers" && fail "imports $function"
done

flags=(DYNAMIC_BASE NX_COMPAT)
grep -q 'Magic.*020b' <<<"$headers" && flags+=(HIGH_ENTROPY_VA)
for flag in "${flags[@]}"; do
  grep -Eq "^[[:space:]]+$flag\$" <<<"$headers" || fail "not linked with $flag"
done

# An Authenticode signature (the certificate table) is appended after signing
# and does not count against the size.
signature_hex=$(awk '/Security Directory/ {print $4; exit}' <<<"$headers")
signature=$((16#${signature_hex:-0}))
size=$(($(stat -c %s "$file") - signature))
if [ "$max_bytes" -gt 0 ] && [ "$size" -gt "$max_bytes" ]; then
  fail "$size bytes, more than the $max_bytes allowed"
fi
signed=""
[ "$signature" -gt 0 ] && signed=" (and a $signature-byte signature)"
[ $status -eq 0 ] && echo "ok: $file, $size bytes$signed, ${flags[*]}, imports: $(tr '\n' ' ' <<<"$dlls")"
exit $status
