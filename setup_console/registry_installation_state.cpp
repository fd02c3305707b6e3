#include "registry_installation_state.h"

#include <cstdint>
#include <cwchar>
#include <string>
#include <variant>

#include "corvalidyne/registry.h"

namespace corvalidyne {

namespace {

constexpr wchar_t kWebServerKey[] = L"SYSTEM\\CurrentControlSet\\Services\\W3SVC\\Parameters";
constexpr std::int32_t kLeastWebServerVersion = 5;

// A version held as a number (a DWORD reads as a 32-bit one) compares as one; a
// text compares by the whole decimal number it holds ("5" passes, "5a" and ""
// do not); anything else, a byte sequence among them, is no version and fails.
bool VersionAtLeast(const TaggedValue& value, std::int32_t least) {
  if (const auto* number = std::get_if<std::int32_t>(&value)) return *number >= least;
  if (const auto* text = std::get_if<std::wstring>(&value)) {
    if (text->empty()) return false;
    wchar_t* end = nullptr;
    const long number = std::wcstol(text->c_str(), &end, 10);
    return *end == L'\0' && number >= least;
  }
  return false;
}

}  // namespace

bool RegistryInstallationState::IsDone(const InstallationStep& step) const {
  Registry registry;
  registry.ClassKey(kHKeyLocalMachine);
  registry.SectionKey(step.doneKey);
  return registry.KeyExists();
}

bool RegistryInstallationState::IsIISInstalled() const {
  Registry registry;
  registry.ClassKey(kHKeyLocalMachine);
  registry.SectionKey(kWebServerKey);
  registry.ValueKey(L"MajorVersion");
  if (!registry.KeyExists()) return false;
  return VersionAtLeast(registry.Value(), kLeastWebServerVersion);
}

}  // namespace corvalidyne
