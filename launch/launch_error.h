#pragma once

#include <windows.h>

#include <exception>
#include <string>
#include <string_view>

namespace corvalidyne {

// A program that could not be started: the platform's error number and its
// description as the system words it.
class LaunchError : public std::exception {
 public:
  explicit LaunchError(DWORD number);

  [[nodiscard]] DWORD Number() const noexcept { return number_; }
  [[nodiscard]] const std::wstring& Description() const noexcept { return description_; }
  [[nodiscard]] const char* what() const noexcept override { return what_.c_str(); }

 private:
  DWORD number_;
  std::wstring description_;
  std::string what_;
};

// A system message as the description of an error: without the line breaks
// and spaces that end it (Windows ends its messages with CRLF), which have no
// place in a sentence; "Unknown system error" where nothing is left.
[[nodiscard]] std::wstring DescriptionFromSystemText(std::wstring_view text);

}  // namespace corvalidyne
