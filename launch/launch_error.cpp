#include "launch_error.h"

#include "text_conversion.h"

namespace corvalidyne {

namespace {

std::wstring SystemDescription(DWORD number) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      number, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text =
      DescriptionFromSystemText(buffer != nullptr ? std::wstring_view(buffer, length) : std::wstring_view());
  if (buffer != nullptr) LocalFree(buffer);
  return text;
}

}  // namespace

std::wstring DescriptionFromSystemText(std::wstring_view text) {
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
    text.remove_suffix(1);
  }
  return text.empty() ? std::wstring(L"Unknown system error") : std::wstring(text);
}

LaunchError::LaunchError(DWORD number)
    : number_(number),
      description_(SystemDescription(number)),
      what_("cannot start the program: error " + std::to_string(number) + ": " + ToUtf8(description_)) {}

}  // namespace corvalidyne
