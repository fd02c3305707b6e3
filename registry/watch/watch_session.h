#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <system_error>

#include "corvalidyne/registry_watcher.h"
#include "layer/notification.h"
#include "unique_handle.h"
#include "watch/key_notification.h"

namespace corvalidyne::watch {

struct PoolWaitTraits {
  static bool Closes(PTP_WAIT wait) noexcept { return wait != nullptr; }
  static void Close(PTP_WAIT wait) noexcept { CloseThreadpoolWait(wait); }
};
using PoolWait = UniqueHandle<PTP_WAIT, PoolWaitTraits>;

using ChangeFunction = std::function<void(const std::error_code&)>;
using Session = std::unique_ptr<WatchSession, SessionEnd>;

// One watch of a key: its own handle to the key, the notification, and the
// thread pool's wait that runs it. The pool wakes the session when the
// notification is signalled, or when the key's deletion is next checked for
// (Wine signals nothing when a watched key is deleted).
//
// A woken session re-arms the notification before it calls onChange, so that
// a change made during the call signals again, and sets the pool's wait again
// only after the call: calls never overlap, and one made while another runs
// comes right after it.
class WatchSession {
 public:
  // The watch armed and waiting; nothing (`code` set) where it cannot be.
  static Session Start(HKEY key, bool subtree, ChangeFunction onChange, layer::NotifyFunction notify,
                       std::error_code& code);
  // Ends the watch; no call starts after it returns. Elsewhere than in the
  // session's own call it waits for a call that is running and frees the
  // session; within its own call it cannot wait for it, and the session is
  // freed as that call returns.
  static void End(WatchSession* session) noexcept;

  WatchSession(const WatchSession&) = delete;
  WatchSession& operator=(const WatchSession&) = delete;
  ~WatchSession() = default;

  // Set after each change's call, and when the watch ends (auto-reset); with
  // an onChange, from the first time it is asked for on.
  [[nodiscard]] HANDLE Changed() noexcept {
    handleGiven_ = true;
    return changed_.get();
  }
  // Cleared while the watch runs; the reason it ended once it has.
  [[nodiscard]] LONG Status() const noexcept { return status_; }

 private:
  WatchSession(KeyHandle key, OwnedHandle notified, OwnedHandle changed, bool subtree,
               ChangeFunction onChange, layer::NotifyFunction notify) noexcept;

  static void CALLBACK Woken(PTP_CALLBACK_INSTANCE instance, void* self, PTP_WAIT wait,
                             TP_WAIT_RESULT result) noexcept;
  void OnWake(bool signalled) noexcept;
  // What a wake finds: the notification armed again after a change, or the
  // key still there when the check was due.
  LONG Resume(bool signalled) noexcept;
  void Report(LONG status) noexcept;
  void Call(LONG status) noexcept;
  void WaitAgain() noexcept;
  // True where the caller may free the session now.
  bool Stop() noexcept;

  KeyHandle key_;
  OwnedHandle notified_;  // the system sets it at a change
  OwnedHandle changed_;   // the session sets it: the users' waitable handle
  KeyNotification notification_;
  ChangeFunction onChange_;
  std::atomic<LONG> status_{ERROR_SUCCESS};
  SRWLOCK waiting_ = SRWLOCK_INIT;  // the pool's wait is set again, or cancelled, under it
  std::atomic<bool> ending_{false};
  std::atomic<bool> handleGiven_{false};
  std::atomic<DWORD> callingThread_{0};  // the pool's thread while the session is woken
  bool endedInCall_ = false;             // only the calling thread sets and reads it
  PoolWait wait_;                        // last, so that it is closed first
};

}  // namespace corvalidyne::watch
