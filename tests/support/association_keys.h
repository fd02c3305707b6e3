#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace corvalidyne::testing {

// Removes a test's association keys from both class roots before and after the
// test, whether it passed or failed (Wine keeps HKCR in HKLM\Software\Classes).
class AssociationKeys {
 public:
  explicit AssociationKeys(std::initializer_list<std::wstring> keys) : keys_(keys) { Remove(); }
  ~AssociationKeys() { Remove(); }
  AssociationKeys(const AssociationKeys&) = delete;
  AssociationKeys& operator=(const AssociationKeys&) = delete;

 private:
  void Remove() const {
    for (const std::wstring& key : keys_) {
      const std::wstring machineKey = L"SOFTWARE\\Classes\\" + key;
      RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
      RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
      RegDeleteTreeW(HKEY_LOCAL_MACHINE, machineKey.c_str());
      RegDeleteKeyW(HKEY_LOCAL_MACHINE, machineKey.c_str());
    }
  }

  std::vector<std::wstring> keys_;
};

}  // namespace corvalidyne::testing
