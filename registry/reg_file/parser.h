#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "corvalidyne/reg_file.h"
#include "reg_file/plan.h"

namespace corvalidyne::reg_file {

// The first malformed line of a file, and what is wrong with it.
struct Malformed {
  RegFileErrc error;
  std::size_t line;
};

// Parses a whole file's text (decoded, without its byte-order mark) into the
// changes it asks for, checking every line before it returns: the plan is
// whole when nothing is malformed. In a REGEDIT4 file the bytes of hex(1),
// hex(2) and hex(7) data are ANSI text, stored as UTF-16.
std::optional<Malformed> Parse(std::wstring_view text, Plan& plan);

}  // namespace corvalidyne::reg_file
