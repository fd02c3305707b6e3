#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>

#include "corvalidyne/registry_types.h"

namespace corvalidyne {

class RegistryKey;

// A lazy listing of one open key, as RegistryKey::EachValue, EachValueWithData
// and EachSubkey give it: a std::ranges::input_range that reads one entry per
// step, by index, and stops where the loop stops. It reads through the key's
// handle, so the key must outlive it; each listing keeps one set of buffers,
// sized for the longest entry, whatever the count.
//
// Entries: RegistryValueEntry (name and type), RegistryNamedValue (name, type
// and data) or std::wstring (a subkey's name). Each entry read is whole; the
// reference an iterator gives stays valid until the next step.
//
// A failure in the middle throws std::system_error from the step, or, for a
// listing made with a std::error_code, sets that code and ends the walk there
// (the code must outlive the listing). An absent key is not listed: it cannot
// be opened.
//
// While it is walked, a key may change: like the system's own listing by
// index, an entry added or deleted during the walk may shift the index of
// those after it, so that one of them is skipped or seen twice; an entry
// deleted before the step reaches it is not seen, and one that grew is read
// again whole. The walk never fails for such a change.
template <typename Entry>
class RegistryListing {
  struct State {
    HKEY key = nullptr;
    std::error_code* code = nullptr;  // null: failures throw
    DWORD index = 0;
    bool started = false;
    bool done = false;
    DWORD nameCapacity = 0;
    DWORD dataCapacity = 0;
    std::wstring nameBuffer;  // what the system writes into, kept at its capacity
    Bytes dataBuffer;
    Entry entry;
  };

 public:
  class iterator {
   public:
    using iterator_concept = std::input_iterator_tag;
    using value_type = Entry;
    using difference_type = std::ptrdiff_t;

    iterator() = default;
    const Entry& operator*() const noexcept { return state_->entry; }
    const Entry* operator->() const noexcept { return &state_->entry; }
    iterator& operator++() {
      Advance(*state_);
      return *this;
    }
    void operator++(int) { ++*this; }
    friend bool operator==(const iterator& at, std::default_sentinel_t) noexcept {
      return at.state_ == nullptr || at.state_->done;
    }

   private:
    friend class RegistryListing;
    explicit iterator(State* state) noexcept : state_(state) {}
    State* state_ = nullptr;
  };

  // Reads the first entry (once: a listing is walked once).
  iterator begin() {
    if (!state_->started) {
      state_->started = true;
      Start(*state_);
    }
    return iterator(state_.get());
  }
  std::default_sentinel_t end() const noexcept { return {}; }

 private:
  friend class RegistryKey;
  RegistryListing(HKEY key, std::error_code* code) : state_(std::make_unique<State>()) {
    state_->key = key;
    state_->code = code;
    if (code != nullptr) code->clear();
  }
  static void Start(State& state);
  static void Advance(State& state);

  std::unique_ptr<State> state_;
};

using RegistryValueListing = RegistryListing<RegistryValueEntry>;
using RegistryValueDataListing = RegistryListing<RegistryNamedValue>;
using RegistrySubkeyListing = RegistryListing<std::wstring>;

extern template class RegistryListing<RegistryValueEntry>;
extern template class RegistryListing<RegistryNamedValue>;
extern template class RegistryListing<std::wstring>;

}  // namespace corvalidyne
