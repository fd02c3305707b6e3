#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace corvalidyne::layer {

// `text` with its %NAME% references expanded as the environment functions of
// the `Char` width expand them (char: ExpandEnvironmentStringsA, through the
// ANSI code page; wchar_t: ExpandEnvironmentStringsW), whatever its length and
// its NULs. One call stops at a NUL and handles at most 32K characters (a
// longer text comes back empty or as garbage), so each NUL-separated piece is
// expanded on its own, in parts that end only between references. Returns the
// system's status; `expanded` is whole only on success.
template <typename Char>
LONG ExpandEnvironment(std::wstring_view text, std::wstring& expanded);

extern template LONG ExpandEnvironment<char>(std::wstring_view, std::wstring&);
extern template LONG ExpandEnvironment<wchar_t>(std::wstring_view, std::wstring&);

}  // namespace corvalidyne::layer
