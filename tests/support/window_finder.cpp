#include "window_finder.h"

namespace corvalidyne::testing {

namespace {

struct Search {
  DWORD processId;
  const std::wstring* className;
  HWND found;
};

BOOL CALLBACK Visit(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<Search*>(context);
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  if (processId == search->processId && *search->className == name && IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND FindProcessWindow(DWORD processId, const std::wstring& className, DWORD timeoutMs) {
  Search search{processId, &className, nullptr};
  const DWORD start = GetTickCount();
  for (;;) {
    EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr || GetTickCount() - start > timeoutMs) return search.found;
    Sleep(20);
  }
}

}  // namespace corvalidyne::testing
