#!/usr/bin/env bash
# Builds the x86_64 tree and prints the benchmark tables, measured under Wine in
# a prefix of their own. Figures, not tests: it exits non-zero when a goal is missed.
set -euo pipefail
source "$(dirname "$0")/common.sh"

install_packages
build_arch x86_64
# A run of the tests beside this one would be timed into the figures, and its
# handler for 32-bit programs slows the prefix's boot: take turns.
hold_tests_lock
trap 'stop_wine; stop_display' EXIT
ensure_display
export CORVALIDYNE_UNMANAGED_WINDOWS=1
fresh_prefix "$BUILD_ROOT/x86_64/bench-prefix"

status=0
for benchmark in "$BUILD_ROOT"/x86_64/benchmarks/*_benchmark.exe; do
  log "$(basename "$benchmark")"
  (cd "$(dirname "$benchmark")" && "$WINE64" "$benchmark") </dev/null || status=1
done
log "$(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(uname -m), Wine $("$WINE64" --version 2>/dev/null)"
exit $status
