#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "corvalidyne/registry_key.h"
#include "corvalidyne/tagged_value.h"

namespace corvalidyne {

// One call per read or write, with typed results: each opens the key as a
// RegistryKey (registry_key.h), does one thing and closes it. Every function
// takes a predefined root (kHKeyCurrentUser, kHKeyLocalMachine, ...), the
// key's path below it, for values the value's name ("" names the key's default
// value) and, last, the registry view (RegistryView::kNative unless given).
//
// Text is UTF-16 throughout, through the W functions. Absent keys and values
// and every failure are as registry_key.h says: reads give std::nullopt for
// what is absent and throw std::system_error (system_category) for the rest,
// a value of another type included (1630). Writes create missing keys.

std::optional<std::uint32_t> ReadDword(RegistryRoot root, const std::wstring& path, const std::wstring& name,
                                       RegistryView view = RegistryView::kNative);
std::optional<std::uint64_t> ReadQword(RegistryRoot root, const std::wstring& path, const std::wstring& name,
                                       RegistryView view = RegistryView::kNative);
// REG_SZ, without its terminating NUL.
std::optional<std::wstring> ReadString(RegistryRoot root, const std::wstring& path, const std::wstring& name,
                                       RegistryView view = RegistryView::kNative);
// REG_MULTI_SZ; the list ends at the first empty string, as the type defines.
std::optional<std::vector<std::wstring>> ReadStrings(RegistryRoot root, const std::wstring& path,
                                                     const std::wstring& name,
                                                     RegistryView view = RegistryView::kNative);
// REG_BINARY, exactly the stored bytes.
std::optional<Bytes> ReadBinary(RegistryRoot root, const std::wstring& path, const std::wstring& name,
                                RegistryView view = RegistryView::kNative);
// REG_EXPAND_SZ, its environment references expanded, whatever its length.
std::optional<std::wstring> ReadExpandedString(RegistryRoot root, const std::wstring& path,
                                               const std::wstring& name,
                                               RegistryView view = RegistryView::kNative);

// Each stores the type RegistryKey::Write names for its value's type: 42u a
// REG_DWORD, std::uint64_t{42} a REG_QWORD; a bare 42 does not compile.
void Write(RegistryRoot root, const std::wstring& path, const std::wstring& name, std::uint32_t value,
           RegistryView view = RegistryView::kNative);
void Write(RegistryRoot root, const std::wstring& path, const std::wstring& name, std::uint64_t value,
           RegistryView view = RegistryView::kNative);
// REG_SZ, whatever "%" characters the text holds.
void Write(RegistryRoot root, const std::wstring& path, const std::wstring& name, const std::wstring& value,
           RegistryView view = RegistryView::kNative);
// REG_MULTI_SZ. An empty string or a NUL inside one is refused (87): either
// would end the list early when it is read.
void Write(RegistryRoot root, const std::wstring& path, const std::wstring& name,
           const std::vector<std::wstring>& value, RegistryView view = RegistryView::kNative);
void Write(RegistryRoot root, const std::wstring& path, const std::wstring& name, const Bytes& value,
           RegistryView view = RegistryView::kNative);
void Write(RegistryRoot root, const std::wstring& path, const std::wstring& name,
           const ExpandableString& value, RegistryView view = RegistryView::kNative);
template <std::integral Other>
void Write(RegistryRoot root, const std::wstring& path, const std::wstring& name, Other value,
           RegistryView view = RegistryView::kNative) = delete;

// True also for a key that exists but refuses this caller.
bool KeyExists(RegistryRoot root, const std::wstring& path, RegistryView view = RegistryView::kNative);
// False when the key or the value was absent.
bool DeleteValue(RegistryRoot root, const std::wstring& path, const std::wstring& name,
                 RegistryView view = RegistryView::kNative);
// Deletes the key alone; false when it was absent. The system refuses a key
// that has subkeys (Windows with 5, access denied).
bool DeleteKey(RegistryRoot root, const std::wstring& path, RegistryView view = RegistryView::kNative);

// In the registry's own order; empty when the key is absent.
std::vector<std::wstring> ValueNames(RegistryRoot root, const std::wstring& path,
                                     RegistryView view = RegistryView::kNative);
std::vector<std::wstring> SubkeyNames(RegistryRoot root, const std::wstring& path,
                                      RegistryView view = RegistryView::kNative);

}  // namespace corvalidyne
