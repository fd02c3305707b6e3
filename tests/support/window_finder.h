#pragma once

#include <windows.h>

#include <string>

namespace corvalidyne::testing {

// The first visible top-level window of a process with the given class name, or
// nullptr after waiting for it up to the timeout.
HWND FindProcessWindow(DWORD processId, const std::wstring& className, DWORD timeoutMs = 10000);

}  // namespace corvalidyne::testing
