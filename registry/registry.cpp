#include "registry.h"

#include <windows.h>

#include "ansi_text.h"
#include "key_handle.h"

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
    return RegOpenKeyExA(RootKey(classKey_), ToAnsi(sectionKey_).c_str(), 0, KEY_QUERY_VALUE,
                         key.put()) == ERROR_SUCCESS;
  } catch (...) {
    return false;
  }
}

}  // namespace corvalidyne
