#include "corvalidyne/registry.h"

#include <windows.h>

#include "key_access.h"

namespace corvalidyne {

void Registry::Machine(const std::wstring& sMachine) {
  if (sMachine.size() < 3) {
    machine_.clear();
  } else if (sMachine[0] != L'\\' || sMachine[1] != L'\\') {
    machine_ = L"\\\\" + sMachine;
  } else {
    machine_ = sMachine;
  }
}

bool Registry::KeyExists() const noexcept {
  try {
    KeyHandle key;
    return OpenKey(RootKey(classKey_), sectionKey_, KEY_QUERY_VALUE, key) == ERROR_SUCCESS;
  } catch (...) {
    return false;
  }
}

}  // namespace corvalidyne
