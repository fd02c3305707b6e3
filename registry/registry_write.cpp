#include <windows.h>

#include <string_view>

#include "corvalidyne/registry.h"
#include "key_access.h"
#include "text_form.h"
#include "value_writing.h"

namespace corvalidyne {

namespace {

// Stands for RegSetValueExA's result when a value cannot be written as the type asks.
constexpr LONG kUnwritable = ERROR_INVALID_DATA;

// Text that the code page cannot hold is refused rather than stored with its
// characters replaced.
LONG WriteText(HKEY key, const std::string& name, const TaggedValue& value) {
  const std::wstring text = TextForm(value);
  const auto data = StringData(text);
  if (!data) return kUnwritable;
  const DWORD type = HoldsEnvironmentReference(text) ? REG_EXPAND_SZ : REG_SZ;
  return SetValueData(key, name, type, *data);
}

// An empty sequence writes a zero-length REG_BINARY value: the registry holds
// it faithfully, and it reads back as the empty sequence it was.
LONG WriteBytes(HKEY key, const std::string& name, const TaggedValue& value) {
  const Bytes* bytes = std::get_if<Bytes>(&value);
  if (bytes == nullptr) throw RegistryError(registry_errors::kGeneral, L"", L"");
  return SetValueData(key, name, REG_BINARY,
                      std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
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
  return SetValueData(key, name, REG_DWORD,
                      std::string_view(reinterpret_cast<const char*>(&number), sizeof number));
}

}  // namespace

void Registry::Value(const TaggedValue& vValue) {
  KeyHandle connectedRoot;
  HKEY root = nullptr;
  if (!ResolveRoot(classKey_, machine_, connectedRoot, root)) RaiseKeyNotWritable(classKey_, sectionKey_);
  const std::string name = WritableValueName(classKey_, sectionKey_, valueKey_);
  const KeyHandle key = CreateWritableKey(classKey_, root, sectionKey_);

  LONG result = kUnwritable;
  switch (valueType_) {
    case REG_SZ:
    case REG_EXPAND_SZ:
      result = WriteText(key.get(), name, vValue);
      break;
    case REG_BINARY:
      result = WriteBytes(key.get(), name, vValue);
      break;
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN:
      result = WriteDword(key.get(), name, vValue);
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
