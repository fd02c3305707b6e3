#include "program_path.h"

namespace corvalidyne {

namespace {

// The system truncates a path longer than the buffer, so the buffer grows until
// the whole path fits.
template <typename Text, typename GetModuleFileName>
std::optional<Text> ProgramPath(GetModuleFileName getModuleFileName) {
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

}  // namespace

std::optional<std::string> ProgramPathA() { return ProgramPath<std::string>(&GetModuleFileNameA); }

std::optional<std::wstring> ProgramPathW() { return ProgramPath<std::wstring>(&GetModuleFileNameW); }

std::optional<std::string> ProgramFolderA() {
  const auto path = ProgramPathA();
  if (!path) return std::nullopt;
  return FolderOfPath(*path);
}

std::string FolderOfPath(std::string_view path, UINT codePage) {
  const std::string text(path);
  const char* const begin = text.c_str();
  const char* const end = begin + text.size();
  const char* lastSeparator = nullptr;
  for (const char* at = begin; at < end; at = CharNextExA(static_cast<WORD>(codePage), at, 0)) {
    if (*at == '\\') lastSeparator = at;
  }
  return lastSeparator != nullptr ? std::string(begin, lastSeparator) : std::string();
}

}  // namespace corvalidyne
