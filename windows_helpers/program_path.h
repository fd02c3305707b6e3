#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace corvalidyne {

// The full path of the running program, in the ANSI code page or in UTF-16;
// nothing when the system cannot say.
std::optional<std::string> ProgramPathA();
std::optional<std::wstring> ProgramPathW();

// The folder of the running program, without a trailing backslash.
std::optional<std::string> ProgramFolderA();

// The folder part of an ANSI path: everything before its last backslash. The
// walk goes by characters of the code page, since in a double-byte code page
// (932, for one) the second byte of a character can be a backslash.
std::string FolderOfPath(std::string_view path, UINT codePage = CP_ACP);

}  // namespace corvalidyne
