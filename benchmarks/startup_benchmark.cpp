// Start-up: from process start until the setup window is shown with its Install
// buttons set, against a minimal program that shows one window of the same size,
// both started the same way.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "automation.h"
#include "form_design.h"
#include "measure.h"
#include "setup_form.h"

namespace corvalidyne::bench {
namespace {

std::wstring Beside(const wchar_t* name) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self);
  return path.substr(0, path.find_last_of(L'\\') + 1) + name;
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
  HWND window = nullptr;
  double elapsed = -1;
  for (int polls = 0; polls < 30000; ++polls) {
    window = automation::FindTopLevelWindow(process.dwProcessId, className, 0);
    if (window != nullptr && ready(window)) {
      elapsed = (NowMicroseconds() - start) / 1000;
      break;
    }
    Sleep(1);
  }
  if (window != nullptr) PostMessageW(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return elapsed;
}

bool InstallButtonsSet(HWND window) {
  const HWND button = automation::FindControl(window, ControlId(*FindControlDesign(L"cmdInstallStep1")));
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
  for (int i = 0; i < 15; ++i) {
    reference.push_back(
        TimeToReady(Beside(L"minimal_window.exe"), L"MinimalWindow", [](HWND) { return true; }));
    setup.push_back(TimeToReady(Beside(L"..\\CorvalidyneSetup.exe"), corvalidyne::SetupForm::kClassName,
                                InstallButtonsSet));
  }
  const auto [fastest, slowest] = std::minmax_element(setup.begin(), setup.end());
  return Print({{"Start-up until the window shows its Install buttons set", Median(setup), "ms",
                 Median(reference), 1.25, *fastest, *slowest}})
             ? 0
             : 1;
}
