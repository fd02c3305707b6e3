#pragma once

#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "corvalidyne/tagged_value.h"

namespace corvalidyne {

// One open registry key, read and written through the wide-character (W)
// functions: any UTF-16 path, name or text round-trips exactly, characters
// outside the BMP included. Local registry only.
//
// Failures, for every member and for the functions of registry_functions.h:
// - An absent key or value is not a failure: Open gives std::nullopt, a read
//   std::nullopt, a listing of an absent key an empty list, DeleteValue and the
//   deletions of keys false.
// - Everything else throws std::system_error whose code() is the system's
//   error in std::system_category(), for example:
//     5    ERROR_ACCESS_DENIED     the key refuses the access asked for
//     1630 ERROR_UNSUPPORTED_TYPE  the value is stored as another type than
//                                  the read names (a REG_EXPAND_SZ is not a
//                                  REG_SZ, a REG_DWORD not a REG_QWORD)
//     13   ERROR_INVALID_DATA      a REG_DWORD or REG_QWORD of another size
//     234  ERROR_MORE_DATA         the value kept changing size while it was
//                                  read (read again once before giving up)
//     123  ERROR_INVALID_NAME      a path or name holding a NUL, which the
//                                  system would take as its end; refused
//                                  before the system sees it
//     87   ERROR_INVALID_PARAMETER a REG_MULTI_SZ list holding an empty string
//                                  or a NUL, which would end it early
//   A refused value is not written; a one-call Write (registry_functions.h)
//   has created its key by then.
//   Writes, creations and deletions report the same way, and never leave a
//   handle open.

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
};

// One value of a listing: its name and its type code (REG_SZ, REG_DWORD, ...).
struct RegistryValueEntry {
  std::wstring name;
  RegistryValueType type = 0;
  bool operator==(const RegistryValueEntry&) const = default;
};

// Owns its key handle and closes it once: movable (a moved-from key holds
// nothing and may only be destroyed or assigned to), not copyable.
class RegistryKey {
 public:
  // Opens `path` below a predefined root (kHKeyCurrentUser, ...), creating it
  // and any missing parents, for reading and writing.
  static RegistryKey Create(RegistryRoot root, const std::wstring& path,
                            RegistryView view = RegistryView::kNative);
  // Opens an existing key; std::nullopt when it is absent.
  static std::optional<RegistryKey> Open(RegistryRoot root, const std::wstring& path,
                                         RegistryView view = RegistryView::kNative,
                                         RegistryAccess access = RegistryAccess::kRead);

  RegistryKey(RegistryKey&& other) noexcept;
  RegistryKey& operator=(RegistryKey&& other) noexcept;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  ~RegistryKey();

  // Reads; `name` "" is the key's default value. Each reads exactly one type.
  [[nodiscard]] std::optional<std::uint32_t> ReadDword(const std::wstring& name) const;
  [[nodiscard]] std::optional<std::uint64_t> ReadQword(const std::wstring& name) const;
  // REG_SZ, without its terminating NUL (one; any NUL before it is kept).
  [[nodiscard]] std::optional<std::wstring> ReadString(const std::wstring& name) const;
  // REG_MULTI_SZ; the list ends at the first empty string, as the type defines.
  [[nodiscard]] std::optional<std::vector<std::wstring>> ReadStrings(const std::wstring& name) const;
  // REG_BINARY, exactly the stored bytes.
  [[nodiscard]] std::optional<Bytes> ReadBinary(const std::wstring& name) const;
  // REG_EXPAND_SZ with its %NAME% references expanded as ExpandEnvironmentStringsW
  // does (an undefined one kept as written), whatever the text's length.
  [[nodiscard]] std::optional<std::wstring> ReadExpandedString(const std::wstring& name) const;

  // Writes store exactly the type their overload names: std::uint32_t
  // REG_DWORD, std::uint64_t REG_QWORD, std::wstring REG_SZ (whatever "%" it
  // holds), a list REG_MULTI_SZ, Bytes REG_BINARY, ExpandableString
  // REG_EXPAND_SZ. Any other integer (Write(name, 42) included) does not
  // compile: write 42u for a REG_DWORD, std::uint64_t{42} for a REG_QWORD.
  void Write(const std::wstring& name, std::uint32_t value);
  void Write(const std::wstring& name, std::uint64_t value);
  void Write(const std::wstring& name, const std::wstring& value);
  void Write(const std::wstring& name, const std::vector<std::wstring>& value);
  void Write(const std::wstring& name, const Bytes& value);
  void Write(const std::wstring& name, const ExpandableString& value);
  template <std::integral Other>
  void Write(const std::wstring& name, Other value) = delete;

  // False when there was no such value.
  bool DeleteValue(const std::wstring& name);
  // Delete the key at `path` below this one, in this key's view; false when
  // there was no such key. DeleteSubkey deletes the key alone: the system
  // refuses one that has subkeys (Windows with 5, access denied).
  // DeleteSubkeyTree deletes it with everything below it.
  bool DeleteSubkey(const std::wstring& path);
  bool DeleteSubkeyTree(const std::wstring& path);

  // In the registry's own order.
  [[nodiscard]] std::vector<std::wstring> ValueNames() const;
  [[nodiscard]] std::vector<RegistryValueEntry> Values() const;
  [[nodiscard]] std::vector<std::wstring> SubkeyNames() const;

 private:
  RegistryKey(void* key, RegistryView view) noexcept : key_(key), view_(view) {}
  void Close() noexcept;

  void* key_ = nullptr;  // the HKEY, null once moved from
  RegistryView view_ = RegistryView::kNative;
};

}  // namespace corvalidyne
