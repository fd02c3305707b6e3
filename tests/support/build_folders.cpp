#include "build_folders.h"

#include <windows.h>

namespace corvalidyne::testing {

std::wstring BuildFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring self(path);
  return self.substr(0, self.find_last_of(L'\\'));
}

std::wstring MediumFolder() { return BuildFolder() + L"\\medium"; }

}  // namespace corvalidyne::testing
