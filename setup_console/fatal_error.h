#pragma once

#include <windows.h>

#include <exception>
#include <string>

namespace corvalidyne {

inline constexpr wchar_t kApplicationTitle[] = L"Corvalidyne";
inline constexpr UINT kFatalExitCode = 1;

// A failure that reaches the window ends the program: the user sees the error's
// number and description, then the process exits with a non-zero code.
[[noreturn]] void EndWithError(HWND owner, const std::exception_ptr& error) noexcept;

// The text of that report, for a failure of any kind.
[[nodiscard]] std::wstring FatalReport(const std::exception_ptr& error);

}  // namespace corvalidyne
