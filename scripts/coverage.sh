#!/usr/bin/env bash
# Which lines and branches of the product code the test suite runs: builds the
# x86_64 tree with --coverage in build/coverage (apart from the trees the test
# command checks), runs its tests under Wine there and writes gcovr's report,
# build/coverage/report/index.html, with one summary line per folder. Prints
# figures; fails only when the build or the run of the tests does.
set -euo pipefail
BUILD_ROOT="$(cd "$(dirname "$0")/.." && pwd)/build/coverage"
source "$(dirname "$0")/common.sh"

PRODUCT_FOLDERS=(registry launch setup_console windows_helpers toolchain)
TREE=$BUILD_ROOT/x86_64
REPORT=$BUILD_ROOT/report
GCOV=x86_64-w64-mingw32-gcov

PACKAGES+=(gcovr)
install_packages

# Unoptimised, so that each line's count is that line's. Every program also
# links an ExitProcess that writes the counts first (see the source).
mkdir -p "$BUILD_ROOT"
DUMP_AT_EXIT=$BUILD_ROOT/coverage_dump_at_exit.o
x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -c "$ROOT/cmake/coverage_dump_at_exit.cpp" -o "$DUMP_AT_EXIT"
BUILD_OPTIONS=(-DCMAKE_CXX_FLAGS="--coverage -fprofile-update=atomic" -DCMAKE_CXX_FLAGS_MINSIZEREL="-O0 -DNDEBUG"
  -DCMAKE_EXE_LINKER_FLAGS="--coverage $DUMP_AT_EXIT")
build_arch x86_64

# Counts of an earlier run, or of objects since rebuilt, must not add up.
find "$TREE" -name '*.gcda' -delete

trap 'stop_wine; stop_display' EXIT
wine_for_tests "$TREE"
# The executable checks fail by design here (the counters make the product
# larger), and the consumer projects link the library without the coverage
# runtime: neither is run.
log "running the tests (x86_64 coverage build under Wine)"
tests_status=0
ctest --test-dir "$TREE" --output-on-failure --no-tests=error -j2 --timeout 300 -LE executable -E '^registry_consumer_' ||
  tests_status=$?
stop_wine

# Each program writes its counts beside the objects, at the Unix path the
# compiler embedded; Wine opens such a path on the drive that maps "/", also for
# the launcher started from a copy in the medium with another current folder.
# Counts anywhere else would be silently left out of the report.
stray=$(find "$TREE" -path '*/drive_c/*' -name '*.gcda' | head -5)
if [ -n "$stray" ]; then
  log "counts written inside a Wine prefix, not beside the objects:"
  printf '%s\n' "$stray" >&2
  exit 1
fi
missing=0
for folder in "${PRODUCT_FOLDERS[@]}"; do
  [ -n "$(find "$TREE/$folder" -name '*.gcno' -print -quit)" ] ||
    { log "no coverage notes under ${TREE#"$ROOT"/}/$folder: was it built with coverage?"; exit 1; }
  while IFS= read -r notes; do
    [ -f "${notes%.gcno}.gcda" ] || { log "no counts for ${notes#"$TREE"/}"; missing=1; }
  done < <(find "$TREE/$folder" -name '*.gcno')
done

rm -rf "$REPORT"
mkdir -p "$REPORT"
filter="$ROOT/($(
  IFS='|'
  echo "${PRODUCT_FOLDERS[*]}"
))/"
# Branches the compiler adds for exceptions a call may throw, and those it
# proves unreachable, are not decisions of the code. The search for counts
# follows links, and a prefix's drive Z: links to "/": prefixes are left out,
# as is CMake's probe of the compiler.
summary=$(gcovr --root "$ROOT" --object-directory "$TREE" --gcov-executable "$GCOV" --filter "$filter" \
  --exclude-directories '.*/wineprefix' --exclude-directories '.*/CMakeFiles/[0-9]' \
  --exclude-throw-branches --exclude-unreachable-branches -j 2 \
  --html-details "$REPORT/index.html" --html-title "Corvalidyne Setup: product code" \
  --txt "$REPORT/files.txt" --json-summary-pretty --json-summary "$REPORT/summary.json" --print-summary \
  "$TREE")

# One line per folder, from the per-file figures.
python3 - "$REPORT/summary.json" "${PRODUCT_FOLDERS[@]}" >"$REPORT/folders.txt" <<'EOF'
import json, sys
files = json.load(open(sys.argv[1]))["files"]
def percent(covered, total):
    return f"{100.0 * covered / total:5.1f}%" if total else "  -   "
for folder in sys.argv[2:]:
    mine = [f for f in files if f["filename"].startswith(folder + "/")]
    lines = [sum(f[k] for f in mine) for k in ("line_covered", "line_total")]
    branches = [sum(f[k] for f in mine) for k in ("branch_covered", "branch_total")]
    print(f"{folder + '/':18} lines: {percent(*lines)} ({lines[0]} out of {lines[1]})"
          f"   branches: {percent(*branches)} ({branches[0]} out of {branches[1]})")
EOF

log "report: $REPORT/index.html (per file: $REPORT/files.txt)"
[ "$missing" -eq 0 ] || log "some product objects have no counts (above): their lines count as never run"
[ "$tests_status" -eq 0 ] || log "some tests failed (above): the figures count only what ran"
cat "$REPORT/folders.txt"
echo "$summary"
exit "$tests_status"
