#pragma once

#include <windows.h>

#include <utility>

namespace corvalidyne {

// Owns one kernel handle (process, thread) and closes it exactly once.
class OwnedHandle {
 public:
  OwnedHandle() noexcept = default;
  explicit OwnedHandle(HANDLE handle) noexcept : handle_(handle) {}
  ~OwnedHandle() { reset(); }

  OwnedHandle(OwnedHandle&& other) noexcept : handle_(other.release()) {}
  OwnedHandle& operator=(OwnedHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;

  HANDLE get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != nullptr; }

  HANDLE release() noexcept { return std::exchange(handle_, nullptr); }

  void reset(HANDLE handle = nullptr) noexcept {
    const HANDLE old = std::exchange(handle_, handle);
    if (old != nullptr && old != INVALID_HANDLE_VALUE) CloseHandle(old);
  }

 private:
  HANDLE handle_ = nullptr;
};

}  // namespace corvalidyne
