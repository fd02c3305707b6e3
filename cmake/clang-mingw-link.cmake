# Read after the platform's own settings (CMAKE_USER_MAKE_RULES_OVERRIDE), so
# that what it adds to the libraries every program links stays, also where a
# project sets its own CMAKE_EXE_LINKER_FLAGS (-static, say). Without lld 19
# clang would link through GNU ld, which mislinks GCC's C++ library here; and
# GCC's -posix driver links the thread library by itself, clang's only when
# told (-pthread), which a -static link of the C++ library needs.
# Read once for each language enabled: added once.
foreach(lang C CXX)
  if(NOT CMAKE_${lang}_STANDARD_LIBRARIES_INIT MATCHES "lld-19")
    string(APPEND CMAKE_${lang}_STANDARD_LIBRARIES_INIT " -fuse-ld=lld-19 -pthread")
  endif()
endforeach()
