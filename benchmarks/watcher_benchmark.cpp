// Times how soon a change to a key reaches RegistryWatcher's call, against the
// same guarantee written by hand on the thread pool, where the watcher calls
// (the goal), and against a thread of its own waiting for the event of a raw
// RegNotifyChangeKeyValue (as is, and re-arming before it notes the wake, as
// the watcher does); the raw pool wait against that thread tells the pool's own
// share. Prints the median and the 99th percentile of each, paired.
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "corvalidyne/registry_key.h"
#include "corvalidyne/registry_watcher.h"
#include "measure.h"
#include "unique_handle.h"

namespace corvalidyne::bench {
namespace {

const std::wstring kBase = L"Software\\CorvalidyneWatcherBenchmark";
// Enough that a batch's 99th percentile is the tenth slowest, not the second.
constexpr int kChangesPerBatch = 1000;
// A tail moves more from pair to pair than a median: twice the pairs.
constexpr int kTailPairs = 2 * kPairs;
constexpr DWORD kFilter = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET;

void RemoveBase() {
  RegDeleteTreeW(HKEY_CURRENT_USER, kBase.c_str());
  RegDeleteKeyW(HKEY_CURRENT_USER, kBase.c_str());
}

// Long enough for a waiter to wait again after its wake, shorter than a
// Sleep(1), which lasts several milliseconds on a busy machine.
void Pause() {
  const double end = NowMicroseconds() + 300;
  while (NowMicroseconds() < end) SwitchToThread();
}

OwnedHandle AutoResetEvent() { return OwnedHandle(CreateEventW(nullptr, FALSE, FALSE, nullptr)); }

// One change: the time from just before the write to the moment its waiter
// ran, in microseconds. Each waiter watches a key of its own.
class Latency {
 public:
  explicit Latency(const std::wstring& path) : key_(RegistryKey::Create(kHKeyCurrentUser, path)) {}
  virtual ~Latency() = default;
  Latency(const Latency&) = delete;
  Latency& operator=(const Latency&) = delete;

  double Change() {
    BeforeWrite();
    const double written = NowMicroseconds();
    ++counter_;
    RegSetValueExW(key_.Native(), L"n", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&counter_),
                   sizeof counter_);
    WaitForSingleObject(done_.get(), INFINITE);
    const double latency = woken_ - written;
    Pause();
    return latency;
  }

 protected:
  virtual void BeforeWrite() {}
  // The waiter's part, where it runs.
  void Woken() {
    woken_ = NowMicroseconds();
    SetEvent(done_.get());
  }
  [[nodiscard]] const RegistryKey& Key() const { return key_; }

 private:
  RegistryKey key_;
  OwnedHandle done_ = AutoResetEvent();
  std::atomic<double> woken_{0};
  DWORD counter_ = 0;
};

class WatcherLatency final : public Latency {
 public:
  explicit WatcherLatency(const std::wstring& path)
      : Latency(path),
        watcher_(Key(), RegistryWatchScope::kKey, [this](const std::error_code&) { Woken(); }) {}

 private:
  RegistryWatcher watcher_;
};

// A thread of its own waiting for the event of a raw notification. The plain
// loop arms, lets the writer go, waits and notes the wake; armed first, it
// arms again before it notes the wake, as the watcher does before its call,
// so that no change is lost.
class ThreadLatency final : public Latency {
 public:
  ThreadLatency(const std::wstring& path, bool armFirst)
      : Latency(path), armFirst_(armFirst), thread_([this] { Wait(); }) {
    // Armed first, the thread tells only of its first arm.
    if (armFirst_) WaitForSingleObject(armed_.get(), INFINITE);
  }
  ~ThreadLatency() override {
    stopping_ = true;
    if (!armFirst_) WaitForSingleObject(armed_.get(), INFINITE);
    SetEvent(notified_.get());
    thread_.join();
  }
  ThreadLatency(const ThreadLatency&) = delete;
  ThreadLatency& operator=(const ThreadLatency&) = delete;

 private:
  void BeforeWrite() override {
    if (!armFirst_) WaitForSingleObject(armed_.get(), INFINITE);
  }
  void Arm() { RegNotifyChangeKeyValue(Key().Native(), FALSE, kFilter, notified_.get(), TRUE); }
  void Wait() {
    if (armFirst_) {
      Arm();
      SetEvent(armed_.get());
    }
    for (;;) {
      if (!armFirst_) {
        Arm();
        SetEvent(armed_.get());
      }
      WaitForSingleObject(notified_.get(), INFINITE);
      if (stopping_) return;
      if (armFirst_) Arm();
      Woken();
    }
  }

  bool armFirst_;
  OwnedHandle notified_ = AutoResetEvent();
  OwnedHandle armed_ = AutoResetEvent();
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

// The same guarantee written by hand on the thread pool: a wait for the raw
// notification's event, armed again before the call and set again after it.
class PoolLatency final : public Latency {
 public:
  explicit PoolLatency(const std::wstring& path)
      : Latency(path), wait_(CreateThreadpoolWait(&Called, this, nullptr)) {
    Arm();
    SetThreadpoolWait(wait_, notified_.get(), nullptr);
  }
  ~PoolLatency() override {
    SetThreadpoolWait(wait_, nullptr, nullptr);
    WaitForThreadpoolWaitCallbacks(wait_, TRUE);
    CloseThreadpoolWait(wait_);
  }
  PoolLatency(const PoolLatency&) = delete;
  PoolLatency& operator=(const PoolLatency&) = delete;

 private:
  void Arm() {
    RegNotifyChangeKeyValue(Key().Native(), FALSE, kFilter | REG_NOTIFY_THREAD_AGNOSTIC, notified_.get(),
                            TRUE);
  }
  static void CALLBACK Called(PTP_CALLBACK_INSTANCE /*instance*/, void* self, PTP_WAIT wait,
                              TP_WAIT_RESULT /*result*/) {
    auto& latency = *static_cast<PoolLatency*>(self);
    latency.Arm();
    latency.Woken();
    SetThreadpoolWait(wait, latency.notified_.get(), nullptr);
  }

  OwnedHandle notified_ = AutoResetEvent();
  PTP_WAIT wait_;
};

// In every pair, changes through the work and through the reference taken in
// turns (which goes first alternating), so that a stall of Wine's server, which
// saves the registry now and then, falls on both; each pair's ratios are of
// the two sets' medians and of their 99th percentiles.
void Compare(const std::string& what, Latency& work, Latency& reference, const std::string& against,
             double goal, std::vector<Row>& rows) {
  for (int i = 0; i < kChangesPerBatch; ++i) reference.Change();  // its threads started
  Paired medians, tails;
  std::vector<double> workMedians, referenceMedians, workTails, referenceTails;
  for (int pair = 0; pair < kTailPairs; ++pair) {
    std::vector<double> byWork, byReference;
    for (int i = 0; i < kChangesPerBatch; ++i) {
      if (pair % 2 == 0) byWork.push_back(work.Change());
      byReference.push_back(reference.Change());
      if (pair % 2 != 0) byWork.push_back(work.Change());
    }
    workMedians.push_back(Median(byWork));
    referenceMedians.push_back(Median(byReference));
    workTails.push_back(Percentile(byWork, 0.99));
    referenceTails.push_back(Percentile(byReference, 0.99));
    medians.ratios.push_back(workMedians.back() / referenceMedians.back());
    tails.ratios.push_back(workTails.back() / referenceTails.back());
  }
  medians.work = Median(workMedians);
  medians.reference = Median(referenceMedians);
  tails.work = Median(workTails);
  tails.reference = Median(referenceTails);
  rows.push_back(PairedRow(what + ", median, " + against, medians, "us", goal));
  rows.push_back(PairedRow(what + ", 99th percentile, " + against, tails, "us", goal));
}

// The watcher calls on a pool thread, so the raw pool wait is its measure.
// Against a thread blocked on the event, Wine's pool adds a hop of its own: its
// wait thread hands each wake to a worker. Windows' pool (8 and later) queues
// the wake to its worker directly, as the thread's wait wakes the thread.
void Latencies(std::vector<Row>& rows) {
  const std::string watcher = "A change to the watcher's call";
  WatcherLatency watched(kBase + L"\\Watched");
  for (int i = 0; i < kChangesPerBatch; ++i) watched.Change();  // the pool's threads started
  PoolLatency pool(kBase + L"\\Pool");
  Compare(watcher, watched, pool, "against a raw pool wait re-arming first", 1.10, rows);
  ThreadLatency plain(kBase + L"\\Thread", false);
  Compare(watcher, watched, plain, "against a thread's raw event wait (information)", 0, rows);
  Compare("A change to a raw pool wait's call", pool, plain,
          "against a thread's raw event wait (information)", 0, rows);
  ThreadLatency armedFirst(kBase + L"\\ArmedFirst", true);
  Compare(watcher, watched, armedFirst, "against the thread re-arming first (information)", 0, rows);
}

}  // namespace
}  // namespace corvalidyne::bench

int main() {
  using namespace corvalidyne::bench;
  RemoveBase();
  std::vector<Row> rows;
  Latencies(rows);
  RemoveBase();
  return Print(rows) ? 0 : 1;
}
