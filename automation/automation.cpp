#include "automation.h"

namespace corvalidyne::automation {

namespace {

struct WindowSearch {
  DWORD processId;
  std::wstring_view className;
  HWND found;
};

BOOL CALLBACK VisitTopLevel(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<WindowSearch*>(context);
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if ((search->processId == 0 || processId == search->processId) && IsWindowVisible(window) &&
      std::wstring_view(name) == search->className) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

struct ControlSearch {
  int id;
  HWND found;
};

BOOL CALLBACK VisitChild(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<ControlSearch*>(context);
  if (GetDlgCtrlID(window) != search->id) return TRUE;
  search->found = window;
  return FALSE;
}

}  // namespace

HWND FindTopLevelWindow(DWORD processId, std::wstring_view className, DWORD timeoutMs) {
  WindowSearch search{processId, className, nullptr};
  WaitUntil(
      [&] {
        EnumWindows(VisitTopLevel, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
      },
      timeoutMs);
  return search.found;
}

HWND FindControl(HWND window, int controlId) {
  ControlSearch search{controlId, nullptr};
  EnumChildWindows(window, VisitChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void Click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(20);
  }
}

}  // namespace corvalidyne::automation
