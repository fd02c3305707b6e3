#!/usr/bin/env bash
# check-style.sh BUILD_TREE: every C++ file as .clang-format has it, and the
# product code (registry/, launch/, setup_console/, windows_helpers/,
# toolchain/) free of .clang-tidy's findings, read through BUILD_TREE's compile
# commands (an x86_64 tree). Each finding is printed as FILE:LINE:COLUMN with its check; any fails,
# and so does a missing tool, a tree without compile commands or a file list
# that comes out empty: the check never passes without having looked.
# One major version of each tool on every machine, so that the verdict is the
# same on Debian 12 and 13 (both have it by this name).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
TREE=${1:?usage: check-style.sh BUILD_TREE}
CLANG_FORMAT=clang-format-19
CLANG_TIDY=clang-tidy-19
MINGW_GXX=x86_64-w64-mingw32-g++-posix
cd "$ROOT"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
for tool in git "$CLANG_FORMAT" "$CLANG_TIDY" "$MINGW_GXX"; do
  command -v "$tool" >/dev/null || fail "style check: $tool is not installed (scripts/common.sh installs it)"
done
[ -f "$TREE/compile_commands.json" ] || fail "style check: no $TREE/compile_commands.json (build the x86_64 tree first)"
# list PATTERN...: the repository's files matching, failing on none.
list() {
  local files
  files=$(git ls-files -- "$@") || fail "style check: git ls-files failed in $ROOT"
  [ -n "$files" ] || fail "style check: no files match $*"
  printf '%s\n' "$files"
}
status=0

mapfile -t sources < <(list '*.cpp' '*.h')
[ ${#sources[@]} -gt 0 ] || fail "style check: no C++ files found"
format_log=$(mktemp)
trap 'rm -f "$format_log"' EXIT
if ! "$CLANG_FORMAT" --dry-run --Werror "${sources[@]}" 2>"$format_log"; then
  grep -E '^[^ ].*:[0-9]+:[0-9]+: ' "$format_log" >&2 || cat "$format_log" >&2
  echo "FAIL: files not formatted as .clang-format says ($CLANG_FORMAT -i FILE mends them)" >&2
  status=1
fi
rm -f "$format_log"

# Clang reads the MinGW-w64 headers as MinGW-w64's g++ does: the same target and
# C++ library folders, with Clang's own compiler headers in place of GCC's.
gcc_include=$(dirname "$("$MINGW_GXX" -print-libgcc-file-name)")/include
[ -d "$gcc_include/c++" ] || fail "style check: no MinGW-w64 C++ headers at $gcc_include/c++"
tidy_args=(-p "$TREE" --quiet --extra-arg-before=--target=x86_64-w64-mingw32 --extra-arg=-nostdinc++
  "--extra-arg=-isystem$gcc_include/c++" "--extra-arg=-isystem$gcc_include/c++/x86_64-w64-mingw32"
  "--extra-arg=-isystem$gcc_include/c++/backward" --extra-arg=-isystem/usr/x86_64-w64-mingw32/include)
mapfile -t product < <(list 'registry/*.cpp' 'launch/*.cpp' 'setup_console/*.cpp' 'windows_helpers/*.cpp' \
  'toolchain/*.cpp')
[ ${#product[@]} -gt 0 ] || fail "style check: no product sources found"
# Each file's output ends in a line of its own, so that a file clang-tidy did
# not finish (a crash, a missing header) cannot pass for one without findings.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tidy_log=$work/tidy.log
printf '%s\n' "${product[@]}" | xargs -P "$(nproc)" -I{} sh -c \
  'out=$(mktemp -p "$1"); shift; "$@" {} >"$out" 2>&1; echo "tidy exit $? {}"; cat "$out"' \
  sh "$work" "$CLANG_TIDY" "${tidy_args[@]}" >"$tidy_log" 2>&1 || true
checked=$(grep -c '^tidy exit [01] ' "$tidy_log" || true)
findings=$(grep -E '^[^ ].*:[0-9]+:[0-9]+: (warning|error): ' "$tidy_log" | sort -u || true)
if [ -n "$findings" ]; then
  printf '%s\n' "$findings" >&2
  echo "FAIL: clang-tidy findings in product code (see .clang-tidy)" >&2
  status=1
elif [ "$checked" -ne ${#product[@]} ]; then
  grep -E '^tidy exit ' "$tidy_log" | grep -v '^tidy exit [01] ' >&2 || true
  echo "FAIL: clang-tidy finished $checked of ${#product[@]} product sources" >&2
  status=1
fi
[ $status -eq 0 ] && echo "style: ${#sources[@]} files formatted, ${#product[@]} product sources free of tidy findings"
exit $status
