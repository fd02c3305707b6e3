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
  else
    stop_wine
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    log "booting the 32-bit Wine prefix $WINEPREFIX"
    # The server makes a new prefix of the width it is told, not its own.
    WINEARCH=win32 "$WINESERVER" -p >/dev/null 2>&1
    WINEARCH=win32 "$WINE32" wineboot -i >"$WINEPREFIX.boot.log" 2>&1 || return 1
    apply_prefix_settings "$WINE32" || true
    touch "$ready"
    # The server writes the registry to disk only now and then, or when it
    # ends: a copy made during the tests (the wide dialog font's prefix) must
    # not find a half-booted registry and boot again under emulation.
    stop_wine
  fi
  "$WINESERVER" -p >/dev/null 2>&1
  install_prefix_fonts
  # The prefix's own processes start now, not in the first test, whose output
  # they would hold open until the server ends.
  "$WINE32" wineboot >>"$WINEPREFIX.boot.log" 2>&1
}

# Web addresses and .htm pages open in the i686 build's recorder, as in the
# x86_64 prefix (open_pages_with_recorder): one regedit import, since every
# emulated process start costs. Set at every run, so that a reused prefix
# names this tree's recorder.
open_pages_with_32bit_recorder() {
  local recorder command settings="$WINEPREFIX/corvalidyne-pages.reg"
  recorder=$("$WINE32" winepath.exe -w "$BUILD_ROOT/i686/recorder.exe" 2>/dev/null | tr -d '\r')
  [ -n "$recorder" ] || return 1
  # A .reg string doubles its backslashes and escapes its quotes.
  command="\\\"${recorder//\\/\\\\}\\\" \\\"%1\\\""
  printf '%s\n' 'REGEDIT4' '' \
    '[HKEY_CLASSES_ROOT\http\shell\open\command]' "@=\"$command\"" '' \
    '[HKEY_CLASSES_ROOT\.htm]' '@="htmlfile"' '' \
    '[HKEY_CLASSES_ROOT\htmlfile\shell\open\command]' "@=\"$command\"" >"$settings"
  "$WINE32" regedit /S "$settings" >>"$WINEPREFIX.boot.log" 2>&1
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
  open_pages_with_32bit_recorder || { log "the 32-bit prefix's pages cannot open in the recorder"; return 1; }
  hold_desktop "$WINE32" "$BUILD_ROOT/i686/desktop_user.exe" ||
    { log "the 32-bit desktop could not be held: see $WINEPREFIX.desktop.log"; return 1; }
  local booted=$SECONDS
  check_prefix_fonts "$WINE32" "$BUILD_ROOT/i686/realised_fonts.exe" || return 1
  log "running the tests (i686 build under emulated 32-bit Wine)"
  local status=0
  ctest --test-dir "$BUILD_ROOT/i686" --output-on-failure --no-tests=error -j2 --timeout 300 || status=$?
  stop_wine
  remove_i386_handler
  log "32-bit tests took $((SECONDS - start)) s (prefix $((booted - start)) s, tests $((SECONDS - booted)) s)"
  return $status
}
