#pragma once

#include <string>
#include <string_view>

#include "corvalidyne/registry_types.h"

namespace corvalidyne::reg_file {

// The writer of the format: each appends its lines to `out`, with their CRLF
// ends, exactly as reg.exe export writes them.

// "Windows Registry Editor Version 5.00"; the file's first line.
void AppendHeader(std::wstring& out);
// An empty line and "[keyPath]": keyPath names the root by its long name.
void AppendKey(std::wstring& out, std::wstring_view keyPath);
// One value of the key last appended, in the form that gives back its exact
// bytes on import: "text" and dword: where they can, hex otherwise.
void AppendValue(std::wstring& out, std::wstring_view name, const RegistryValue& value);
// The empty line that ends the file.
void AppendEnd(std::wstring& out);

}  // namespace corvalidyne::reg_file
