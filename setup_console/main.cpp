#include <windows.h>

#include "fatal_error.h"
#include "message_pump.h"
#include "setup_form.h"
#include "system_library.h"
#include "system_services.h"

namespace {

// The program runs from an installation medium or a downloads folder, where a
// planted DLL could otherwise be loaded: only the system folder is searched.
// Looked up at run time, since Vista and early Windows 7 lack the function.
void RestrictDllSearchToSystemFolder() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  const auto restrict =
      corvalidyne::SystemFunction<SetDefaultDllDirectoriesFn>(L"kernel32.dll", "SetDefaultDllDirectories");
  if (restrict != nullptr) restrict(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  RestrictDllSearchToSystemFolder();
  try {
    const corvalidyne::SystemServices system;
    auto form = corvalidyne::SetupForm::Create(instance, system.Services());
    if (!form) return static_cast<int>(corvalidyne::kFatalExitCode);
    form->Show();
    return corvalidyne::RunMessageLoop();
  } catch (...) {
    corvalidyne::EndWithError(nullptr, std::current_exception());
  }
}
