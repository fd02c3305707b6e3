#pragma once

#include <string>
#include <string_view>

namespace corvalidyne {

// Conversions at the boundary of the ANSI ("A") functions: the system ANSI code
// page, lengths explicit so that embedded NUL characters survive.
std::string ToAnsi(std::wstring_view text);
std::wstring FromAnsi(std::string_view text);

std::string ToUtf8(std::wstring_view text);

// Bytes an ANSI buffer needs for `characters` characters and a terminator: a
// character may take more than one byte in a double-byte code page.
std::size_t AnsiBufferSize(std::size_t characters);

}  // namespace corvalidyne
