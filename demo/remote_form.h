#pragma once

#include <windows.h>

#include <functional>
#include <string_view>

namespace corvalidyne::remote {

// A visible top-level window of a class, of one process (any process when
// processId is 0), waiting for it up to the timeout; nullptr if none shows.
HWND FindTopLevelWindow(DWORD processId, std::wstring_view className, DWORD timeoutMs);

// The setup window of another process (any process when processId is 0),
// waiting for it up to the timeout; nullptr if none shows.
HWND FindSetupWindow(DWORD processId, DWORD timeoutMs);

// A control of the setup window by its design name, found by its control ID.
HWND FindControl(HWND form, std::wstring_view name);

// Clicks a button the way the keyboard does, without waiting for what the click
// starts (a modal box would otherwise block the caller).
void Click(HWND button);

// Polls the condition every 20 ms until it holds or the timeout passes.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

}  // namespace corvalidyne::remote
