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

// The path that `getModuleFileName` (GetModuleFileNameA or W) gives for the
// running program. The system truncates a path longer than the buffer and then
// returns the buffer's size, so the buffer grows until the whole path fits.
// Inlined into each of its two callers, as a function of their file would be:
// out of line it would add its own copies to the product.
template <typename Text, typename GetModuleFileName>
[[gnu::always_inline]] inline std::optional<Text> ModuleFileName(GetModuleFileName getModuleFileName) {
  Text path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = getModuleFileName(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::nullopt;
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

// The folder of the running program, without a trailing backslash.
std::optional<std::string> ProgramFolderA();

// The folder part of an ANSI path: everything before its last backslash. The
// walk goes by characters of the code page, since in a double-byte code page
// (932, for one) the second byte of a character can be a backslash.
std::string FolderOfPath(std::string_view path, UINT codePage = CP_ACP);

}  // namespace corvalidyne
