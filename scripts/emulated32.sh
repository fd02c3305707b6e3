# The i686 build under 32-bit Wine. This machine's kernel runs 32-bit x86
# programs only through qemu's user-mode emulation, registered with binfmt_misc.
# shellcheck shell=bash

BINFMT=/proc/sys/fs/binfmt_misc
# The handler this script registers; it removes no other.
BINFMT_NAME=corvalidyne-i386
I386_MAGIC='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
I386_MASK='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
I386_MAGIC_HEX=7f454c4601010100000000000000000002000300
QEMU_I386=/usr/bin/qemu-i386
WINE32=/usr/lib/wine/wine
# qemu before 8.1 searches the guest's address space page by page at every
# mmap; Wine reserves most of it, so each 32-bit process start took about 45 s
# of CPU instead of under a second. Debian 12 has 7.2; its backports have newer.
QEMU_MINIMUM=1:8.1
# Why the 32-bit tests cannot run here, once a step below has failed.
SKIP_REASON=""

# Removes the handler this script registers (also one left by an interrupted
# run), so that the machine runs 32-bit programs as it did before the tests.
remove_i386_handler() {
  if [ -e "$BINFMT/$BINFMT_NAME" ]; then echo -1 >"$BINFMT/$BINFMT_NAME" 2>/dev/null || true; fi
  return 0
}

qemu_is_recent() {
  local version
  version=$(dpkg-query -W -f='${Version}' qemu-user 2>/dev/null) || return 1
  dpkg --compare-versions "$version" ge "$QEMU_MINIMUM"
}

# Debian's backports for this release, where its own qemu-user is too old.
enable_backports() {
  local codename
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  [ -n "$codename" ] || return 1
  BACKPORTS="$codename-backports"
  grep -rqs "$BACKPORTS" /etc/apt/sources.list /etc/apt/sources.list.d/ && return 0
  printf '%s\n' 'Types: deb' 'URIs: http://deb.debian.org/debian' "Suites: $BACKPORTS" \
    'Components: main' 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' \
    >/etc/apt/sources.list.d/corvalidyne-backports.sources
}

install_32bit_wine() {
  qemu_is_recent && package_installed wine32:i386 && return 0
  log "installing qemu-user (at least version ${QEMU_MINIMUM#1:}) and wine32:i386"
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386 || return 1
  apt-get update -qq >/dev/null || return 1
  local release=() candidate
  candidate=$(apt-cache policy qemu-user | awk '/Candidate:/ {print $2}')
  if ! dpkg --compare-versions "$candidate" ge "$QEMU_MINIMUM"; then
    enable_backports && apt-get update -qq >/dev/null || return 1
    release=(-t "$BACKPORTS")
  fi
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${release[@]}" \
    qemu-user >/dev/null &&
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null &&
    qemu_is_recent
}

# A handler for 32-bit x86 programs that is not ours: its name, or nothing.
other_i386_handler() {
  local entry
  for entry in "$BINFMT"/*; do
    case ${entry##*/} in register | status | "$BINFMT_NAME") continue ;; esac
    if grep -qx "magic $I386_MAGIC_HEX" "$entry" 2>/dev/null; then
      echo "${entry##*/}"
      return 0
    fi
  done
}

# Makes 32-bit x86 programs start through the emulator, registering it only
# where no handler exists. On failure SKIP_REASON says why.
enable_32bit_programs() {
  if [ "$(id -u)" -ne 0 ]; then
    # Someone else may have set it all up.
    "$WINE32" --version >/dev/null 2>&1 && return 0
    SKIP_REASON="32-bit Wine does not start, and setting it up needs root"
    return 1
  fi
  if ! install_32bit_wine; then
    SKIP_REASON="qemu-user ${QEMU_MINIMUM#1:} or later and wine32:i386 could not be installed"
    return 1
  fi
  if [ ! -e "$BINFMT/register" ] && ! mount -t binfmt_misc binfmt_misc "$BINFMT" 2>/dev/null; then
    SKIP_REASON="binfmt_misc cannot be mounted at $BINFMT"
    return 1
  fi
  local other
  other=$(other_i386_handler)
  if [ -z "$other" ] && [ ! -e "$BINFMT/$BINFMT_NAME" ]; then
    # %s keeps the escapes as text: the kernel decodes them itself.
    if ! printf ':%s:M::%s:%s:%s:F\n' "$BINFMT_NAME" "$I386_MAGIC" "$I386_MASK" "$QEMU_I386" \
      >"$BINFMT/register" 2>/dev/null; then
      SKIP_REASON="the kernel refused to register $QEMU_I386 for 32-bit programs"
      return 1
    fi
  fi
  if ! "$WINE32" --version >/dev/null 2>&1; then
    SKIP_REASON="32-bit Wine does not start${other:+ through the existing handler $other}"
    return 1
  fi
}

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

# hold_desktop LOADER PROGRAM: keeps the prefix's desktop process up until the
# server ends (see tests/tools/desktop_user.cpp), in both test prefixes;
# returns once the program is on the desktop.
hold_desktop() {
  local log="$WINEPREFIX.desktop.log"
  "$1" "$2" >"$log" 2>&1 &
  local _
  for _ in $(seq 300); do
    grep -q "on the desktop" "$log" 2>/dev/null && return 0
    sleep 0.1
  done
  log "the desktop of $WINEPREFIX could not be held: see $log"
  return 1
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
  hold_desktop "$WINE32" "$BUILD_ROOT/i686/desktop_user.exe" || return 1
  local booted=$SECONDS
  check_prefix_fonts "$WINE32" "$BUILD_ROOT/i686/realised_fonts.exe" || return 1
  log "running the tests (i686 build under emulated 32-bit Wine)"
  local status=0
  ctest --test-dir "$BUILD_ROOT/i686" --output-on-failure -j2 --timeout 300 || status=$?
  stop_wine
  remove_i386_handler
  log "32-bit tests took $((SECONDS - start)) s (prefix $((booted - start)) s, tests $((SECONDS - booted)) s)"
  return $status
}
