#include "value_codec.h"

#include <algorithm>

namespace corvalidyne {

std::wstring TextOf(const Bytes& bytes) {
  std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
  if (!text.empty()) std::memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
  if (!text.empty() && text.back() == L'\0') text.pop_back();
  return text;
}

std::vector<std::wstring> StringsOf(std::wstring_view text) {
  std::vector<std::wstring> strings;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find(L'\0', start), text.size());
    if (end == start) break;
    strings.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return strings;
}

}  // namespace corvalidyne
