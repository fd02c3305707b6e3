#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace corvalidyne::testing {

// A value as the registry holds it: its type code and its exact bytes.
struct RawValue {
  DWORD type = REG_NONE;
  std::string data;
  bool operator==(const RawValue&) const = default;
};

// Direct calls, independent of the object under test.
void WriteRaw(HKEY root, const std::wstring& path, const std::string& ansiName, const RawValue& value);
// Writes and reads through the wide functions, in the view `view` adds
// (KEY_WOW64_32KEY, KEY_WOW64_64KEY or 0): string data is UTF-16.
void WriteRawW(HKEY root, const std::wstring& path, const std::wstring& name, const RawValue& value,
               REGSAM view = 0);
// Stores exactly the bytes given, as another program may: through ntdll's
// NtSetValueKey, since Wine's RegSetValueExW adds a terminator to text that
// lacks one (Windows' stores what it is given).
void WriteExact(HKEY root, const std::wstring& path, const std::wstring& name, const RawValue& value);
bool ReadRawW(HKEY root, const std::wstring& path, const std::wstring& name, RawValue& value,
              REGSAM view = 0);
// Reads through the ANSI functions: string data comes back in the ANSI code page.
bool ReadRawA(HKEY root, const std::wstring& path, const std::string& ansiName, RawValue& value);
bool KeyPresent(HKEY root, const std::wstring& path);
void MakeKey(HKEY root, const std::wstring& path);

// The test's own conversions to and from the ANSI code page, through the
// platform rather than the object.
std::string Ansi(const std::wstring& text);
std::wstring Widen(const std::string& ansi);
// For messages of failed checks.
std::string Utf8(const std::wstring& text);

// This computer's name, which the registry accepts as a remote machine.
std::wstring ComputerName();

// The source of the registry object's errors in this program, from its own
// file name: "<name without extension>.cRegistry".
std::wstring ErrorSource();

// Bytes of a UTF-16 text, as the wide functions store strings.
std::string Utf16Bytes(const std::wstring& text);
inline std::vector<std::uint8_t> BytesOf(const std::string& data) { return {data.begin(), data.end()}; }

}  // namespace corvalidyne::testing
