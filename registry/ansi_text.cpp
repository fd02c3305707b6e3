#include "ansi_text.h"

#include <windows.h>

namespace corvalidyne {

std::optional<std::string> AnsiName(std::wstring_view name) {
  if (name.find(L'\0') != std::wstring_view::npos) return std::nullopt;
  return AnsiText(name);
}

std::optional<std::string> AnsiText(std::wstring_view text) {
  std::string ansi = ToAnsi(text);
  if (FromAnsi(ansi) != text) return std::nullopt;
  return ansi;
}

std::size_t AnsiBufferSize(std::size_t characters) {
  CPINFO info{};
  const std::size_t perCharacter = GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 0 ? info.MaxCharSize : 2;
  return characters * perCharacter + 1;
}

}  // namespace corvalidyne
