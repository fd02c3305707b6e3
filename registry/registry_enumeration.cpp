#include <windows.h>

#include <exception>

#include "corvalidyne/registry.h"
#include "key_access.h"
#include "layer/names.h"

namespace corvalidyne {

namespace {

using Calls = layer::SystemCalls<char>;

// The longest legal key name, in characters.
constexpr std::size_t kLongestKeyName = 255;

std::wstring MessageOf(const std::exception& failure) {
  if (const auto* registryError = dynamic_cast<const RegistryError*>(&failure))
    return registryError->Message();
  const std::string text = failure.what();
  return FromAnsi(text);
}

void ListValueNames(HKEY key, NameList& names) {
  DWORD longest = 0;
  if (Calls::LongestValueName(key, &longest) != ERROR_SUCCESS) return;
  const std::size_t capacity = layer::AnsiBufferSize(longest);
  for (DWORD index = 0;; ++index) {
    std::string buffer(capacity, '\0');
    DWORD length = static_cast<DWORD>(capacity);
    if (Calls::EnumValue(key, index, buffer.data(), &length) != ERROR_SUCCESS) return;
    buffer.resize(length);
    names.push_back(FromAnsi(buffer));
  }
}

void ListSubkeyNames(HKEY key, NameList& names) {
  const std::size_t capacity = layer::AnsiBufferSize(kLongestKeyName);
  for (DWORD index = 0;; ++index) {
    std::string buffer(capacity, '\0');
    auto length = static_cast<DWORD>(capacity);
    if (Calls::EnumKey(key, index, buffer.data(), &length) != ERROR_SUCCESS) return;
    buffer.resize(length);
    names.push_back(FromAnsi(buffer));
  }
}

}  // namespace

bool Registry::EnumerateValues(NameList& sKeyNames, std::int32_t& iKeyCount) {
  iKeyCount = 0;
  sKeyNames.clear();
  KeyHandle key;
  if (OpenKey(RootKey(classKey_), sectionKey_, KEY_QUERY_VALUE, key) == ERROR_SUCCESS) {
    ListValueNames(key.get(), sKeyNames);
  }
  iKeyCount = sKeyNames.size();
  return true;
}

bool Registry::EnumerateSections(NameList& sSect, std::int32_t& iSectCount) {
  iSectCount = 0;
  sSect.clear();
  try {
    KeyHandle key;
    if (OpenKey(RootKey(classKey_), sectionKey_, KEY_ENUMERATE_SUB_KEYS, key) == ERROR_SUCCESS) {
      ListSubkeyNames(key.get(), sSect);
    }
  } catch (const std::exception& failure) {
    iSectCount = sSect.size();
    RaiseRegistryError(registry_errors::kEnumerateSections, MessageOf(failure));
  }
  iSectCount = sSect.size();
  return true;
}

}  // namespace corvalidyne
