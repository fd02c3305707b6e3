#pragma once

#include <windows.h>

#include <cstdint>
#include <utility>

namespace corvalidyne {

// Owns one handle of a kind and closes it exactly once, as the kind's Traits
// say: which values hold nothing to close, and how to close the others.
template <typename Handle, typename Traits>
class UniqueHandle {
 public:
  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
  ~UniqueHandle() { reset(); }

  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  [[nodiscard]] Handle get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != Handle{}; }

  // For out-parameters: closes what is held, then hands out the slot.
  [[nodiscard]] Handle* put() noexcept {
    reset();
    return &handle_;
  }

  [[nodiscard]] Handle release() noexcept { return std::exchange(handle_, Handle{}); }

  void reset(Handle handle = Handle{}) noexcept {
    const Handle old = std::exchange(handle_, handle);
    if (Traits::Closes(old)) Traits::Close(old);
  }

 private:
  Handle handle_{};
};

// The sign-extended value of a predefined registry root held as 32 bits: on
// 64-bit Windows HKEY_LOCAL_MACHINE is 0xFFFFFFFF80000002.
constexpr std::intptr_t PredefinedRootValue(std::uint32_t root) noexcept {
  return static_cast<std::intptr_t>(static_cast<std::int32_t>(root));
}

inline bool IsPredefinedRoot(HKEY key) noexcept {
  const auto value = reinterpret_cast<std::intptr_t>(key);
  return value >= PredefinedRootValue(0x80000000u) && value <= PredefinedRootValue(0x800000FFu);
}

// A predefined root is the system's, never ours to close.
struct RegistryKeyTraits {
  static bool Closes(HKEY key) noexcept { return key != nullptr && !IsPredefinedRoot(key); }
  static void Close(HKEY key) noexcept { RegCloseKey(key); }
};

struct KernelHandleTraits {
  static bool Closes(HANDLE handle) noexcept { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE handle) noexcept { CloseHandle(handle); }
};

struct GdiObjectTraits {
  static bool Closes(HGDIOBJ object) noexcept { return object != nullptr; }
  static void Close(HGDIOBJ object) noexcept { DeleteObject(object); }
};

struct IconTraits {
  static bool Closes(HICON icon) noexcept { return icon != nullptr; }
  static void Close(HICON icon) noexcept { DestroyIcon(icon); }
};

using KeyHandle = UniqueHandle<HKEY, RegistryKeyTraits>;
using OwnedHandle = UniqueHandle<HANDLE, KernelHandleTraits>;
using Font = UniqueHandle<HFONT, GdiObjectTraits>;
using Brush = UniqueHandle<HBRUSH, GdiObjectTraits>;
using Icon = UniqueHandle<HICON, IconTraits>;

}  // namespace corvalidyne
