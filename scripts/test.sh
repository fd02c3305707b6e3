#!/usr/bin/env bash
# Installs what is missing, builds both architectures and runs every test under Wine.
set -euo pipefail
source "$(dirname "$0")/common.sh"
source "$(dirname "$0")/emulated32.sh"

install_packages
build_arch i686
build_arch x86_64
# The i686 build is the product: at most 256 KiB.
"$ROOT/scripts/check-executable.sh" i686-w64-mingw32-objdump "$BUILD_ROOT/i686/CorvalidyneSetup.exe" 262144
"$ROOT/scripts/check-executable.sh" x86_64-w64-mingw32-objdump "$BUILD_ROOT/x86_64/CorvalidyneSetup.exe"
# The demonstration medium's programs run on the same bare machines.
for arch in i686 x86_64; do
  for program in standin driver; do
    "$ROOT/scripts/check-executable.sh" "$arch-w64-mingw32-objdump" "$BUILD_ROOT/$arch/$program.exe"
  done
done
# A fresh release build gives this build's bytes, and signs and verifies.
"$ROOT/scripts/check-release.sh" "$BUILD_ROOT/i686/CorvalidyneSetup.exe"

trap 'stop_wine; remove_i386_handler; stop_display' EXIT
remove_i386_handler
ensure_display
export CORVALIDYNE_UNMANAGED_WINDOWS=1
fresh_prefix "$BUILD_ROOT/x86_64/wineprefix"
check_prefix_fonts "$WINE64" "$BUILD_ROOT/x86_64/realised_fonts.exe"
hold_desktop "$WINE64" "$BUILD_ROOT/x86_64/desktop_user.exe"
log "running the tests (x86_64 build under Wine)"
ctest --test-dir "$BUILD_ROOT/x86_64" --output-on-failure -j2 --timeout 300
stop_wine

# The product itself: the i686 build, where this machine can run it.
run_32bit_tests
