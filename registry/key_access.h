#pragma once

#include <windows.h>

#include <string>

#include "key_handle.h"
#include "tagged_value.h"

namespace corvalidyne {

// The root an operation works below: ClassKey itself, or, with a machine name,
// the root that RegConnectRegistryA returned (owned by `connected`). False when
// the connection failed.
bool ResolveRoot(RegistryRoot classKey, const std::wstring& machine, KeyHandle& connected, HKEY& root);

// Creates or opens `path` below `root` for writing (access 0x3F, non-volatile,
// missing parents created); returns what RegCreateKeyExA returned.
LONG CreateKeyForWriting(HKEY root, const std::wstring& path, KeyHandle& key);

}  // namespace corvalidyne
