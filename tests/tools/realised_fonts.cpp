// Prints, for each face named on the command line, the family that the system
// really uses for it: "face=family", one line each. The test command reads it
// to check a prefix's fonts before any layout test runs.
#include <windows.h>

#include <cstdio>

#include "realised_font.h"

int wmain(int argc, wchar_t** argv) {
  for (int i = 1; i < argc; ++i) {
    std::wprintf(L"%ls=%ls\n", argv[i], corvalidyne::testing::RealisedFamily(argv[i]).c_str());
  }
  return 0;
}
