#pragma once

#include <windows.h>

#include <functional>
#include <string_view>

// Drives the windows of another process from outside, as a user would. It knows
// no window of this project: callers name the class and the control IDs.
namespace corvalidyne::automation {

// A visible top-level window of a class, of one process (any process when
// processId is 0), waiting for it up to the timeout; nullptr if none shows.
HWND FindTopLevelWindow(DWORD processId, std::wstring_view className, DWORD timeoutMs);

// A control anywhere below the window (inside its panels too) by its control ID.
HWND FindControl(HWND window, int controlId);

// Clicks a button the way the keyboard does, without waiting for what the click
// starts (a modal box would otherwise block the caller).
void Click(HWND button);

// Polls the condition every 20 ms until it holds or the timeout passes.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

}  // namespace corvalidyne::automation
