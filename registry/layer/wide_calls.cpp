#include "layer/wide_calls.h"

#include <limits>

#include "layer/names.h"
#include "layer/system_calls.h"

namespace corvalidyne::layer {

namespace {

using Calls = SystemCalls<wchar_t>;

// 100-ns intervals from 1601-01-01, the FILETIME epoch, to 1970-01-01.
constexpr std::int64_t kUnixEpochInFileTime = 116444736000000000;

std::chrono::system_clock::time_point TimeOf(const FILETIME& time) {
  const auto ticks =
      static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
  const std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>> sinceEpoch(ticks -
                                                                                  kUnixEpochInFileTime);
  return std::chrono::system_clock::time_point(
      std::chrono::duration_cast<std::chrono::system_clock::duration>(sinceEpoch));
}

}  // namespace

REGSAM ViewFlag(RegistryView view) noexcept {
  switch (view) {
    case RegistryView::k32Bit:
      return KEY_WOW64_32KEY;
    case RegistryView::k64Bit:
      return KEY_WOW64_64KEY;
    case RegistryView::kNative:
      break;
  }
  return 0;
}

LONG OpenKey(HKEY parent, std::wstring_view path, REGSAM access, RegistryView view, KeyHandle& key) {
  const WideName name(path);
  if (!name.valid()) return ERROR_INVALID_NAME;
  return Calls::Open(parent, name.get(), access | ViewFlag(view), key.put());
}

LONG CreateKey(HKEY parent, std::wstring_view path, REGSAM access, RegistryView view,
               const RegistryCreateOptions& options, KeyHandle& key) {
  const WideName name(path);
  if (!name.valid()) return ERROR_INVALID_NAME;
  DWORD disposition = 0;
  const LONG result =
      Calls::Create(parent, name.get(), options.volatileKey ? REG_OPTION_VOLATILE : REG_OPTION_NON_VOLATILE,
                    access | ViewFlag(view), key.put(), &disposition);
  if (result == ERROR_SUCCESS && options.created != nullptr) {
    *options.created = disposition == REG_CREATED_NEW_KEY;
  }
  return result;
}

LONG DeleteKey(HKEY parent, std::wstring_view path, RegistryView view) {
  const WideName name(path);
  if (!name.valid()) return ERROR_INVALID_NAME;
  return Calls::Delete(parent, name.get(), ViewFlag(view));
}

// RegDeleteTreeW takes no view: the tree is emptied through a handle opened in
// the view, and the key itself deleted in it.
LONG DeleteTree(HKEY parent, std::wstring_view path, RegistryView view) {
  KeyHandle key;
  LONG result =
      OpenKey(parent, path, DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE, view, key);
  if (result == ERROR_SUCCESS) result = Calls::Empty(key.get());
  if (result == ERROR_SUCCESS) result = DeleteKey(parent, path, view);
  return result;
}

LONG Connect(std::wstring_view machine, HKEY root, KeyHandle& key) {
  const WideName name(machine);
  if (!name.valid()) return ERROR_INVALID_NAME;
  return Calls::Connect(name.get(), root, key.put());
}

LONG QueryInfo(HKEY key, RegistryKeyInfo& info) {
  DWORD subkeys = 0, values = 0;
  FILETIME written{};
  const LONG result = Calls::Info(key, &subkeys, nullptr, &values, nullptr, nullptr, &written);
  if (result == ERROR_SUCCESS) info = {subkeys, values, TimeOf(written)};
  return result;
}

LONG ReadValue(HKEY key, std::wstring_view name, ValueData& value) {
  const WideName checked(name);
  if (!checked.valid()) return ERROR_INVALID_NAME;
  return QueryValue(key, checked.get(), value);
}

LONG ReadType(HKEY key, std::wstring_view name, DWORD& type) {
  const WideName checked(name);
  if (!checked.valid()) return ERROR_INVALID_NAME;
  return QueryType(key, checked.get(), type);
}

LONG WriteValue(HKEY key, std::wstring_view name, DWORD type, const void* data, std::size_t size) {
  const WideName checked(name);
  if (!checked.valid()) return ERROR_INVALID_NAME;
  if (size > std::numeric_limits<DWORD>::max()) return ERROR_INVALID_PARAMETER;
  return Calls::Set(key, checked.get(), type, static_cast<const BYTE*>(data), static_cast<DWORD>(size));
}

LONG DeleteValue(HKEY key, std::wstring_view name) {
  const WideName checked(name);
  if (!checked.valid()) return ERROR_INVALID_NAME;
  return Calls::DeleteValue(key, checked.get());
}

}  // namespace corvalidyne::layer
