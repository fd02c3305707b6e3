#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "corvalidyne/registry_key.h"
#include "corvalidyne/registry_types.h"

namespace corvalidyne {

// One call per read or write: each opens the key as a RegistryKey
// (registry_key.h), does one thing and closes it. Every function takes a
// predefined root (kHKeyCurrentUser, kHKeyLocalMachine, ...), the key's path
// below it, for values the value's name ("" names the key's default value) and
// the registry view: RegistryView::kNative unless given. Each has a form with a
// trailing std::error_code&, after the view, that throws nothing for a
// registry failure, as RegistryKey::Open has.
//
// Text is UTF-16 throughout, through the W functions. Absent keys and values
// and every failure are as registry_key.h says: reads give std::nullopt for
// what is absent and fail with the system's code for the rest, a value of
// another type included (1630). Writes create missing keys.

std::optional<std::uint32_t> ReadDword(RegistryRoot root, std::wstring_view path, std::wstring_view name,
                                       RegistryView view = RegistryView::kNative);
std::optional<std::uint32_t> ReadDword(RegistryRoot root, std::wstring_view path, std::wstring_view name,
                                       RegistryView view, std::error_code& code);
std::optional<std::uint64_t> ReadQword(RegistryRoot root, std::wstring_view path, std::wstring_view name,
                                       RegistryView view = RegistryView::kNative);
std::optional<std::uint64_t> ReadQword(RegistryRoot root, std::wstring_view path, std::wstring_view name,
                                       RegistryView view, std::error_code& code);
// REG_SZ, without its terminating NUL.
std::optional<std::wstring> ReadString(RegistryRoot root, std::wstring_view path, std::wstring_view name,
                                       RegistryView view = RegistryView::kNative);
std::optional<std::wstring> ReadString(RegistryRoot root, std::wstring_view path, std::wstring_view name,
                                       RegistryView view, std::error_code& code);
// REG_MULTI_SZ; the list ends at the first empty string, as the type defines.
std::optional<std::vector<std::wstring>> ReadStrings(RegistryRoot root, std::wstring_view path,
                                                     std::wstring_view name,
                                                     RegistryView view = RegistryView::kNative);
std::optional<std::vector<std::wstring>> ReadStrings(RegistryRoot root, std::wstring_view path,
                                                     std::wstring_view name, RegistryView view,
                                                     std::error_code& code);
// REG_BINARY, exactly the stored bytes.
std::optional<Bytes> ReadBinary(RegistryRoot root, std::wstring_view path, std::wstring_view name,
                                RegistryView view = RegistryView::kNative);
std::optional<Bytes> ReadBinary(RegistryRoot root, std::wstring_view path, std::wstring_view name,
                                RegistryView view, std::error_code& code);
// REG_EXPAND_SZ, its environment references expanded, whatever its length.
std::optional<std::wstring> ReadExpandedString(RegistryRoot root, std::wstring_view path,
                                               std::wstring_view name,
                                               RegistryView view = RegistryView::kNative);
std::optional<std::wstring> ReadExpandedString(RegistryRoot root, std::wstring_view path,
                                               std::wstring_view name, RegistryView view,
                                               std::error_code& code);
// REG_EXPAND_SZ as stored, its references not expanded.
std::optional<ExpandableString> ReadExpandableString(RegistryRoot root, std::wstring_view path,
                                                     std::wstring_view name,
                                                     RegistryView view = RegistryView::kNative);
std::optional<ExpandableString> ReadExpandableString(RegistryRoot root, std::wstring_view path,
                                                     std::wstring_view name, RegistryView view,
                                                     std::error_code& code);
// Any value as stored: its type code and bytes.
std::optional<RegistryValue> ReadValue(RegistryRoot root, std::wstring_view path, std::wstring_view name,
                                       RegistryView view = RegistryView::kNative);
std::optional<RegistryValue> ReadValue(RegistryRoot root, std::wstring_view path, std::wstring_view name,
                                       RegistryView view, std::error_code& code);
std::optional<RegistryValueType> TypeOf(RegistryRoot root, std::wstring_view path, std::wstring_view name,
                                        RegistryView view = RegistryView::kNative);
std::optional<RegistryValueType> TypeOf(RegistryRoot root, std::wstring_view path, std::wstring_view name,
                                        RegistryView view, std::error_code& code);

// Stores `value` as RegistryKey::Write stores it, by its C++ type: DWORD
// REG_DWORD, std::uint64_t REG_QWORD, text REG_SZ, {L"a", L"b"} or a vector
// of strings REG_MULTI_SZ, ExpandableString REG_EXPAND_SZ, Bytes REG_BINARY
// (registry_key.h lists them, and what std::size_t stores). A plain int does
// not compile: write 42u for a REG_DWORD, 42ull for a REG_QWORD.
template <typename Value>
void Write(RegistryRoot root, std::wstring_view path, std::wstring_view name, const Value& value,
           RegistryView view = RegistryView::kNative) {
  RegistryKey::Create(root, path, view).Write(name, value);
}
template <typename Value>
void Write(RegistryRoot root, std::wstring_view path, std::wstring_view name, const Value& value,
           RegistryView view, std::error_code& code) {
  if (auto key = RegistryKey::Create(root, path, view, {}, code)) key->Write(name, value, code);
}
void Write(RegistryRoot root, std::wstring_view path, std::wstring_view name,
           std::initializer_list<std::wstring_view> value, RegistryView view = RegistryView::kNative);
void Write(RegistryRoot root, std::wstring_view path, std::wstring_view name,
           std::initializer_list<std::wstring_view> value, RegistryView view, std::error_code& code);
// Any type code and bytes, stored as given.
void WriteValue(RegistryRoot root, std::wstring_view path, std::wstring_view name, const RegistryValue& value,
                RegistryView view = RegistryView::kNative);
void WriteValue(RegistryRoot root, std::wstring_view path, std::wstring_view name, const RegistryValue& value,
                RegistryView view, std::error_code& code);

// True also for a key that exists but refuses this caller.
bool KeyExists(RegistryRoot root, std::wstring_view path, RegistryView view = RegistryView::kNative);
bool KeyExists(RegistryRoot root, std::wstring_view path, RegistryView view, std::error_code& code);
// False when the key or the value was absent.
bool DeleteValue(RegistryRoot root, std::wstring_view path, std::wstring_view name,
                 RegistryView view = RegistryView::kNative);
bool DeleteValue(RegistryRoot root, std::wstring_view path, std::wstring_view name, RegistryView view,
                 std::error_code& code);
// Deletes the key alone; false when it was absent. The system refuses a key
// that has subkeys (Windows with 5, access denied).
bool DeleteKey(RegistryRoot root, std::wstring_view path, RegistryView view = RegistryView::kNative);
bool DeleteKey(RegistryRoot root, std::wstring_view path, RegistryView view, std::error_code& code);

// In the registry's own order; empty when the key is absent.
std::vector<std::wstring> ValueNames(RegistryRoot root, std::wstring_view path,
                                     RegistryView view = RegistryView::kNative);
std::vector<std::wstring> ValueNames(RegistryRoot root, std::wstring_view path, RegistryView view,
                                     std::error_code& code);
std::vector<std::wstring> SubkeyNames(RegistryRoot root, std::wstring_view path,
                                      RegistryView view = RegistryView::kNative);
std::vector<std::wstring> SubkeyNames(RegistryRoot root, std::wstring_view path, RegistryView view,
                                      std::error_code& code);

}  // namespace corvalidyne
