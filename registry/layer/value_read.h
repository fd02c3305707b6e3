#pragma once

#include <windows.h>

#include <vector>

#include "layer/system_calls.h"

namespace corvalidyne::layer {

// A value's type and data as one query returned them.
struct ValueData {
  DWORD type = REG_NONE;
  std::vector<BYTE> bytes;
};

// Most values fit this, so that one query reads them, as one RegGetValueW does.
inline constexpr DWORD kFirstQuerySize = 512;

// Reads a value through `query` (a query of one key and name taking type, data
// and size): into a buffer of kFirstQuerySize, then of the size the registry
// reports, then once more if the value changed size between the two. Returns
// ERROR_MORE_DATA when it changed again, else the query's result; on success
// `value.bytes` holds exactly the stored bytes.
template <typename Query>
LONG QueryValueData(const Query& query, ValueData& value) {
  value.bytes.resize(kFirstQuerySize);
  LONG result = ERROR_MORE_DATA;
  for (int attempt = 0; attempt < 3 && result == ERROR_MORE_DATA; ++attempt) {
    auto size = static_cast<DWORD>(value.bytes.size());
    result = query(&value.type, value.bytes.data(), &size);
    value.bytes.resize(size);
  }
  return result;
}

// The value `name` of `key`, read whole.
template <typename Char>
LONG QueryValue(HKEY key, const Char* name, ValueData& value) {
  return QueryValueData(
      [key, name](DWORD* type, BYTE* data, DWORD* size) {
        return SystemCalls<Char>::Query(key, name, type, data, size);
      },
      value);
}

// The type of the value `name` of `key`, its data left unread.
inline LONG QueryType(HKEY key, const wchar_t* name, DWORD& type) {
  DWORD size = 0;
  return SystemCalls<wchar_t>::Query(key, name, &type, nullptr, &size);
}

}  // namespace corvalidyne::layer
