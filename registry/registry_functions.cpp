#include "corvalidyne/registry_functions.h"

#include <windows.h>

namespace corvalidyne {

namespace {

// Reads one value through a key opened for the call; nothing when the key is absent.
template <typename Result>
std::optional<Result> ReadAt(RegistryRoot root, const std::wstring& path, RegistryView view,
                             std::optional<Result> (RegistryKey::*read)(const std::wstring&) const,
                             const std::wstring& name) {
  const auto key = RegistryKey::Open(root, path, view);
  if (!key) return std::nullopt;
  return ((*key).*read)(name);
}

template <typename Value>
void WriteAt(RegistryRoot root, const std::wstring& path, const std::wstring& name, const Value& value,
             RegistryView view) {
  RegistryKey::Create(root, path, view).Write(name, value);
}

template <typename Name>
std::vector<Name> ListAt(RegistryRoot root, const std::wstring& path, RegistryView view,
                         std::vector<Name> (RegistryKey::*list)() const) {
  const auto key = RegistryKey::Open(root, path, view);
  if (!key) return {};
  return ((*key).*list)();
}

}  // namespace

std::optional<std::uint32_t> ReadDword(RegistryRoot root, const std::wstring& path, const std::wstring& name,
                                       RegistryView view) {
  return ReadAt(root, path, view, &RegistryKey::ReadDword, name);
}

std::optional<std::uint64_t> ReadQword(RegistryRoot root, const std::wstring& path, const std::wstring& name,
                                       RegistryView view) {
  return ReadAt(root, path, view, &RegistryKey::ReadQword, name);
}

std::optional<std::wstring> ReadString(RegistryRoot root, const std::wstring& path, const std::wstring& name,
                                       RegistryView view) {
  return ReadAt(root, path, view, &RegistryKey::ReadString, name);
}

std::optional<std::vector<std::wstring>> ReadStrings(RegistryRoot root, const std::wstring& path,
                                                     const std::wstring& name, RegistryView view) {
  return ReadAt(root, path, view, &RegistryKey::ReadStrings, name);
}

std::optional<Bytes> ReadBinary(RegistryRoot root, const std::wstring& path, const std::wstring& name,
                                RegistryView view) {
  return ReadAt(root, path, view, &RegistryKey::ReadBinary, name);
}

std::optional<std::wstring> ReadExpandedString(RegistryRoot root, const std::wstring& path,
                                               const std::wstring& name, RegistryView view) {
  return ReadAt(root, path, view, &RegistryKey::ReadExpandedString, name);
}

void Write(RegistryRoot root, const std::wstring& path, const std::wstring& name, std::uint32_t value,
           RegistryView view) {
  WriteAt(root, path, name, value, view);
}

void Write(RegistryRoot root, const std::wstring& path, const std::wstring& name, std::uint64_t value,
           RegistryView view) {
  WriteAt(root, path, name, value, view);
}

void Write(RegistryRoot root, const std::wstring& path, const std::wstring& name, const std::wstring& value,
           RegistryView view) {
  WriteAt(root, path, name, value, view);
}

void Write(RegistryRoot root, const std::wstring& path, const std::wstring& name,
           const std::vector<std::wstring>& value, RegistryView view) {
  WriteAt(root, path, name, value, view);
}

void Write(RegistryRoot root, const std::wstring& path, const std::wstring& name, const Bytes& value,
           RegistryView view) {
  WriteAt(root, path, name, value, view);
}

void Write(RegistryRoot root, const std::wstring& path, const std::wstring& name,
           const ExpandableString& value, RegistryView view) {
  WriteAt(root, path, name, value, view);
}

bool KeyExists(RegistryRoot root, const std::wstring& path, RegistryView view) {
  try {
    return RegistryKey::Open(root, path, view).has_value();
  } catch (const std::system_error& error) {
    if (error.code() == std::error_code(ERROR_ACCESS_DENIED, std::system_category())) return true;
    throw;
  }
}

bool DeleteValue(RegistryRoot root, const std::wstring& path, const std::wstring& name, RegistryView view) {
  auto key = RegistryKey::Open(root, path, view, RegistryAccess::kReadWrite);
  return key && key->DeleteValue(name);
}

bool DeleteKey(RegistryRoot root, const std::wstring& path, RegistryView view) {
  // The root itself, through which the key is deleted in the view asked for.
  auto parent = RegistryKey::Open(root, L"", view);
  return parent && parent->DeleteSubkey(path);
}

std::vector<std::wstring> ValueNames(RegistryRoot root, const std::wstring& path, RegistryView view) {
  return ListAt(root, path, view, &RegistryKey::ValueNames);
}

std::vector<std::wstring> SubkeyNames(RegistryRoot root, const std::wstring& path, RegistryView view) {
  return ListAt(root, path, view, &RegistryKey::SubkeyNames);
}

}  // namespace corvalidyne
