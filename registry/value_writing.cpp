#include "value_writing.h"

#include "corvalidyne/registry_error.h"
#include "key_access.h"
#include "layer/names.h"

namespace corvalidyne {

std::string WritableValueName(RegistryRoot classKey, const std::wstring& section, const std::wstring& name) {
  auto ansi = layer::AnsiName(name);
  if (ansi) return std::move(*ansi);
  if (!layer::AnsiName(section)) RaiseKeyNotWritable(classKey, section);
  RaiseValueNotWritten(classKey);
}

KeyHandle CreateWritableKey(RegistryRoot classKey, HKEY root, const std::wstring& section) {
  KeyHandle key;
  if (CreateKeyForWriting(root, section, key) != ERROR_SUCCESS) RaiseKeyNotWritable(classKey, section);
  return key;
}

LONG SetValueData(HKEY key, const std::string& name, DWORD type, std::string_view data) {
  return layer::SystemCalls<char>::Set(key, name.c_str(), type, reinterpret_cast<const BYTE*>(data.data()),
                                       static_cast<DWORD>(data.size()));
}

std::optional<std::string> StringData(std::wstring_view text) {
  auto data = layer::AnsiText(text);
  if (data) data->push_back('\0');
  return data;
}

void RaiseKeyNotWritable(RegistryRoot classKey, const std::wstring& section) {
  RaiseRegistryError(registry_errors::kGeneral, L"Failed to set registry Value Key: '" + RootText(classKey) +
                                                    L"',Section: '" + section + L"',Key:");
}

void RaiseValueNotWritten(RegistryRoot classKey) {
  RaiseRegistryError(registry_errors::kSetValue,
                     L"Failed to set registry value Key: '" + RootText(classKey) + L"',Section:");
}

}  // namespace corvalidyne
