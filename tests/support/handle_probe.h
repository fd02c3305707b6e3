#pragma once

#include <windows.h>

#include <cstdint>

namespace corvalidyne::testing {

// Wine reports no process handle count, but it hands out the lowest free handle
// slot, as Windows does: after an operation that leaks, a freshly opened handle
// lands above the value it had before. Repeating the operation makes any leak
// show as a large jump.
class HandleProbe {
 public:
  HandleProbe() : baseline_(FreshHandleValue()) {}

  // How many handle slots the process holds now beyond the baseline.
  std::intptr_t Growth() const { return (FreshHandleValue() - baseline_) / 4; }

 private:
  static std::intptr_t FreshHandleValue() {
    const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const auto value = reinterpret_cast<std::intptr_t>(event);
    CloseHandle(event);
    return value;
  }

  std::intptr_t baseline_;
};

}  // namespace corvalidyne::testing
