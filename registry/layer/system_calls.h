#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>

namespace corvalidyne::layer {

// The HKEY for a root value held as a 32-bit signed integer (predefined roots
// are sign-extended on 64-bit Windows).
inline HKEY RootKey(std::int32_t root) noexcept {
  return reinterpret_cast<HKEY>(static_cast<std::intptr_t>(root));
}

// The registry's functions, and the environment expansion its text needs, for
// one character width: the ANSI forms (char), which the Registry object speaks,
// and the wide forms (wchar_t), which RegistryKey and the one-call functions
// speak. Nothing else in the library calls them; each returns the system's
// status. Where the two widths' functions differ in shape, both are given the
// same one here.
template <typename Char>
struct SystemCalls;

template <>
struct SystemCalls<char> {
  static LONG Open(HKEY parent, const char* path, REGSAM access, HKEY* key) noexcept {
    return RegOpenKeyExA(parent, path, 0, access, key);
  }
  // An empty class and a zeroed security record, as the object has always passed.
  static LONG Create(HKEY parent, const char* path, DWORD options, REGSAM access, HKEY* key,
                     DWORD* disposition) noexcept {
    SECURITY_ATTRIBUTES zeroed{};
    char emptyClass[] = "";
    return RegCreateKeyExA(parent, path, 0, emptyClass, options, access, &zeroed, key, disposition);
  }
  // The ANSI object deletes in its one registry: no view.
  static LONG Delete(HKEY parent, const char* path) noexcept { return RegDeleteKeyA(parent, path); }
  static LONG Connect(const char* machine, HKEY root, HKEY* key) noexcept {
    return RegConnectRegistryA(machine, root, key);
  }
  static LONG Query(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) noexcept {
    return RegQueryValueExA(key, name, nullptr, type, data, size);
  }
  static LONG Set(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size) noexcept {
    return RegSetValueExA(key, name, 0, type, data, size);
  }
  static LONG DeleteValue(HKEY key, const char* name) noexcept { return RegDeleteValueA(key, name); }
  static LONG EnumValue(HKEY key, DWORD index, char* name, DWORD* length) noexcept {
    return RegEnumValueA(key, index, name, length, nullptr, nullptr, nullptr, nullptr);
  }
  // RegEnumKeyA reports no length: the name ends at its first NUL, or fills the buffer.
  static LONG EnumKey(HKEY key, DWORD index, char* name, DWORD* length) noexcept {
    const LONG result = RegEnumKeyA(key, index, name, *length);
    if (result == ERROR_SUCCESS) *length = static_cast<DWORD>(strnlen(name, *length));
    return result;
  }
  static LONG LongestValueName(HKEY key, DWORD* length) noexcept {
    return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, length,
                            nullptr, nullptr, nullptr);
  }
  static DWORD Expand(const char* text, char* expanded, DWORD size) noexcept {
    return ExpandEnvironmentStringsA(text, expanded, size);
  }
};

template <>
struct SystemCalls<wchar_t> {
  static LONG Open(HKEY parent, const wchar_t* path, REGSAM access, HKEY* key) noexcept {
    return RegOpenKeyExW(parent, path, 0, access, key);
  }
  static LONG Create(HKEY parent, const wchar_t* path, DWORD options, REGSAM access, HKEY* key,
                     DWORD* disposition) noexcept {
    return RegCreateKeyExW(parent, path, 0, nullptr, options, access, nullptr, key, disposition);
  }
  // `view` is KEY_WOW64_32KEY, KEY_WOW64_64KEY or 0.
  static LONG Delete(HKEY parent, const wchar_t* path, REGSAM view) noexcept {
    return RegDeleteKeyExW(parent, path, view, 0);
  }
  // Empties `key` of its values and subkeys, whatever their depth.
  static LONG Empty(HKEY key) noexcept { return RegDeleteTreeW(key, nullptr); }
  static LONG Connect(const wchar_t* machine, HKEY root, HKEY* key) noexcept {
    return RegConnectRegistryW(machine, root, key);
  }
  static LONG Query(HKEY key, const wchar_t* name, DWORD* type, BYTE* data, DWORD* size) noexcept {
    return RegQueryValueExW(key, name, nullptr, type, data, size);
  }
  static LONG Set(HKEY key, const wchar_t* name, DWORD type, const BYTE* data, DWORD size) noexcept {
    return RegSetValueExW(key, name, 0, type, data, size);
  }
  static LONG DeleteValue(HKEY key, const wchar_t* name) noexcept { return RegDeleteValueW(key, name); }
  // `type`, `data` and `size` may be null where they are not wanted.
  static LONG EnumValue(HKEY key, DWORD index, wchar_t* name, DWORD* length, DWORD* type, BYTE* data,
                        DWORD* size) noexcept {
    return RegEnumValueW(key, index, name, length, nullptr, type, data, size);
  }
  static LONG EnumKey(HKEY key, DWORD index, wchar_t* name, DWORD* length) noexcept {
    return RegEnumKeyExW(key, index, name, length, nullptr, nullptr, nullptr, nullptr);
  }
  // Any of the outputs may be null.
  static LONG Info(HKEY key, DWORD* subkeys, DWORD* longestSubkey, DWORD* values, DWORD* longestValueName,
                   DWORD* longestData, FILETIME* lastWritten) noexcept {
    return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, subkeys, longestSubkey, nullptr, values,
                            longestValueName, longestData, nullptr, lastWritten);
  }
  static LONG Flush(HKEY key) noexcept { return RegFlushKey(key); }
  static LONG CopyTree(HKEY source, HKEY destination) noexcept {
    return RegCopyTreeW(source, nullptr, destination);
  }
  static LONG Notify(HKEY key, BOOL subtree, DWORD filter, HANDLE event, BOOL asynchronous) noexcept {
    return RegNotifyChangeKeyValue(key, subtree, filter, event, asynchronous);
  }
  static DWORD Expand(const wchar_t* text, wchar_t* expanded, DWORD size) noexcept {
    return ExpandEnvironmentStringsW(text, expanded, size);
  }
};

}  // namespace corvalidyne::layer
