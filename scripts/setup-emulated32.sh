#!/usr/bin/env bash
# Sets this machine up to run the i686 build under 32-bit Wine. Its kernel runs
# 32-bit x86 programs only through qemu's user-mode emulation, registered with
# binfmt_misc. Sourced by emulated32.sh, whose tests call enable_32bit_programs
# first; run on its own (as root), it sets the machine up and leaves the
# emulator registered:
#   bash scripts/setup-emulated32.sh
# shellcheck shell=bash

BINFMT=/proc/sys/fs/binfmt_misc
# The handler this script registers; it removes no other.
BINFMT_NAME=corvalidyne-i386
I386_MAGIC='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
I386_MASK='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
I386_MAGIC_HEX=7f454c4601010100000000000000000002000300
QEMU_I386=/usr/bin/qemu-i386
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

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  source "$(dirname "$0")/common.sh"
  if ! enable_32bit_programs; then
    log "32-bit Wine cannot run here: $SKIP_REASON"
    exit 1
  fi
  log "32-bit Wine runs here: $("$WINE32" --version 2>/dev/null)"
fi
