#pragma once

#include <string>

#include "registry_error.h"
#include "tagged_value.h"

namespace corvalidyne {

// Addresses one place in the registry through its properties; every operation
// acts on what they address when it is called and keeps no handle open after.
class Registry {
 public:
  std::wstring Machine() const { return machine_; }
  void Machine(const std::wstring& sMachine);

  bool KeyExists() const noexcept;

  // Reads the addressed value; Default when it cannot be read. A value found
  // sets ValueType to its stored type.
  TaggedValue Value();

  RegistryValueType ValueType() const { return valueType_; }
  void ValueType(RegistryValueType eValueType) { valueType_ = eValueType; }

  RegistryRoot ClassKey() const { return classKey_; }
  void ClassKey(RegistryRoot eKey) { classKey_ = eKey; }

  std::wstring SectionKey() const { return sectionKey_; }
  void SectionKey(const std::wstring& sSectionKey) { sectionKey_ = sSectionKey; }

  std::wstring ValueKey() const { return valueKey_; }
  void ValueKey(const std::wstring& sValueKey) { valueKey_ = sValueKey; }

  // Sets the five properties, in this order, then reads as Value() does.
  TaggedValue ValueEx(RegistryRoot ClassKey, const std::wstring& SectionKey,
                      const std::wstring& ValueKey, RegistryValueType ValueType,
                      const TaggedValue& Default);

  TaggedValue Default() const { return default_; }
  void Default(const TaggedValue& vDefault) { default_ = vDefault; }

 private:
  static std::int32_t ReverseByteOrder(std::int32_t value);
  static std::wstring ExpandEnvironmentText(const std::wstring& text);

  RegistryRoot classKey_ = 0;
  std::wstring sectionKey_;
  std::wstring valueKey_;
  TaggedValue default_;
  RegistryValueType valueType_ = 0;
  std::wstring machine_;
};

}  // namespace corvalidyne
