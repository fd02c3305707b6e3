# Sets WINE64, WINE32 and WINESERVER from scripts/wine-paths.sh, the one place
# that names them for the scripts too.
set(wine_paths_file ${PROJECT_SOURCE_DIR}/scripts/wine-paths.sh)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${wine_paths_file})
file(STRINGS ${wine_paths_file} wine_paths REGEX "^[A-Z0-9_]+=")
foreach(line IN LISTS wine_paths)
  string(REGEX MATCH "^([A-Z0-9_]+)=(.*)$" assignment "${line}")
  set(${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
endforeach()
