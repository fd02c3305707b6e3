#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "corvalidyne/registry_key.h"
#include "corvalidyne/registry_watcher.h"
#include "handle_probe.h"
#include "locked_key.h"
#include "process_runner.h"
#include "raw_registry.h"
#include "scratch_key.h"
#include "watch/seam.h"

namespace corvalidyne {
namespace {

using namespace std::chrono_literals;
using std::chrono::milliseconds;
using testing::ScratchKey;

// Long enough for a change to reach the watcher on a loaded machine (and under
// emulation), short enough to keep the suite quick: a call that is due comes
// within it, one that must not come is waited for this long.
constexpr milliseconds kWake = 1000ms;
constexpr milliseconds kQuiet = 300ms;
// The deletion is noticed at the watcher's next check of its key (0.5 s apart).
constexpr milliseconds kDeletionNoticed = 3000ms;

// The codes of one watcher's calls, as they came.
class Calls {
 public:
  // A function for the watcher that records each call's code; `work` runs
  // first, inside the call.
  std::function<void(const std::error_code&)> Recorder(std::function<void()> work = {}) {
    return [this, work = std::move(work)](const std::error_code& code) {
      if (work) work();
      const std::lock_guard<std::mutex> held(lock_);
      codes_.push_back(code.value());
      threads_.insert(GetCurrentThreadId());
      arrived_.notify_all();
    };
  }
  // True once `count` calls came, within `timeout`.
  bool WaitFor(std::size_t count, milliseconds timeout = kWake) {
    std::unique_lock<std::mutex> held(lock_);
    return arrived_.wait_for(held, timeout, [&] { return codes_.size() >= count; });
  }
  std::vector<int> Codes() {
    const std::lock_guard<std::mutex> held(lock_);
    return codes_;
  }
  std::set<DWORD> Threads() {
    const std::lock_guard<std::mutex> held(lock_);
    return threads_;
  }

 private:
  std::mutex lock_;
  std::condition_variable arrived_;
  std::vector<int> codes_;
  std::set<DWORD> threads_;
};

// True once `done` holds, within `timeout`.
bool Eventually(const std::function<bool()>& done, milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    Sleep(10);
  }
  return true;
}

RegistryKey KeyAt(const std::wstring& path, RegistryView view = RegistryView::kNative,
                  RegistryRoot root = kHKeyCurrentUser) {
  return RegistryKey::Create(root, path, view);
}

// What wakes a watcher and what does not. Each watcher is made from a key
// object that is gone before the change: the watcher holds a handle of its own.
TEST(RegistryWatcher, WakesForEachChangeInItsScopeAndForNothingElse) {
  ScratchKey scratch;
  using Scope = RegistryWatchScope;
  const struct {
    const char* name;
    Scope scope;
    std::function<void(RegistryKey& watched)> change;
    bool wakes;
  } cases[] = {
      {"a value written", Scope::kKey, [](RegistryKey& k) { k.Write(L"new", 1u); }, true},
      {"a value rewritten", Scope::kKey, [](RegistryKey& k) { k.Write(L"present", L"other"); }, true},
      {"a value deleted", Scope::kKey, [](RegistryKey& k) { k.DeleteValue(L"present"); }, true},
      {"a subkey added", Scope::kKey, [](RegistryKey& k) { k.CreateSubkey(L"New"); }, true},
      {"a subkey removed", Scope::kKey, [](RegistryKey& k) { k.DeleteSubkeyTree(L"Child"); }, true},
      {"a value read", Scope::kKey, [](RegistryKey& k) { static_cast<void>(k.ReadString(L"present")); },
       false},
      {"a subkey's value, the key alone watched", Scope::kKey,
       [](RegistryKey& k) { k.OpenSubkey(L"Child", RegistryAccess::kReadWrite)->Write(L"v", 1u); }, false},
      {"a subkey's value, the subtree watched", Scope::kSubtree,
       [](RegistryKey& k) { k.OpenSubkey(L"Child", RegistryAccess::kReadWrite)->Write(L"v", 1u); }, true},
      {"a key two levels down, the subtree watched", Scope::kSubtree,
       [](RegistryKey& k) { k.CreateSubkey(L"Child\\Grandchild"); }, true},
      {"a sibling key's value, the subtree watched", Scope::kSubtree,
       [&](RegistryKey&) { KeyAt(scratch.Sub(L"Sibling")).Write(L"v", 1u); }, false},
  };
  int index = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring path = scratch.Sub(L"Watched" + std::to_wstring(++index));
    RegistryKey watched = KeyAt(path);
    watched.Write(L"present", L"x");
    watched.CreateSubkey(L"Child");
    Calls calls;
    const RegistryWatcher watcher(KeyAt(path), c.scope, calls.Recorder());
    c.change(watched);
    EXPECT_EQ(calls.WaitFor(1, c.wakes ? kWake : kQuiet), c.wakes);
    for (const int code : calls.Codes()) EXPECT_EQ(code, 0);
  }
}

// HKLM\Software is two keys on 64-bit Windows, one in each view: a watcher
// sees its key's own view only. A 32-bit Wine prefix (the i686 tree's) has
// one registry, which every view reaches.
TEST(RegistryWatcher, WatchesTheKeyInTheViewItWasOpenedIn) {
  BOOL wow64 = FALSE;
  IsWow64Process(GetCurrentProcess(), &wow64);
  const bool twoViews = sizeof(void*) == 8 || wow64;
  const std::wstring path = L"SOFTWARE\\CorvalidyneWatcherViews";
  const auto remove = [&] {
    for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
      RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), view, 0);
    }
  };
  remove();
  const struct {
    RegistryView watched;
    RegistryView written;
    bool wakes;
  } cases[] = {
      {RegistryView::k32Bit, RegistryView::k32Bit, true},
      {RegistryView::k32Bit, RegistryView::k64Bit, !twoViews},
      {RegistryView::k64Bit, RegistryView::k64Bit, true},
      {RegistryView::k64Bit, RegistryView::k32Bit, !twoViews},
  };
  // Wine signals nothing for a value written again as it was: each row writes its own.
  unsigned row = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << "watched " << static_cast<int>(c.watched) << ", written " << static_cast<int>(c.written));
    RegistryKey written = KeyAt(path, c.written, kHKeyLocalMachine);
    Calls calls;
    const RegistryWatcher watcher(KeyAt(path, c.watched, kHKeyLocalMachine), RegistryWatchScope::kKey,
                                  calls.Recorder());
    written.Write(L"v", ++row);
    EXPECT_EQ(calls.WaitFor(1, c.wakes ? kWake : kQuiet), c.wakes);
  }
  remove();
}

TEST(RegistryWatcher, AValueAnotherProcessWritesWakesItWithinASecond) {
  ScratchKey scratch;
  Calls calls;
  const RegistryWatcher watcher(KeyAt(scratch.Path()), RegistryWatchScope::kKey, calls.Recorder());
  const auto written = testing::RunReg(L"add " + scratch.RegPath() + L" /v FromReg /t REG_SZ /d x /f");
  ASSERT_EQ(written.exitCode, 0u) << written.output;
  EXPECT_TRUE(calls.WaitFor(1, kWake));
}

// Each call reads the counter as it begins, then takes a while, so that most
// writes land during a call: only a watch armed again before the call sees the
// last of them.
TEST(RegistryWatcher, ABurstOfWritesEndsWithACallAfterTheLastWrite) {
  ScratchKey scratch;
  RegistryKey key = KeyAt(scratch.Path());
  constexpr unsigned kWrites = 1000;
  std::atomic<bool> lastSeen{false};
  Calls calls;
  const RegistryWatcher watcher(key, RegistryWatchScope::kKey, calls.Recorder([&] {
    if (key.ReadDword(L"n") == kWrites - 1) lastSeen = true;
    Sleep(2);
  }));
  for (unsigned n = 0; n < kWrites; ++n) key.Write(L"n", n);
  EXPECT_TRUE(Eventually([&] { return lastSeen.load(); }, kWake)) << calls.Codes().size() << " calls";
}

// Deleting the watched key signals nothing under Wine: the watcher's own check
// notices it. The changes of emptying the tree may come first; the deletion's
// call comes last, once, and a key made again at the same path is not watched.
TEST(RegistryWatcher, ADeletedKeyGivesOneCallWithTheReasonAndNoMore) {
  ScratchKey scratch;
  for (const RegistryWatchScope scope : {RegistryWatchScope::kKey, RegistryWatchScope::kSubtree}) {
    SCOPED_TRACE(static_cast<int>(scope));
    const std::wstring path = scratch.Sub(L"Watched");
    KeyAt(path).CreateSubkey(L"Child").Write(L"v", 1u);
    Calls calls;
    const RegistryWatcher watcher(KeyAt(path), scope, calls.Recorder());
    ASSERT_TRUE(KeyAt(scratch.Path()).DeleteSubkeyTree(L"Watched"));
    ASSERT_TRUE(Eventually(
        [&] {
          const auto codes = calls.Codes();
          return !codes.empty() && codes.back() == ERROR_KEY_DELETED;
        },
        kDeletionNoticed));
    const std::size_t made = calls.Codes().size();
    KeyAt(path).Write(L"again", 1u);
    Sleep(700);  // beyond the next check
    EXPECT_EQ(calls.Codes().size(), made);
    EXPECT_EQ(watcher.Status(), std::error_code(ERROR_KEY_DELETED, std::system_category()));
  }
}

// The arming function is counted here, for the seam below: the watcher takes
// a plain function, as it takes the system's.
struct Arming {
  std::mutex lock;
  std::vector<DWORD> threads;  // where the watch was armed without the flag
  int refused = 0;
  void Reset() {
    const std::lock_guard<std::mutex> held(lock);
    threads.clear();
    refused = 0;
  }
};
Arming& Armings() {
  static Arming armings;
  return armings;
}

// A system as Windows 7 is: REG_NOTIFY_THREAD_AGNOSTIC refused with 87.
LONG RefusingTheFlag(HKEY key, BOOL subtree, DWORD filter, HANDLE event, BOOL asynchronous) noexcept {
  const std::lock_guard<std::mutex> held(Armings().lock);
  if ((filter & REG_NOTIFY_THREAD_AGNOSTIC) != 0) {
    ++Armings().refused;
    return ERROR_INVALID_PARAMETER;
  }
  Armings().threads.push_back(GetCurrentThreadId());
  return RegNotifyChangeKeyValue(key, subtree, filter, event, asynchronous);
}

bool Running(HANDLE thread) { return WaitForSingleObject(thread, 0) == WAIT_TIMEOUT; }

// Refused the flag, the watcher arms from one thread of its own, which lasts
// as long as the watch: neither the thread that made it nor the pool's threads
// that call it, which come and go.
TEST(RegistryWatcher, WhereTheFlagIsRefusedItArmsFromAThreadOfItsOwn) {
  ScratchKey scratch;
  RegistryKey key = KeyAt(scratch.Path());
  Armings().Reset();
  Calls calls;
  std::error_code code;
  std::optional<RegistryWatcher> watcher(
      watch::Seam::Watch(key, RegistryWatchScope::kKey, calls.Recorder(), &RefusingTheFlag, code));
  ASSERT_FALSE(code) << code.message();
  constexpr unsigned kChanges = 3;
  for (unsigned n = 1; n <= kChanges; ++n) {
    key.Write(L"n", n);
    ASSERT_TRUE(calls.WaitFor(n));
  }
  std::vector<DWORD> threads;
  {
    const std::lock_guard<std::mutex> held(Armings().lock);
    threads = Armings().threads;
    EXPECT_EQ(Armings().refused, 1);
  }
  ASSERT_GE(threads.size(), 1 + kChanges);
  for (const DWORD thread : threads) EXPECT_EQ(thread, threads.front());
  EXPECT_NE(threads.front(), GetCurrentThreadId());
  EXPECT_EQ(calls.Threads().count(threads.front()), 0u);
  const HANDLE arming = OpenThread(SYNCHRONIZE, FALSE, threads.front());
  ASSERT_NE(arming, nullptr);
  EXPECT_TRUE(Running(arming));
  watcher.reset();
  EXPECT_EQ(WaitForSingleObject(arming, 2000), WAIT_OBJECT_0) << "the arming thread outlived its watch";
  CloseHandle(arming);
}

TEST(RegistryWatcher, AThousandWatchersMadeAndDestroyedLeaveNoHandleBehind) {
  ScratchKey scratch;
  const RegistryKey key = KeyAt(scratch.Path());
  const struct {
    const char* name;
    layer::NotifyFunction notify;
    int count;
  } cases[] = {
      {"thread-agnostic", layer::kSystemNotify, 1000},
      {"with an arming thread of its own", &RefusingTheFlag, 100},
  };
  Calls calls;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto make = [&] {
      std::error_code code;
      const RegistryWatcher watcher =
          watch::Seam::Watch(key, RegistryWatchScope::kSubtree, calls.Recorder(), c.notify, code);
      ASSERT_FALSE(code) << code.message();
    };
    make();  // the pool's first use is no leak
    const testing::HandleProbe probe;
    for (int i = 0; i < c.count; ++i) make();
    EXPECT_LT(probe.Growth(), 10);
  }
}

// A watcher destroyed while its call runs on a pool thread waits for the call
// to end, and none comes after.
TEST(RegistryWatcher, DestructionWaitsForARunningCallAndNoneComesAfter) {
  ScratchKey scratch;
  RegistryKey key = KeyAt(scratch.Path());
  std::atomic<bool> started{false}, finished{false};
  Calls calls;
  std::optional<RegistryWatcher> watcher(std::in_place, key, RegistryWatchScope::kKey, calls.Recorder([&] {
    started = true;
    Sleep(300);
    finished = true;
  }));
  key.Write(L"v", 1u);
  ASSERT_TRUE(Eventually([&] { return started.load(); }, kWake));
  watcher.reset();
  EXPECT_TRUE(finished) << "destruction returned while the call ran";
  const std::size_t made = calls.Codes().size();
  key.Write(L"v", 2u);
  Sleep(kQuiet.count());
  EXPECT_EQ(calls.Codes().size(), made);
}

// Destroyed from within its own call, the watcher cannot wait for that call:
// it returns, no call follows, and its function is freed once the call ends.
TEST(RegistryWatcher, DestroyedWithinItsOwnCallItReturnsAndCallsNoMore) {
  ScratchKey scratch;
  RegistryKey key = KeyAt(scratch.Path());
  auto held = std::make_shared<int>(0);
  const std::weak_ptr<int> function = held;
  std::atomic<int> calls{0};
  std::atomic<bool> returned{false};
  std::optional<RegistryWatcher> watcher;
  watcher.emplace(key, RegistryWatchScope::kKey, [&, held](const std::error_code&) {
    ++calls;
    watcher.reset();
    returned = true;
  });
  held.reset();
  key.Write(L"v", 1u);
  ASSERT_TRUE(Eventually([&] { return returned.load(); }, kWake)) << "the destruction did not return";
  key.Write(L"v", 2u);
  Sleep(kQuiet.count());
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(Eventually([&] { return function.expired(); }, kWake)) << "the watch was never freed";
}

// The handle wakes a message loop for a change, again for a change made after
// that wake, never for nothing, and at the end.
void WakesAMessageLoop(const RegistryWatcher& watcher, RegistryKey& key, const ScratchKey& scratch) {
  ASSERT_FALSE(watcher.Status());
  const HANDLE handle = watcher.WaitHandle();
  ASSERT_NE(handle, nullptr);
  // A message loop that ends at the handle, or at the timeout.
  const auto woken = [&](milliseconds timeout) {
    const auto end = GetTickCount64() + static_cast<ULONGLONG>(timeout.count());
    for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
      const DWORD wait =
          MsgWaitForMultipleObjects(1, &handle, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
      if (wait == WAIT_OBJECT_0) return true;
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    return false;
  };
  PostThreadMessageW(GetCurrentThreadId(), WM_USER, 0, 0);
  EXPECT_FALSE(woken(kQuiet));
  for (unsigned n = 0; n < 3; ++n) {
    key.Write(L"v", n);
    EXPECT_TRUE(woken(kWake)) << n;
    EXPECT_FALSE(watcher.Status());
  }
  EXPECT_FALSE(woken(kQuiet));
  // Emptying the key may wake it first; the deletion's wake comes last.
  ASSERT_TRUE(KeyAt(scratch.Path()).DeleteSubkeyTree(L"Watched"));
  while (!watcher.Status() && woken(kDeletionNoticed)) continue;
  EXPECT_EQ(watcher.Status(), std::error_code(ERROR_KEY_DELETED, std::system_category()));
  // The emptying's wake may have found the status already set, with the
  // deletion's own wake still to come: one more at most, then none.
  static_cast<void>(woken(kQuiet));
  EXPECT_FALSE(woken(kQuiet));
}

// For a program with its own message loop, with a function or without.
TEST(RegistryWatcher, ItsHandleWakesAMessageLoop) {
  for (const bool withFunction : {false, true}) {
    SCOPED_TRACE(withFunction ? "with a function" : "without a function");
    ScratchKey scratch;
    Calls calls;
    RegistryKey key = KeyAt(scratch.Sub(L"Watched"));
    const RegistryWatcher watcher = withFunction
                                        ? RegistryWatcher(key, RegistryWatchScope::kKey, calls.Recorder())
                                        : RegistryWatcher(key);
    WakesAMessageLoop(watcher, key, scratch);
  }
}

// The pool's thread has no one to hand an exception to.
TEST(RegistryWatcherDeathTest, AnExceptionEscapingTheCallEndsTheProgram) {
  ScratchKey scratch;
  EXPECT_DEATH(
      {
        RegistryKey key = KeyAt(scratch.Path());
        const RegistryWatcher watcher(key, RegistryWatchScope::kKey,
                                      [](const std::error_code&) { throw std::runtime_error("thrown"); });
        key.Write(L"v", 1u);
        Sleep(5000);
      },
      "");
}

// Both forms of a start that fails: the system's code, thrown or set, and a
// watcher that holds nothing; the code cleared on success.
TEST(RegistryWatcher, AFailedStartGivesTheSystemsCode) {
  ScratchKey scratch;
  KeyAt(scratch.Sub(L"Locked"));
  RegistryKey locked = *RegistryKey::Open(kHKeyCurrentUser, scratch.Sub(L"Locked"));
  const testing::LockedKey lock(scratch.Sub(L"Locked"));
  RegistryKey movedFrom = KeyAt(scratch.Path());
  const RegistryKey taken = std::move(movedFrom);
  const struct {
    const char* name;
    const RegistryKey& key;
    int code;
  } cases[] = {
      {"a key that refuses KEY_NOTIFY", locked, ERROR_ACCESS_DENIED},
      {"a key object that holds nothing", movedFrom, ERROR_INVALID_HANDLE},
      {"a key to watch", taken, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::error_code code(ERROR_GEN_FAILURE, std::system_category());
    const RegistryWatcher watcher(c.key, RegistryWatchScope::kKey, [](const std::error_code&) {}, code);
    EXPECT_EQ(code.value(), c.code);
    EXPECT_EQ(watcher.WaitHandle() != nullptr, c.code == 0);
    EXPECT_EQ(watcher.Status().value(), c.code == 0 ? 0 : ERROR_INVALID_HANDLE);
    int thrown = 0;
    try {
      const RegistryWatcher throwing(c.key, RegistryWatchScope::kKey);
    } catch (const std::system_error& error) {
      thrown = error.code().value();
    }
    EXPECT_EQ(thrown, c.code);
  }
}

}  // namespace
}  // namespace corvalidyne
