#include "corvalidyne/registry_ranges.h"

#include <type_traits>
#include <utility>

#include "failure.h"
#include "layer/enumeration.h"

namespace corvalidyne {

namespace {

template <typename Entry>
constexpr layer::Listing kListing =
    std::is_same_v<Entry, std::wstring>         ? layer::Listing::kSubkeys
    : std::is_same_v<Entry, RegistryNamedValue> ? layer::Listing::kValuesWithData
                                                : layer::Listing::kValueNames;

// Reads the entry at `index` into the listing's own entry, its strings and
// vectors reused.
template <typename Entry>
LONG ReadInto(HKEY key, DWORD index, layer::ListingCapacity& capacity, layer::ListingBuffers& buffers,
              Entry& entry) {
  DWORD type = REG_NONE;
  LONG result = ERROR_SUCCESS;
  if constexpr (std::is_same_v<Entry, std::wstring>) {
    result = layer::ReadEntry(key, kListing<Entry>, index, capacity, buffers, entry, type, nullptr);
  } else if constexpr (std::is_same_v<Entry, RegistryNamedValue>) {
    result =
        layer::ReadEntry(key, kListing<Entry>, index, capacity, buffers, entry.name, type, &entry.value.data);
    entry.value.type = static_cast<RegistryValueType>(type);
  } else {
    result = layer::ReadEntry(key, kListing<Entry>, index, capacity, buffers, entry.name, type, nullptr);
    entry.type = static_cast<RegistryValueType>(type);
  }
  return result;
}

// Ends the walk: at the end of the entries, or at a failure, thrown or
// reported as the listing was made to.
template <typename State>
void End(State& state, LONG result) {
  state.done = true;
  if (result == ERROR_NO_MORE_ITEMS) return;
  const std::error_code code(static_cast<int>(result), std::system_category());
  if (state.code == nullptr) ThrowFailure(code, "listing registry key", std::nullopt);
  *state.code = code;
}

}  // namespace

template <typename Entry>
void RegistryListing<Entry>::Start(State& state) {
  layer::ListingCapacity capacity;
  const LONG result = layer::PrepareListing(state.key, kListing<Entry>, capacity);
  state.nameCapacity = capacity.name;
  state.dataCapacity = capacity.data;
  if (result == ERROR_SUCCESS) {
    Advance(state);
  } else {
    End(state, result);
  }
}

template <typename Entry>
void RegistryListing<Entry>::Advance(State& state) {
  layer::ListingCapacity capacity{state.nameCapacity, state.dataCapacity};
  layer::ListingBuffers buffers{std::move(state.nameBuffer), std::move(state.dataBuffer)};
  const LONG result = ReadInto(state.key, state.index, capacity, buffers, state.entry);
  state.nameCapacity = capacity.name;
  state.dataCapacity = capacity.data;
  state.nameBuffer = std::move(buffers.name);
  state.dataBuffer = std::move(buffers.data);
  if (result == ERROR_SUCCESS) {
    ++state.index;
  } else {
    End(state, result);
  }
}

template class RegistryListing<RegistryValueEntry>;
template class RegistryListing<RegistryNamedValue>;
template class RegistryListing<std::wstring>;

}  // namespace corvalidyne
