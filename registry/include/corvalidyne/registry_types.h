#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "corvalidyne/tagged_value.h"

namespace corvalidyne {

// Which registry a key is looked up in on 64-bit Windows: the view of the
// program's own width (kNative), the 32-bit programs' one (k32Bit,
// KEY_WOW64_32KEY: HKLM\SOFTWARE is HKLM\SOFTWARE\WOW6432Node) or the 64-bit
// programs' one (k64Bit, KEY_WOW64_64KEY), whatever this program's width. On
// 32-bit Windows there is one registry, whichever view is asked for.
enum class RegistryView { kNative, k32Bit, k64Bit };

enum class RegistryAccess { kRead, kReadWrite };

// Text stored as REG_EXPAND_SZ, its environment references left for readers to expand.
struct ExpandableString {
  std::wstring text;
  bool operator==(const ExpandableString&) const = default;
};

// A value exactly as the registry holds it: any type code and its bytes.
struct RegistryValue {
  RegistryValueType type = 0;  // REG_NONE
  Bytes data;
  bool operator==(const RegistryValue&) const = default;
};

// One value of a listing: its name and its type code (REG_SZ, REG_DWORD, ...).
struct RegistryValueEntry {
  std::wstring name;
  RegistryValueType type = 0;
  bool operator==(const RegistryValueEntry&) const = default;
};

// One value of a listing with its data.
struct RegistryNamedValue {
  std::wstring name;
  RegistryValue value;
  bool operator==(const RegistryNamedValue&) const = default;
};

// What RegistryKey::Info tells of a key: its direct subkeys and values, and when
// it or one of its values was last written.
struct RegistryKeyInfo {
  std::uint32_t subkeys = 0;
  std::uint32_t values = 0;
  std::chrono::system_clock::time_point lastWritten;
};

// How RegistryKey::Create and CreateSubkey make a key that is missing.
struct RegistryCreateOptions {
  // A volatile key lives in memory only and is gone when the system restarts;
  // the system refuses a persistent key below it (1021, ERROR_CHILD_MUST_BE_VOLATILE).
  // An existing key is opened as it is, whatever this says.
  bool volatileKey = false;
  // Where given, set to true when the key was created, false when it existed.
  bool* created = nullptr;
};

}  // namespace corvalidyne
