#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace corvalidyne::testing {

// Stand-in installers that keep their windows up until the test releases them,
// all at once or one by one, however slowly processes start (the 32-bit build
// runs under emulation): the stand-in's until= option.
class HeldInstallers {
 public:
  HeldInstallers()
      : name_(L"corvalidyne-held-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
              std::to_wstring(++made_)),
        all_(CreateEventW(nullptr, TRUE, FALSE, name_.c_str())) {}
  ~HeldInstallers() { Release(); }
  HeldInstallers(const HeldInstallers&) = delete;
  HeldInstallers& operator=(const HeldInstallers&) = delete;

  // Stand-in options: held, but never longer than a test case may take.
  std::wstring Options() const { return L"run=120000 until=" + name_; }
  void Release() const { SetEvent(all_.get()); }
  // The stand-in of this process: it made its event before it showed its window.
  void Release(DWORD processId) const {
    const Event one(CreateEventW(nullptr, TRUE, FALSE, (name_ + L"-" + std::to_wstring(processId)).c_str()));
    SetEvent(one.get());
  }

 private:
  struct CloseEvent {
    void operator()(HANDLE event) const { CloseHandle(event); }
  };
  using Event = std::unique_ptr<void, CloseEvent>;
  static inline int made_ = 0;
  std::wstring name_;
  Event all_;
};

}  // namespace corvalidyne::testing
