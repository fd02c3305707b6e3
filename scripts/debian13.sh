#!/usr/bin/env bash
# Runs the test command in a Debian 13 (trixie) system built from Debian's own
# packages, nothing else added: as a newcomer on today's Debian would.
#   bash scripts/debian13.sh [ROOT [COMMAND]]
# ROOT (default /var/tmp/corvalidyne-debian13) is made with debootstrap when it
# holds no system yet, and reused otherwise (remove it for a fresh one). A fresh
# clone of this repository's HEAD goes to ROOT/work/corvalidyne each run. The
# machine's handler for 32-bit programs is shared by every run on it, so the
# tests hold the lock file CORVALIDYNE_TESTS_LOCK, where it is set, as
# scripts/test.sh does. COMMAND (default: bash .ci/run) runs in the
# clone instead of the test command, e.g. "bash scripts/run.sh". With
# CORVALIDYNE_DEBIAN13_SAME_TREE=1 the clone of an earlier run is brought to
# HEAD and kept, with its build trees.
set -euo pipefail
source "$(dirname "$0")/common.sh"
TARGET=${1:-/var/tmp/corvalidyne-debian13}
COMMAND=${2:-bash .ci/run}
MIRROR=http://deb.debian.org/debian
CLONE=/work/corvalidyne
[ "$(id -u)" -eq 0 ] || { log "debian13.sh needs root (debootstrap, chroot, mounts)"; exit 1; }

for tool in debootstrap git; do
  command -v "$tool" >/dev/null || {
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$tool" >/dev/null
  }
done

start=$SECONDS
if [ ! -x "$TARGET/usr/bin/apt-get" ] || [ ! -f "$TARGET/.corvalidyne-bootstrapped" ]; then
  log "building a Debian 13 root in $TARGET"
  rm -rf "$TARGET"
  debootstrap trixie "$TARGET" "$MIRROR" >"$TARGET.debootstrap.log" 2>&1 ||
    { log "debootstrap failed: see $TARGET.debootstrap.log"; exit 1; }
  touch "$TARGET/.corvalidyne-bootstrapped"
else
  log "reusing the Debian 13 root in $TARGET"
fi
bootstrapped=$SECONDS

mounted=()
unmount_all() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[i]}" 2>/dev/null || true; done
}
trap unmount_all EXIT
mount_in() { # mount_in MOUNT-ARGS... DIR
  local dir=${*: -1}
  [ -e "$dir" ] || mkdir -p "$dir"
  mount "$@"
  mounted+=("$dir")
}
mount_in -t proc proc "$TARGET/proc"
mount_in -t sysfs sysfs "$TARGET/sys"
mount_in --bind /dev "$TARGET/dev"
mount_in -t devpts -o newinstance,ptmxmode=0666 devpts "$TARGET/dev/pts"
mount_in -t tmpfs tmpfs "$TARGET/dev/shm"
# The emulated 32-bit tests register their handler here (setup-emulated32.sh).
mount_in -t binfmt_misc binfmt_misc "$TARGET/proc/sys/fs/binfmt_misc"
cp -L /etc/resolv.conf "$TARGET/etc/resolv.conf"
lock=${CORVALIDYNE_TESTS_LOCK:-}
if [ -n "$lock" ]; then
  touch "$TARGET/run/corvalidyne-tests.lock"
  mount_in --bind "$lock" "$TARGET/run/corvalidyne-tests.lock"
fi

if [ "${CORVALIDYNE_DEBIAN13_SAME_TREE:-}" = 1 ] && [ -d "$TARGET$CLONE/.git" ]; then
  git -C "$TARGET$CLONE" fetch -q "$ROOT" HEAD
  git -C "$TARGET$CLONE" checkout -q --force FETCH_HEAD
else
  rm -rf "${TARGET:?}$CLONE"
  mkdir -p "$(dirname "$TARGET$CLONE")"
  git clone -q "$ROOT" "$TARGET$CLONE"
fi
log "testing $(git -C "$TARGET$CLONE" log -1 --format='%h %s' | cut -c1-72) in Debian 13"
status=0
chroot "$TARGET" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
  ${lock:+CORVALIDYNE_TESTS_LOCK=/run/corvalidyne-tests.lock} \
  bash -c "cd $CLONE && $COMMAND" || status=$?
log "Debian 13: root $((bootstrapped - start)) s, $COMMAND $((SECONDS - bootstrapped)) s, exit $status"
exit $status
