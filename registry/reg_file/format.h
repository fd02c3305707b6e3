#pragma once

#include <optional>
#include <string_view>

#include "corvalidyne/tagged_value.h"

namespace corvalidyne::reg_file {

// The tables of the .reg format that both its writer and its parser follow.

inline constexpr std::wstring_view kHeader = L"Windows Registry Editor Version 5.00";
inline constexpr std::wstring_view kAnsiHeader = L"REGEDIT4";
inline constexpr std::wstring_view kLineEnd = L"\r\n";

// Root names, "dword:" and "hex" are ASCII: compared letter by letter, any case.
bool SameIgnoringCase(std::wstring_view a, std::wstring_view b) noexcept;

// The root a key line names, by its long name or its short form (any case).
std::optional<RegistryRoot> RootNamed(std::wstring_view name) noexcept;
// The long name a file gives a root; nothing for a value of no .reg name.
std::optional<std::wstring_view> LongNameOf(RegistryRoot root) noexcept;

// A character of quoted text and the escape that stands for it after a "\".
struct Escape {
  wchar_t character;
  wchar_t escape;
};
inline constexpr Escape kEscapes[] = {{L'\\', L'\\'}, {L'"', L'"'}, {L'\r', L'r'}, {L'\n', L'n'}};

// The character an escape stands for; nothing for an unknown escape.
std::optional<wchar_t> Unescaped(wchar_t escape) noexcept;

// Hex data wraps once a line reaches this many UTF-16 units, as reg.exe wraps it.
inline constexpr std::size_t kWrapColumn = 77;
inline constexpr std::wstring_view kContinuation = L"\\\r\n  ";

// Limits the registry sets, checked before anything is written.
inline constexpr std::size_t kLongestKeyName = 255;
inline constexpr std::size_t kLongestValueName = 16383;

}  // namespace corvalidyne::reg_file
