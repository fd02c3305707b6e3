// Shows the setup window in this process, as the tests do, for screenshots of
// what the product shows only on screens that Wine does not have:
//   form_host dpi N          laid out at the monitor's DPI, then moved to one of N DPI
//   form_host high-contrast  the black high-contrast palette, with high contrast on
// The window shows a bare machine (step 1 enabled) over stand-in services, as
// the window tests do. It runs until its window is closed.
#include <windows.h>

#include <cwchar>
#include <optional>
#include <string_view>

#include "dpi_change.h"
#include "high_contrast_palette.h"
#include "message_pump.h"
#include "setup_form.h"
#include "standin_services.h"

namespace {

using corvalidyne::SetupForm;

// Where the window moves to: the suggested size, centred on the screen.
void MoveToDpi(HWND window, int dpi) {
  RECT suggested = corvalidyne::testing::SuggestedRect(window, dpi);
  const int width = suggested.right - suggested.left;
  const int height = suggested.bottom - suggested.top;
  OffsetRect(&suggested, (GetSystemMetrics(SM_CXSCREEN) - width) / 2 - suggested.left,
             (GetSystemMetrics(SM_CYSCREEN) - height) / 2 - suggested.top);
  corvalidyne::testing::SendDpiChange(window, dpi, suggested);
}

int Run(HINSTANCE instance, std::optional<int> dpi, bool highContrast) {
  std::optional<corvalidyne::testing::SystemColours> palette;
  if (highContrast) palette.emplace();
  corvalidyne::testing::StandIns standIns;
  if (highContrast) standIns.display = corvalidyne::testing::StandInDisplay(0, [] { return true; });
  const auto form = SetupForm::Create(instance, standIns.Services());
  if (!form) return 1;
  form->Show();
  if (dpi) MoveToDpi(form->Handle(), *dpi);
  return corvalidyne::RunMessageLoop();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  const std::wstring_view what = argc > 1 ? argv[1] : L"";
  if (what == L"dpi" && argc > 2)
    return Run(instance, static_cast<int>(std::wcstol(argv[2], nullptr, 10)), false);
  if (what == L"high-contrast") return Run(instance, std::nullopt, true);
  std::fwprintf(stderr, L"usage: form_host dpi N | form_host high-contrast\n");
  return 2;
}
