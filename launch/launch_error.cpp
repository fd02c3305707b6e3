#include "launch_error.h"

#include <string_view>

namespace corvalidyne {

namespace {

std::wstring SystemDescription(DWORD number) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, number, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text(buffer != nullptr ? std::wstring_view(buffer, length) : std::wstring_view());
  if (buffer != nullptr) LocalFree(buffer);
  // The system's text ends in a line break, which has no place in a sentence.
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
    text.pop_back();
  }
  if (text.empty()) text = L"Unknown system error";
  return text;
}

std::string Utf8(const std::wstring& text) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
  if (length > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(),
                        length, nullptr, nullptr);
  }
  return result;
}

}  // namespace

LaunchError::LaunchError(DWORD number)
    : number_(number),
      description_(SystemDescription(number)),
      what_("cannot start the program: error " + std::to_string(number) + ": " +
            Utf8(description_)) {}

}  // namespace corvalidyne
