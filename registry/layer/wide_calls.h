#pragma once

#include <windows.h>

#include <cstddef>
#include <string_view>

#include "corvalidyne/registry_types.h"
#include "layer/value_read.h"
#include "unique_handle.h"

namespace corvalidyne::layer {

// The wide functions as RegistryKey and the one-call functions use them: every
// path and name checked (ERROR_INVALID_NAME for one holding a NUL, without any
// system call), every key reached in its view. Each returns the system's status.

// The access flag that selects a view: KEY_WOW64_32KEY, KEY_WOW64_64KEY or 0.
REGSAM ViewFlag(RegistryView view) noexcept;

LONG OpenKey(HKEY parent, std::wstring_view path, REGSAM access, RegistryView view, KeyHandle& key);
// Creates `path` with its missing parents, or opens it where it exists.
LONG CreateKey(HKEY parent, std::wstring_view path, REGSAM access, RegistryView view,
               const RegistryCreateOptions& options, KeyHandle& key);
// Deletes the key alone; the system refuses one that has subkeys.
LONG DeleteKey(HKEY parent, std::wstring_view path, RegistryView view);
// Deletes the key with everything below it.
LONG DeleteTree(HKEY parent, std::wstring_view path, RegistryView view);
// The root `root` of the computer `machine` (with or without its leading "\\").
LONG Connect(std::wstring_view machine, HKEY root, KeyHandle& key);
LONG QueryInfo(HKEY key, RegistryKeyInfo& info);

LONG ReadValue(HKEY key, std::wstring_view name, ValueData& value);
LONG ReadType(HKEY key, std::wstring_view name, DWORD& type);
LONG WriteValue(HKEY key, std::wstring_view name, DWORD type, const void* data, std::size_t size);
LONG DeleteValue(HKEY key, std::wstring_view name);

}  // namespace corvalidyne::layer
