#pragma once

#include <string>

namespace corvalidyne {

// One environment expansion call, on a text short enough for it.
using ExpandPart = std::wstring (*)(const std::wstring& part);

// The system's expansion of a text of any length. One expansion call handles
// at most 32K characters (a longer text comes back empty or as garbage), so
// the text goes to expandPart in parts that end only between references.
std::wstring ExpandInParts(const std::wstring& text, ExpandPart expandPart);

}  // namespace corvalidyne
