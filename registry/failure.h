#pragma once

#include <windows.h>

#include <optional>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <utility>

namespace corvalidyne {

// The two error policies of RegistryKey and the one-call functions, over the
// same work: the std::error_code form reports what the system said, and the
// throwing form throws it.

// Sets `code` from the system's status (cleared on success); true on success.
inline bool Succeeded(LONG status, std::error_code& code) {
  if (status == ERROR_SUCCESS) {
    code.clear();
    return true;
  }
  code.assign(static_cast<int>(status), std::system_category());
  return false;
}

// Throws `code` as a std::system_error naming what failed (and the value or
// key it failed on, where there is one).
[[noreturn]] void ThrowFailure(const std::error_code& code, const char* action,
                               std::optional<std::wstring_view> name);

// Runs the std::error_code form `work` and throws what it reports.
template <typename Work>
auto OrThrow(const char* action, std::optional<std::wstring_view> name, const Work& work) {
  std::error_code code;
  if constexpr (std::is_void_v<decltype(work(code))>) {
    work(code);
    if (code) ThrowFailure(code, action, name);
  } else {
    auto result = work(code);
    if (code) ThrowFailure(code, action, name);
    return result;
  }
}

// The same for work whose std::error_code form gives its result as an
// optional that is empty only on a failure.
template <typename Work>
auto OrThrowValue(const char* action, std::optional<std::wstring_view> name, const Work& work) {
  std::error_code code;
  auto result = work(code);
  if (code || !result) ThrowFailure(code, action, name);
  return std::move(*result);
}

}  // namespace corvalidyne
