#include "watch/watch_session.h"

#include <exception>
#include <utility>

#include "failure.h"

namespace corvalidyne::watch {

namespace {

// How often a quiet watch asks whether its key still exists. Windows signals
// the notification when the key is deleted, and the re-arm then answers 1018;
// Wine signals nothing, and only this check notices. One cheap query per
// period per watch.
constexpr LONGLONG kDeletionCheck = LONGLONG{500} * 10000;  // 0.5 s in 100-ns units

// A due time relative to now, as the pool takes it: a negative count.
FILETIME FromNow(LONGLONG ticks) noexcept {
  ULARGE_INTEGER due{};
  due.QuadPart = static_cast<ULONGLONG>(-ticks);
  return {due.LowPart, due.HighPart};
}

class ExclusiveLock {
 public:
  explicit ExclusiveLock(SRWLOCK& lock) noexcept : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
  ~ExclusiveLock() { ReleaseSRWLockExclusive(&lock_); }
  ExclusiveLock(const ExclusiveLock&) = delete;
  ExclusiveLock& operator=(const ExclusiveLock&) = delete;

 private:
  SRWLOCK& lock_;
};

// Nothing, the code set to what the system last said.
Session Failure(std::error_code& code) {
  code.assign(static_cast<int>(GetLastError()), std::system_category());
  return nullptr;
}

}  // namespace

void SessionEnd::operator()(WatchSession* session) const noexcept { WatchSession::End(session); }

WatchSession::WatchSession(KeyHandle key, OwnedHandle notified, OwnedHandle changed, bool subtree,
                           ChangeFunction onChange, layer::NotifyFunction notify) noexcept
    : key_(std::move(key)),
      notified_(std::move(notified)),
      changed_(std::move(changed)),
      notification_(key_.get(), subtree, notified_.get(), notify),
      onChange_(std::move(onChange)) {}

Session WatchSession::Start(HKEY key, bool subtree, ChangeFunction onChange, layer::NotifyFunction notify,
                            std::error_code& code) {
  KeyHandle own;
  if (!Succeeded(layer::OpenForWatching(key, own), code)) return nullptr;
  OwnedHandle notified(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  OwnedHandle changed(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!notified || !changed) return Failure(code);
  std::unique_ptr<WatchSession> session(new WatchSession(
      std::move(own), std::move(notified), std::move(changed), subtree, std::move(onChange), notify));
  session->wait_.reset(CreateThreadpoolWait(&Woken, session.get(), nullptr));
  if (!session->wait_) return Failure(code);
  if (!Succeeded(session->notification_.Arm(), code)) return nullptr;
  session->WaitAgain();
  return Session(session.release());
}

void WatchSession::End(WatchSession* session) noexcept {
  if (session != nullptr && session->Stop()) delete session;
}

bool WatchSession::Stop() noexcept {
  {
    const ExclusiveLock held(waiting_);
    ending_ = true;
    SetThreadpoolWait(wait_.get(), nullptr, nullptr);
  }
  if (callingThread_ == GetCurrentThreadId()) {
    endedInCall_ = true;
    return false;
  }
  WaitForThreadpoolWaitCallbacks(wait_.get(), TRUE);
  return true;
}

void CALLBACK WatchSession::Woken(PTP_CALLBACK_INSTANCE /*instance*/, void* self, PTP_WAIT /*wait*/,
                                  TP_WAIT_RESULT result) noexcept {
  auto* session = static_cast<WatchSession*>(self);
  session->OnWake(result == WAIT_OBJECT_0);
  if (session->endedInCall_) delete session;
}

void WatchSession::OnWake(bool signalled) noexcept {
  callingThread_ = GetCurrentThreadId();
  const LONG status = Resume(signalled);
  if (status != ERROR_SUCCESS) {
    status_ = status;
    Report(status);
  } else {
    if (signalled) Report(ERROR_SUCCESS);
    WaitAgain();
  }
  callingThread_ = 0;
}

LONG WatchSession::Resume(bool signalled) noexcept {
  return signalled ? notification_.Arm() : layer::KeyState(key_.get());
}

// The handle is set after the call, which it would only delay, and only where
// someone may wait for it: a server call per change under Wine.
void WatchSession::Report(LONG status) noexcept {
  if (ending_) return;
  if (onChange_) Call(status);
  if (!onChange_ || handleGiven_) SetEvent(changed_.get());
}

// No exception may reach the pool's thread, and none can be handed back to
// the watch's owner: one escaping onChange ends the program, as one escaping
// a std::thread's function does.
void WatchSession::Call(LONG status) noexcept {
  const std::error_code code = status == ERROR_SUCCESS
                                   ? std::error_code()
                                   : std::error_code(static_cast<int>(status), std::system_category());
  try {
    onChange_(code);
  } catch (...) {
    std::terminate();
  }
}

void WatchSession::WaitAgain() noexcept {
  FILETIME due = FromNow(kDeletionCheck);
  const ExclusiveLock held(waiting_);
  if (!ending_) SetThreadpoolWait(wait_.get(), notified_.get(), &due);
}

}  // namespace corvalidyne::watch
