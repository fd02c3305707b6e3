#include <windows.h>

#include <algorithm>
#include <cstring>

#include "ansi_text.h"
#include "corvalidyne/registry.h"
#include "expansion_parts.h"
#include "key_access.h"

namespace corvalidyne {

namespace {

// The characters a text read returned: exactly one trailing NUL is the
// terminator; data stored without one keeps every character.
std::wstring TextFromData(const std::string& data) {
  std::string_view text(data);
  if (!text.empty() && text.back() == '\0') text.remove_suffix(1);
  return FromAnsi(text);
}

// Never more than the four bytes of the integer: longer data yields its first
// four, shorter data fills the low-order bytes.
std::int32_t DwordFromData(const std::string& data) {
  std::uint32_t value = 0;
  std::memcpy(&value, data.data(), data.size() < 4 ? data.size() : 4);
  return static_cast<std::int32_t>(value);
}

// Unchanged when the expansion fails.
std::wstring ExpandPiece(const std::wstring& text) {
  const std::string source = ToAnsi(text);
  const DWORD needed = ExpandEnvironmentStringsA(source.c_str(), nullptr, 0);
  if (needed == 0) return text;
  std::string expanded(needed, '\0');
  const DWORD written = ExpandEnvironmentStringsA(source.c_str(), expanded.data(), needed);
  if (written == 0 || written > needed) return text;
  expanded.resize(written - 1);
  return FromAnsi(expanded);
}

}  // namespace

TaggedValue Registry::Value() {
  KeyHandle connectedRoot;
  HKEY root = nullptr;
  if (!ResolveRoot(classKey_, machine_, connectedRoot, root)) return default_;
  KeyHandle key;
  const auto name = AnsiName(valueKey_);
  if (!name || OpenKey(root, sectionKey_, KEY_QUERY_VALUE, key) != ERROR_SUCCESS) return default_;

  DWORD type = REG_NONE;
  DWORD size = 0;
  DWORD probe = 0;
  const LONG sized =
      RegQueryValueExA(key.get(), name->c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&probe), &size);
  if (sized != ERROR_SUCCESS && sized != ERROR_MORE_DATA) return default_;
  valueType_ = static_cast<RegistryValueType>(type);

  std::string data(size, '\0');
  DWORD read = size;
  if (size > 0 && RegQueryValueExA(key.get(), name->c_str(), nullptr, &type,
                                   reinterpret_cast<BYTE*>(data.data()), &read) != ERROR_SUCCESS) {
    // The value changed or vanished between the two queries.
    return default_;
  }
  data.resize(read);

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

// Each NUL-separated piece is expanded on its own: ExpandEnvironmentStringsA
// stops at the first NUL and would drop the rest of the data.
std::wstring Registry::ExpandEnvironmentText(const std::wstring& text) {
  std::wstring expanded;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = std::min(text.find(L'\0', start), text.size());
    expanded += ExpandInParts(text.substr(start, end - start), ExpandPiece);
    if (end == text.size()) return expanded;
    expanded += L'\0';
    start = end + 1;
  }
}

}  // namespace corvalidyne
