#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "corvalidyne/registry_types.h"

namespace corvalidyne::reg_file {

// What a parsed file asks of the registry, in the file's order, each change
// with the line it came from: checked whole before the first is made.

// A value line: the value to store, or nothing to delete it ("name"=-).
struct ValueChange {
  std::wstring name;  // "" for the default value
  std::optional<RegistryValue> value;
  std::size_t line = 0;
};

// A key line and the value lines below it.
struct KeyChange {
  RegistryRoot root = 0;
  std::wstring path;      // below the root; "" for the root itself
  bool deletion = false;  // "[-...]": the key with everything below it, and no values
  std::size_t line = 0;
  std::vector<ValueChange> values;
};

using Plan = std::vector<KeyChange>;

}  // namespace corvalidyne::reg_file
