#include "scratch_key.h"

#include <gtest/gtest.h>

namespace corvalidyne::testing {

namespace {

std::wstring CurrentTestName() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "NoTest";
  for (char& c : name) {
    if (c == '/' || c == '\\') c = '_';
  }
  return std::wstring(name.begin(), name.end());
}

}  // namespace

ScratchKey::ScratchKey() : path_(L"Software\\CorvalidyneTests\\" + CurrentTestName()) {
  RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
}

ScratchKey::~ScratchKey() {
  RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
  RegDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
}

}  // namespace corvalidyne::testing
