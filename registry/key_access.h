#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "corvalidyne/tagged_value.h"
#include "unique_handle.h"

namespace corvalidyne {

// The HKEY for a root value held as a 32-bit signed integer (predefined roots
// are sign-extended on 64-bit Windows).
inline HKEY RootKey(RegistryRoot root) noexcept {
  return reinterpret_cast<HKEY>(static_cast<std::intptr_t>(root));
}

// Key paths and machine names reach the ANSI registry functions only through
// these. A name that AnsiName refuses fails as ERROR_INVALID_NAME without any
// registry call, so it can never act on a shortened or substituted path.

// The root an operation works below: ClassKey itself, or, with a machine name,
// the root that RegConnectRegistryA returned (owned by `connected`). False when
// the connection failed.
[[nodiscard]] bool ResolveRoot(RegistryRoot classKey, const std::wstring& machine, KeyHandle& connected,
                               HKEY& root);

// Opens `path` below `root` (options 0); returns what RegOpenKeyExA returned.
[[nodiscard]] LONG OpenKey(HKEY root, const std::wstring& path, REGSAM access, KeyHandle& key);

// Creates or opens `path` below `root` for writing (access 0x3F, non-volatile,
// missing parents created); returns what RegCreateKeyExA returned.
[[nodiscard]] LONG CreateKeyForWriting(HKEY root, const std::wstring& path, KeyHandle& key);

// Deletes `path` below `root`; returns what RegDeleteKeyA returned.
[[nodiscard]] LONG DeleteKeyAt(HKEY root, const std::wstring& path);

}  // namespace corvalidyne
