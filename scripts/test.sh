#!/usr/bin/env bash
# Installs what is missing, builds both architectures (with GCC, and with clang 19
# for the registry library's tests and the launcher's checks) and runs every test under Wine.
set -euo pipefail
source "$(dirname "$0")/common.sh"
source "$(dirname "$0")/emulated32.sh"
# The registry library's CTest entries: its test programs' cases and the consumer project.
REGISTRY_TESTS='^(Registry|KeyHandle|RegFile|registry_consumer)'

install_packages
build_arch i686
build_arch x86_64
# Clang 19 builds the whole x86_64 tree too, and its registry tests run under
# Wine below. The product stays GCC's: clang's i686 launcher only has to build
# and pass the executable checks.
build_arch clang-x86_64
build_arch clang-i686 CorvalidyneSetup standin driver
# Formatting everywhere, and clang-tidy's findings in product code.
"$ROOT/scripts/check-style.sh" "$BUILD_ROOT/x86_64"
# Every relative link and image of the Markdown files leads somewhere.
"$ROOT/scripts/check-links.sh"
# The executable checks (imports, ASLR/DEP, the product's size) are CTest tests;
# run here before Wine starts, so that they decide also where the i686 tree's
# other tests cannot run.
for arch in i686 x86_64 clang-x86_64 clang-i686; do
  ctest --test-dir "$BUILD_ROOT/$arch/cmake/executable_checks" --output-on-failure --no-tests=error
done
# A fresh release build gives this build's bytes, and signs and verifies.
"$ROOT/scripts/check-release.sh" "$BUILD_ROOT/i686/CorvalidyneSetup.exe"

# Runs that share this machine's handler for 32-bit programs take turns here
# (scripts/debian13.sh runs one in a Debian 13 root beside others).
hold_tests_lock
trap 'stop_wine; remove_i386_handler; stop_display' EXIT
remove_i386_handler
wine_for_tests "$BUILD_ROOT/x86_64"
log "running the tests (x86_64 build under Wine)"
ctest --test-dir "$BUILD_ROOT/x86_64" --output-on-failure --no-tests=error -j2 --timeout 300
stop_wine
log "running the registry library's tests (clang x86_64 build under Wine)"
wine_for_tests "$BUILD_ROOT/clang-x86_64"
ctest --test-dir "$BUILD_ROOT/clang-x86_64" --output-on-failure --no-tests=error -j2 --timeout 300 \
  -R "$REGISTRY_TESTS"
stop_wine

# The product itself: the i686 build, where this machine can run it.
run_32bit_tests
