#pragma once

#include <windows.h>

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "corvalidyne/registry_ranges.h"
#include "corvalidyne/registry_types.h"

namespace corvalidyne {

// One open registry key, read and written through the wide-character (W)
// functions: any UTF-16 path, name or text round-trips exactly, characters
// outside the BMP included. Paths and names are std::wstring_view; "" names a
// key's default value.
//
// Failures, for every member and for the functions of registry_functions.h,
// come in two forms, as in std::filesystem:
// - Without a std::error_code argument a member throws std::system_error whose
//   code() is the system's error in std::system_category().
// - With a trailing std::error_code& it throws nothing for a registry failure:
//   it sets the code (the same one) and returns std::nullopt, an empty list or
//   false; on success it clears the code.
// An absent key or value is not a failure in either form: Open, OpenSubkey and
// the reads give std::nullopt (the code cleared), a listing of an absent key is
// empty, DeleteValue and the deletions of keys give false. The codes of note:
//   5    ERROR_ACCESS_DENIED     the key refuses the access asked for
//   1630 ERROR_UNSUPPORTED_TYPE  the value is stored as another type than the
//                                read names (a REG_EXPAND_SZ is not a REG_SZ,
//                                a REG_DWORD not a REG_QWORD); TypeOf tells
//   13   ERROR_INVALID_DATA      a REG_DWORD or REG_QWORD of another size
//   234  ERROR_MORE_DATA         the value kept changing size while it was
//                                read (read again twice before giving up)
//   123  ERROR_INVALID_NAME      a path or name holding a NUL, which the
//                                system would take as its end; refused before
//                                the system sees it
//   87   ERROR_INVALID_PARAMETER a REG_MULTI_SZ list holding an empty string or
//                                a NUL, which would end it early
//   1018 ERROR_KEY_DELETED       the key was deleted while open
//   1021 ERROR_CHILD_MUST_BE_VOLATILE  a persistent key created below a volatile one
// A refused value is not written; a one-call Write (registry_functions.h) has
// created its key by then. No member leaves a handle open.
//
// Data as other programs store it, which need not be what a writer of this
// library would produce:
// - text (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) is read in whole UTF-16 units:
//   an odd last byte is dropped; one terminating NUL is taken off and any NUL
//   before it kept; text stored without a terminator reads whole;
// - a REG_MULTI_SZ list ends at its first empty string, or at the end of the
//   data where its final NULs are missing;
// - a REG_DWORD must hold 4 bytes and a REG_QWORD 8, else 13;
// - ReadValue gives any value exactly as stored, whatever its type and size.

// Owns its key handle and closes it once: movable (a moved-from key holds
// nothing and may only be destroyed or assigned to), not copyable. A
// predefined root (an Adopt of HKEY_CURRENT_USER, say) is never closed.
class RegistryKey {
 public:
  // Creates `path` below a root (kHKeyCurrentUser, ...) with any missing
  // parents, or opens it where it exists, for reading and writing.
  static RegistryKey Create(RegistryRoot root, std::wstring_view path,
                            RegistryView view = RegistryView::kNative, RegistryCreateOptions options = {});
  static std::optional<RegistryKey> Create(RegistryRoot root, std::wstring_view path, RegistryView view,
                                           RegistryCreateOptions options, std::error_code& code);
  // Opens an existing key; std::nullopt when it is absent.
  static std::optional<RegistryKey> Open(RegistryRoot root, std::wstring_view path,
                                         RegistryView view = RegistryView::kNative,
                                         RegistryAccess access = RegistryAccess::kRead);
  static std::optional<RegistryKey> Open(RegistryRoot root, std::wstring_view path, RegistryView view,
                                         RegistryAccess access, std::error_code& code);
  // A root of another computer's registry (kHKeyLocalMachine or kHKeyUsers;
  // the system refuses the others), `machine` with or without its leading
  // "\\"; its keys are then opened with OpenSubkey and CreateSubkey. Windows
  // needs the Remote Registry service running there (53 or 5 otherwise).
  static RegistryKey Connect(std::wstring_view machine, RegistryRoot root,
                             RegistryView view = RegistryView::kNative);
  static std::optional<RegistryKey> Connect(std::wstring_view machine, RegistryRoot root, RegistryView view,
                                            std::error_code& code);
  // Takes over a handle from a Win32 call; it is closed with this object
  // unless it is a predefined root. `view` is the view its subkeys are opened in.
  static RegistryKey Adopt(HKEY key, RegistryView view = RegistryView::kNative) noexcept;

  RegistryKey(RegistryKey&& other) noexcept;
  RegistryKey& operator=(RegistryKey&& other) noexcept;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  ~RegistryKey();

  // The handle, for a Win32 call; still this object's to close.
  [[nodiscard]] HKEY Native() const noexcept { return key_; }
  // Gives the handle up: the caller closes it (RegCloseKey). This object then holds nothing.
  [[nodiscard]] HKEY Release() noexcept;
  [[nodiscard]] RegistryView View() const noexcept { return view_; }

  // A key below this one, in this key's view.
  [[nodiscard]] std::optional<RegistryKey> OpenSubkey(std::wstring_view path,
                                                      RegistryAccess access = RegistryAccess::kRead) const;
  [[nodiscard]] std::optional<RegistryKey> OpenSubkey(std::wstring_view path, RegistryAccess access,
                                                      std::error_code& code) const;
  RegistryKey CreateSubkey(std::wstring_view path, RegistryCreateOptions options = {});
  std::optional<RegistryKey> CreateSubkey(std::wstring_view path, RegistryCreateOptions options,
                                          std::error_code& code);

  // Reads; each reads exactly one type.
  [[nodiscard]] std::optional<std::uint32_t> ReadDword(std::wstring_view name) const;
  [[nodiscard]] std::optional<std::uint32_t> ReadDword(std::wstring_view name, std::error_code& code) const;
  [[nodiscard]] std::optional<std::uint64_t> ReadQword(std::wstring_view name) const;
  [[nodiscard]] std::optional<std::uint64_t> ReadQword(std::wstring_view name, std::error_code& code) const;
  // REG_SZ, without its terminating NUL.
  [[nodiscard]] std::optional<std::wstring> ReadString(std::wstring_view name) const;
  [[nodiscard]] std::optional<std::wstring> ReadString(std::wstring_view name, std::error_code& code) const;
  // REG_MULTI_SZ.
  [[nodiscard]] std::optional<std::vector<std::wstring>> ReadStrings(std::wstring_view name) const;
  [[nodiscard]] std::optional<std::vector<std::wstring>> ReadStrings(std::wstring_view name,
                                                                     std::error_code& code) const;
  // REG_BINARY, exactly the stored bytes.
  [[nodiscard]] std::optional<Bytes> ReadBinary(std::wstring_view name) const;
  [[nodiscard]] std::optional<Bytes> ReadBinary(std::wstring_view name, std::error_code& code) const;
  // REG_EXPAND_SZ with its %NAME% references expanded as ExpandEnvironmentStringsW
  // does (an undefined one kept as written), whatever the text's length.
  [[nodiscard]] std::optional<std::wstring> ReadExpandedString(std::wstring_view name) const;
  [[nodiscard]] std::optional<std::wstring> ReadExpandedString(std::wstring_view name,
                                                               std::error_code& code) const;
  // REG_EXPAND_SZ as stored, its references not expanded: to edit and write back.
  [[nodiscard]] std::optional<ExpandableString> ReadExpandableString(std::wstring_view name) const;
  [[nodiscard]] std::optional<ExpandableString> ReadExpandableString(std::wstring_view name,
                                                                     std::error_code& code) const;
  // Any value as stored: its type code and its bytes.
  [[nodiscard]] std::optional<RegistryValue> ReadValue(std::wstring_view name) const;
  [[nodiscard]] std::optional<RegistryValue> ReadValue(std::wstring_view name, std::error_code& code) const;
  // The value's type code, its data left unread.
  [[nodiscard]] std::optional<RegistryValueType> TypeOf(std::wstring_view name) const;
  [[nodiscard]] std::optional<RegistryValueType> TypeOf(std::wstring_view name, std::error_code& code) const;

  // Writes store exactly the type their overload names:
  //   DWORD, unsigned long, std::uint32_t, unsigned   REG_DWORD
  //   std::uint64_t, ULONGLONG                        REG_QWORD
  //   std::wstring, std::wstring_view, L"literal"     REG_SZ, whatever "%" it holds
  //   {L"a", L"b"}, std::vector<std::wstring>         REG_MULTI_SZ
  //   ExpandableString{L"%TEMP%\\x"}                  REG_EXPAND_SZ
  //   Bytes                                           REG_BINARY
  // std::size_t is std::uint32_t in a 32-bit build and std::uint64_t in a
  // 64-bit one: the same source stores REG_DWORD from the i686 build and
  // REG_QWORD from the x86_64 build. Cast it to the type meant.
  // Any other integer does not compile, a plain int (Write(name, 42)) included.
  void Write(std::wstring_view name, unsigned int value);
  void Write(std::wstring_view name, unsigned int value, std::error_code& code);
  void Write(std::wstring_view name, unsigned long value);
  void Write(std::wstring_view name, unsigned long value, std::error_code& code);
  void Write(std::wstring_view name, unsigned long long value);
  void Write(std::wstring_view name, unsigned long long value, std::error_code& code);
  void Write(std::wstring_view name, std::wstring_view value);
  void Write(std::wstring_view name, std::wstring_view value, std::error_code& code);
  void Write(std::wstring_view name, std::initializer_list<std::wstring_view> value);
  void Write(std::wstring_view name, std::initializer_list<std::wstring_view> value, std::error_code& code);
  void Write(std::wstring_view name, const std::vector<std::wstring>& value);
  void Write(std::wstring_view name, const std::vector<std::wstring>& value, std::error_code& code);
  void Write(std::wstring_view name, const ExpandableString& value);
  void Write(std::wstring_view name, const ExpandableString& value, std::error_code& code);
  void Write(std::wstring_view name, const Bytes& value);
  void Write(std::wstring_view name, const Bytes& value, std::error_code& code);
  template <std::integral Other>
  void Write(std::wstring_view, Other) = delete;  // write 42u for REG_DWORD, 42ull for REG_QWORD
  template <std::integral Other>
  void Write(std::wstring_view, Other, std::error_code&) = delete;  // write 42u or 42ull
  // Any type code and bytes, stored as given (Windows stores text without a
  // terminator as it is; Wine adds one).
  void WriteValue(std::wstring_view name, const RegistryValue& value);
  void WriteValue(std::wstring_view name, const RegistryValue& value, std::error_code& code);

  // False when there was no such value.
  bool DeleteValue(std::wstring_view name);
  bool DeleteValue(std::wstring_view name, std::error_code& code);
  // Delete the key at `path` below this one, in this key's view; false when
  // there was no such key. DeleteSubkey deletes the key alone: the system
  // refuses one that has subkeys (Windows with 5, access denied).
  // DeleteSubkeyTree deletes it with everything below it.
  bool DeleteSubkey(std::wstring_view path);
  bool DeleteSubkey(std::wstring_view path, std::error_code& code);
  bool DeleteSubkeyTree(std::wstring_view path);
  bool DeleteSubkeyTree(std::wstring_view path, std::error_code& code);

  // Lazy listings (registry_ranges.h): one entry per step.
  [[nodiscard]] RegistryValueListing EachValue() const;
  [[nodiscard]] RegistryValueListing EachValue(std::error_code& code) const;
  [[nodiscard]] RegistryValueDataListing EachValueWithData() const;
  [[nodiscard]] RegistryValueDataListing EachValueWithData(std::error_code& code) const;
  [[nodiscard]] RegistrySubkeyListing EachSubkey() const;
  [[nodiscard]] RegistrySubkeyListing EachSubkey(std::error_code& code) const;
  // The same, whole, in the registry's own order.
  [[nodiscard]] std::vector<std::wstring> ValueNames() const;
  [[nodiscard]] std::vector<std::wstring> ValueNames(std::error_code& code) const;
  [[nodiscard]] std::vector<RegistryValueEntry> Values() const;
  [[nodiscard]] std::vector<RegistryValueEntry> Values(std::error_code& code) const;
  [[nodiscard]] std::vector<std::wstring> SubkeyNames() const;
  [[nodiscard]] std::vector<std::wstring> SubkeyNames(std::error_code& code) const;

  // Subkey and value counts and the last write, as RegQueryInfoKeyW tells them.
  [[nodiscard]] RegistryKeyInfo Info() const;
  [[nodiscard]] std::optional<RegistryKeyInfo> Info(std::error_code& code) const;
  // Writes the key's changes to disk now (RegFlushKey); rarely needed, and slow.
  void Flush();
  bool Flush(std::error_code& code);
  // Copies this key's values and subkeys, at every depth, into `destination`
  // (opened for writing), beside what it holds; a value of the same name is
  // replaced.
  void CopyTree(RegistryKey& destination) const;
  bool CopyTree(RegistryKey& destination, std::error_code& code) const;

 private:
  RegistryKey(HKEY key, RegistryView view) noexcept : key_(key), view_(view) {}
  void Close() noexcept;

  HKEY key_ = nullptr;  // null once moved from or released
  RegistryView view_ = RegistryView::kNative;
};

}  // namespace corvalidyne
