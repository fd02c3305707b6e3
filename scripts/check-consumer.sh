#!/usr/bin/env bash
# check-consumer.sh BUILD_TREE TOOLCHAIN_FILE: compiles each public registry
# header alone, installs BUILD_TREE's package into BUILD_TREE/consumer/prefix
# and builds tests/consumer, a project of its own, with the tree's own
# compiler (TOOLCHAIN_FILE): through find_package (consumer/installed) and
# FetchContent (consumer/fetched). FetchContent adds the source tree as
# add_subdirectory does, so the add_subdirectory form (consumer/subdirectory) is
# configured alone, which checks the names it adds, and not compiled a second
# time. It checks that a plain int written as a value does not compile, and
# that the guide's CMake lines are the consumer's. CTest runs the two programs
# under Wine.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
TREE=$1
TOOLCHAIN=$2
WORK=$TREE/consumer
start=$SECONDS

cmake --build "$TREE" --target corvalidyne_registry_verify_interface_header_sets -- --no-print-directory \
  >/dev/null

# The package from scratch every time: leftovers of an earlier install must not
# stand in for a file it no longer provides. The fetched build is kept, as any
# build tree is, so that a second run does not compile the library again.
rm -rf "$WORK/prefix" "$WORK/installed"
find "$WORK" -name '*.exe' -delete 2>/dev/null || true
cmake --install "$TREE" --prefix "$WORK/prefix" >/dev/null

# The user's own link choice: -static, so that the program needs no MinGW DLLs under Wine.
configure() {
  cmake -S "$ROOT/tests/consumer" -B "$WORK/$1" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DCMAKE_EXE_LINKER_FLAGS=-static "${@:2}" >/dev/null
}
consumer() {
  configure "$@"
  cmake --build "$WORK/$1" -j2 -- --no-print-directory >/dev/null
}
consumer installed -DCMAKE_PREFIX_PATH="$WORK/prefix"
configure subdirectory -DCORVALIDYNE_SOURCE_DIR="$ROOT"
consumer fetched -DCORVALIDYNE_FETCH=ON -DFETCHCONTENT_SOURCE_DIR_CORVALIDYNE="$ROOT"

# A plain int written through either face does not compile, and the message
# names the unsigned literals to write instead.
refused=$WORK/installed/refused_int.log
if cmake --build "$WORK/installed" --target refused_int -- --no-print-directory >"$refused" 2>&1; then
  echo "a plain int written as a registry value compiled" >&2
  exit 1
fi
if [ "$(grep -c 'write 42u' "$refused")" -lt 2 ]; then
  echo "the refusal of a plain int does not say what to write instead (see $refused)" >&2
  exit 1
fi

# Fetched, the tree builds the library and nothing else.
for variant in fetched; do
  programs=$(cd "$WORK/$variant" && find . -path ./CMakeFiles -prune -o -name '*.exe' -print)
  if [ "$programs" != ./registry_consumer.exe ]; then
    echo "the $variant tree built more than the library:" "${programs//$'\n'/ }" >&2
    exit 1
  fi
done

# The guide's CMake lines are the consumer's: each stands in tests/consumer/CMakeLists.txt.
while IFS= read -r line; do
  grep -qxF -- "$line" <(sed 's/^[[:space:]]*//' "$ROOT/tests/consumer/CMakeLists.txt") && continue
  case $line in
  add_subdirectory*corvalidyne* | target_link_libraries*Corvalidyne::registry*) continue ;;
  esac
  echo "the guide's CMake line is not the consumer's: $line" >&2
  exit 1
done < <(awk '/^```cmake/ {inside = 1; next} /^```/ {inside = 0} inside' "$ROOT/registry/README.md")
echo "registry consumer built two ways in $((SECONDS - start)) s"
