#pragma once

#include <windows.h>

#include <cstdint>
#include <utility>

#include "tagged_value.h"

namespace corvalidyne {

// The HKEY for a root value held as a 32-bit signed integer: predefined roots
// are sign-extended on 64-bit Windows (HKEY_LOCAL_MACHINE is 0xFFFFFFFF80000002).
constexpr std::intptr_t RootKeyValue(std::uint32_t root) noexcept {
  return static_cast<std::intptr_t>(static_cast<std::int32_t>(root));
}

inline HKEY RootKey(RegistryRoot root) noexcept {
  return reinterpret_cast<HKEY>(static_cast<std::intptr_t>(root));
}

inline bool IsPredefinedRoot(HKEY key) noexcept {
  const auto value = reinterpret_cast<std::intptr_t>(key);
  return value >= RootKeyValue(0x80000000u) && value <= RootKeyValue(0x800000FFu);
}

// Owns one registry key handle; closes it exactly once and never closes a
// predefined root, which is not ours to close.
class KeyHandle {
 public:
  KeyHandle() noexcept = default;
  explicit KeyHandle(HKEY key) noexcept : key_(key) {}
  ~KeyHandle() { reset(); }

  KeyHandle(KeyHandle&& other) noexcept : key_(other.release()) {}
  KeyHandle& operator=(KeyHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  KeyHandle(const KeyHandle&) = delete;
  KeyHandle& operator=(const KeyHandle&) = delete;

  HKEY get() const noexcept { return key_; }
  explicit operator bool() const noexcept { return key_ != nullptr; }

  // For out-parameters: closes what is held, then hands out the slot.
  HKEY* put() noexcept {
    reset();
    return &key_;
  }

  HKEY release() noexcept { return std::exchange(key_, nullptr); }

  void reset(HKEY key = nullptr) noexcept {
    const HKEY old = std::exchange(key_, key);
    if (old != nullptr && !IsPredefinedRoot(old)) RegCloseKey(old);
  }

 private:
  HKEY key_ = nullptr;
};

}  // namespace corvalidyne
