#pragma once

#include <string>

#include "corvalidyne/tagged_value.h"

namespace corvalidyne {

// The text a value is stored as when it is written as a string (string writes,
// association items).
std::wstring TextForm(const TaggedValue& value);

// True when a text is stored as REG_EXPAND_SZ: a "%" and a second "%" at least
// two characters after it, so that something lies between them.
bool HoldsEnvironmentReference(const std::wstring& text);

}  // namespace corvalidyne
