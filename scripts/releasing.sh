# Shared by release.sh and check-release.sh: Authenticode signing and the checks
# of a release build.
# shellcheck shell=bash

OBJDUMP_I686=i686-w64-mingw32-objdump
source "$(dirname "${BASH_SOURCE[0]}")/product-limits.sh"
# The password of a named key or PKCS#12 bundle: never on a command line.
PASSWORD_VARIABLE=CORVALIDYNE_SIGN_PASSWORD

# Set by one of the use_* functions: osslsigncode's key and certificate
# arguments, the signer's own certificate and the trusted certificates that
# verification accepts (empty: the system's).
SIGN_ARGS=()
SIGN_LEAF=""
SIGN_CAFILE=""

# OpenSSL reads the password from the environment, and fails where the
# variable is missing even when no password is needed.
password_readable() {
  [ -n "${!PASSWORD_VARIABLE+set}" ] || export "$PASSWORD_VARIABLE="
}

# use_test_certificate DIR: a throw-away self-signed certificate and key in DIR.
use_test_certificate() {
  local dir=$1
  mkdir -p "$dir"
  openssl req -x509 -newkey rsa:3072 -nodes -days 7 -sha256 \
    -subj "/CN=Corvalidyne Setup TEST SIGNATURE - not for release" \
    -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
    -keyout "$dir/test-key.pem" -out "$dir/test-cert.pem" 2>/dev/null
  SIGN_ARGS=(-certs "$dir/test-cert.pem" -key "$dir/test-key.pem")
  SIGN_LEAF=$dir/test-cert.pem
  SIGN_CAFILE=$dir/test-cert.pem
}

# use_pkcs12 BUNDLE CAFILE WORKDIR: the key and certificates of a PKCS#12 bundle.
use_pkcs12() {
  local bundle=$1 work=$3
  password_readable
  mkdir -p "$work"
  # Older bundles use algorithms that OpenSSL 3 reads only with -legacy.
  openssl pkcs12 -in "$bundle" -clcerts -nokeys -passin "env:$PASSWORD_VARIABLE" \
    -out "$work/signer.pem" 2>/dev/null ||
    openssl pkcs12 -legacy -in "$bundle" -clcerts -nokeys -passin "env:$PASSWORD_VARIABLE" \
      -out "$work/signer.pem" 2>/dev/null || {
    log "cannot read $bundle (is $PASSWORD_VARIABLE set to its password?)"
    return 1
  }
  SIGN_ARGS=(-pkcs12 "$bundle")
  SIGN_LEAF=$work/signer.pem
  SIGN_CAFILE=$2
}

# use_certificate_and_key CERTS KEY CAFILE WORKDIR: a key and its certificate
# chain (PEM, or one DER certificate); the signer is the certificate of the key.
use_certificate_and_key() {
  local certs=$1 key=$2 work=$4 wanted candidate
  password_readable
  mkdir -p "$work"
  wanted=$(openssl pkey -in "$key" -pubout -passin "env:$PASSWORD_VARIABLE" 2>/dev/null) || {
    log "cannot read the key $key (is $PASSWORD_VARIABLE set to its password?)"
    return 1
  }
  rm -f "$work"/chain-*.pem
  if grep -q -- '-----BEGIN CERTIFICATE-----' "$certs"; then
    awk -v dir="$work" '/-----BEGIN CERTIFICATE-----/ {n++} n {print > (dir "/chain-" n ".pem")}' "$certs"
  else
    openssl x509 -inform DER -in "$certs" -out "$work/chain-1.pem" 2>/dev/null
  fi
  SIGN_LEAF=""
  for candidate in "$work"/chain-*.pem; do
    [ -f "$candidate" ] || continue
    if [ "$(openssl x509 -in "$candidate" -noout -pubkey 2>/dev/null)" = "$wanted" ]; then
      SIGN_LEAF=$candidate
      break
    fi
  done
  [ -n "$SIGN_LEAF" ] || { log "no certificate in $certs belongs to the key $key"; return 1; }
  SIGN_ARGS=(-certs "$certs" -key "$key")
  SIGN_CAFILE=$3
}

# sign_executable IN OUT [TIMESTAMP_URL]: an Authenticode SHA-256 signature,
# time-stamped by an RFC 3161 server when one is given.
sign_executable() {
  local args=(sign "${SIGN_ARGS[@]}" -h sha256 -n "Corvalidyne Setup")
  [ -n "${3:-}" ] && args+=(-ts "$3")
  rm -f "$2"
  local output status=0
  if [ -n "${!PASSWORD_VARIABLE:-}" ]; then
    output=$(printf '%s' "${!PASSWORD_VARIABLE}" |
      osslsigncode "${args[@]}" -readpass /dev/stdin -in "$1" -out "$2" 2>&1) || status=$?
  else
    output=$(osslsigncode "${args[@]}" -in "$1" -out "$2" 2>&1 </dev/null) || status=$?
  fi
  [ $status -eq 0 ] || { log "signing failed:"; printf '%s\n' "$output" >&2; }
  return $status
}

# verify_signature FILE: osslsigncode accepts the signature against the trusted
# certificates, and its signer is exactly the certificate used.
verify_signature() {
  local leaf_hash args output
  leaf_hash=$(openssl x509 -in "$SIGN_LEAF" -outform DER | sha256sum | cut -d' ' -f1)
  args=(verify -in "$1" -require-leaf-hash "sha256:$leaf_hash")
  [ -n "$SIGN_CAFILE" ] && args+=(-CAfile "$SIGN_CAFILE")
  if ! output=$(osslsigncode "${args[@]}" 2>&1); then
    log "signature verification failed for $1:"
    printf '%s\n' "$output" >&2
    return 1
  fi
  log "signature verified: $1 (signer $(openssl x509 -in "$SIGN_LEAF" -noout -subject))"
}

# check_signed SIGNED UNSIGNED: the executable checks hold on the signed file,
# and removing its signature gives back the unsigned bytes.
check_signed() {
  # shellcheck disable=SC2086 # one argument per DLL
  "$ROOT/scripts/check-executable.sh" "$OBJDUMP_I686" "$1" "$PRODUCT_MAX_BYTES" $PRODUCT_LATER_DLLS || return 1
  local stripped=$1.stripped
  osslsigncode remove-signature -in "$1" -out "$stripped" >/dev/null 2>&1 || {
    log "cannot remove the signature of $1"
    return 1
  }
  if ! cmp -s "$stripped" "$2"; then
    log "$1 without its signature is not $2: $(describe_difference "$stripped" "$2")"
    return 1
  fi
  rm -f "$stripped"
}

# check_no_build_paths EXE DIR...: none of the folders is named in the file.
check_no_build_paths() {
  local exe=$1 dir found=0
  shift
  for dir in "$@"; do
    if { strings -a "$exe"; strings -a -el "$exe"; } | grep -qF "$dir"; then
      log "$exe names the folder $dir"
      found=1
    fi
  done
  return $found
}

# describe_difference A B: where two executables first differ: the offset and
# the part of the PE file it lies in, and how many bytes differ.
describe_difference() {
  local offset size_a size_b count
  size_a=$(stat -c %s "$1") size_b=$(stat -c %s "$2")
  # cmp -l: one line per differing byte, its 1-based position first.
  read -r offset count < <(cmp -l "$1" "$2" 2>/dev/null | awk 'NR == 1 {first = $1} END {print first + 0, NR}')
  if [ "$offset" -gt 0 ]; then
    offset=$((offset - 1))
  else # one file is the beginning of the other
    offset=$((size_a < size_b ? size_a : size_b))
  fi
  printf 'first difference at offset 0x%x (%d), in %s; differing bytes: %d (sizes %d and %d)\n' \
    "$offset" "$offset" "$(pe_part "$1" "$offset")" "$count" "$size_a" "$size_b"
}

# pe_part FILE OFFSET: the section, or the header field, holding a file offset.
pe_part() {
  local file=$1 offset=$2 pe align
  pe=$(od -An -tu4 -j60 -N4 "$file" | tr -d ' ')
  # objdump gives a section's size in memory; in the file it is padded to FileAlignment.
  align=$((16#$("$OBJDUMP_I686" -p "$file" | awk '$1 == "FileAlignment" {print $2}')))
  local _ name size fileoff start end first="" last_end=0 part=""
  while read -r _ name size _ _ fileoff _; do
    start=$((16#$fileoff)) end=$(((16#$fileoff + 16#$size + align - 1) / align * align))
    [ "$start" -eq 0 ] && continue # no data in the file (.bss)
    [ -z "$first" ] || [ "$start" -lt "$first" ] && first=$start
    [ "$end" -gt "$last_end" ] && last_end=$end
    if [ "$offset" -ge "$start" ]; then # the linker writes sections in file order
      part="section $name"
      [ "$offset" -ge "$end" ] && part="the padding after section $name"
    fi
  done < <("$OBJDUMP_I686" -h "$file" | grep -E '^ *[0-9]+ ')
  if [ -n "$first" ] && [ "$offset" -lt "$first" ]; then
    case $((offset - pe)) in
      8 | 9 | 10 | 11) part="the PE headers (TimeDateStamp, the link time)" ;;
      88 | 89 | 90 | 91) part="the PE headers (CheckSum)" ;;
      *) part="the PE headers" ;;
    esac
  elif [ "$offset" -ge "$last_end" ]; then
    part="the data after the last section (certificate table or appended data)"
  fi
  echo "${part:-an unknown part}"
}
