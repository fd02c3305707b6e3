#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "corvalidyne/tagged_value.h"
#include "unique_handle.h"

namespace corvalidyne {

// The steps and errors that every value write of the Registry object shares,
// so that its writes fail alike.

// The value name's ANSI form. A name that cannot reach the registry unaltered
// fails as the value's write would, before anything is touched; when the path
// cannot either, that fails first, as the key's creation would.
std::string WritableValueName(RegistryRoot classKey, const std::wstring& section, const std::wstring& name);

// The key `section` below `root` (ClassKey itself, or the root a connection
// gave), created with its missing parents and open for writing.
KeyHandle CreateWritableKey(RegistryRoot classKey, HKEY root, const std::wstring& section);

// Sets a value's type and bytes; returns what RegSetValueExA returned.
[[nodiscard]] LONG SetValueData(HKEY key, const std::string& name, DWORD type, std::string_view data);

// What a REG_SZ or REG_EXPAND_SZ value stores for a text: its ANSI bytes and
// one terminating NUL. Nothing when the code page cannot hold the text.
std::optional<std::string> StringData(std::wstring_view text);

[[noreturn]] void RaiseKeyNotWritable(RegistryRoot classKey, const std::wstring& section);
[[noreturn]] void RaiseValueNotWritten(RegistryRoot classKey);

}  // namespace corvalidyne
