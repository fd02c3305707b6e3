#include "corvalidyne/registry_key.h"

#include <utility>

#include "failure.h"
#include "layer/expansion.h"
#include "layer/system_calls.h"
#include "layer/wide_calls.h"
#include "unique_handle.h"
#include "value_codec.h"

namespace corvalidyne {

namespace {

using Calls = layer::SystemCalls<wchar_t>;

constexpr const char* kReading = "reading registry value";
constexpr const char* kWriting = "writing registry value";

REGSAM Rights(RegistryAccess access) noexcept {
  return access == RegistryAccess::kReadWrite ? KEY_READ | KEY_WRITE : KEY_READ;
}

// A key an open or creation gave: nothing on a failure (the code set), and
// for an open also nothing for an absent key (the code cleared).
std::optional<RegistryKey> Opened(LONG status, bool absentIsNothing, KeyHandle& key, RegistryView view,
                                  std::error_code& code) {
  if (absentIsNothing && status == ERROR_FILE_NOT_FOUND) status = ERROR_SUCCESS;
  if (!Succeeded(status, code) || !key) return std::nullopt;
  return RegistryKey::Adopt(key.release(), view);
}

// True when something was deleted; false for what was absent (the code
// cleared) or on a failure (the code set).
bool Deleted(LONG status, std::error_code& code) {
  if (status == ERROR_FILE_NOT_FOUND) {
    code.clear();
    return false;
  }
  return Succeeded(status, code);
}

// The value's data when it is stored as `type`: nothing when it is absent (the
// code cleared) or on a failure (the code set).
std::optional<Bytes> ReadAs(HKEY key, std::wstring_view name, DWORD type, std::error_code& code) {
  layer::ValueData value;
  const LONG status = layer::ReadValue(key, name, value);
  if (status == ERROR_FILE_NOT_FOUND) {
    code.clear();
    return std::nullopt;
  }
  if (!Succeeded(status == ERROR_SUCCESS && value.type != type ? ERROR_UNSUPPORTED_TYPE : status, code)) {
    return std::nullopt;
  }
  return std::move(value.bytes);
}

template <typename Number>
std::optional<Number> NumberAs(HKEY key, std::wstring_view name, DWORD type, std::error_code& code) {
  const auto bytes = ReadAs(key, name, type, code);
  Number number = 0;
  if (!bytes || !Succeeded(NumberOf(*bytes, number), code)) return std::nullopt;
  return number;
}

std::optional<std::wstring> TextAs(HKEY key, std::wstring_view name, DWORD type, std::error_code& code) {
  const auto bytes = ReadAs(key, name, type, code);
  if (!bytes) return std::nullopt;
  return TextOf(*bytes);
}

void Store(HKEY key, std::wstring_view name, DWORD type, const void* data, std::size_t size,
           std::error_code& code) {
  Succeeded(layer::WriteValue(key, name, type, data, size), code);
}

// Text is stored with its terminating NUL, as readers of the registry expect.
void StoreText(HKEY key, std::wstring_view name, DWORD type, std::wstring_view text, std::error_code& code) {
  std::wstring data(text);
  data += L'\0';
  Store(key, name, type, data.data(), data.size() * sizeof(wchar_t), code);
}

template <typename Strings>
void StoreStrings(HKEY key, std::wstring_view name, const Strings& strings, std::error_code& code) {
  std::wstring data;
  if (Succeeded(MultiStringData(strings, data), code)) {
    Store(key, name, REG_MULTI_SZ, data.data(), data.size() * sizeof(wchar_t), code);
  }
}

}  // namespace

RegistryKey RegistryKey::Create(RegistryRoot root, std::wstring_view path, RegistryView view,
                                RegistryCreateOptions options) {
  return OrThrowValue("creating registry key", path,
                      [&](std::error_code& code) { return Create(root, path, view, options, code); });
}

std::optional<RegistryKey> RegistryKey::Create(RegistryRoot root, std::wstring_view path, RegistryView view,
                                               RegistryCreateOptions options, std::error_code& code) {
  KeyHandle key;
  const LONG status = layer::CreateKey(layer::RootKey(root), path, KEY_READ | KEY_WRITE, view, options, key);
  return Opened(status, false, key, view, code);
}

std::optional<RegistryKey> RegistryKey::Open(RegistryRoot root, std::wstring_view path, RegistryView view,
                                             RegistryAccess access) {
  return OrThrow("opening registry key", path,
                 [&](std::error_code& code) { return Open(root, path, view, access, code); });
}

std::optional<RegistryKey> RegistryKey::Open(RegistryRoot root, std::wstring_view path, RegistryView view,
                                             RegistryAccess access, std::error_code& code) {
  KeyHandle key;
  const LONG status = layer::OpenKey(layer::RootKey(root), path, Rights(access), view, key);
  return Opened(status, true, key, view, code);
}

RegistryKey RegistryKey::Connect(std::wstring_view machine, RegistryRoot root, RegistryView view) {
  return OrThrowValue("connecting to the registry of", machine,
                      [&](std::error_code& code) { return Connect(machine, root, view, code); });
}

std::optional<RegistryKey> RegistryKey::Connect(std::wstring_view machine, RegistryRoot root,
                                                RegistryView view, std::error_code& code) {
  KeyHandle key;
  const LONG status = layer::Connect(machine, layer::RootKey(root), key);
  return Opened(status, false, key, view, code);
}

RegistryKey RegistryKey::Adopt(HKEY key, RegistryView view) noexcept { return RegistryKey(key, view); }

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

// A predefined root is not closed: the handle's rules say so.
void RegistryKey::Close() noexcept { const KeyHandle closed(std::exchange(key_, nullptr)); }

HKEY RegistryKey::Release() noexcept { return std::exchange(key_, nullptr); }

std::optional<RegistryKey> RegistryKey::OpenSubkey(std::wstring_view path, RegistryAccess access) const {
  return OrThrow("opening registry key", path,
                 [&](std::error_code& code) { return OpenSubkey(path, access, code); });
}

std::optional<RegistryKey> RegistryKey::OpenSubkey(std::wstring_view path, RegistryAccess access,
                                                   std::error_code& code) const {
  KeyHandle key;
  const LONG status = layer::OpenKey(key_, path, Rights(access), view_, key);
  return Opened(status, true, key, view_, code);
}

RegistryKey RegistryKey::CreateSubkey(std::wstring_view path, RegistryCreateOptions options) {
  return OrThrowValue("creating registry key", path,
                      [&](std::error_code& code) { return CreateSubkey(path, options, code); });
}

std::optional<RegistryKey> RegistryKey::CreateSubkey(std::wstring_view path, RegistryCreateOptions options,
                                                     std::error_code& code) {
  KeyHandle key;
  const LONG status = layer::CreateKey(key_, path, KEY_READ | KEY_WRITE, view_, options, key);
  return Opened(status, false, key, view_, code);
}

std::optional<std::uint32_t> RegistryKey::ReadDword(std::wstring_view name) const {
  return OrThrow(kReading, name, [&](std::error_code& code) { return ReadDword(name, code); });
}

std::optional<std::uint32_t> RegistryKey::ReadDword(std::wstring_view name, std::error_code& code) const {
  return NumberAs<std::uint32_t>(key_, name, REG_DWORD, code);
}

std::optional<std::uint64_t> RegistryKey::ReadQword(std::wstring_view name) const {
  return OrThrow(kReading, name, [&](std::error_code& code) { return ReadQword(name, code); });
}

std::optional<std::uint64_t> RegistryKey::ReadQword(std::wstring_view name, std::error_code& code) const {
  return NumberAs<std::uint64_t>(key_, name, REG_QWORD, code);
}

std::optional<std::wstring> RegistryKey::ReadString(std::wstring_view name) const {
  return OrThrow(kReading, name, [&](std::error_code& code) { return ReadString(name, code); });
}

std::optional<std::wstring> RegistryKey::ReadString(std::wstring_view name, std::error_code& code) const {
  return TextAs(key_, name, REG_SZ, code);
}

std::optional<std::vector<std::wstring>> RegistryKey::ReadStrings(std::wstring_view name) const {
  return OrThrow(kReading, name, [&](std::error_code& code) { return ReadStrings(name, code); });
}

std::optional<std::vector<std::wstring>> RegistryKey::ReadStrings(std::wstring_view name,
                                                                  std::error_code& code) const {
  const auto text = TextAs(key_, name, REG_MULTI_SZ, code);
  if (!text) return std::nullopt;
  return StringsOf(*text);
}

std::optional<Bytes> RegistryKey::ReadBinary(std::wstring_view name) const {
  return OrThrow(kReading, name, [&](std::error_code& code) { return ReadBinary(name, code); });
}

std::optional<Bytes> RegistryKey::ReadBinary(std::wstring_view name, std::error_code& code) const {
  return ReadAs(key_, name, REG_BINARY, code);
}

std::optional<std::wstring> RegistryKey::ReadExpandedString(std::wstring_view name) const {
  return OrThrow(kReading, name, [&](std::error_code& code) { return ReadExpandedString(name, code); });
}

std::optional<std::wstring> RegistryKey::ReadExpandedString(std::wstring_view name,
                                                            std::error_code& code) const {
  const auto text = TextAs(key_, name, REG_EXPAND_SZ, code);
  std::wstring expanded;
  if (!text || !Succeeded(layer::ExpandEnvironment<wchar_t>(*text, expanded), code)) return std::nullopt;
  return expanded;
}

std::optional<ExpandableString> RegistryKey::ReadExpandableString(std::wstring_view name) const {
  return OrThrow(kReading, name, [&](std::error_code& code) { return ReadExpandableString(name, code); });
}

std::optional<ExpandableString> RegistryKey::ReadExpandableString(std::wstring_view name,
                                                                  std::error_code& code) const {
  auto text = TextAs(key_, name, REG_EXPAND_SZ, code);
  if (!text) return std::nullopt;
  return ExpandableString{std::move(*text)};
}

std::optional<RegistryValue> RegistryKey::ReadValue(std::wstring_view name) const {
  return OrThrow(kReading, name, [&](std::error_code& code) { return ReadValue(name, code); });
}

std::optional<RegistryValue> RegistryKey::ReadValue(std::wstring_view name, std::error_code& code) const {
  layer::ValueData value;
  if (!Deleted(layer::ReadValue(key_, name, value), code)) return std::nullopt;
  return RegistryValue{static_cast<RegistryValueType>(value.type), std::move(value.bytes)};
}

std::optional<RegistryValueType> RegistryKey::TypeOf(std::wstring_view name) const {
  return OrThrow(kReading, name, [&](std::error_code& code) { return TypeOf(name, code); });
}

std::optional<RegistryValueType> RegistryKey::TypeOf(std::wstring_view name, std::error_code& code) const {
  DWORD type = REG_NONE;
  if (!Deleted(layer::ReadType(key_, name, type), code)) return std::nullopt;
  return static_cast<RegistryValueType>(type);
}

void RegistryKey::Write(std::wstring_view name, unsigned int value) {
  OrThrow(kWriting, name, [&](std::error_code& code) { Write(name, value, code); });
}

void RegistryKey::Write(std::wstring_view name, unsigned int value, std::error_code& code) {
  Store(key_, name, REG_DWORD, &value, sizeof value, code);
}

void RegistryKey::Write(std::wstring_view name, unsigned long value) {
  OrThrow(kWriting, name, [&](std::error_code& code) { Write(name, value, code); });
}

void RegistryKey::Write(std::wstring_view name, unsigned long value, std::error_code& code) {
  Write(name, static_cast<unsigned int>(value), code);
}

void RegistryKey::Write(std::wstring_view name, unsigned long long value) {
  OrThrow(kWriting, name, [&](std::error_code& code) { Write(name, value, code); });
}

void RegistryKey::Write(std::wstring_view name, unsigned long long value, std::error_code& code) {
  Store(key_, name, REG_QWORD, &value, sizeof value, code);
}

void RegistryKey::Write(std::wstring_view name, std::wstring_view value) {
  OrThrow(kWriting, name, [&](std::error_code& code) { Write(name, value, code); });
}

void RegistryKey::Write(std::wstring_view name, std::wstring_view value, std::error_code& code) {
  StoreText(key_, name, REG_SZ, value, code);
}

void RegistryKey::Write(std::wstring_view name, std::initializer_list<std::wstring_view> value) {
  OrThrow(kWriting, name, [&](std::error_code& code) { Write(name, value, code); });
}

void RegistryKey::Write(std::wstring_view name, std::initializer_list<std::wstring_view> value,
                        std::error_code& code) {
  StoreStrings(key_, name, value, code);
}

void RegistryKey::Write(std::wstring_view name, const std::vector<std::wstring>& value) {
  OrThrow(kWriting, name, [&](std::error_code& code) { Write(name, value, code); });
}

void RegistryKey::Write(std::wstring_view name, const std::vector<std::wstring>& value,
                        std::error_code& code) {
  StoreStrings(key_, name, value, code);
}

void RegistryKey::Write(std::wstring_view name, const ExpandableString& value) {
  OrThrow(kWriting, name, [&](std::error_code& code) { Write(name, value, code); });
}

void RegistryKey::Write(std::wstring_view name, const ExpandableString& value, std::error_code& code) {
  StoreText(key_, name, REG_EXPAND_SZ, value.text, code);
}

void RegistryKey::Write(std::wstring_view name, const Bytes& value) {
  OrThrow(kWriting, name, [&](std::error_code& code) { Write(name, value, code); });
}

void RegistryKey::Write(std::wstring_view name, const Bytes& value, std::error_code& code) {
  Store(key_, name, REG_BINARY, value.data(), value.size(), code);
}

void RegistryKey::WriteValue(std::wstring_view name, const RegistryValue& value) {
  OrThrow(kWriting, name, [&](std::error_code& code) { WriteValue(name, value, code); });
}

void RegistryKey::WriteValue(std::wstring_view name, const RegistryValue& value, std::error_code& code) {
  Store(key_, name, static_cast<DWORD>(value.type), value.data.data(), value.data.size(), code);
}

bool RegistryKey::DeleteValue(std::wstring_view name) {
  return OrThrow("deleting registry value", name,
                 [&](std::error_code& code) { return DeleteValue(name, code); });
}

bool RegistryKey::DeleteValue(std::wstring_view name, std::error_code& code) {
  return Deleted(layer::DeleteValue(key_, name), code);
}

bool RegistryKey::DeleteSubkey(std::wstring_view path) {
  return OrThrow("deleting registry key", path,
                 [&](std::error_code& code) { return DeleteSubkey(path, code); });
}

bool RegistryKey::DeleteSubkey(std::wstring_view path, std::error_code& code) {
  return Deleted(layer::DeleteKey(key_, path, view_), code);
}

bool RegistryKey::DeleteSubkeyTree(std::wstring_view path) {
  return OrThrow("deleting registry key", path,
                 [&](std::error_code& code) { return DeleteSubkeyTree(path, code); });
}

bool RegistryKey::DeleteSubkeyTree(std::wstring_view path, std::error_code& code) {
  return Deleted(layer::DeleteTree(key_, path, view_), code);
}

RegistryValueListing RegistryKey::EachValue() const { return {key_, nullptr}; }

RegistryValueListing RegistryKey::EachValue(std::error_code& code) const { return {key_, &code}; }

RegistryValueDataListing RegistryKey::EachValueWithData() const { return {key_, nullptr}; }

RegistryValueDataListing RegistryKey::EachValueWithData(std::error_code& code) const { return {key_, &code}; }

RegistrySubkeyListing RegistryKey::EachSubkey() const { return {key_, nullptr}; }

RegistrySubkeyListing RegistryKey::EachSubkey(std::error_code& code) const { return {key_, &code}; }

std::vector<std::wstring> RegistryKey::ValueNames() const {
  return OrThrow("listing registry key", std::nullopt,
                 [&](std::error_code& code) { return ValueNames(code); });
}

std::vector<std::wstring> RegistryKey::ValueNames(std::error_code& code) const {
  std::vector<std::wstring> names;
  for (const RegistryValueEntry& entry : EachValue(code)) names.push_back(entry.name);
  if (code) names.clear();
  return names;
}

std::vector<RegistryValueEntry> RegistryKey::Values() const {
  return OrThrow("listing registry key", std::nullopt, [&](std::error_code& code) { return Values(code); });
}

std::vector<RegistryValueEntry> RegistryKey::Values(std::error_code& code) const {
  std::vector<RegistryValueEntry> entries;
  for (const RegistryValueEntry& entry : EachValue(code)) entries.push_back(entry);
  if (code) entries.clear();
  return entries;
}

std::vector<std::wstring> RegistryKey::SubkeyNames() const {
  return OrThrow("listing registry key", std::nullopt,
                 [&](std::error_code& code) { return SubkeyNames(code); });
}

std::vector<std::wstring> RegistryKey::SubkeyNames(std::error_code& code) const {
  std::vector<std::wstring> names;
  for (const std::wstring& name : EachSubkey(code)) names.push_back(name);
  if (code) names.clear();
  return names;
}

RegistryKeyInfo RegistryKey::Info() const {
  return OrThrowValue("querying registry key", std::nullopt,
                      [&](std::error_code& code) { return Info(code); });
}

std::optional<RegistryKeyInfo> RegistryKey::Info(std::error_code& code) const {
  RegistryKeyInfo info;
  if (!Succeeded(layer::QueryInfo(key_, info), code)) return std::nullopt;
  return info;
}

void RegistryKey::Flush() {
  OrThrow("flushing registry key", std::nullopt, [&](std::error_code& code) { Flush(code); });
}

bool RegistryKey::Flush(std::error_code& code) { return Succeeded(Calls::Flush(key_), code); }

void RegistryKey::CopyTree(RegistryKey& destination) const {
  OrThrow("copying registry key", std::nullopt, [&](std::error_code& code) { CopyTree(destination, code); });
}

bool RegistryKey::CopyTree(RegistryKey& destination, std::error_code& code) const {
  return Succeeded(Calls::CopyTree(key_, destination.key_), code);
}

}  // namespace corvalidyne
