// The report that ends the program, for failures of any kind: each row ends a
// process of its own, whose box is read and confirmed from within its modal loop.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "corvalidyne/registry_error.h"
#include "fatal_error.h"

namespace corvalidyne {
namespace {

constexpr UINT kWrongText = 3;
constexpr UINT kNoBox = 4;
constexpr int kTicksBeforeGivingUp = 200;

const wchar_t* expectedText = nullptr;
int ticks = 0;

BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  if (std::wstring(className) != L"#32770") return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// Runs inside the box's modal loop: a box with the expected text is confirmed,
// so the report goes on to end the process with its own code.
void CALLBACK ConfirmReport(HWND, UINT, UINT_PTR, DWORD) noexcept {
  HWND box = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&box));
  if (box == nullptr) {
    if (++ticks > kTicksBeforeGivingUp) ExitProcess(kNoBox);
    return;
  }
  wchar_t text[512] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 512);
  if (std::wstring(text) != expectedText) ExitProcess(kWrongText);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

[[noreturn]] void ReportAndConfirm(const std::exception_ptr& error, const wchar_t* text) {
  expectedText = text;
  SetTimer(nullptr, 0, 50, ConfirmReport);
  EndWithError(nullptr, error);
}

// Every kind of failure reaches the user whole: the registry's number and
// message, a standard exception's UTF-8 text, anything else as unknown.
TEST(FatalErrorDeathTest, AnyFailureIsReportedAndEndsTheProgramWithItsCode) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(ReportAndConfirm(std::make_exception_ptr(std::runtime_error("made up \xC3\xA9")),
                               L"The installation cannot continue.\n\nError 0: made up \u00E9"),
              ::testing::ExitedWithCode(kFatalExitCode), "");
  EXPECT_EXIT(
      ReportAndConfirm(std::make_exception_ptr(RegistryError(-2147221504, L"source", L"Denied \u00E9")),
                       L"The installation cannot continue.\n\nError -2147221504: Denied \u00E9"),
      ::testing::ExitedWithCode(kFatalExitCode), "");
  EXPECT_EXIT(ReportAndConfirm(std::make_exception_ptr(42),
                               L"The installation cannot continue.\n\nError 0: Unknown error"),
              ::testing::ExitedWithCode(kFatalExitCode), "");
}

}  // namespace
}  // namespace corvalidyne
