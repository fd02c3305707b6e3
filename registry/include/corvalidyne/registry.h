#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

#include "corvalidyne/name_list.h"
#include "corvalidyne/registry_error.h"
#include "corvalidyne/tagged_value.h"

namespace corvalidyne {

// Addresses one place in the registry through its properties; every operation
// acts on what they address when it is called and keeps no handle open after.
class Registry {
 public:
  [[nodiscard]] std::wstring Machine() const { return machine_; }
  void Machine(const std::wstring& sMachine);

  [[nodiscard]] bool KeyExists() const noexcept;

  // Structural operations on the local registry; true, or a RegistryError.
  bool CreateKey();
  bool DeleteKey();
  bool DeleteValue();

  // Reads the addressed value; Default when it cannot be read. A value found
  // sets ValueType to its stored type.
  TaggedValue Value();
  // Writes the value encoded as ValueType says, creating missing keys.
  void Value(const TaggedValue& vValue);

  // The value names and subkey names of the addressed local key, numbered from
  // 1; previous contents are discarded. Always true: a key that is missing or
  // cannot be opened lists nothing, and EnumerateSections raises a
  // RegistryError only where the listing itself fails (memory, say).
  bool EnumerateValues(NameList& sKeyNames, std::int32_t& iKeyCount);
  bool EnumerateSections(NameList& sSect, std::int32_t& iSectCount);

  // Registers sExePath as the handler of ".sAssociation" under both class
  // roots. Leaves ClassKey at HKEY_LOCAL_MACHINE.
  void CreateEXEAssociation(const std::wstring& sExePath, const std::wstring& sClassName,
                            const std::wstring& sClassDescription, const std::wstring& sAssociation,
                            const std::wstring& sOpenMenuText = L"&Open", bool bSupportPrint = false,
                            const std::wstring& sPrintMenuText = L"&Print", bool bSupportNew = false,
                            const std::wstring& sNewMenuText = L"&New", bool bSupportInstall = false,
                            const std::wstring& sInstallMenuText = L"", std::int32_t lDefaultIconIndex = -1);
  // Adds verbs to a registered class: vItems is read as name, menu text,
  // command triplets. The class is looked up under the current ClassKey.
  void CreateAdditionalEXEAssociations(const std::wstring& sClassName, std::span<const TaggedValue> vItems);
  void CreateAdditionalEXEAssociations(const std::wstring& sClassName,
                                       std::initializer_list<TaggedValue> vItems) {
    CreateAdditionalEXEAssociations(sClassName, std::span<const TaggedValue>(vItems.begin(), vItems.size()));
  }

  [[nodiscard]] RegistryValueType ValueType() const { return valueType_; }
  void ValueType(RegistryValueType eValueType) { valueType_ = eValueType; }

  [[nodiscard]] RegistryRoot ClassKey() const { return classKey_; }
  void ClassKey(RegistryRoot eKey) { classKey_ = eKey; }

  [[nodiscard]] std::wstring SectionKey() const { return sectionKey_; }
  void SectionKey(const std::wstring& sSectionKey) { sectionKey_ = sSectionKey; }

  [[nodiscard]] std::wstring ValueKey() const { return valueKey_; }

  // Sets the five properties, in this order, then reads as Value() does.
  TaggedValue ValueEx(RegistryRoot eClassKey, const std::wstring& sSectionKey, const std::wstring& sValueKey,
                      RegistryValueType eValueType, const TaggedValue& vDefault);
  // Sets the five properties, then writes NewValue as Value(v) does; with
  // ValueType REG_SZ an empty text form of NewValue writes Default instead.
  void ValueEx(RegistryRoot eClassKey, const std::wstring& sSectionKey, const std::wstring& sValueKey,
               RegistryValueType eValueType, const TaggedValue& vDefault, const TaggedValue& NewValue);

  void ValueKey(const std::wstring& sValueKey) { valueKey_ = sValueKey; }

  [[nodiscard]] TaggedValue Default() const { return default_; }
  void Default(const TaggedValue& vDefault) { default_ = vDefault; }

 private:
  void SetClassesValue(std::wstring text);
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
