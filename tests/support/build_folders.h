#pragma once

#include <string>

namespace corvalidyne::testing {

// The folder of the running test program, where the build puts every program.
std::wstring BuildFolder();
// The demonstration medium that the build stages beside the programs.
std::wstring MediumFolder();

}  // namespace corvalidyne::testing
