// Stands in for the programs the shell opens (a browser, a file type's handler):
// appends "show=N<TAB>command line" (N is the STARTUPINFO show value, or none),
// as one UTF-8 line, to the log named by CORVALIDYNE_RECORDER_LOG, or to
// recorder.log beside itself.
#include <windows.h>

#include <string>

namespace {

std::wstring LogPath() {
  wchar_t fromEnvironment[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"CORVALIDYNE_RECORDER_LOG", fromEnvironment, MAX_PATH) > 0) {
    return fromEnvironment;
  }
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self);
  return path.substr(0, path.find_last_of(L'\\') + 1) + L"recorder.log";
}

std::string Utf8(const std::wstring& text) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string result(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), length, nullptr,
                      nullptr);
  return result;
}

std::wstring ShowValue() {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  GetStartupInfoW(&startup);
  return (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? std::to_wstring(startup.wShowWindow) : L"none";
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const std::string line = Utf8(L"show=" + ShowValue() + L"\t" + GetCommandLineW()) + "\n";
  // Several recorders may end at once: append with a lock-free single write.
  const HANDLE log = CreateFileW(LogPath().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (log == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(log);
  return 0;
}
