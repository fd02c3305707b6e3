// Stays on the desktop until the Wine server ends. Wine's desktop process
// starts with the first program that needs the desktop, keeps that program's
// error output, and ends a second after the desktop's last program: between
// tests it would end and start again inside a test, whose output it then holds
// open, so that CTest waits for it. Run before the tests with its output in a
// file; prints "on the desktop" once it is.
#include <windows.h>

#include <cstdio>

int wmain() {
  // A message-only window: a desktop client that no window enumeration finds.
  const HWND window = CreateWindowExW(0, L"Static", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) return 1;
  std::printf("on the desktop\n");
  std::fflush(stdout);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  DestroyWindow(window);
  return 0;
}
