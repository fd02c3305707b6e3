#include "program_path.h"

namespace corvalidyne {

std::optional<std::string> ProgramPathA() { return ModuleFileName<std::string>(&GetModuleFileNameA); }

std::optional<std::wstring> ProgramPathW() { return ModuleFileName<std::wstring>(&GetModuleFileNameW); }

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
