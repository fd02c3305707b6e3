// Launch and wait: how soon ShellAndWait returns once its program has ended,
// what the wait costs in processor time, and how late the window's messages
// are served while it waits.
#include <windows.h>

#include <atomic>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "measure.h"
#include "shell_command.h"

namespace corvalidyne::bench {
namespace {

constexpr std::int32_t kHidden = SW_HIDE;
constexpr DWORD kLongWaitMs = 5000;
constexpr DWORD kPostIntervalMs = 30;
constexpr UINT kStampedMessage = WM_APP + 1;

std::string Beside(const char* name) {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string path(self);
  return path.substr(0, path.find_last_of('\\') + 1) + name;
}

std::string StampFile() {
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  return std::string(folder) + "corvalidyne-exit-stamp-" + std::to_string(GetCurrentProcessId());
}

// The child's command line: it sleeps, writes its exit moment and exits.
std::string ChildCommand(const std::string& stamp, DWORD milliseconds) {
  return "\"" + Beside("exit_stamp.exe") + "\" \"" + stamp + "\" " + std::to_string(milliseconds);
}

double CounterToMicroseconds(long long counter) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter) * 1e6 / static_cast<double>(frequency.QuadPart);
}

// Milliseconds from the child's exit until ShellAndWait returned; -1 when the
// child left no stamp.
double ReturnDelay(bool doEvents, DWORD childRunMs) {
  const std::string stamp = StampFile();
  DeleteFileA(stamp.c_str());
  ShellCommand().ShellAndWait(ChildCommand(stamp, childRunMs), kHidden, doEvents);
  const double returned = NowMicroseconds();
  long long exited = 0;
  std::ifstream(stamp) >> exited;
  DeleteFileA(stamp.c_str());
  return exited > 0 ? (returned - CounterToMicroseconds(exited)) / 1000 : -1;
}

// Runs varied by a few milliseconds, so that the exits fall at different
// moments of the poll interval.
double MedianReturnDelay(bool doEvents) {
  std::vector<double> delays;
  for (DWORD run = 0; run < 15; ++run) delays.push_back(ReturnDelay(doEvents, 150 + run * 7));
  return Median(delays);
}

double ProcessCpuMicroseconds() {
  FILETIME creation, exit, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
  const auto ticks = [](const FILETIME& time) {
    return static_cast<double>((static_cast<unsigned long long>(time.dwHighDateTime) << 32) |
                               time.dwLowDateTime);
  };
  return (ticks(kernel) + ticks(user)) / 10;  // 100 ns units
}

// Processor time of this process during one long wait serving messages, as a
// share of the wait's wall-clock time, in percent.
double WaitCpuPercent() {
  const std::string stamp = StampFile();
  const double cpuBefore = ProcessCpuMicroseconds();
  const double start = NowMicroseconds();
  ShellCommand().ShellAndWait(ChildCommand(stamp, kLongWaitMs), kHidden, true);
  const double wall = NowMicroseconds() - start;
  DeleteFileA(stamp.c_str());
  return (ProcessCpuMicroseconds() - cpuBefore) * 100 / wall;
}

// A window that records how late each stamped message reaches it: the poster
// stores the sending moment under the message's index.
class StampedWindow {
 public:
  static constexpr std::size_t kCapacity = 1024;

  StampedWindow() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"LaunchBenchmarkWindow";
    RegisterClassW(&windowClass);
    window_ = CreateWindowExW(0, windowClass.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                              nullptr, windowClass.hInstance, nullptr);
  }
  ~StampedWindow() { DestroyWindow(window_); }
  StampedWindow(const StampedWindow&) = delete;
  StampedWindow& operator=(const StampedWindow&) = delete;

  // Posts stamped messages from another thread for the given time.
  void PostFor(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    for (std::size_t index = 0; index < kCapacity && GetTickCount() - start < milliseconds; ++index) {
      sent_[index] = NowMicroseconds();
      PostMessageW(window_, kStampedMessage, index, 0);
      Sleep(kPostIntervalMs);
    }
  }

  std::vector<double> DelaysMs() const { return delays_; }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kStampedMessage && wParam < kCapacity) {
      delays_.push_back((NowMicroseconds() - sent_[wParam].load()) / 1000);
      return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  static inline std::atomic<double> sent_[kCapacity];
  static inline std::vector<double> delays_;
  HWND window_ = nullptr;
};

// Delays, in milliseconds, of the messages posted to a window of this thread
// while it waits serving messages.
std::vector<double> MessageDelaysDuringWait() {
  StampedWindow window;
  const std::string stamp = StampFile();
  std::thread poster([&] { window.PostFor(kLongWaitMs - 300); });
  ShellCommand().ShellAndWait(ChildCommand(stamp, kLongWaitMs), kHidden, true);
  poster.join();
  DeleteFileA(stamp.c_str());
  return window.DelaysMs();
}

}  // namespace
}  // namespace corvalidyne::bench

int main() {
  using namespace corvalidyne::bench;
  // One round first, so that every measured start finds warm caches.
  MedianReturnDelay(true);
  const double delayServing = MedianReturnDelay(true);
  const double delayBlocking = MedianReturnDelay(false);
  std::vector<double> cpu;
  for (int run = 0; run < 3; ++run) cpu.push_back(WaitCpuPercent());
  const std::vector<double> delays = MessageDelaysDuringWait();
  return Print({
             {"ShellAndWait: child exit to return, serving messages", delayServing, "ms", 0, 5},
             {"ShellAndWait: child exit to return, blocking (information)", delayBlocking, "ms"},
             {"ShellAndWait: CPU time in a 5 s wait, serving messages", Median(cpu), "%", 0, 1},
             {"ShellAndWait: posted message served after, 99th pct of " + std::to_string(delays.size()),
              delays.empty() ? 1e9 : Percentile(delays, 0.99), "ms", 0, 110},
         })
             ? 0
             : 1;
}
