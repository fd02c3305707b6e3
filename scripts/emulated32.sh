# The i686 build's tests under 32-bit Wine, on a machine that
# setup-emulated32.sh sets up.
# shellcheck shell=bash

source "$(dirname "${BASH_SOURCE[0]}")/setup-emulated32.sh"

# boot_32bit_prefix DIR: a 32-bit prefix in DIR, served by the native 64-bit
# wineserver; booted only when no intact one is there.
boot_32bit_prefix() {
  export WINEPREFIX=$1 WINEDEBUG=-all
  local ready="$WINEPREFIX/.corvalidyne-ready"
  if [ -f "$ready" ] && [ -f "$WINEPREFIX/system.reg" ] && [ -f "$WINEPREFIX/user.reg" ] &&
    [ -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ]; then
    log "reusing the 32-bit Wine prefix $WINEPREFIX"
    "$WINESERVER" -p >/dev/null 2>&1
    install_prefix_fonts
    # The prefix's own processes start now, not in the first test, whose output
    # they would hold open until the server ends.
    "$WINE32" wineboot >>"$WINEPREFIX.boot.log" 2>&1
    return 0
  fi
  stop_wine
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  log "booting the 32-bit Wine prefix $WINEPREFIX"
  # The server makes a new prefix of the width it is told, not its own.
  WINEARCH=win32 "$WINESERVER" -p >/dev/null 2>&1
  WINEARCH=win32 "$WINE32" wineboot -i >"$WINEPREFIX.boot.log" 2>&1 || return 1
  install_prefix_fonts
  apply_prefix_settings "$WINE32" || true
  touch "$ready"
}

# run_32bit_tests: the i686 build's tests, or one line saying why they were skipped.
run_32bit_tests() {
  local start=$SECONDS
  if ! enable_32bit_programs; then
    log "SKIPPED the 32-bit tests: $SKIP_REASON"
    return 0
  fi
  if ! boot_32bit_prefix "$BUILD_ROOT/i686/wineprefix"; then
    log "the 32-bit Wine prefix did not boot: see $BUILD_ROOT/i686/wineprefix.boot.log"
    return 1
  fi
  local booted=$SECONDS
  check_prefix_fonts "$WINE32" "$BUILD_ROOT/i686/realised_fonts.exe" || return 1
  log "running the tests (i686 build under emulated 32-bit Wine)"
  local status=0
  ctest --test-dir "$BUILD_ROOT/i686" --output-on-failure -j2 || status=$?
  stop_wine
  remove_i386_handler
  log "32-bit tests took $((SECONDS - start)) s (prefix $((booted - start)) s, tests $((SECONDS - booted)) s)"
  return $status
}
