#pragma once

#include <windows.h>

#include <memory>

#include "layer/notification.h"
#include "watch/arming_thread.h"

namespace corvalidyne::watch {

// Arms a key's change notification so that it outlives the thread that asks:
// with REG_NOTIFY_THREAD_AGNOSTIC where the system offers it (Windows 8 and
// later, Wine), else on an arming thread of its own, started at the first
// refusal (87, ERROR_INVALID_PARAMETER, as Windows 7 answers) and kept.
class KeyNotification {
 public:
  KeyNotification(HKEY key, bool subtree, HANDLE event, layer::NotifyFunction notify) noexcept
      : key_(key), subtree_(subtree ? TRUE : FALSE), event_(event), notify_(notify) {}

  // Arms it (again): `event` is set at the next change. Gives the system's
  // status: ERROR_KEY_DELETED once the key is gone.
  LONG Arm();

 private:
  HKEY key_;
  BOOL subtree_;
  HANDLE event_;
  layer::NotifyFunction notify_;
  std::unique_ptr<ArmingThread> thread_;  // only where the flag was refused
};

}  // namespace corvalidyne::watch
