# read_shell_settings(FILE): sets each NAME=value line of a shell file that the
# scripts source too, so that a setting lives in one place for both. A value
# in double quotes loses them.
function(read_shell_settings file)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
  file(STRINGS ${file} lines REGEX "^[A-Z0-9_]+=")
  foreach(line IN LISTS lines)
    string(REGEX MATCH "^([A-Z0-9_]+)=\"?([^\"]*)\"?$" assignment "${line}")
    set(${CMAKE_MATCH_1} "${CMAKE_MATCH_2}" PARENT_SCOPE)
  endforeach()
endfunction()
