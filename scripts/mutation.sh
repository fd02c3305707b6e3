#!/usr/bin/env bash
# mutation.sh LIST...: plants each fault of the list files, one at a time, in a
# scratch clone of this commit, rebuilds its x86_64 tree and runs the whole
# x86_64 suite under Wine; prints "caught N of M" and the faults that survived.
# A list line is FILE<TAB>SED-EXPRESSION (FILE from the repository's root,
# applied as `sed -i -e EXPRESSION FILE`); '#' comments and blank lines are
# skipped. An expression that changes nothing is reported as broken, never as
# caught. Only committed work is tested. The scratch clone and its build stay
# in build/mutation, so that a second run builds only what each fault changes.
# CORVALIDYNE_MUTATION_REUSE=1 keeps the clone at the commit it holds, with its
# booted prefix, and skips the fault-free run: for a further list on a commit
# whose fault-free run has passed there. CORVALIDYNE_MUTATION_TESTS=REGEX runs
# only the CTest entries it selects (ctest -R) for every fault and the
# fault-free run: for a list whose faults lie where those entries test (the
# registry library's, say), at a fraction of the whole suite's time.
# mutation.sh --check LIST...: only whether each expression still changes
# exactly one line of its file, or adds lines at one place, as the working tree
# has it (after code has moved, say); builds and runs nothing, and fails on any
# that does not.
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: $0 [--check] LIST..." >&2; exit 2; }
SOURCE=$(cd "$(dirname "$0")/.." && pwd)
if [ "$1" = --check ]; then
  shift
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' EXIT
  status=0 checked=0
  while IFS= read -r line; do
    [[ "$line" =~ ^[[:space:]]*(#|$) ]] && continue
    file=${line%%$'\t'*}
    expression=${line#*$'\t'}
    checked=$((checked + 1))
    changed=0
    if [ "$file" != "$line" ] && [ -f "$SOURCE/$file" ] && cp "$SOURCE/$file" "$scratch/file" &&
      sed -i -e "$expression" "$scratch/file" 2>/dev/null; then
      changed=$(diff "$SOURCE/$file" "$scratch/file" | grep -c '^<' || true)
      # A fault that adds a line (a call made twice, say) changes none.
      if [ "$changed" -eq 0 ] && [ "$(diff "$SOURCE/$file" "$scratch/file" | grep -c '^[0-9]')" -eq 1 ]; then
        changed=1
      fi
    fi
    [ "$changed" -eq 1 ] && continue
    echo "broken ($changed lines changed): $line"
    status=1
  done < <(cat "$@")
  [ $status -eq 0 ] && echo "all $checked expressions change one line of their files"
  exit $status
fi
SCRATCH=${CORVALIDYNE_MUTATION_DIR:-$SOURCE/build/mutation}
LOCK=${CORVALIDYNE_TESTS_LOCK:-}
lists=()
for list in "$@"; do lists+=("$(cd "$(dirname "$list")" && pwd)/$(basename "$list")"); done

REUSE=${CORVALIDYNE_MUTATION_REUSE:-0}
SELECTED=${CORVALIDYNE_MUTATION_TESTS:-}
if [ "$REUSE" = 1 ]; then
  [ -d "$SCRATCH/.git" ] || { echo "no scratch clone to reuse in $SCRATCH" >&2; exit 2; }
  git -C "$SCRATCH" checkout -q -- .
elif [ -d "$SCRATCH/.git" ]; then
  git -C "$SCRATCH" fetch -q "$SOURCE" HEAD
  git -C "$SCRATCH" checkout -q --force FETCH_HEAD
else
  git clone -q "$SOURCE" "$SCRATCH"
  git -C "$SCRATCH" checkout -q --force "$(git -C "$SOURCE" rev-parse HEAD)"
fi
git -C "$SCRATCH" clean -qfd -e build -e '*.log'

# The scratch clone's own scripts: ROOT and BUILD_ROOT are the clone's.
unset BUILD_ROOT
source "$SCRATCH/scripts/common.sh"
source "$SCRATCH/scripts/emulated32.sh"
install_packages
TREE=$BUILD_ROOT/x86_64
TEMPLATE=$TREE/wineprefix-mutation-template

# The prefix's boot, and each fault's build and suite, hold the lock where one
# is named: a boot must not meet a registered handler for 32-bit programs, and
# a test run beside this one (scripts/debian13.sh) is then neither slowed by it
# nor kept waiting for the whole list; the pause lets a waiting run in.
take_turn() { hold_tests_lock; }
end_turn() {
  [ -z "$LOCK" ] && return 0
  release_tests_lock
  sleep 2
}

# One booted prefix, kept as a template: each fault's suite runs in a fresh
# copy of it, so that what one fault leaves in the registry misleads no other.
boot_template() {
  take_turn
  remove_i386_handler
  wine_for_tests "$TREE"
  end_turn
  stop_wine
  rm -rf "$TEMPLATE"
  cp -a "$TREE/wineprefix" "$TEMPLATE"
}

prefix_from_template() {
  stop_wine
  rm -rf "$TREE/wineprefix"
  cp -a "$TEMPLATE" "$TREE/wineprefix"
  export WINEPREFIX=$TREE/wineprefix WINEDEBUG=-all
  "$WINESERVER" -p >/dev/null 2>&1
  hold_desktop "$WINE64" "$TREE/desktop_user.exe"
}

# suite LOG: the whole x86_64 suite, stopping at its first failure.
suite() {
  prefix_from_template || { log "the prefix copy's desktop could not be held"; return 2; }
  local status=0
  ctest --test-dir "$TREE" -j2 --timeout 300 --stop-on-failure --output-on-failure ${SELECTED:+-R "$SELECTED"} \
    >"$1" 2>&1 || status=$?
  end_sessions
  return $status
}

# A suite stopped at its first failure skips the entries that end the prefix
# copies' sessions, whose persistent servers and desktops would otherwise stay
# (with their display connections, which the display runs out of after a few
# dozen faults, failing every later suite as if each fault were caught).
end_sessions() {
  local prefix
  for prefix in "$TREE"/wineprefix "$TREE"/wineprefix-*/; do
    [ -d "$prefix" ] && WINEPREFIX=${prefix%/} "$WINESERVER" -k >/dev/null 2>&1
  done
  return 0
}

trap 'stop_wine; stop_display' EXIT
ensure_display
export CORVALIDYNE_UNMANAGED_WINDOWS=1
build_arch x86_64 >/dev/null
if [ "$REUSE" != 1 ] || [ ! -d "$TEMPLATE" ]; then boot_template; fi
if [ "$REUSE" != 1 ]; then
  log "the suite without a fault"
  take_turn
  if ! suite "$SCRATCH/baseline.log"; then
    log "the suite fails without any fault: see $SCRATCH/baseline.log"
    exit 1
  fi
  end_turn
fi

total=0 caught=0 survivors=() broken=()
while IFS= read -r line; do
  [[ "$line" =~ ^[[:space:]]*(#|$) ]] && continue
  file=${line%%$'\t'*}
  expression=${line#*$'\t'}
  total=$((total + 1))
  git -C "$SCRATCH" checkout -q -- .
  if [ ! -f "$SCRATCH/$file" ] || [ "$file" = "$line" ] ||
    ! sed -i -e "$expression" "$SCRATCH/$file" || git -C "$SCRATCH" diff --quiet -- "$file"; then
    broken+=("$line")
    log "[$total] BROKEN (the expression changed nothing): $line"
    continue
  fi
  log "[$total] $file: $expression"
  take_turn
  started=$SECONDS
  if ! build_arch x86_64 >"$SCRATCH/fault-$total.log" 2>&1; then
    caught=$((caught + 1))
    log "[$total] caught by the build ($((SECONDS - started)) s)"
  elif ! suite "$SCRATCH/fault-$total.log"; then
    caught=$((caught + 1))
    log "[$total] caught ($((SECONDS - started)) s): $(grep -m1 -E '\*\*\*|\(Failed\)|\(Timeout\)' "$SCRATCH/fault-$total.log" |
      sed 's/^ *//')"
  else
    survivors+=("$line")
    log "[$total] SURVIVED ($((SECONDS - started)) s)"
  fi
  end_turn
done < <(cat "${lists[@]}")
git -C "$SCRATCH" checkout -q -- .

counted=$((total - ${#broken[@]}))
echo "caught $caught of $counted"
for survivor in "${survivors[@]}"; do echo "survived: $survivor"; done
for entry in "${broken[@]}"; do echo "broken: $entry"; done
[ ${#broken[@]} -eq 0 ]
