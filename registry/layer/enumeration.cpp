#include "layer/enumeration.h"

#include <algorithm>

#include "layer/system_calls.h"

namespace corvalidyne::layer {

namespace {

using Calls = SystemCalls<wchar_t>;

// Never a null data buffer: the system would then report the size without the data.
constexpr DWORD kSmallestData = 256;

// An entry that keeps outgrowing the buffers (a value rewritten larger at
// every read) fails with ERROR_MORE_DATA after this.
constexpr int kEntryAttempts = 4;

LONG Longest(HKEY key, Listing listing, DWORD& name, DWORD& data) {
  name = 0;
  data = 0;
  if (listing == Listing::kSubkeys)
    return Calls::Info(key, nullptr, &name, nullptr, nullptr, nullptr, nullptr);
  return Calls::Info(key, nullptr, nullptr, nullptr, &name,
                     listing == Listing::kValuesWithData ? &data : nullptr, nullptr);
}

void Grow(ListingCapacity& capacity, DWORD longestName, DWORD longestData) {
  capacity.name = std::max({capacity.name, longestName + 1, DWORD{2}});
  capacity.data = std::max({capacity.data, longestData, kSmallestData});
}

LONG ReadOnce(HKEY key, Listing listing, DWORD index, const ListingCapacity& capacity,
              ListingBuffers& buffers, std::wstring& name, DWORD& type, Bytes* data, DWORD& size) {
  if (buffers.name.size() < capacity.name) buffers.name.resize(capacity.name);
  DWORD length = capacity.name;
  LONG result = ERROR_SUCCESS;
  if (listing == Listing::kSubkeys) {
    result = Calls::EnumKey(key, index, buffers.name.data(), &length);
  } else if (listing == Listing::kValuesWithData) {
    if (buffers.data.size() < capacity.data) buffers.data.resize(capacity.data);
    size = capacity.data;
    result = Calls::EnumValue(key, index, buffers.name.data(), &length, &type, buffers.data.data(), &size);
  } else {
    result = Calls::EnumValue(key, index, buffers.name.data(), &length, &type, nullptr, nullptr);
  }
  if (result == ERROR_SUCCESS) {
    name.assign(buffers.name.data(), length);
    if (listing == Listing::kValuesWithData) data->assign(buffers.data.data(), buffers.data.data() + size);
  }
  return result;
}

}  // namespace

LONG PrepareListing(HKEY key, Listing listing, ListingCapacity& capacity) {
  DWORD name = 0, data = 0;
  const LONG result = Longest(key, listing, name, data);
  if (result == ERROR_SUCCESS) Grow(capacity, name, data);
  return result;
}

LONG ReadEntry(HKEY key, Listing listing, DWORD index, ListingCapacity& capacity, ListingBuffers& buffers,
               std::wstring& name, DWORD& type, Bytes* data) {
  for (int attempt = 0; attempt < kEntryAttempts; ++attempt) {
    DWORD size = 0;
    const LONG result = ReadOnce(key, listing, index, capacity, buffers, name, type, data, size);
    if (result != ERROR_MORE_DATA) return result;
    // The data outgrew its buffer (the system reports its size), or else the
    // name did: the key's longest now covers it, or twice the buffer does.
    DWORD longestName = 0, longestData = 0;
    if (const LONG info = Longest(key, listing, longestName, longestData); info != ERROR_SUCCESS) return info;
    const bool dataOutgrew = listing == Listing::kValuesWithData && size > capacity.data;
    Grow(capacity, dataOutgrew ? longestName : std::max(longestName, capacity.name * 2),
         std::max(longestData, size));
  }
  return ERROR_MORE_DATA;
}

}  // namespace corvalidyne::layer
