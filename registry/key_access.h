#pragma once

#include <windows.h>

#include <string>

#include "key_handle.h"
#include "tagged_value.h"

namespace corvalidyne {

// Key paths and machine names reach the ANSI registry functions only through
// these. A name that AnsiName refuses fails as ERROR_INVALID_NAME without any
// registry call, so it can never act on a shortened or substituted path.

// The root an operation works below: ClassKey itself, or, with a machine name,
// the root that RegConnectRegistryA returned (owned by `connected`). False when
// the connection failed.
bool ResolveRoot(RegistryRoot classKey, const std::wstring& machine, KeyHandle& connected, HKEY& root);

// Opens `path` below `root` (options 0); returns what RegOpenKeyExA returned.
LONG OpenKey(HKEY root, const std::wstring& path, REGSAM access, KeyHandle& key);

// Creates or opens `path` below `root` for writing (access 0x3F, non-volatile,
// missing parents created); returns what RegCreateKeyExA returned.
LONG CreateKeyForWriting(HKEY root, const std::wstring& path, KeyHandle& key);

// Deletes `path` below `root`; returns what RegDeleteKeyA returned.
LONG DeleteKeyAt(HKEY root, const std::wstring& path);

}  // namespace corvalidyne
