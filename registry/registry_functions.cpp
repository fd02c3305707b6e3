#include "corvalidyne/registry_functions.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <variant>

#include "ansi_text.h"
#include "corvalidyne/registry.h"
#include "key_access.h"
#include "value_writing.h"

namespace corvalidyne {

namespace {

Registry At(RegistryRoot root, const std::wstring& path) {
  Registry registry;
  registry.ClassKey(root);
  registry.SectionKey(path);
  return registry;
}

// Read through the object, so that both faces read by the same rules. The
// object sets ValueType only when it finds the value, and no type asked for
// here is REG_NONE, the type it starts from.
template <typename Result>
std::optional<Result> ReadStored(RegistryRoot root, const std::wstring& path, const std::wstring& name,
                                 RegistryValueType type) {
  Registry registry;
  const TaggedValue value = registry.ValueEx(root, path, name, REG_NONE, TaggedValue{});
  const Result* result = std::get_if<Result>(&value);
  if (registry.ValueType() != type || result == nullptr) return std::nullopt;
  return *result;
}

// The object reads REG_MULTI_SZ as its strings, each followed by a NUL, the
// list's own terminating NUL taken off.
std::vector<std::wstring> SplitStrings(const std::wstring& text) {
  std::vector<std::wstring> strings;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find(L'\0', start), text.size());
    if (end == start) break;
    strings.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return strings;
}

std::optional<std::string> StringsData(const std::vector<std::wstring>& strings) {
  std::string data;
  for (const std::wstring& text : strings) {
    // Each string, like a name, must reach the registry whole: a NUL or an
    // empty string would end the list there.
    const auto ansi = text.empty() ? std::nullopt : AnsiName(text);
    if (!ansi) return std::nullopt;
    data += *ansi;
    data += '\0';
  }
  data += '\0';
  return data;
}

// Refuses before anything is touched, as the object does for a name.
void Store(RegistryRoot root, const std::wstring& path, const std::wstring& name, DWORD type,
           const std::optional<std::string>& data) {
  const std::string ansiName = WritableValueName(root, path, name);
  if (!data) RaiseValueNotWritten(root);
  const KeyHandle key = CreateWritableKey(root, RootKey(root), path);
  if (SetValueData(key.get(), ansiName, type, *data) != ERROR_SUCCESS) RaiseValueNotWritten(root);
}

std::vector<std::wstring> Names(bool (Registry::*enumerate)(NameList&, std::int32_t&), RegistryRoot root,
                                const std::wstring& path) {
  NameList names;
  std::int32_t count = 0;
  (At(root, path).*enumerate)(names, count);
  return {names.begin(), names.end()};
}

}  // namespace

std::optional<std::uint32_t> ReadDword(RegistryRoot root, const std::wstring& path,
                                       const std::wstring& name) {
  const auto value = ReadStored<std::int32_t>(root, path, name, REG_DWORD);
  if (!value) return std::nullopt;
  return static_cast<std::uint32_t>(*value);
}

std::optional<std::wstring> ReadString(RegistryRoot root, const std::wstring& path,
                                       const std::wstring& name) {
  return ReadStored<std::wstring>(root, path, name, REG_SZ);
}

std::optional<std::vector<std::wstring>> ReadStrings(RegistryRoot root, const std::wstring& path,
                                                     const std::wstring& name) {
  const auto text = ReadStored<std::wstring>(root, path, name, REG_MULTI_SZ);
  if (!text) return std::nullopt;
  return SplitStrings(*text);
}

std::optional<Bytes> ReadBinary(RegistryRoot root, const std::wstring& path, const std::wstring& name) {
  return ReadStored<Bytes>(root, path, name, REG_BINARY);
}

std::optional<std::wstring> ReadExpandedString(RegistryRoot root, const std::wstring& path,
                                               const std::wstring& name) {
  return ReadStored<std::wstring>(root, path, name, REG_EXPAND_SZ);
}

void Write(RegistryRoot root, const std::wstring& path, const std::wstring& name, std::uint32_t value) {
  std::string data(sizeof value, '\0');
  std::memcpy(data.data(), &value, sizeof value);
  Store(root, path, name, REG_DWORD, data);
}

void Write(RegistryRoot root, const std::wstring& path, const std::wstring& name, const std::wstring& value) {
  Store(root, path, name, REG_SZ, StringData(value));
}

void Write(RegistryRoot root, const std::wstring& path, const std::wstring& name,
           const std::vector<std::wstring>& value) {
  Store(root, path, name, REG_MULTI_SZ, StringsData(value));
}

void Write(RegistryRoot root, const std::wstring& path, const std::wstring& name, const Bytes& value) {
  Store(root, path, name, REG_BINARY, std::string(value.begin(), value.end()));
}

void Write(RegistryRoot root, const std::wstring& path, const std::wstring& name,
           const ExpandableString& value) {
  Store(root, path, name, REG_EXPAND_SZ, StringData(value.text));
}

bool KeyExists(RegistryRoot root, const std::wstring& path) { return At(root, path).KeyExists(); }

void DeleteValue(RegistryRoot root, const std::wstring& path, const std::wstring& name) {
  Registry registry = At(root, path);
  registry.ValueKey(name);
  registry.DeleteValue();
}

void DeleteKey(RegistryRoot root, const std::wstring& path) { At(root, path).DeleteKey(); }

std::vector<std::wstring> ValueNames(RegistryRoot root, const std::wstring& path) {
  return Names(&Registry::EnumerateValues, root, path);
}

std::vector<std::wstring> SubkeyNames(RegistryRoot root, const std::wstring& path) {
  return Names(&Registry::EnumerateSections, root, path);
}

}  // namespace corvalidyne
