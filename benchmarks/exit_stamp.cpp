// The child of the launch benchmark: waits the given milliseconds, writes the
// performance counter to the given file and exits at once, so that the waiting
// program can tell how long after this exit its wait returned.
//   exit_stamp.exe STAMP-FILE MILLISECONDS
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdio>
#include <cwchar>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments == nullptr || count < 3) return 2;
  Sleep(static_cast<DWORD>(std::wcstoul(arguments[2], nullptr, 10)));
  // Opened before the stamp is taken: only the write lies between it and the exit.
  const HANDLE file =
      CreateFileW(arguments[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  LocalFree(arguments);
  if (file == INVALID_HANDLE_VALUE) return 3;
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  char text[32];
  const int length = std::snprintf(text, sizeof text, "%lld", counter.QuadPart);
  DWORD written = 0;
  WriteFile(file, text, static_cast<DWORD>(length), &written, nullptr);
  CloseHandle(file);
  ExitProcess(0);
}
