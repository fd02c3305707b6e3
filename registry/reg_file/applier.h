#pragma once

#include <cstddef>
#include <system_error>

#include "corvalidyne/registry_types.h"
#include "reg_file/plan.h"

namespace corvalidyne::reg_file {

// Makes a checked plan's changes in `view`, in the file's order, through
// RegistryKey. The first the registry refuses stops it: the code is set and
// `line` is the line of the key or value refused.
bool Apply(const Plan& plan, RegistryView view, std::error_code& code, std::size_t& line);

}  // namespace corvalidyne::reg_file
