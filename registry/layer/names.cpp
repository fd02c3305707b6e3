#include "layer/names.h"

namespace corvalidyne::layer {

std::optional<std::string> AnsiName(std::wstring_view name) {
  if (name.find(L'\0') != std::wstring_view::npos) return std::nullopt;
  return AnsiText(name);
}

std::size_t AnsiBufferSize(std::size_t characters) {
  CPINFO info{};
  const std::size_t perCharacter = GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 0 ? info.MaxCharSize : 2;
  return characters * perCharacter + 1;
}

}  // namespace corvalidyne::layer
