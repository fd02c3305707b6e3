#pragma once

#include <windows.h>

#include <memory>
#include <mutex>

#include "layer/notification.h"
#include "unique_handle.h"

namespace corvalidyne::watch {

// A thread of a watch's own that arms the key's notification and sleeps in
// between. Where the system refuses REG_NOTIFY_THREAD_AGNOSTIC (Windows 7), a
// notification ends with the thread that armed it, and the thread pool's
// threads come and go: this one lasts as long as the watch.
class ArmingThread {
 public:
  // The thread, started; nothing (`status` set) where the system refuses one.
  static std::unique_ptr<ArmingThread> Start(LONG& status);
  // Stops the thread and waits for its end.
  ~ArmingThread();
  ArmingThread(const ArmingThread&) = delete;
  ArmingThread& operator=(const ArmingThread&) = delete;

  // Calls `notify` (asynchronous, for `event`) on the thread and gives its status.
  LONG Arm(layer::NotifyFunction notify, HKEY key, BOOL subtree, DWORD filter, HANDLE event);

 private:
  struct Request;

  ArmingThread() = default;
  static DWORD WINAPI Main(void* self);
  static void NTAPI Run(ULONG_PTR request);
  static void NTAPI Stop(ULONG_PTR self);

  std::mutex requesting_;  // one request at a time
  OwnedHandle done_;       // set as each request has run
  OwnedHandle thread_;
  bool stopped_ = false;  // the thread's own: only it reads and writes it
};

}  // namespace corvalidyne::watch
