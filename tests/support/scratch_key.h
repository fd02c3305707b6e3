#pragma once

#include <windows.h>

#include <string>

namespace corvalidyne::testing {

// A key of the current test's own under HKCU\Software\CorvalidyneTests, removed
// with everything below it when the test ends, whether it passed or failed.
class ScratchKey {
 public:
  ScratchKey();
  ~ScratchKey();
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;

  // The path below HKEY_CURRENT_USER, e.g. "Software\CorvalidyneTests\Suite.Name".
  const std::wstring& Path() const { return path_; }
  // The same key as reg.exe names it.
  std::wstring RegPath() const { return L"HKCU\\" + path_; }
  // Path() with a sub path appended.
  std::wstring Sub(const std::wstring& relative) const { return path_ + L"\\" + relative; }

 private:
  std::wstring path_;
};

}  // namespace corvalidyne::testing
