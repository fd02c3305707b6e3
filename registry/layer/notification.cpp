#include "layer/notification.h"

#include "layer/system_calls.h"

namespace corvalidyne::layer {

namespace {
using Calls = SystemCalls<wchar_t>;
}  // namespace

// An empty path opens the key itself again; a predefined root comes back as
// itself, which the handle then never closes.
LONG OpenForWatching(HKEY key, KeyHandle& own) {
  return Calls::Open(key, L"", KEY_NOTIFY | KEY_QUERY_VALUE, own.put());
}

LONG KeyState(HKEY key) { return Calls::Info(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr); }

}  // namespace corvalidyne::layer
