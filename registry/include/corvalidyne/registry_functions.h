#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "corvalidyne/registry_error.h"
#include "corvalidyne/tagged_value.h"

namespace corvalidyne {

// One call per read or write, with typed results: the Registry object's key
// access and rules without its properties. Every function takes a predefined
// root (kHKeyCurrentUser, kHKeyLocalMachine, ...), the key's path below it and,
// for values, the value's name ("" names the key's default value). Local
// registry only.
//
// Limits, the object's own:
// - Paths, names and text pass through the system's ANSI code page, as the
//   ANSI registry functions take them. A path or name holding a NUL or a
//   character the code page cannot hold is refused, never changed into a
//   nearby name: reads give std::nullopt, KeyExists false, listings nothing,
//   and writes and deletions throw the object's RegistryError before touching
//   anything. Writes refuse text that the code page cannot hold in the same way.
// - Reads give std::nullopt when the key or the value is absent or the value
//   is stored as another type, and never throw.
// - Writes create missing keys and store exactly the type their overload
//   names. A failure throws RegistryError with the number and message the
//   object gives for it: 26001 when the key cannot be created, 0x800469A9 when
//   the value cannot be written or is refused.
// - Deletions and listings act as the object's DeleteKey, DeleteValue,
//   EnumerateValues and EnumerateSections: deleting what is absent throws 26001.

// Text stored as REG_EXPAND_SZ, its environment references left for readers to expand.
struct ExpandableString {
  std::wstring text;
};

// REG_DWORD.
std::optional<std::uint32_t> ReadDword(RegistryRoot root, const std::wstring& path, const std::wstring& name);
// REG_SZ, without its terminating NUL.
std::optional<std::wstring> ReadString(RegistryRoot root, const std::wstring& path, const std::wstring& name);
// REG_MULTI_SZ; the list ends at the first empty string, as the type defines.
std::optional<std::vector<std::wstring>> ReadStrings(RegistryRoot root, const std::wstring& path,
                                                     const std::wstring& name);
// REG_BINARY, exactly the stored bytes.
std::optional<Bytes> ReadBinary(RegistryRoot root, const std::wstring& path, const std::wstring& name);
// REG_EXPAND_SZ, its environment references expanded.
std::optional<std::wstring> ReadExpandedString(RegistryRoot root, const std::wstring& path,
                                               const std::wstring& name);

void Write(RegistryRoot root, const std::wstring& path, const std::wstring& name, std::uint32_t value);
// REG_SZ, whatever "%" characters the text holds.
void Write(RegistryRoot root, const std::wstring& path, const std::wstring& name, const std::wstring& value);
// REG_MULTI_SZ. An empty string or a NUL inside one is refused: either would
// end the list early when it is read.
void Write(RegistryRoot root, const std::wstring& path, const std::wstring& name,
           const std::vector<std::wstring>& value);
void Write(RegistryRoot root, const std::wstring& path, const std::wstring& name, const Bytes& value);
void Write(RegistryRoot root, const std::wstring& path, const std::wstring& name,
           const ExpandableString& value);

bool KeyExists(RegistryRoot root, const std::wstring& path);
void DeleteValue(RegistryRoot root, const std::wstring& path, const std::wstring& name);
// Deletes the key alone: one that has subkeys is refused.
void DeleteKey(RegistryRoot root, const std::wstring& path);

// In the registry's own order; empty when the key is absent.
std::vector<std::wstring> ValueNames(RegistryRoot root, const std::wstring& path);
std::vector<std::wstring> SubkeyNames(RegistryRoot root, const std::wstring& path);

}  // namespace corvalidyne
