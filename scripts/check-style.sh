#!/usr/bin/env bash
# check-style.sh BUILD_TREE: every C++ file as .clang-format has it, and the
# product code (registry/, launch/, setup_console/, windows_helpers/) free of
# .clang-tidy's findings, read through BUILD_TREE's compile commands (an x86_64
# tree). Each finding is printed as FILE:LINE:COLUMN with its check; any fails.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
TREE=$1
cd "$ROOT"
status=0

mapfile -t sources < <(git ls-files '*.cpp' '*.h')
if ! clang-format --dry-run --Werror "${sources[@]}" 2>/tmp/corvalidyne-format.$$; then
  grep -E '^[^ ].*:[0-9]+:[0-9]+: ' /tmp/corvalidyne-format.$$ >&2 || cat /tmp/corvalidyne-format.$$ >&2
  echo "FAIL: files not formatted as .clang-format says (clang-format -i FILE mends them)" >&2
  status=1
fi
rm -f /tmp/corvalidyne-format.$$

# Clang reads the MinGW-w64 headers as MinGW-w64's g++ does: the same target and
# C++ library folders, with Clang's own compiler headers in place of GCC's.
gcc_include=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")/include
tidy_args=(-p "$TREE" --quiet --extra-arg-before=--target=x86_64-w64-mingw32 --extra-arg=-nostdinc++
  "--extra-arg=-isystem$gcc_include/c++" "--extra-arg=-isystem$gcc_include/c++/x86_64-w64-mingw32"
  "--extra-arg=-isystem$gcc_include/c++/backward" --extra-arg=-isystem/usr/x86_64-w64-mingw32/include)
mapfile -t product < <(git ls-files 'registry/*.cpp' 'launch/*.cpp' 'setup_console/*.cpp' 'windows_helpers/*.cpp')
findings=$(printf '%s\n' "${product[@]}" | xargs -P "$(nproc)" -n 4 clang-tidy "${tidy_args[@]}" 2>/dev/null |
  grep -E '^[^ ].*:[0-9]+:[0-9]+: (warning|error): ' | sort -u || true)
if [ -n "$findings" ]; then
  printf '%s\n' "$findings" >&2
  echo "FAIL: clang-tidy findings in product code (see .clang-tidy)" >&2
  status=1
fi
[ $status -eq 0 ] && echo "style: ${#sources[@]} files formatted, ${#product[@]} product sources free of tidy findings"
exit $status
