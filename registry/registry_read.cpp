#include <windows.h>

#include <cstring>

#include "corvalidyne/registry.h"
#include "key_access.h"
#include "layer/expansion.h"
#include "layer/names.h"
#include "layer/value_read.h"

namespace corvalidyne {

namespace {

// The characters a text read returned: exactly one trailing NUL is the
// terminator; data stored without one keeps every character.
std::wstring TextFromData(const std::vector<BYTE>& data) {
  std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
  if (!text.empty() && text.back() == '\0') text.remove_suffix(1);
  return FromAnsi(text);
}

// Never more than the four bytes of the integer: longer data yields its first
// four, shorter data fills the low-order bytes.
std::int32_t DwordFromData(const std::vector<BYTE>& data) {
  std::uint32_t value = 0;
  if (!data.empty()) std::memcpy(&value, data.data(), data.size() < 4 ? data.size() : 4);
  return static_cast<std::int32_t>(value);
}

}  // namespace

TaggedValue Registry::Value() {
  KeyHandle connectedRoot;
  HKEY root = nullptr;
  if (!ResolveRoot(classKey_, machine_, connectedRoot, root)) return default_;
  KeyHandle key;
  const auto name = layer::AnsiName(valueKey_);
  if (!name || OpenKey(root, sectionKey_, KEY_QUERY_VALUE, key) != ERROR_SUCCESS) return default_;
  // Missing, unreadable, or changing size at every query: nothing was read.
  layer::ValueData value;
  if (layer::QueryValue(key.get(), name->c_str(), value) != ERROR_SUCCESS) return default_;
  valueType_ = static_cast<RegistryValueType>(value.type);
  const std::vector<BYTE>& data = value.bytes;

  switch (valueType_) {
    case REG_SZ:
    case REG_MULTI_SZ:
      return TextFromData(data);
    case REG_EXPAND_SZ:
      return ExpandEnvironmentText(TextFromData(data));
    case REG_DWORD:
      return DwordFromData(data);
    case REG_DWORD_BIG_ENDIAN:
      return ReverseByteOrder(DwordFromData(data));
    default:
      return Bytes(data.begin(), data.end());
  }
}

TaggedValue Registry::ValueEx(RegistryRoot eClassKey, const std::wstring& sSectionKey,
                              const std::wstring& sValueKey, RegistryValueType eValueType,
                              const TaggedValue& vDefault) {
  ClassKey(eClassKey);
  SectionKey(sSectionKey);
  ValueKey(sValueKey);
  ValueType(eValueType);
  Default(vDefault);
  return Value();
}

std::int32_t Registry::ReverseByteOrder(std::int32_t value) {
  unsigned char bytes[4];
  std::memcpy(bytes, &value, 4);
  const unsigned char reversed[4] = {bytes[3], bytes[2], bytes[1], bytes[0]};
  std::int32_t result = 0;
  std::memcpy(&result, reversed, 4);
  return result;
}

// Unchanged where the system cannot expand it.
std::wstring Registry::ExpandEnvironmentText(const std::wstring& text) {
  std::wstring expanded;
  return layer::ExpandEnvironment<char>(text, expanded) == ERROR_SUCCESS ? expanded : text;
}

}  // namespace corvalidyne
