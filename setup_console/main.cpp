#include <windows.h>

#include "fatal_error.h"
#include "message_pump.h"
#include "setup_form.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  try {
    auto form = corvalidyne::SetupForm::Create(instance);
    if (!form) return static_cast<int>(corvalidyne::kFatalExitCode);
    form->Show();
    return corvalidyne::RunMessageLoop();
  } catch (...) {
    corvalidyne::EndWithError(nullptr, std::current_exception());
  }
}
