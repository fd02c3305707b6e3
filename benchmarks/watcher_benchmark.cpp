// Times how soon a change to a key reaches RegistryWatcher's call, against a
// thread of its own waiting for the event of a raw RegNotifyChangeKeyValue,
// and prints the median and the 99th percentile of each, paired.
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
constexpr int kChangesPerBatch = 200;
constexpr DWORD kFilter = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET;

void RemoveBase() {
  RegDeleteTreeW(HKEY_CURRENT_USER, kBase.c_str());
  RegDeleteKeyW(HKEY_CURRENT_USER, kBase.c_str());
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
    // The waiter is waiting again before the next change.
    Sleep(1);
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

// The raw loop: arm, let the writer go, wait, note the wake.
class RawLatency final : public Latency {
 public:
  explicit RawLatency(const std::wstring& path) : Latency(path), thread_([this] { Wait(); }) {}
  ~RawLatency() override {
    stopping_ = true;
    WaitForSingleObject(armed_.get(), INFINITE);
    SetEvent(notified_.get());
    thread_.join();
  }
  RawLatency(const RawLatency&) = delete;
  RawLatency& operator=(const RawLatency&) = delete;

 private:
  void BeforeWrite() override { WaitForSingleObject(armed_.get(), INFINITE); }
  void Wait() {
    for (;;) {
      RegNotifyChangeKeyValue(Key().Native(), FALSE, kFilter, notified_.get(), TRUE);
      SetEvent(armed_.get());
      WaitForSingleObject(notified_.get(), INFINITE);
      if (stopping_) return;
      Woken();
    }
  }

  OwnedHandle notified_ = AutoResetEvent();
  OwnedHandle armed_ = AutoResetEvent();
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

// A batch of changes through each, back to back (the order alternating), in
// every pair; each pair's ratio is of the batches' medians, and of their 99th
// percentiles.
void Latencies(std::vector<Row>& rows) {
  WatcherLatency watcher(kBase + L"\\Watched");
  RawLatency raw(kBase + L"\\Raw");
  const auto batch = [](Latency& latency) {
    std::vector<double> samples;
    for (int i = 0; i < kChangesPerBatch; ++i) samples.push_back(latency.Change());
    return samples;
  };
  batch(watcher);  // the pool's threads started
  batch(raw);
  Paired medians, tails;
  std::vector<double> watcherMedians, rawMedians, watcherTails, rawTails;
  for (int pair = 0; pair < kPairs; ++pair) {
    std::vector<double> byWatcher, byRaw;
    if (pair % 2 == 0) {
      byWatcher = batch(watcher);
      byRaw = batch(raw);
    } else {
      byRaw = batch(raw);
      byWatcher = batch(watcher);
    }
    watcherMedians.push_back(Median(byWatcher));
    rawMedians.push_back(Median(byRaw));
    watcherTails.push_back(Percentile(byWatcher, 0.99));
    rawTails.push_back(Percentile(byRaw, 0.99));
    medians.ratios.push_back(watcherMedians.back() / rawMedians.back());
    tails.ratios.push_back(watcherTails.back() / rawTails.back());
  }
  medians.work = Median(watcherMedians);
  medians.reference = Median(rawMedians);
  tails.work = Median(watcherTails);
  tails.reference = Median(rawTails);
  rows.push_back(
      PairedRow("A change to the watcher's call, median, against a raw event wait", medians, "us", 1.10));
  rows.push_back(PairedRow("A change to the watcher's call, 99th percentile, against a raw event wait", tails,
                           "us", 1.10));
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
