#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <system_error>

#include "corvalidyne/registry_key.h"

namespace corvalidyne {

namespace watch {
class WatchSession;
struct SessionEnd {
  void operator()(WatchSession* session) const noexcept;
};
struct Seam;
}  // namespace watch

// What a RegistryWatcher is told of: changes to the key itself (its values,
// and subkeys added or removed), or to anything below it as well.
enum class RegistryWatchScope { kKey, kSubtree };

// Watches one registry key for changes, in the view its RegistryKey was
// opened in, through a handle of its own: the RegistryKey may be destroyed
// first. A change is a value set or deleted, or a subkey added or removed
// (at any depth for kSubtree).
//
// After each change, onChange(code) is called on a thread of the system's
// thread pool, with `code` cleared:
// - changes may be coalesced: several made close together can give one call;
// - the watch is armed again before each call, so a change made during the
//   call is never lost: it gives a call after this one returns;
// - calls never overlap.
// When the key is deleted, one last call gives 1018 (ERROR_KEY_DELETED), and
// none follows, even where a key of the same path is made again. Windows
// signals the deletion, which is reported at once; Wine signals nothing, and
// the watcher notices at its check of the key, every 0.5 s while no change
// comes. Any other failure to arm the watch again ends it the same way, with
// the system's code.
//
// Destroying the watcher (or assigning to it) ends the watch: it waits for a
// call that is running on another thread, and no call starts after it
// returns. Destroyed from within its own onChange, it cannot wait for the
// call it is in: it returns at once, makes no further call, and frees what it
// holds (onChange included) as that call returns.
//
// An exception that escapes onChange ends the program (std::terminate), as
// one escaping a std::thread's function does: the thread pool's thread has no
// one to hand it to. Catch what onChange may throw.
//
// A program that runs its own message loop may wait for WaitHandle() instead
// (MsgWaitForMultipleObjects), with or without onChange.
//
// Where the system refuses REG_NOTIFY_THREAD_AGNOSTIC (Windows 7, with 87), a
// notification ends with the thread that armed it; the watcher then arms it
// from a sleeping thread of its own, which lasts as long as the watch, and
// calls onChange on the thread pool as elsewhere.
//
// Movable (a moved-from watcher holds nothing and may only be destroyed or
// assigned to), not copyable.
class RegistryWatcher {
 public:
  // Starts watching `key`; throws std::system_error with the system's code
  // where the watch cannot start (5, access denied, where the key refuses
  // KEY_NOTIFY; 6 for a RegistryKey that holds nothing or a remote one).
  RegistryWatcher(const RegistryKey& key, RegistryWatchScope scope,
                  std::function<void(const std::error_code&)> onChange);
  // The same without throwing for a registry failure: the code set, and the
  // watcher holding nothing (a null WaitHandle()); cleared on success.
  RegistryWatcher(const RegistryKey& key, RegistryWatchScope scope,
                  std::function<void(const std::error_code&)> onChange, std::error_code& code);
  // Without a function: the program waits for WaitHandle().
  explicit RegistryWatcher(const RegistryKey& key, RegistryWatchScope scope = RegistryWatchScope::kKey);
  RegistryWatcher(const RegistryKey& key, RegistryWatchScope scope, std::error_code& code);

  RegistryWatcher(RegistryWatcher&& other) noexcept;
  RegistryWatcher& operator=(RegistryWatcher&& other) noexcept;
  RegistryWatcher(const RegistryWatcher&) = delete;
  RegistryWatcher& operator=(const RegistryWatcher&) = delete;
  ~RegistryWatcher();

  // An auto-reset event, set after each change (once onChange, where there
  // is one, has returned) and when the watch ends: a wait that returns for it
  // resets it, and stands for every change since the wait before. Read
  // Status() after each. With an onChange, it is set from the first
  // WaitHandle() call on (asking later does not flag the changes before,
  // which their calls told of). The watcher's own, closed with it; null
  // where it holds nothing.
  [[nodiscard]] HANDLE WaitHandle() const noexcept;
  // Cleared while the watch runs; once it has ended, the reason (1018 for a
  // deleted key). 6 (ERROR_INVALID_HANDLE) where the watcher holds nothing.
  [[nodiscard]] std::error_code Status() const noexcept;

 private:
  friend struct watch::Seam;
  using Notify = LONG (*)(HKEY key, BOOL subtree, DWORD filter, HANDLE event, BOOL asynchronous) noexcept;

  RegistryWatcher(const RegistryKey& key, RegistryWatchScope scope,
                  std::function<void(const std::error_code&)> onChange, Notify notify, std::error_code& code);

  std::unique_ptr<watch::WatchSession, watch::SessionEnd> session_;
};

}  // namespace corvalidyne
