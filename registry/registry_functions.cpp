#include "corvalidyne/registry_functions.h"

#include <windows.h>

#include "failure.h"

namespace corvalidyne {

namespace {

// Each function opens its key for one call and asks it one thing, in the error
// policy of the member it asks: the throwing one, or the one taking the
// caller's std::error_code.
template <typename Result>
Result Ask(Result (RegistryKey::*ask)(std::wstring_view) const, RegistryRoot root, std::wstring_view path,
           std::wstring_view name, RegistryView view) {
  const auto key = RegistryKey::Open(root, path, view);
  return key ? ((*key).*ask)(name) : Result{};
}

template <typename Result>
Result Ask(Result (RegistryKey::*ask)(std::wstring_view, std::error_code&) const, RegistryRoot root,
           std::wstring_view path, std::wstring_view name, RegistryView view, std::error_code& code) {
  const auto key = RegistryKey::Open(root, path, view, RegistryAccess::kRead, code);
  return key ? ((*key).*ask)(name, code) : Result{};
}

}  // namespace

std::optional<std::uint32_t> ReadDword(RegistryRoot root, std::wstring_view path, std::wstring_view name,
                                       RegistryView view) {
  return Ask(&RegistryKey::ReadDword, root, path, name, view);
}

std::optional<std::uint32_t> ReadDword(RegistryRoot root, std::wstring_view path, std::wstring_view name,
                                       RegistryView view, std::error_code& code) {
  return Ask(&RegistryKey::ReadDword, root, path, name, view, code);
}

std::optional<std::uint64_t> ReadQword(RegistryRoot root, std::wstring_view path, std::wstring_view name,
                                       RegistryView view) {
  return Ask(&RegistryKey::ReadQword, root, path, name, view);
}

std::optional<std::uint64_t> ReadQword(RegistryRoot root, std::wstring_view path, std::wstring_view name,
                                       RegistryView view, std::error_code& code) {
  return Ask(&RegistryKey::ReadQword, root, path, name, view, code);
}

std::optional<std::wstring> ReadString(RegistryRoot root, std::wstring_view path, std::wstring_view name,
                                       RegistryView view) {
  return Ask(&RegistryKey::ReadString, root, path, name, view);
}

std::optional<std::wstring> ReadString(RegistryRoot root, std::wstring_view path, std::wstring_view name,
                                       RegistryView view, std::error_code& code) {
  return Ask(&RegistryKey::ReadString, root, path, name, view, code);
}

std::optional<std::vector<std::wstring>> ReadStrings(RegistryRoot root, std::wstring_view path,
                                                     std::wstring_view name, RegistryView view) {
  return Ask(&RegistryKey::ReadStrings, root, path, name, view);
}

std::optional<std::vector<std::wstring>> ReadStrings(RegistryRoot root, std::wstring_view path,
                                                     std::wstring_view name, RegistryView view,
                                                     std::error_code& code) {
  return Ask(&RegistryKey::ReadStrings, root, path, name, view, code);
}

std::optional<Bytes> ReadBinary(RegistryRoot root, std::wstring_view path, std::wstring_view name,
                                RegistryView view) {
  return Ask(&RegistryKey::ReadBinary, root, path, name, view);
}

std::optional<Bytes> ReadBinary(RegistryRoot root, std::wstring_view path, std::wstring_view name,
                                RegistryView view, std::error_code& code) {
  return Ask(&RegistryKey::ReadBinary, root, path, name, view, code);
}

std::optional<std::wstring> ReadExpandedString(RegistryRoot root, std::wstring_view path,
                                               std::wstring_view name, RegistryView view) {
  return Ask(&RegistryKey::ReadExpandedString, root, path, name, view);
}

std::optional<std::wstring> ReadExpandedString(RegistryRoot root, std::wstring_view path,
                                               std::wstring_view name, RegistryView view,
                                               std::error_code& code) {
  return Ask(&RegistryKey::ReadExpandedString, root, path, name, view, code);
}

std::optional<ExpandableString> ReadExpandableString(RegistryRoot root, std::wstring_view path,
                                                     std::wstring_view name, RegistryView view) {
  return Ask(&RegistryKey::ReadExpandableString, root, path, name, view);
}

std::optional<ExpandableString> ReadExpandableString(RegistryRoot root, std::wstring_view path,
                                                     std::wstring_view name, RegistryView view,
                                                     std::error_code& code) {
  return Ask(&RegistryKey::ReadExpandableString, root, path, name, view, code);
}

std::optional<RegistryValue> ReadValue(RegistryRoot root, std::wstring_view path, std::wstring_view name,
                                       RegistryView view) {
  return Ask(&RegistryKey::ReadValue, root, path, name, view);
}

std::optional<RegistryValue> ReadValue(RegistryRoot root, std::wstring_view path, std::wstring_view name,
                                       RegistryView view, std::error_code& code) {
  return Ask(&RegistryKey::ReadValue, root, path, name, view, code);
}

std::optional<RegistryValueType> TypeOf(RegistryRoot root, std::wstring_view path, std::wstring_view name,
                                        RegistryView view) {
  return Ask(&RegistryKey::TypeOf, root, path, name, view);
}

std::optional<RegistryValueType> TypeOf(RegistryRoot root, std::wstring_view path, std::wstring_view name,
                                        RegistryView view, std::error_code& code) {
  return Ask(&RegistryKey::TypeOf, root, path, name, view, code);
}

void Write(RegistryRoot root, std::wstring_view path, std::wstring_view name,
           std::initializer_list<std::wstring_view> value, RegistryView view) {
  RegistryKey::Create(root, path, view).Write(name, value);
}

void Write(RegistryRoot root, std::wstring_view path, std::wstring_view name,
           std::initializer_list<std::wstring_view> value, RegistryView view, std::error_code& code) {
  if (auto key = RegistryKey::Create(root, path, view, {}, code)) key->Write(name, value, code);
}

void WriteValue(RegistryRoot root, std::wstring_view path, std::wstring_view name, const RegistryValue& value,
                RegistryView view) {
  RegistryKey::Create(root, path, view).WriteValue(name, value);
}

void WriteValue(RegistryRoot root, std::wstring_view path, std::wstring_view name, const RegistryValue& value,
                RegistryView view, std::error_code& code) {
  if (auto key = RegistryKey::Create(root, path, view, {}, code)) key->WriteValue(name, value, code);
}

bool KeyExists(RegistryRoot root, std::wstring_view path, RegistryView view) {
  return OrThrow("opening registry key", path,
                 [&](std::error_code& code) { return KeyExists(root, path, view, code); });
}

// A key that refuses the caller exists all the same.
bool KeyExists(RegistryRoot root, std::wstring_view path, RegistryView view, std::error_code& code) {
  const bool opened = RegistryKey::Open(root, path, view, RegistryAccess::kRead, code).has_value();
  if (code != std::error_code(ERROR_ACCESS_DENIED, std::system_category())) return opened;
  code.clear();
  return true;
}

bool DeleteValue(RegistryRoot root, std::wstring_view path, std::wstring_view name, RegistryView view) {
  auto key = RegistryKey::Open(root, path, view, RegistryAccess::kReadWrite);
  return key && key->DeleteValue(name);
}

bool DeleteValue(RegistryRoot root, std::wstring_view path, std::wstring_view name, RegistryView view,
                 std::error_code& code) {
  auto key = RegistryKey::Open(root, path, view, RegistryAccess::kReadWrite, code);
  return key && key->DeleteValue(name, code);
}

// Through the root itself, opened in the view asked for.
bool DeleteKey(RegistryRoot root, std::wstring_view path, RegistryView view) {
  auto parent = RegistryKey::Open(root, L"", view);
  return parent && parent->DeleteSubkey(path);
}

bool DeleteKey(RegistryRoot root, std::wstring_view path, RegistryView view, std::error_code& code) {
  auto parent = RegistryKey::Open(root, L"", view, RegistryAccess::kRead, code);
  return parent && parent->DeleteSubkey(path, code);
}

std::vector<std::wstring> ValueNames(RegistryRoot root, std::wstring_view path, RegistryView view) {
  const auto key = RegistryKey::Open(root, path, view);
  return key ? key->ValueNames() : std::vector<std::wstring>{};
}

std::vector<std::wstring> ValueNames(RegistryRoot root, std::wstring_view path, RegistryView view,
                                     std::error_code& code) {
  const auto key = RegistryKey::Open(root, path, view, RegistryAccess::kRead, code);
  return key ? key->ValueNames(code) : std::vector<std::wstring>{};
}

std::vector<std::wstring> SubkeyNames(RegistryRoot root, std::wstring_view path, RegistryView view) {
  const auto key = RegistryKey::Open(root, path, view);
  return key ? key->SubkeyNames() : std::vector<std::wstring>{};
}

std::vector<std::wstring> SubkeyNames(RegistryRoot root, std::wstring_view path, RegistryView view,
                                      std::error_code& code) {
  const auto key = RegistryKey::Open(root, path, view, RegistryAccess::kRead, code);
  return key ? key->SubkeyNames(code) : std::vector<std::wstring>{};
}

}  // namespace corvalidyne
