#include "raw_registry.h"

#include <gtest/gtest.h>

namespace corvalidyne::testing {

namespace {

class Key {
 public:
  ~Key() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  HKEY* put() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

std::string Encoded(const std::wstring& text, UINT codePage) {
  const int length = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string result(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), result.data(), length, nullptr,
                      nullptr);
  return result;
}

// ntdll's counted string, which names a value whatever characters it holds.
struct CountedString {
  USHORT length;  // bytes
  USHORT maximumLength;
  PWSTR buffer;
};
using NtSetValueKeyFunction = LONG(WINAPI*)(HANDLE key, CountedString* name, ULONG titleIndex, ULONG type,
                                            PVOID data, ULONG size);

}  // namespace

void WriteExact(HKEY root, const std::wstring& path, const std::wstring& name, const RawValue& value) {
  static const auto setValue = reinterpret_cast<NtSetValueKeyFunction>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtSetValueKey")));
  ASSERT_NE(setValue, nullptr);
  Key key;
  ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
  std::wstring named = name;
  CountedString counted{static_cast<USHORT>(named.size() * sizeof(wchar_t)),
                        static_cast<USHORT>(named.size() * sizeof(wchar_t)), named.data()};
  std::string data = value.data;
  ASSERT_EQ(setValue(key.get(), &counted, 0, value.type, data.data(), static_cast<ULONG>(data.size())), 0);
}

void WriteRaw(HKEY root, const std::wstring& path, const std::string& ansiName, const RawValue& value) {
  Key key;
  ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(
      RegSetValueExA(key.get(), ansiName.c_str(), 0, value.type,
                     reinterpret_cast<const BYTE*>(value.data.data()), static_cast<DWORD>(value.data.size())),
      ERROR_SUCCESS);
}

void WriteRawW(HKEY root, const std::wstring& path, const std::wstring& name, const RawValue& value,
               REGSAM view) {
  Key key;
  ASSERT_EQ(
      RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, key.put(), nullptr),
      ERROR_SUCCESS);
  ASSERT_EQ(
      RegSetValueExW(key.get(), name.c_str(), 0, value.type, reinterpret_cast<const BYTE*>(value.data.data()),
                     static_cast<DWORD>(value.data.size())),
      ERROR_SUCCESS);
}

bool ReadRawW(HKEY root, const std::wstring& path, const std::wstring& name, RawValue& value, REGSAM view) {
  Key key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE | view, key.put()) != ERROR_SUCCESS) return false;
  DWORD size = 0;
  if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) {
    return false;
  }
  value.data.assign(size, '\0');
  return RegQueryValueExW(key.get(), name.c_str(), nullptr, &value.type,
                          reinterpret_cast<BYTE*>(value.data.data()), &size) == ERROR_SUCCESS;
}

bool ReadRawA(HKEY root, const std::wstring& path, const std::string& ansiName, RawValue& value) {
  Key key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return false;
  DWORD size = 0;
  if (RegQueryValueExA(key.get(), ansiName.c_str(), nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) {
    return false;
  }
  value.data.assign(size, '\0');
  if (RegQueryValueExA(key.get(), ansiName.c_str(), nullptr, &value.type,
                       reinterpret_cast<BYTE*>(value.data.data()), &size) != ERROR_SUCCESS) {
    return false;
  }
  value.data.resize(size);
  return true;
}

bool KeyPresent(HKEY root, const std::wstring& path) {
  Key key;
  return RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, key.put()) == ERROR_SUCCESS;
}

void MakeKey(HKEY root, const std::wstring& path) {
  Key key;
  ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
}

std::string Utf16Bytes(const std::wstring& text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

std::string Ansi(const std::wstring& text) { return Encoded(text, CP_ACP); }

std::string Utf8(const std::wstring& text) { return Encoded(text, CP_UTF8); }

std::wstring Widen(const std::string& ansi) {
  std::wstring wide(ansi.size(), L'\0');
  const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(),
                                         static_cast<int>(wide.size()));
  wide.resize(static_cast<std::size_t>(length));
  return wide;
}

std::wstring ComputerName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  GetComputerNameA(name, &size);
  return std::wstring(name, name + size);
}

std::wstring ErrorSource() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring name(path);
  name = name.substr(name.find_last_of(L"\\/") + 1);
  return name.substr(0, name.rfind(L'.')) + L".cRegistry";
}

}  // namespace corvalidyne::testing
