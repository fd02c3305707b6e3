#include "system_library.h"

#include <cstring>
#include <cwchar>

namespace corvalidyne {

HMODULE LoadSystemLibrary(const wchar_t* name) noexcept {
  wchar_t path[MAX_PATH];
  const UINT folder = GetSystemDirectoryW(path, MAX_PATH);
  const std::size_t length = std::wcslen(name);
  if (folder == 0 || folder + 1 + length >= MAX_PATH) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return nullptr;
  }
  path[folder] = L'\\';
  std::memcpy(path + folder + 1, name, (length + 1) * sizeof(wchar_t));
  return LoadLibraryW(path);
}

}  // namespace corvalidyne
