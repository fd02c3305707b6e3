#pragma once

#include <windows.h>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "corvalidyne/tagged_value.h"

namespace corvalidyne {

// What RegistryKey's typed reads make of a value's bytes, and what its writes
// store: nothing beyond the data is ever read, whatever another program stored.

// The text of REG_SZ, REG_EXPAND_SZ or REG_MULTI_SZ data: whole UTF-16 units
// (an odd last byte is no character), one terminating NUL taken off.
std::wstring TextOf(const Bytes& bytes);

// The strings of a REG_MULTI_SZ's text, up to the first empty one (which ends
// the list) or the end of the text (where the final NULs are missing).
std::vector<std::wstring> StringsOf(std::wstring_view text);

// A REG_DWORD or REG_QWORD: exactly its size, else ERROR_INVALID_DATA.
template <typename Number>
LONG NumberOf(const Bytes& bytes, Number& number) {
  if (bytes.size() != sizeof(Number)) return ERROR_INVALID_DATA;
  std::memcpy(&number, bytes.data(), sizeof number);
  return ERROR_SUCCESS;
}

// A REG_MULTI_SZ's data: each string and its NUL, and the NUL that ends the
// list. An empty string or one holding a NUL would end the list early when it
// is read: ERROR_INVALID_PARAMETER.
template <typename Strings>
LONG MultiStringData(const Strings& strings, std::wstring& data) {
  data.clear();
  for (const std::wstring_view text : strings) {
    if (text.empty() || text.find(L'\0') != std::wstring_view::npos) return ERROR_INVALID_PARAMETER;
    data += text;
    data += L'\0';
  }
  data += L'\0';
  return ERROR_SUCCESS;
}

}  // namespace corvalidyne
