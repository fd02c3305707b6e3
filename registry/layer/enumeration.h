#pragma once

#include <windows.h>

#include <string>

#include "corvalidyne/tagged_value.h"

namespace corvalidyne::layer {

enum class Listing { kValueNames, kValuesWithData, kSubkeys };

// The buffer sizes a listing reads its entries with: grown only where an entry
// outgrows them, so that a listing of any length holds what its longest entry
// needs and no more.
struct ListingCapacity {
  DWORD name = 0;  // characters, the terminating NUL included
  DWORD data = 0;  // bytes
};

// What the system writes an entry into: kept at the capacity's size from
// entry to entry, so that no step fills or moves more than the entry it reads.
struct ListingBuffers {
  std::wstring name;
  Bytes data;
};

// Sizes the buffers for the key's longest names (and data) as it is now.
LONG PrepareListing(HKEY key, Listing listing, ListingCapacity& capacity);

// Reads the entry at `index` through `buffers` into `name` and, for values,
// `type` and, with kValuesWithData, `data` (`data` may be null otherwise); the
// strings and vectors are reused, so that a walk allocates only as entries
// grow. An entry that outgrew the buffers (ERROR_MORE_DATA: added or rewritten
// meanwhile) is read again in larger ones, a few times. Returns the system's
// status: ERROR_NO_MORE_ITEMS past the last entry.
LONG ReadEntry(HKEY key, Listing listing, DWORD index, ListingCapacity& capacity, ListingBuffers& buffers,
               std::wstring& name, DWORD& type, Bytes* data);

}  // namespace corvalidyne::layer
