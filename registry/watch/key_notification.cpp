#include "watch/key_notification.h"

namespace corvalidyne::watch {

LONG KeyNotification::Arm() {
  if (!thread_) {
    const LONG status =
        notify_(key_, subtree_, layer::kChangeFilter | REG_NOTIFY_THREAD_AGNOSTIC, event_, TRUE);
    if (status != ERROR_INVALID_PARAMETER) return status;
    LONG started = ERROR_SUCCESS;
    thread_ = ArmingThread::Start(started);
    if (!thread_) return started;
  }
  return thread_->Arm(notify_, key_, subtree_, layer::kChangeFilter, event_);
}

}  // namespace corvalidyne::watch
