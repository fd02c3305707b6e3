// Drives a running setup window from outside, one command per start, so that a
// script can take a screenshot between the steps of an installation:
//   driver wait-window            until the setup window shows
//   driver click NAME             click a button (cmdInstallStep1 ...)
//   driver wait-enabled NAME      until the button is enabled
//   driver wait-disabled NAME     until the button is disabled
//   driver close                  ask the window to close, as its close box does
//   driver wait-gone              until the setup window has closed
//   driver wait-message           until the window's message box shows; print its text
//   driver dismiss-message        press OK on that message box
//   driver rect                   print the window's frame on screen as WxH+X+Y
// Exit code 0 on success, 1 on a timeout or a missing window or control.
#include <windows.h>

#include <cstdio>
#include <string>

#include "automation.h"
#include "form_design.h"
#include "setup_form.h"

namespace {

constexpr DWORD kTimeoutMs = 60000;

using corvalidyne::automation::FindTopLevelWindow;
using corvalidyne::automation::WaitUntil;

HWND FindSetupWindow(DWORD timeoutMs) {
  return FindTopLevelWindow(0, corvalidyne::SetupForm::kClassName, timeoutMs);
}

// A control of the setup window by its name in the design table.
HWND FindControl(HWND form, const wchar_t* name) {
  const corvalidyne::ControlDesign* design = corvalidyne::FindControlDesign(name);
  return design != nullptr ? corvalidyne::automation::FindControl(form, corvalidyne::ControlId(*design))
                           : nullptr;
}

int Fail(const char* what, const wchar_t* name = L"") {
  std::fprintf(stderr, "driver: %s %ls\n", what, name);
  return 1;
}

int WaitForEnabled(HWND form, const wchar_t* name, bool enabled) {
  const HWND button = FindControl(form, name);
  if (button == nullptr) return Fail("no control", name);
  const bool reached = WaitUntil([&] { return (IsWindowEnabled(button) != FALSE) == enabled; }, kTimeoutMs);
  return reached ? 0 : Fail(enabled ? "not enabled in time:" : "not disabled in time:", name);
}

// A message box of the setup window's process: class #32770, its text in the
// static control 0xFFFF.
HWND WaitForMessageBox(HWND form) {
  DWORD processId = 0;
  GetWindowThreadProcessId(form, &processId);
  return FindTopLevelWindow(processId, L"#32770", kTimeoutMs);
}

int Run(const std::wstring& command, const wchar_t* name) {
  const HWND form = FindSetupWindow(command == L"wait-window" ? kTimeoutMs : 2000);
  if (command == L"wait-gone") {
    return WaitUntil([] { return FindSetupWindow(0) == nullptr; }, kTimeoutMs) ? 0
                                                                               : Fail("window still there");
  }
  if (form == nullptr) return Fail("no setup window");
  if (command == L"wait-window") return 0;
  if (command == L"close") {
    PostMessageW(form, WM_CLOSE, 0, 0);
    return 0;
  }
  if (command == L"rect") {
    RECT frame;
    GetWindowRect(form, &frame);
    std::printf("%ldx%ld+%ld+%ld\n", frame.right - frame.left, frame.bottom - frame.top, frame.left,
                frame.top);
    return 0;
  }
  if (command == L"wait-message" || command == L"dismiss-message") {
    const HWND box = WaitForMessageBox(form);
    if (box == nullptr) return Fail("no message box");
    if (command == L"dismiss-message") {
      PostMessageW(box, WM_COMMAND, IDOK, 0);
      return 0;
    }
    wchar_t text[512] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 512);
    std::printf("%ls\n", text);
    return 0;
  }
  if (name == nullptr) return Fail("missing control name for", command.c_str());
  if (command == L"click") {
    const HWND button = FindControl(form, name);
    if (button == nullptr) return Fail("no control", name);
    corvalidyne::automation::Click(button);
    return 0;
  }
  if (command == L"wait-enabled") return WaitForEnabled(form, name, true);
  if (command == L"wait-disabled") return WaitForEnabled(form, name, false);
  return Fail("unknown command", command.c_str());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return Fail("usage: driver COMMAND [NAME]");
  return Run(argv[1], argc > 2 ? argv[2] : nullptr);
}
