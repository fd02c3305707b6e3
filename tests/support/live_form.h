#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <utility>

#include "message_pump.h"
#include "setup_form.h"
#include "standin_services.h"

namespace corvalidyne::testing {

// A setup window shown inside the test process, as the program shows it, over
// stand-in services: a bare machine (only step 1 enabled) unless told otherwise.
class LiveForm {
 public:
  explicit LiveForm(StandIns standIns = {})
      : standIns_(std::move(standIns)),
        form_(SetupForm::Create(GetModuleHandleW(nullptr), standIns_.Services())) {
    if (form_) form_->Show();
  }
  LiveForm(const LiveForm&) = delete;
  LiveForm& operator=(const LiveForm&) = delete;

  HWND Window() const { return form_->Handle(); }
  HWND operator[](const wchar_t* name) const { return form_->Control(name); }
  // The services it runs over, to change or read between messages.
  StandIns& Services() { return standIns_; }

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
  StandIns standIns_;
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
