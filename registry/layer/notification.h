#pragma once

#include <windows.h>

#include "layer/system_calls.h"
#include "unique_handle.h"

namespace corvalidyne::layer {

// What a watch of a key is told of: a subkey added or removed, a value set or
// deleted (below the key too, for a watch of its subtree).
inline constexpr DWORD kChangeFilter = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET;

// RegNotifyChangeKeyValue's shape: the function a watch arms itself with. The
// system's by default; a test stands in another one to reach what Wine cannot
// show (a system that refuses REG_NOTIFY_THREAD_AGNOSTIC).
using NotifyFunction = LONG (*)(HKEY key, BOOL subtree, DWORD filter, HANDLE event,
                                BOOL asynchronous) noexcept;
inline constexpr NotifyFunction kSystemNotify = &SystemCalls<wchar_t>::Notify;

// A handle of its own to the key that `key` names, in the view it was opened
// in, with the rights that watching and the check below need.
LONG OpenForWatching(HKEY key, KeyHandle& own);

// ERROR_SUCCESS while the key exists; ERROR_KEY_DELETED once it was deleted.
LONG KeyState(HKEY key);

}  // namespace corvalidyne::layer
