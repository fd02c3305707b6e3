#include <windows.h>

#include "ansi_text.h"
#include "corvalidyne/registry.h"
#include "key_access.h"
#include "text_form.h"

namespace corvalidyne {

namespace {

// Stands for RegSetValueExA's result when a value cannot be written as the type asks.
constexpr LONG kUnwritable = ERROR_INVALID_DATA;

LONG SetValue(HKEY key, const std::string& name, DWORD type, const void* data, std::size_t size) {
  return RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size));
}

LONG WriteText(HKEY key, const std::string& name, const TaggedValue& value) {
  const std::wstring text = TextForm(value);
  const std::string data = ToAnsi(text);
  const DWORD type = HoldsEnvironmentReference(text) ? REG_EXPAND_SZ : REG_SZ;
  // c_str() carries the one terminating NUL that the byte count includes.
  return SetValue(key, name, type, data.c_str(), data.size() + 1);
}

// An empty sequence writes a zero-length REG_BINARY value: the registry holds
// it faithfully, and it reads back as the empty sequence it was.
LONG WriteBytes(HKEY key, const std::string& name, const TaggedValue& value) {
  const Bytes* bytes = std::get_if<Bytes>(&value);
  if (bytes == nullptr) throw RegistryError(registry_errors::kGeneral, L"", L"");
  return SetValue(key, name, REG_BINARY, bytes->data(), bytes->size());
}

// Both DWORD codes write REG_DWORD in native order; a 16-bit integer is
// sign-extended. Any other kind is refused rather than silently dropped.
LONG WriteDword(HKEY key, const std::string& name, const TaggedValue& value) {
  std::int32_t number = 0;
  if (const auto* wide = std::get_if<std::int32_t>(&value)) {
    number = *wide;
  } else if (const auto* narrow = std::get_if<std::int16_t>(&value)) {
    number = *narrow;
  } else {
    return kUnwritable;
  }
  return SetValue(key, name, REG_DWORD, &number, sizeof number);
}

[[noreturn]] void RaiseKeyNotWritable(RegistryRoot root, const std::wstring& section) {
  RaiseRegistryError(registry_errors::kGeneral, L"Failed to set registry Value Key: '" + RootText(root) +
                                                    L"',Section: '" + section + L"',Key:");
}

[[noreturn]] void RaiseValueNotWritten(RegistryRoot root) {
  RaiseRegistryError(registry_errors::kSetValue,
                     L"Failed to set registry value Key: '" + RootText(root) + L"',Section:");
}

}  // namespace

void Registry::Value(const TaggedValue& vValue) {
  const TaggedValue value = vValue;
  KeyHandle connectedRoot;
  HKEY root = nullptr;
  if (!ResolveRoot(classKey_, machine_, connectedRoot, root)) RaiseKeyNotWritable(classKey_, sectionKey_);
  // A value name that cannot reach the registry unaltered fails as its write
  // would, but before the key is created, so that it touches nothing; a
  // refused path still fails first, as its creation would.
  const auto name = AnsiName(valueKey_);
  if (!name) {
    if (!AnsiName(sectionKey_)) RaiseKeyNotWritable(classKey_, sectionKey_);
    RaiseValueNotWritten(classKey_);
  }
  KeyHandle key;
  if (CreateKeyForWriting(root, sectionKey_, key) != ERROR_SUCCESS)
    RaiseKeyNotWritable(classKey_, sectionKey_);

  LONG result = kUnwritable;
  switch (valueType_) {
    case REG_SZ:
    case REG_EXPAND_SZ:
      result = WriteText(key.get(), *name, value);
      break;
    case REG_BINARY:
      result = WriteBytes(key.get(), *name, value);
      break;
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN:
      result = WriteDword(key.get(), *name, value);
      break;
    default:
      break;
  }
  if (result != ERROR_SUCCESS) RaiseValueNotWritten(classKey_);
}

void Registry::ValueEx(RegistryRoot eClassKey, const std::wstring& sSectionKey, const std::wstring& sValueKey,
                       RegistryValueType eValueType, const TaggedValue& vDefault,
                       const TaggedValue& NewValue) {
  ClassKey(eClassKey);
  SectionKey(sSectionKey);
  ValueKey(sValueKey);
  ValueType(eValueType);
  Default(vDefault);
  const bool substitute = ValueType() == REG_SZ && TextForm(NewValue).empty();
  Value(substitute ? default_ : NewValue);
}

}  // namespace corvalidyne
