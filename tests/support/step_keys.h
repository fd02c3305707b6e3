#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace corvalidyne::testing {

// The HKEY_LOCAL_MACHINE keys by which the steps are recognised.
inline constexpr wchar_t kFrameworkKey[] = L"SOFTWARE\\Microsoft\\.NETFramework\\policy\\v1.1";
inline constexpr wchar_t kMsdeKey[] = L"SYSTEM\\CurrentControlSet\\Services\\MSSQL$Corvalidyne";
inline constexpr wchar_t kWebAppKey[] = L"SOFTWARE\\Corvalidyne";
inline constexpr wchar_t kWebServerKey[] = L"SYSTEM\\CurrentControlSet\\Services\\W3SVC\\Parameters";

// Puts the installation keys into a known state for one test and removes them
// all when the test ends, whether it passed or failed.
class StepKeys {
 public:
  StepKeys() { RemoveAll(); }
  ~StepKeys() { RemoveAll(); }
  StepKeys(const StepKeys&) = delete;
  StepKeys& operator=(const StepKeys&) = delete;

  void Set(const wchar_t* path, bool present) const {
    if (present) {
      HKEY key = nullptr;
      RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
      if (key != nullptr) RegCloseKey(key);
    } else {
      RegDeleteTreeW(HKEY_LOCAL_MACHINE, path);
      RegDeleteKeyW(HKEY_LOCAL_MACHINE, path);
    }
  }

  // Writes MajorVersion of the web server as a REG_DWORD, creating its key.
  void SetWebServerVersion(DWORD version) const {
    Set(kWebServerKey, true);
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, kWebServerKey, L"MajorVersion", REG_DWORD, &version, sizeof version);
  }

  static bool Exists(const wchar_t* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
  }

 private:
  void RemoveAll() const {
    for (const wchar_t* path : {kFrameworkKey, kMsdeKey, kWebAppKey, kWebServerKey}) Set(path, false);
  }
};

}  // namespace corvalidyne::testing
