#pragma once

#include <string>

#include "corvalidyne/registry.h"

namespace corvalidyne::testing {

// A new registry object addressing one place, its properties set in the order
// the object's users set them. The defaults are a new object's own, but for
// the value type, which most tests write as text.
inline Registry Addressing(RegistryRoot root, const std::wstring& section, const std::wstring& valueKey = L"",
                           RegistryValueType type = REG_SZ, const std::wstring& machine = L"",
                           const TaggedValue& fallback = TaggedValue{}) {
  Registry registry;
  registry.ClassKey(root);
  registry.SectionKey(section);
  registry.ValueKey(valueKey);
  registry.ValueType(type);
  registry.Default(fallback);
  registry.Machine(machine);
  return registry;
}

}  // namespace corvalidyne::testing
