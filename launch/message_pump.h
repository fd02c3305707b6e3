#pragma once

#include <windows.h>

#include <optional>

namespace corvalidyne {

// Serves one message as the program's own loop does: keyboard navigation
// (Tab between buttons) for the top-level window it belongs to, then dispatch.
void DispatchWithDialogKeys(MSG& message);

// Dispatches every message waiting for this thread until none is left. A quit
// request taken from the queue stops the processing and is returned, so that the
// caller can post it again once it is done.
std::optional<int> ProcessWaitingMessages();

// The program's message loop; returns the exit code of the quit request.
int RunMessageLoop();

}  // namespace corvalidyne
