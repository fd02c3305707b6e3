# What the product (the i686 launcher) may weigh, counted without a signature;
# the system DLLs it loads only when first needed, never at start; and the
# functions that only the registry library's watcher and .reg files call, which
# the launcher does not link. Sourced by the release scripts, read by CMake
# (cmake/executable_checks/). Plain NAME=value lines only.
# shellcheck shell=bash
# shellcheck disable=SC2034
PRODUCT_MAX_BYTES=262144
PRODUCT_LATER_DLLS="shell32.dll"
PRODUCT_UNLINKED_FUNCTIONS="RegNotifyChangeKeyValue CreateThreadpoolWait MoveFileExW GetFileSizeEx"
