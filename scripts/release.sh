#!/usr/bin/env bash
# Builds the product (the i686 launcher) for release in a clean folder of its
# own, signs it, verifies it and leaves it in dist/ with its sums:
#   bash scripts/release.sh [--pkcs12 BUNDLE | --cert CERTS --key KEY]
#                           [--ca-file TRUSTED] [--timestamp URL]
# The password of the bundle or key comes from CORVALIDYNE_SIGN_PASSWORD, never
# from the command line. Without a certificate the file is signed with a
# throw-away self-signed test certificate, for testing only.
# CORVALIDYNE_RELEASE_SKIP_SMOKE=1 releases where 32-bit Wine cannot run.
set -euo pipefail
source "$(dirname "$0")/common.sh"
source "$(dirname "$0")/emulated32.sh"
source "$(dirname "$0")/releasing.sh"

usage() {
  sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

pkcs12="" certs="" key="" ca_file="" timestamp_url=""
while [ $# -gt 0 ]; do
  [ $# -ge 2 ] || usage
  case $1 in
    --pkcs12) pkcs12=$2 ;;
    --cert) certs=$2 ;;
    --key) key=$2 ;;
    --ca-file) ca_file=$2 ;;
    --timestamp) timestamp_url=$2 ;;
    *) usage ;;
  esac
  shift 2
done
if [ -n "$pkcs12" ] && [ -n "$certs$key" ]; then usage; fi
if [ -n "$certs" ] && [ -z "$key" ]; then usage; fi
if [ -z "$certs" ] && [ -n "$key" ]; then usage; fi
for file in "$pkcs12" "$certs" "$key" "$ca_file"; do
  [ -z "$file" ] || [ -r "$file" ] || { log "cannot read $file"; exit 2; }
done

RELEASE=$BUILD_ROOT/release
DIST=$ROOT/dist
SIGNING=$BUILD_ROOT/release-signing
UNSIGNED=$RELEASE/CorvalidyneSetup.exe
SIGNED=$RELEASE/signed/CorvalidyneSetup.exe

# smoke_run EXE: the launcher starts under 32-bit Wine and shows its window,
# then closes when asked.
smoke_run() {
  local exe=$1 driver="$RELEASE/driver.exe" launcher
  if ! enable_32bit_programs; then
    if [ "${CORVALIDYNE_RELEASE_SKIP_SMOKE:-}" = 1 ]; then
      log "SKIPPED the smoke run: $SKIP_REASON"
      return 0
    fi
    log "cannot run the smoke run: $SKIP_REASON (CORVALIDYNE_RELEASE_SKIP_SMOKE=1 releases without it)"
    return 1
  fi
  ensure_display
  boot_32bit_prefix "$BUILD_ROOT/release-wineprefix" || {
    log "the 32-bit Wine prefix did not boot: see $BUILD_ROOT/release-wineprefix.boot.log"
    return 1
  }
  log "smoke run: starting $exe under 32-bit Wine"
  (cd "${exe%/*}" && exec "$WINE32" "${exe##*/}") &
  launcher=$!
  if ! "$WINE32" "$driver" wait-window; then
    kill "$launcher" 2>/dev/null || true
    return 1
  fi
  log "smoke run: the setup window shows ($("$WINE32" "$driver" rect | tr -d '\r'))"
  "$WINE32" "$driver" close
  "$WINE32" "$driver" wait-gone || return 1
  local status=0 tenths=0
  while kill -0 "$launcher" 2>/dev/null && [ $tenths -lt 600 ]; do
    sleep 0.1
    tenths=$((tenths + 1))
  done
  if kill -0 "$launcher" 2>/dev/null; then
    log "the launcher did not end within 60 s of its window closing"
    kill "$launcher"
    return 1
  fi
  wait "$launcher" || status=$?
  [ $status -eq 0 ] || { log "the launcher ended with exit code $status"; return 1; }
  stop_wine
  remove_i386_handler
}

start=$SECONDS
install_packages
trap 'rm -rf "$SIGNING"; stop_wine; remove_i386_handler; stop_display' EXIT
rm -rf "$DIST"

# The certificate first: a wrong password fails before the build.
rm -rf "$SIGNING"
test_signature=""
if [ -n "$pkcs12" ]; then
  use_pkcs12 "$pkcs12" "$ca_file" "$SIGNING"
elif [ -n "$certs" ]; then
  use_certificate_and_key "$certs" "$key" "$ca_file" "$SIGNING"
else
  test_signature=1
  log "no certificate given: signing with a throw-away self-signed TEST certificate; this signature is for testing only"
  use_test_certificate "$SIGNING"
fi

commit=$(git -C "$ROOT" rev-parse HEAD 2>/dev/null || echo "no git commit")
log "release build of $commit in $RELEASE"
if [ -n "$(git -C "$ROOT" status --porcelain --untracked-files=no 2>/dev/null)" ]; then
  log "WARNING: the working tree has uncommitted changes: this build matches no commit"
fi
build_release "$RELEASE" CorvalidyneSetup driver
check_no_build_paths "$UNSIGNED" "$ROOT" "$BUILD_ROOT" "$RELEASE"
built=$SECONDS

mkdir -p "${SIGNED%/*}"
sign_executable "$UNSIGNED" "$SIGNED" "$timestamp_url"
verify_signature "$SIGNED"
check_signed "$SIGNED" "$UNSIGNED"
smoke_run "$SIGNED"

mkdir -p "$DIST"
cp "$SIGNED" "$DIST/CorvalidyneSetup.exe"
cp "$UNSIGNED" "$DIST/CorvalidyneSetup-unsigned.exe"
(cd "$DIST" && sha256sum CorvalidyneSetup-unsigned.exe CorvalidyneSetup.exe >SHA256SUMS)
log "released $commit in $DIST (build $((built - start)) s, all $((SECONDS - start)) s):"
sed 's/^/    /' "$DIST/SHA256SUMS" >&2
if [ -n "$test_signature" ]; then
  log "TEST SIGNATURE ONLY: dist/CorvalidyneSetup.exe is signed with a throw-away self-signed certificate; do not ship it"
fi
