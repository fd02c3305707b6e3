#pragma once

#include <string>
#include <system_error>

#include "corvalidyne/registry_key.h"
#include "reg_file/file_io.h"

namespace corvalidyne::reg_file {

// The walk of an export: `key`, named `keyPath` in the file, and every key
// below it, depth-first, written to `output` as reg.exe export writes them
// (the header and the end included). On a failure, the code is set and, for
// one of the registry's, `failedKey` names the key it came from (empty for
// one of the file's); the output is then not to be committed.
bool ExportTree(const RegistryKey& key, const std::wstring& keyPath, FileOutput& output,
                std::error_code& code, std::wstring& failedKey);

}  // namespace corvalidyne::reg_file
