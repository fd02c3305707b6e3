#!/usr/bin/env bash
# Installs what is missing, builds both architectures and runs every test under Wine.
set -euo pipefail
source "$(dirname "$0")/common.sh"

install_packages
build_arch i686
build_arch x86_64
for arch in i686 x86_64; do
  "$ROOT/scripts/check-imports.sh" "$arch-w64-mingw32-objdump" "$BUILD_ROOT/$arch/CorvalidyneSetup.exe" \
    "$BUILD_ROOT/$arch/standin.exe" "$BUILD_ROOT/$arch/driver.exe"
done

trap 'stop_wine; stop_display' EXIT
ensure_display
fresh_prefix "$BUILD_ROOT/x86_64/wineprefix"
log "running the tests (x86_64 build under Wine)"
ctest --test-dir "$BUILD_ROOT/x86_64" --output-on-failure -j2 --timeout 300
