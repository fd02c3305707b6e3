#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace corvalidyne::testing {

// A subkey refusing every access for the test's length (an empty DACL), given
// it back (a NULL DACL) before the scratch key is removed.
class LockedKey {
 public:
  explicit LockedKey(const std::wstring& path) {
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                              nullptr),
              ERROR_SUCCESS);
    ACL empty;
    InitializeAcl(&empty, sizeof empty, ACL_REVISION);
    EXPECT_EQ(SetDacl(&empty), ERROR_SUCCESS);
  }
  ~LockedKey() {
    EXPECT_EQ(SetDacl(nullptr), ERROR_SUCCESS);
    RegCloseKey(key_);
  }
  LockedKey(const LockedKey&) = delete;
  LockedKey& operator=(const LockedKey&) = delete;

 private:
  LONG SetDacl(ACL* dacl) {
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, dacl, FALSE);
    return RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, &descriptor);
  }
  HKEY key_ = nullptr;
};

}  // namespace corvalidyne::testing
