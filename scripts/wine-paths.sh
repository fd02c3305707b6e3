# The Wine programs this project runs: sourced by the scripts, read by CMake
# (cmake/wine-paths.cmake). Plain NAME=path lines only.
# shellcheck shell=bash
# shellcheck disable=SC2034
WINE64=/usr/lib/wine/wine64
WINE32=/usr/lib/wine/wine
WINESERVER=/usr/lib/wine/wineserver64
