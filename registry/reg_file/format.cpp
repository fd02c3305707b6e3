#include "reg_file/format.h"

#include <algorithm>

namespace corvalidyne::reg_file {

namespace {

struct RootName {
  RegistryRoot root;
  std::wstring_view longName;
  std::wstring_view shortName;
};

constexpr RootName kRoots[] = {
    {kHKeyLocalMachine, L"HKEY_LOCAL_MACHINE", L"HKLM"},   {kHKeyCurrentUser, L"HKEY_CURRENT_USER", L"HKCU"},
    {kHKeyClassesRoot, L"HKEY_CLASSES_ROOT", L"HKCR"},     {kHKeyUsers, L"HKEY_USERS", L"HKU"},
    {kHKeyCurrentConfig, L"HKEY_CURRENT_CONFIG", L"HKCC"},
};

constexpr wchar_t AsciiUpper(wchar_t c) noexcept {
  return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

}  // namespace

bool SameIgnoringCase(std::wstring_view a, std::wstring_view b) noexcept {
  return std::ranges::equal(a, b, [](wchar_t x, wchar_t y) { return AsciiUpper(x) == AsciiUpper(y); });
}

std::optional<RegistryRoot> RootNamed(std::wstring_view name) noexcept {
  for (const RootName& entry : kRoots) {
    if (SameIgnoringCase(name, entry.longName) || SameIgnoringCase(name, entry.shortName)) return entry.root;
  }
  return std::nullopt;
}

std::optional<std::wstring_view> LongNameOf(RegistryRoot root) noexcept {
  for (const RootName& entry : kRoots) {
    if (entry.root == root) return entry.longName;
  }
  return std::nullopt;
}

std::optional<wchar_t> Unescaped(wchar_t escape) noexcept {
  for (const Escape& entry : kEscapes) {
    if (entry.escape == escape) return entry.character;
  }
  return std::nullopt;
}

}  // namespace corvalidyne::reg_file
