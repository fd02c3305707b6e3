#include "corvalidyne/registry_key.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "expansion_parts.h"
#include "key_access.h"
#include "text_conversion.h"
#include "value_query.h"

namespace corvalidyne {

namespace {

HKEY Handle(void* key) noexcept { return static_cast<HKEY>(key); }

REGSAM ViewFlag(RegistryView view) noexcept {
  switch (view) {
    case RegistryView::k32Bit:
      return KEY_WOW64_32KEY;
    case RegistryView::k64Bit:
      return KEY_WOW64_64KEY;
    case RegistryView::kNative:
      break;
  }
  return 0;
}

[[noreturn]] void Fail(LONG error, const std::string& what) {
  throw std::system_error(static_cast<int>(error), std::system_category(), what);
}

std::string Quoted(const std::wstring& name) { return " \"" + ToUtf8(name) + "\""; }

// The W functions take names as NUL-terminated strings: one holding a NUL would
// reach them cut short and act on another key or value.
const wchar_t* CheckedName(const std::wstring& name, const char* what) {
  if (name.find(L'\0') != std::wstring::npos) Fail(ERROR_INVALID_NAME, what + Quoted(name));
  return name.c_str();
}

// The text of REG_SZ or REG_EXPAND_SZ data: whole UTF-16 units, one terminating NUL taken off.
std::wstring TextOf(const std::vector<BYTE>& bytes) {
  std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
  std::memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
  if (!text.empty() && text.back() == L'\0') text.pop_back();
  return text;
}

std::vector<std::wstring> StringsOf(const std::wstring& text) {
  std::vector<std::wstring> strings;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find(L'\0', start), text.size());
    if (end == start) break;
    strings.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return strings;
}

template <typename Number>
Number NumberOf(const std::vector<BYTE>& bytes, const std::wstring& name) {
  if (bytes.size() != sizeof(Number))
    Fail(ERROR_INVALID_DATA, "registry value of another size" + Quoted(name));
  Number number = 0;
  std::memcpy(&number, bytes.data(), sizeof number);
  return number;
}

// One ExpandEnvironmentStringsW call, on a text short enough for it.
std::wstring ExpandedPiece(const std::wstring& piece) {
  std::wstring expanded(piece.size() + MAX_PATH, L'\0');
  for (;;) {
    const DWORD needed =
        ExpandEnvironmentStringsW(piece.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()));
    if (needed == 0) Fail(static_cast<LONG>(GetLastError()), "expanding a registry value");
    if (needed <= expanded.size()) {
      expanded.resize(needed - 1);
      return expanded;
    }
    expanded.resize(needed);
  }
}

std::wstring MultiStringData(const std::vector<std::wstring>& strings, const std::wstring& name) {
  std::wstring data;
  for (const std::wstring& text : strings) {
    if (text.empty() || text.find(L'\0') != std::wstring::npos) {
      Fail(ERROR_INVALID_PARAMETER, "REG_MULTI_SZ string empty or holding a NUL in" + Quoted(name));
    }
    data += text;
    data += L'\0';
  }
  data += L'\0';
  return data;
}

// An open below a root or key, in a view; ERROR_FILE_NOT_FOUND when absent.
LONG OpenIn(HKEY parent, const std::wstring& path, REGSAM access, RegistryView view, KeyHandle& key) {
  return RegOpenKeyExW(parent, CheckedName(path, "registry key path"), 0, access | ViewFlag(view), key.put());
}

}  // namespace

RegistryKey RegistryKey::Create(RegistryRoot root, const std::wstring& path, RegistryView view) {
  KeyHandle key;
  const LONG result = RegCreateKeyExW(RootKey(root), CheckedName(path, "registry key path"), 0, nullptr,
                                      REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE | ViewFlag(view), nullptr,
                                      key.put(), nullptr);
  if (result != ERROR_SUCCESS) Fail(result, "creating registry key" + Quoted(path));
  return RegistryKey(key.release(), view);
}

std::optional<RegistryKey> RegistryKey::Open(RegistryRoot root, const std::wstring& path, RegistryView view,
                                             RegistryAccess access) {
  KeyHandle key;
  const REGSAM rights = access == RegistryAccess::kReadWrite ? KEY_READ | KEY_WRITE : KEY_READ;
  const LONG result = OpenIn(RootKey(root), path, rights, view, key);
  if (result == ERROR_FILE_NOT_FOUND) return std::nullopt;
  if (result != ERROR_SUCCESS) Fail(result, "opening registry key" + Quoted(path));
  return RegistryKey(key.release(), view);
}

RegistryKey::RegistryKey(RegistryKey&& other) noexcept
    : key_(std::exchange(other.key_, nullptr)), view_(other.view_) {}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
  if (this != &other) {
    Close();
    key_ = std::exchange(other.key_, nullptr);
    view_ = other.view_;
  }
  return *this;
}

RegistryKey::~RegistryKey() { Close(); }

void RegistryKey::Close() noexcept { const KeyHandle closed(Handle(std::exchange(key_, nullptr))); }

namespace {

// The value's data when it is stored as `type`; std::nullopt when it is absent.
std::optional<std::vector<BYTE>> Read(HKEY key, const std::wstring& name, DWORD type) {
  const wchar_t* checked = CheckedName(name, "registry value name");
  ValueData value;
  const LONG result =
      QueryValueData([&](DWORD* stored, BYTE* data,
                         DWORD* size) { return RegQueryValueExW(key, checked, nullptr, stored, data, size); },
                     value);
  if (result == ERROR_FILE_NOT_FOUND) return std::nullopt;
  if (result != ERROR_SUCCESS) Fail(result, "reading registry value" + Quoted(name));
  if (value.type != type) Fail(ERROR_UNSUPPORTED_TYPE, "registry value of another type" + Quoted(name));
  return std::move(value.bytes);
}

void Store(HKEY key, const std::wstring& name, DWORD type, const void* data, std::size_t size) {
  const LONG result = RegSetValueExW(key, CheckedName(name, "registry value name"), 0, type,
                                     static_cast<const BYTE*>(data), static_cast<DWORD>(size));
  if (result != ERROR_SUCCESS) Fail(result, "writing registry value" + Quoted(name));
}

void StoreText(HKEY key, const std::wstring& name, DWORD type, const std::wstring& text) {
  Store(key, name, type, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

// The longest value or subkey name of a key, in characters without the NUL.
DWORD LongestName(HKEY key, bool values) {
  DWORD longestKey = 0, longestValue = 0;
  const LONG result = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, &longestKey, nullptr, nullptr,
                                       &longestValue, nullptr, nullptr, nullptr);
  if (result != ERROR_SUCCESS) Fail(result, "querying a registry key");
  return values ? longestValue : longestKey;
}

// Enumerates names by index until the end; `enumerate` is a RegEnumValueW or
// RegEnumKeyExW call taking (index, buffer, length). A name longer than any
// seen before (added meanwhile) is read again in a larger buffer.
template <typename Enumerate, typename Add>
void EachName(HKEY key, bool values, const Enumerate& enumerate, const Add& add) {
  std::wstring buffer(LongestName(key, values) + 1, L'\0');
  for (DWORD index = 0;;) {
    auto length = static_cast<DWORD>(buffer.size());
    const LONG result = enumerate(index, buffer.data(), &length);
    if (result == ERROR_NO_MORE_ITEMS) return;
    if (result == ERROR_MORE_DATA) {
      buffer.resize(std::max<std::size_t>(buffer.size() * 2, LongestName(key, values) + 1));
      continue;
    }
    if (result != ERROR_SUCCESS) Fail(result, "listing a registry key");
    add(buffer.data(), length);
    ++index;
  }
}

}  // namespace

std::optional<std::uint32_t> RegistryKey::ReadDword(const std::wstring& name) const {
  const auto bytes = Read(Handle(key_), name, REG_DWORD);
  if (!bytes) return std::nullopt;
  return NumberOf<std::uint32_t>(*bytes, name);
}

std::optional<std::uint64_t> RegistryKey::ReadQword(const std::wstring& name) const {
  const auto bytes = Read(Handle(key_), name, REG_QWORD);
  if (!bytes) return std::nullopt;
  return NumberOf<std::uint64_t>(*bytes, name);
}

std::optional<std::wstring> RegistryKey::ReadString(const std::wstring& name) const {
  const auto bytes = Read(Handle(key_), name, REG_SZ);
  if (!bytes) return std::nullopt;
  return TextOf(*bytes);
}

std::optional<std::vector<std::wstring>> RegistryKey::ReadStrings(const std::wstring& name) const {
  const auto bytes = Read(Handle(key_), name, REG_MULTI_SZ);
  if (!bytes) return std::nullopt;
  return StringsOf(TextOf(*bytes));
}

std::optional<Bytes> RegistryKey::ReadBinary(const std::wstring& name) const {
  return Read(Handle(key_), name, REG_BINARY);
}

std::optional<std::wstring> RegistryKey::ReadExpandedString(const std::wstring& name) const {
  const auto bytes = Read(Handle(key_), name, REG_EXPAND_SZ);
  if (!bytes) return std::nullopt;
  return ExpandInParts(TextOf(*bytes), ExpandedPiece);
}

void RegistryKey::Write(const std::wstring& name, std::uint32_t value) {
  Store(Handle(key_), name, REG_DWORD, &value, sizeof value);
}

void RegistryKey::Write(const std::wstring& name, std::uint64_t value) {
  Store(Handle(key_), name, REG_QWORD, &value, sizeof value);
}

void RegistryKey::Write(const std::wstring& name, const std::wstring& value) {
  StoreText(Handle(key_), name, REG_SZ, value);
}

void RegistryKey::Write(const std::wstring& name, const std::vector<std::wstring>& value) {
  const std::wstring data = MultiStringData(value, name);
  Store(Handle(key_), name, REG_MULTI_SZ, data.data(), data.size() * sizeof(wchar_t));
}

void RegistryKey::Write(const std::wstring& name, const Bytes& value) {
  Store(Handle(key_), name, REG_BINARY, value.data(), value.size());
}

void RegistryKey::Write(const std::wstring& name, const ExpandableString& value) {
  StoreText(Handle(key_), name, REG_EXPAND_SZ, value.text);
}

bool RegistryKey::DeleteValue(const std::wstring& name) {
  const LONG result = RegDeleteValueW(Handle(key_), CheckedName(name, "registry value name"));
  if (result == ERROR_FILE_NOT_FOUND) return false;
  if (result != ERROR_SUCCESS) Fail(result, "deleting registry value" + Quoted(name));
  return true;
}

bool RegistryKey::DeleteSubkey(const std::wstring& path) {
  const LONG result =
      RegDeleteKeyExW(Handle(key_), CheckedName(path, "registry key path"), ViewFlag(view_), 0);
  if (result == ERROR_FILE_NOT_FOUND) return false;
  if (result != ERROR_SUCCESS) Fail(result, "deleting registry key" + Quoted(path));
  return true;
}

bool RegistryKey::DeleteSubkeyTree(const std::wstring& path) {
  // RegDeleteTreeW takes no view: it empties the key through a handle opened
  // in this key's view, and RegDeleteKeyExW, which takes one, removes it.
  KeyHandle subkey;
  LONG result = OpenIn(Handle(key_), path, DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE,
                       view_, subkey);
  if (result == ERROR_FILE_NOT_FOUND) return false;
  if (result == ERROR_SUCCESS) result = RegDeleteTreeW(subkey.get(), nullptr);
  if (result == ERROR_SUCCESS) result = RegDeleteKeyExW(Handle(key_), path.c_str(), ViewFlag(view_), 0);
  if (result != ERROR_SUCCESS) Fail(result, "deleting registry key" + Quoted(path));
  return true;
}

std::vector<std::wstring> RegistryKey::ValueNames() const {
  std::vector<std::wstring> names;
  const HKEY key = Handle(key_);
  EachName(
      key, true,
      [key](DWORD index, wchar_t* name, DWORD* length) {
        return RegEnumValueW(key, index, name, length, nullptr, nullptr, nullptr, nullptr);
      },
      [&names](const wchar_t* name, DWORD length) { names.emplace_back(name, length); });
  return names;
}

std::vector<RegistryValueEntry> RegistryKey::Values() const {
  std::vector<RegistryValueEntry> entries;
  const HKEY key = Handle(key_);
  DWORD type = REG_NONE;
  EachName(
      key, true,
      [key, &type](DWORD index, wchar_t* name, DWORD* length) {
        return RegEnumValueW(key, index, name, length, nullptr, &type, nullptr, nullptr);
      },
      [&entries, &type](const wchar_t* name, DWORD length) {
        entries.push_back({std::wstring(name, length), static_cast<RegistryValueType>(type)});
      });
  return entries;
}

std::vector<std::wstring> RegistryKey::SubkeyNames() const {
  std::vector<std::wstring> names;
  const HKEY key = Handle(key_);
  EachName(
      key, false,
      [key](DWORD index, wchar_t* name, DWORD* length) {
        return RegEnumKeyExW(key, index, name, length, nullptr, nullptr, nullptr, nullptr);
      },
      [&names](const wchar_t* name, DWORD length) { names.emplace_back(name, length); });
  return names;
}

}  // namespace corvalidyne
