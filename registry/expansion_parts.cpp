#include "expansion_parts.h"

#include <windows.h>

namespace corvalidyne {

namespace {

// A part's length, leaving room for what its references grow to within the
// limit of one call.
constexpr std::size_t kExpansionPart = 4096;

// Beyond this no environment variable can be named, so a longer reference is text.
constexpr std::size_t kLongestReference = 32767;

// Where a part beginning at start may end: within plain text, or between
// references, which the system pairs from the left (%name%; a '%' without a
// closing one is plain text). A reference longer than a part is a part alone.
std::size_t PartEnd(const std::wstring& text, std::size_t start) {
  const std::size_t limit = start + kExpansionPart;
  if (text.size() <= limit) return text.size();
  std::size_t at = start;
  for (;;) {
    const std::size_t open = text.find(L'%', at);
    const std::size_t close = open == std::wstring::npos ? open : text.find(L'%', open + 1);
    if (close == std::wstring::npos || open >= limit) {
      // A surrogate pair stays in one part.
      return IS_LOW_SURROGATE(text[limit]) ? limit - 1 : limit;
    }
    if (close >= limit) return open > start ? open : close + 1;
    at = close + 1;
  }
}

}  // namespace

std::wstring ExpandInParts(const std::wstring& text, ExpandPart expandPart) {
  std::wstring expanded;
  std::size_t start = 0;
  do {
    const std::size_t end = PartEnd(text, start);
    const std::wstring part = text.substr(start, end - start);
    expanded += part.size() > kLongestReference ? part : expandPart(part);
    start = end;
  } while (start < text.size());
  return expanded;
}

}  // namespace corvalidyne
