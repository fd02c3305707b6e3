#pragma once

#include <windows.h>

#include <string>

#include "corvalidyne/tagged_value.h"
#include "layer/system_calls.h"
#include "unique_handle.h"

namespace corvalidyne {

using layer::RootKey;

// Query and set value, create and enumerate subkeys, notify, create link: what
// the object opens a key with to write or delete in it.
inline constexpr REGSAM kObjectWriteAccess = 0x3F;

// The object's keys through the ANSI functions. Key paths and machine names
// reach them only through these: a name that layer::AnsiName refuses fails as
// ERROR_INVALID_NAME without any registry call, so it can never act on a
// shortened or substituted path.

// The root an operation works below: ClassKey itself, or, with a machine name,
// the root that RegConnectRegistryA returned (owned by `connected`). False when
// the connection failed.
[[nodiscard]] bool ResolveRoot(RegistryRoot classKey, const std::wstring& machine, KeyHandle& connected,
                               HKEY& root);

// Opens `path` below `root`; returns the system's status.
[[nodiscard]] LONG OpenKey(HKEY root, const std::wstring& path, REGSAM access, KeyHandle& key);

// Creates or opens `path` below `root` for writing (kObjectWriteAccess,
// non-volatile, missing parents created); returns the system's status.
[[nodiscard]] LONG CreateKeyForWriting(HKEY root, const std::wstring& path, KeyHandle& key);

// Deletes `path` below `root`; returns the system's status.
[[nodiscard]] LONG DeleteKeyAt(HKEY root, const std::wstring& path);

}  // namespace corvalidyne
