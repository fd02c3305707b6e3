#!/usr/bin/env bash
# check-release.sh [REFERENCE_EXE]
# The release build gives the same bytes wherever and whenever it is built, and
# its output signs and verifies. Builds the product afresh and compares it with
# REFERENCE_EXE (a build of the same sources in another folder, such as the
# test command's), or else with a second fresh build; then signs it with a
# throw-away test certificate and verifies the signature.
set -euo pipefail
source "$(dirname "$0")/common.sh"
source "$(dirname "$0")/releasing.sh"

start=$SECONDS
first=$BUILD_ROOT/release-check
log "release build of CorvalidyneSetup in $first"
build_release "$first" CorvalidyneSetup
built=$first/CorvalidyneSetup.exe
reference=${1:-}
if [ -z "$reference" ]; then
  # Another path, of another length, at another time.
  second=$BUILD_ROOT/release-check-second-folder
  log "release build of CorvalidyneSetup in $second"
  build_release "$second" CorvalidyneSetup
  reference=$second/CorvalidyneSetup.exe
fi
builds=$SECONDS

status=0
if cmp -s "$built" "$reference"; then
  log "reproducible: $built and $reference are the same $(stat -c %s "$built") bytes"
else
  log "FAIL: not reproducible: $built and $reference differ: $(describe_difference "$built" "$reference")"
  status=1
fi
check_no_build_paths "$built" "$ROOT" "$BUILD_ROOT" "$first" || status=1

# Sign and verify with a test certificate; a changed byte must fail verification.
signing=$first/test-signing
trap 'rm -rf "$signing"' EXIT
use_test_certificate "$signing"
signed=$first/signed/CorvalidyneSetup.exe
mkdir -p "${signed%/*}"
if sign_executable "$built" "$signed" && verify_signature "$signed" && check_signed "$signed" "$built"; then
  tampered=$signing/tampered.exe
  cp "$signed" "$tampered"
  byte=$(od -An -tu1 -j4096 -N1 "$signed" | tr -d ' ')
  printf '%b' "\\x$(printf %02x $((255 - byte)))" | dd of="$tampered" bs=1 seek=4096 conv=notrunc status=none
  if verify_signature "$tampered" 2>/dev/null; then
    log "FAIL: a signed file with a changed byte still verifies"
    status=1
  fi
else
  status=1
fi
log "release check took $((SECONDS - start)) s (builds $((builds - start)) s, signing and checks $((SECONDS - builds)) s)"
exit $status
