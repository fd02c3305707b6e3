#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "message_pump.h"
#include "setup_form.h"

namespace corvalidyne::testing {

// A setup window shown inside the test process, as the program shows it.
class LiveForm {
 public:
  // dpi 0: the monitor's.
  explicit LiveForm(const DisplaySource& display = {}, PageOpener opener = nullptr)
      : form_(SetupForm::Create(GetModuleHandleW(nullptr), display, opener)) {
    if (form_) form_->Show();
  }

  HWND Window() const { return form_->Handle(); }
  HWND operator[](const wchar_t* name) const { return form_->Control(name); }

  // Serves every waiting message as the program's loop would; a quit request
  // (the window was destroyed) is dropped.
  static void Pump() { ProcessWaitingMessages(); }

  static void PumpFor(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    do {
      Pump();
      Sleep(10);
    } while (GetTickCount() - start < milliseconds);
  }

 private:
  std::unique_ptr<SetupForm> form_;
};

inline std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

inline std::wstring ClassName(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

}  // namespace corvalidyne::testing
