// Start-up: from process start until the setup window is shown with its Install
// buttons set, against a minimal program that shows one window of the same size,
// both started the same way.
#include <windows.h>

#include <string>
#include <vector>

#include "measure.h"

namespace corvalidyne::bench {
namespace {

constexpr int kInstallStep1Id = 103;  // 100 + its tab index

std::wstring Beside(const wchar_t* name) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self);
  return path.substr(0, path.find_last_of(L'\\') + 1) + name;
}

struct Search {
  DWORD processId;
  const wchar_t* className;
  HWND found;
};

BOOL CALLBACK Visit(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<Search*>(context);
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (processId == search->processId && std::wstring(name) == search->className && IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// Milliseconds from CreateProcess until ready(window) holds; the program is
// then closed and waited for.
template <typename Ready>
double TimeToReady(const std::wstring& program, const wchar_t* className, Ready ready) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::wstring commandLine = L"\"" + program + L"\"";
  const double start = NowMicroseconds();
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return -1;
  }
  Search search{process.dwProcessId, className, nullptr};
  double elapsed = -1;
  for (int polls = 0; polls < 30000; ++polls) {
    search.found = nullptr;
    EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr && ready(search.found)) {
      elapsed = (NowMicroseconds() - start) / 1000;
      break;
    }
    Sleep(1);
  }
  if (search.found != nullptr) PostMessageW(search.found, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return elapsed;
}

BOOL CALLBACK FindInstallButton(HWND child, LPARAM found) {
  if (GetDlgCtrlID(child) != kInstallStep1Id) return TRUE;
  *reinterpret_cast<HWND*>(found) = child;
  return FALSE;
}

bool InstallButtonsSet(HWND window) {
  HWND button = nullptr;
  EnumChildWindows(window, FindInstallButton, reinterpret_cast<LPARAM>(&button));
  return button != nullptr && IsWindowEnabled(button);
}

}  // namespace
}  // namespace corvalidyne::bench

int main() {
  using namespace corvalidyne::bench;
  // Alternated, so that both see the same warm caches. A bare registry: only
  // step 1's Install button becomes enabled.
  std::vector<double> reference, setup;
  TimeToReady(Beside(L"minimal_window.exe"), L"MinimalWindow", [](HWND) { return true; });
  for (int i = 0; i < 9; ++i) {
    reference.push_back(TimeToReady(Beside(L"minimal_window.exe"), L"MinimalWindow", [](HWND) { return true; }));
    setup.push_back(TimeToReady(Beside(L"..\\CorvalidyneSetup.exe"), L"CorvalidyneSetupForm", InstallButtonsSet));
  }
  return Print({{"Start-up until the window shows its Install buttons set", Median(setup), "ms",
                 Median(reference), 1.25}})
             ? 0
             : 1;
}
