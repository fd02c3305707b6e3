# Shared by run.sh and test.sh: packages, builds and the Wine environment.
# shellcheck shell=bash

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_ROOT=${BUILD_ROOT:-$ROOT/build}
source "$ROOT/scripts/wine-paths.sh"
PACKAGES=(
  cmake make g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix googletest
  wine wine64 xvfb xauth fonts-wine fonts-liberation fonts-dejavu-core imagemagick osslsigncode openssl
  clang-format-19 clang-tidy-19 clang-19 lld-19 git
)
WINE_FONTS=/usr/share/wine/fonts

log() { printf '==> %s\n' "$*" >&2; }

package_installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

install_packages() {
  local missing=()
  for package in "${PACKAGES[@]}"; do
    package_installed "$package" || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  log "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Further configure arguments of build_arch, for a build of its own kind.
BUILD_OPTIONS=()

# build ARCH [TARGET...]: configures build/ARCH (with BUILD_OPTIONS and
# cmake/toolchain-ARCH.cmake: i686 and x86_64 are GCC's, clang-i686 and
# clang-x86_64 clang 19's) and builds the given targets, or all of them.
build_arch() {
  local arch=$1
  shift
  log "building $arch${*:+: $*}"
  cmake -S "$ROOT" -B "$BUILD_ROOT/$arch" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DCORVALIDYNE_WERROR=ON \
    "${BUILD_OPTIONS[@]}" >/dev/null
  cmake --build "$BUILD_ROOT/$arch" -j"$(nproc)" ${*:+--target "$@"} -- --no-print-directory
}

# hold_tests_lock: takes the lock file that CORVALIDYNE_TESTS_LOCK names, if
# any, until release_tests_lock or the end of this shell. A process of its own
# holds it, so that no program started here inherits it: a Wine server, desktop
# or service that a run leaves behind would otherwise keep it from every other
# run.
LOCK_TAKEN=""
LOCK_HOLDER=""
hold_tests_lock() {
  [ -n "${CORVALIDYNE_TESTS_LOCK:-}" ] || return 0
  LOCK_TAKEN=$(mktemp -u "${TMPDIR:-/tmp}/corvalidyne-lock-taken.XXXXXX")
  flock -o "$CORVALIDYNE_TESTS_LOCK" sh -c \
    'touch "$1"; while [ -e "$1" ] && kill -0 "$2" 2>/dev/null; do sleep 0.5; done; rm -f "$1"' \
    sh "$LOCK_TAKEN" $$ &
  LOCK_HOLDER=$!
  until [ -e "$LOCK_TAKEN" ]; do
    kill -0 "$LOCK_HOLDER" 2>/dev/null || { log "the lock $CORVALIDYNE_TESTS_LOCK could not be taken"; return 1; }
    sleep 0.2
  done
}

release_tests_lock() {
  [ -n "$LOCK_HOLDER" ] || return 0
  rm -f "$LOCK_TAKEN"
  wait "$LOCK_HOLDER" 2>/dev/null || true
  LOCK_HOLDER=""
}

# Starts Xvfb on a free display when there is no display; sets DISPLAY.
XVFB_PID=""
ensure_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  local n
  for n in $(seq 91 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    # A server of another root (a chroot's, or the machine's) holds the abstract socket.
    grep -q "@/tmp/.X11-unix/X$n\$" /proc/net/unix 2>/dev/null && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && return 0
      sleep 0.1
    done
    log "Xvfb did not start on :$n"
    return 1
  done
  log "no free X display number"
  return 1
}

# fresh_prefix DIR: boots a new Wine prefix in DIR, served by one persistent
# wineserver; Wine's crash dialog off and no real browser.
fresh_prefix() {
  export WINEPREFIX=$1 WINEDEBUG=-all
  stop_wine
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  log "booting Wine prefix $WINEPREFIX"
  "$WINESERVER" -p >/dev/null 2>&1
  "$WINE64" wineboot -i >"$WINEPREFIX.boot.log" 2>&1
  install_prefix_fonts
  apply_prefix_settings "$WINE64"
  open_pages_with_recorder
}

# A Windows machine's dialog font is Tahoma. Debian's Wine leaves a new prefix's
# Fonts folder empty and does not load fonts-wine's Tahoma by itself, so that
# "MS Shell Dlg 2" would realise in whatever wide face fontconfig offers.
install_prefix_fonts() {
  cp "$WINE_FONTS/tahoma.ttf" "$WINE_FONTS/tahomabd.ttf" "$WINEPREFIX/drive_c/windows/Fonts/"
}

# The faces a Windows machine gives, each as asked for=families accepted=what provides it.
EXPECTED_FONTS=(
  "MS Shell Dlg 2=Tahoma=fonts-wine's tahoma.ttf copied into the prefix (install_prefix_fonts)"
  "Arial=Arial|Liberation Sans=the package fonts-liberation (Arial's metrics)"
)

# check_prefix_fonts LOADER TOOL: fails with one line for each face that the
# prefix realises in another family, before any layout test can notice.
check_prefix_fonts() {
  local loader=$1 tool=$2 status=0 entry face accepted provider got
  local output
  output=$("$loader" "$tool" "MS Shell Dlg 2" Arial 2>/dev/null | tr -d '\r')
  for entry in "${EXPECTED_FONTS[@]}"; do
    IFS='=' read -r face accepted provider <<<"$entry"
    got=$(sed -n "s/^$face=//p" <<<"$output")
    if ! grep -Eqx "$accepted" <<<"$got"; then
      log "FONT: \"$face\" realises as \"${got:-nothing}\" in $WINEPREFIX, expected \"${accepted//|/\" or \"}\": provided by $provider"
      status=1
    fi
  done
  return $status
}

# apply_prefix_settings LOADER: imports prefix_settings into the booted prefix.
apply_prefix_settings() {
  local settings="$WINEPREFIX/corvalidyne-settings.reg"
  prefix_settings >"$settings"
  "$1" regedit /S "$settings" >>"$WINEPREFIX.boot.log" 2>&1
}

# A test prefix's settings, as a file for regedit: Wine's crash dialog off and
# no real browser. Under our own Xvfb no window manager runs: unmanaged windows
# spare the 2 s that Wine otherwise waits for one at every window close.
prefix_settings() {
  printf '%s\n' 'REGEDIT4' '' \
    '[HKEY_CURRENT_USER\Software\Wine\WineDbg]' '"ShowCrashDialog"=dword:00000000' '' \
    '[HKEY_CURRENT_USER\Software\Wine\WineBrowser]' '"Browsers"="none-installed"'
  if [ -n "$XVFB_PID" ] || [ "${CORVALIDYNE_UNMANAGED_WINDOWS:-}" = 1 ]; then
    printf '%s\n' '' '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Managed"="N"'
  fi
}

# Web addresses and .htm pages open in the recorder, never in a real browser: it
# appends what it was asked to open to its log (see tests/tools/recorder.cpp).
open_pages_with_recorder() {
  local recorder="$BUILD_ROOT/x86_64/recorder.exe"
  [ -f "$recorder" ] || { log "no recorder at $recorder: build x86_64 first"; return 1; }
  local command
  command="\"$("$WINE64" winepath.exe -w "$recorder" 2>/dev/null | tr -d '\r')\" \"%1\""
  wine_reg add 'HKCR\http\shell\open\command' /ve /t REG_SZ /d "$command" /f
  wine_reg add 'HKCR\.htm' /ve /t REG_SZ /d htmlfile /f
  wine_reg add 'HKCR\htmlfile\shell\open\command' /ve /t REG_SZ /d "$command" /f
}

# wine_for_tests TREE: what an x86_64 tree's tests run in: a display, unmanaged
# windows, a fresh prefix TREE/wineprefix whose fonts are checked, and Wine's
# desktop held. Fails with one line where the fonts or the desktop are wrong.
wine_for_tests() {
  local tree=$1
  ensure_display
  export CORVALIDYNE_UNMANAGED_WINDOWS=1
  fresh_prefix "$tree/wineprefix"
  check_prefix_fonts "$WINE64" "$tree/realised_fonts.exe" || return 1
  hold_desktop "$WINE64" "$tree/desktop_user.exe" ||
    { log "Wine's desktop could not be held: see $WINEPREFIX.desktop.log"; return 1; }
}

# hold_desktop LOADER PROGRAM: keeps Wine's desktop process up until the server
# ends (see tests/tools/desktop_user.cpp), so that no test's output is held
# open by it; returns once the program is on the desktop.
hold_desktop() {
  local log="$WINEPREFIX.desktop.log"
  "$1" "$2" >"$log" 2>&1 &
  local _
  for _ in $(seq 300); do
    grep -q "on the desktop" "$log" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

wine_reg() { "$WINE64" reg.exe "$@" >/dev/null 2>&1; }

stop_wine() {
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then "$WINESERVER" -k 2>/dev/null || true; fi
  return 0
}

stop_display() {
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  XVFB_PID=""
  return 0
}

# build_release DIR TARGET...: the product's release configuration (i686,
# MinSizeRel, no test programs), configured afresh in DIR, building TARGETs.
build_release() {
  local dir=$1
  shift
  rm -rf "$dir"
  cmake -S "$ROOT" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-i686.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DCORVALIDYNE_TESTS=OFF >/dev/null
  cmake --build "$dir" -j"$(nproc)" --target "$@" >/dev/null
}
