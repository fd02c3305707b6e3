#!/usr/bin/env bash
# test-one.sh REGEX [CTEST-ARGUMENTS...]: builds the x86_64 tree (what changed)
# and runs the CTest entries whose names match REGEX under Wine, as the test
# command runs them: on $DISPLAY, or on an Xvfb of its own; in the tree's
# prefix, booted first where the test command has not booted it; holding the
# lock file that CORVALIDYNE_TESTS_LOCK names, where it names one. Entries are
# named after their cases (`StepFlow.EachButtonRunsItsCommand`) or, for the
# prefix copies and the plain programs, as `ctest -N` lists them.
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: $0 REGEX [CTEST-ARGUMENTS...]" >&2; exit 2; }
source "$(dirname "$0")/common.sh"
source "$(dirname "$0")/emulated32.sh"
TREE=$BUILD_ROOT/x86_64
pattern=$1
shift

build_arch x86_64 >/dev/null
hold_tests_lock
trap 'stop_wine; stop_display' EXIT
if [ -f "$TREE/wineprefix/system.reg" ]; then
  ensure_display
  export WINEPREFIX=$TREE/wineprefix WINEDEBUG=-all
else
  # A 64-bit prefix boots in seconds only while no handler for 32-bit programs is registered.
  remove_i386_handler
  wine_for_tests "$TREE"
fi
ctest --test-dir "$TREE" -R "$pattern" --output-on-failure --no-tests=error --timeout 300 -j2 "$@"
