#include "watch/arming_thread.h"

namespace corvalidyne::watch {

namespace {
// The thread does nothing but sleep and arm.
constexpr SIZE_T kStack = SIZE_T{64} * 1024;
}  // namespace

struct ArmingThread::Request {
  layer::NotifyFunction notify;
  HKEY key;
  BOOL subtree;
  DWORD filter;
  HANDLE event;
  HANDLE done;
  LONG status = ERROR_SUCCESS;
};

std::unique_ptr<ArmingThread> ArmingThread::Start(LONG& status) {
  std::unique_ptr<ArmingThread> started(new ArmingThread());
  started->done_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (started->done_) {
    started->thread_.reset(
        CreateThread(nullptr, kStack, &Main, started.get(), STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
  }
  if (!started->thread_) {
    status = static_cast<LONG>(GetLastError());
    return nullptr;
  }
  status = ERROR_SUCCESS;
  return started;
}

ArmingThread::~ArmingThread() {
  if (QueueUserAPC(&Stop, thread_.get(), reinterpret_cast<ULONG_PTR>(this))) {
    WaitForSingleObject(thread_.get(), INFINITE);
  }
}

LONG ArmingThread::Arm(layer::NotifyFunction notify, HKEY key, BOOL subtree, DWORD filter, HANDLE event) {
  const std::lock_guard<std::mutex> one(requesting_);
  Request request{notify, key, subtree, filter, event, done_.get()};
  if (!QueueUserAPC(&Run, thread_.get(), reinterpret_cast<ULONG_PTR>(&request))) {
    return static_cast<LONG>(GetLastError());
  }
  WaitForSingleObject(done_.get(), INFINITE);
  return request.status;
}

// Requests arrive as calls queued to the thread, which runs them while it sleeps.
DWORD WINAPI ArmingThread::Main(void* self) {
  while (!static_cast<ArmingThread*>(self)->stopped_) SleepEx(INFINITE, TRUE);
  return 0;
}

void NTAPI ArmingThread::Run(ULONG_PTR request) {
  auto& asked = *reinterpret_cast<Request*>(request);
  asked.status = asked.notify(asked.key, asked.subtree, asked.filter, asked.event, TRUE);
  SetEvent(asked.done);
}

void NTAPI ArmingThread::Stop(ULONG_PTR self) { reinterpret_cast<ArmingThread*>(self)->stopped_ = true; }

}  // namespace corvalidyne::watch
