#include <windows.h>

#include "corvalidyne/registry.h"
#include "key_access.h"
#include "layer/names.h"

namespace corvalidyne {

bool Registry::CreateKey() {
  KeyHandle key;
  if (CreateKeyForWriting(RootKey(classKey_), sectionKey_, key) != ERROR_SUCCESS) {
    RaiseRegistryError(registry_errors::kGeneral, L"Failed to create registry");
  }
  return true;
}

bool Registry::DeleteKey() {
  if (DeleteKeyAt(RootKey(classKey_), sectionKey_) != ERROR_SUCCESS) {
    RaiseRegistryError(registry_errors::kGeneral, L"Failed to delete registry");
  }
  return true;
}

bool Registry::DeleteValue() {
  KeyHandle key;
  if (OpenKey(RootKey(classKey_), sectionKey_, kObjectWriteAccess, key) != ERROR_SUCCESS) {
    RaiseRegistryError(registry_errors::kGeneral, L"Failed to open key '" + RootText(classKey_) +
                                                      L"',Section: '" + sectionKey_ + L"' for delete access");
  }
  const auto name = layer::AnsiName(valueKey_);
  if (!name || layer::SystemCalls<char>::DeleteValue(key.get(), name->c_str()) != ERROR_SUCCESS) {
    // The closing quote after the value name is absent on purpose: callers match this text.
    RaiseRegistryError(registry_errors::kGeneral, L"Failed to delete Registry Key: '" + RootText(classKey_) +
                                                      L"',Section: '" + sectionKey_ + L"',Key: '" +
                                                      valueKey_);
  }
  return true;
}

}  // namespace corvalidyne
