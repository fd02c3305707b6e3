#pragma once

#include <utility>

namespace corvalidyne {

// Runs a clean-up once, when the scope that holds it ends: the one guard behind
// every "put it back at the end of the scope" of this tree. A function returns
// one as a value (no copy or move takes place), and it stays where it is.
template <typename CleanUp>
class [[nodiscard]] ScopeExit {
 public:
  explicit ScopeExit(CleanUp cleanUp) noexcept : cleanUp_(std::move(cleanUp)) {}
  ~ScopeExit() { cleanUp_(); }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

 private:
  CleanUp cleanUp_;
};

}  // namespace corvalidyne
