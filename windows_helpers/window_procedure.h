#pragma once

#include <windows.h>

#include <exception>

namespace corvalidyne {

// What a window procedure does with an exception that its handling let out. It
// must not return: the exception may not cross into the system, and the
// message cannot be answered.
using EscapedException = void (*)(HWND window, const std::exception_ptr& error);

// Runs a window procedure's handling of one message so that no exception
// crosses into the system: one that escapes goes to `escaped`.
template <typename Handling>
LRESULT WithoutEscape(HWND window, EscapedException escaped, Handling&& handling) noexcept {
  try {
    return handling();
  } catch (...) {
    escaped(window, std::current_exception());
    return 0;
  }
}

// Registers a window class. True where the class is registered now or was
// already (each window of the program registers its classes; a process may make
// several, as the tests do); false where the system refused it.
[[nodiscard]] inline bool RegisterWindowClass(const WNDCLASSEXW& windowClass) noexcept {
  return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace corvalidyne
