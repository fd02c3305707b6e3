#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace corvalidyne {

// Text between UTF-16 and a code page's bytes. Lengths are explicit, so that
// embedded NUL characters survive; a character the code page cannot hold
// becomes its default character.
std::string ToCodePage(std::wstring_view text, UINT codePage);
std::wstring FromCodePage(std::string_view text, UINT codePage);

// The system's ANSI code page, which the "A" functions speak.
inline std::string ToAnsi(std::wstring_view text) { return ToCodePage(text, CP_ACP); }
inline std::wstring FromAnsi(std::string_view text) { return FromCodePage(text, CP_ACP); }

inline std::string ToUtf8(std::wstring_view text) { return ToCodePage(text, CP_UTF8); }
inline std::wstring FromUtf8(std::string_view text) { return FromCodePage(text, CP_UTF8); }

// Plain decimal with a leading minus and no grouping. std::to_wstring formats
// through the C library's wide printf, which links a whole formatter (about 28 KB).
inline std::wstring DecimalText(long long value) {
  const std::string digits = std::to_string(value);
  return {digits.begin(), digits.end()};
}

}  // namespace corvalidyne
