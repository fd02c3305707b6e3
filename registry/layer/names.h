#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "text_conversion.h"

namespace corvalidyne::layer {

// Key paths, value names and machine names reach the system only through these
// checks: a name the system would take otherwise than it is given is refused
// (ERROR_INVALID_NAME) before any call, so it can never act on another key or
// value than the one named.

// A name as the wide functions take it: NUL-terminated. One holding a NUL
// would reach them cut short, so it is not valid.
class WideName {
 public:
  explicit WideName(std::wstring_view name) : text_(name), valid_(name.find(L'\0') == name.npos) {}

  [[nodiscard]] bool valid() const noexcept { return valid_; }
  [[nodiscard]] const wchar_t* get() const noexcept { return text_.c_str(); }

 private:
  std::wstring text_;
  bool valid_;
};

// The ANSI form of a key path, value name or machine name, or nothing when the
// name cannot be passed on faithfully: an ANSI call would cut it at an embedded
// NUL, and a character outside the code page would become another one ("?" or
// a best fit), so either way the call would address a different key or value.
std::optional<std::string> AnsiName(std::wstring_view name);

// The ANSI form of string data, NUL characters kept, or nothing when a
// character outside the code page would be stored as another one. Copied into
// each caller: the launcher links every function of an object it needs (its
// unwind tables keep them all), and it needs AnsiName but not this.
[[gnu::always_inline]] inline std::optional<std::string> AnsiText(std::wstring_view text) {
  std::string ansi = ToAnsi(text);
  if (FromAnsi(ansi) != text) return std::nullopt;
  return ansi;
}

// Bytes an ANSI buffer needs for `characters` characters and a terminator: a
// character may take more than one byte in a double-byte code page.
std::size_t AnsiBufferSize(std::size_t characters);

}  // namespace corvalidyne::layer
