#include "layer/expansion.h"

#include <algorithm>

#include "layer/system_calls.h"
#include "text_conversion.h"

namespace corvalidyne::layer {

namespace {

// A part's length, leaving room for what its references grow to within the
// limit of one call.
constexpr std::size_t kExpansionPart = 4096;

// Beyond this no environment variable can be named, so a longer reference is text.
constexpr std::size_t kLongestReference = 32767;

// An environment that keeps changing while it is read gives up after this.
constexpr int kExpansionAttempts = 4;

// Where a part beginning at start may end: within plain text, or between
// references, which the system pairs from the left (%name%; a '%' without a
// closing one is plain text). A reference longer than a part is a part alone.
std::size_t PartEnd(std::wstring_view text, std::size_t start) {
  const std::size_t limit = start + kExpansionPart;
  if (text.size() <= limit) return text.size();
  std::size_t at = start;
  for (;;) {
    const std::size_t open = text.find(L'%', at);
    const std::size_t close = open == std::wstring_view::npos ? open : text.find(L'%', open + 1);
    if (close == std::wstring_view::npos || open >= limit) {
      // A surrogate pair stays in one part.
      return IS_LOW_SURROGATE(text[limit]) ? limit - 1 : limit;
    }
    if (close >= limit) return open > start ? open : close + 1;
    at = close + 1;
  }
}

template <typename Char>
std::basic_string<Char> InWidth(std::wstring_view text) {
  if constexpr (std::is_same_v<Char, char>) {
    return ToAnsi(text);
  } else {
    return std::wstring(text);
  }
}

template <typename Char>
void AppendFromWidth(const std::basic_string<Char>& text, std::wstring& to) {
  if constexpr (std::is_same_v<Char, char>) {
    to += FromAnsi(text);
  } else {
    to += text;
  }
}

// One call's expansion of a part without NULs, in a buffer grown to what the
// system asks for. Environment values hold no NUL, so the result ends at the
// first one whatever count the call gave.
template <typename Char>
LONG ExpandPart(std::wstring_view part, std::wstring& expanded) {
  const std::basic_string<Char> source = InWidth<Char>(part);
  std::basic_string<Char> buffer(source.size() + MAX_PATH, Char{});
  for (int attempt = 0; attempt < kExpansionAttempts; ++attempt) {
    const DWORD needed =
        SystemCalls<Char>::Expand(source.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (needed == 0) {
      const DWORD error = GetLastError();
      return error != ERROR_SUCCESS ? static_cast<LONG>(error) : ERROR_INVALID_DATA;
    }
    if (needed <= buffer.size()) {
      buffer.resize(std::min<std::size_t>(needed - 1, std::char_traits<Char>::length(buffer.c_str())));
      AppendFromWidth(buffer, expanded);
      return ERROR_SUCCESS;
    }
    buffer.assign(needed, Char{});
  }
  return ERROR_MORE_DATA;
}

template <typename Char>
LONG ExpandPiece(std::wstring_view piece, std::wstring& expanded) {
  std::size_t start = 0;
  while (start < piece.size()) {
    const std::size_t end = PartEnd(piece, start);
    const std::wstring_view part = piece.substr(start, end - start);
    if (part.size() > kLongestReference) {
      expanded += part;
    } else if (const LONG status = ExpandPart<Char>(part, expanded); status != ERROR_SUCCESS) {
      return status;
    }
    start = end;
  }
  return ERROR_SUCCESS;
}

}  // namespace

template <typename Char>
LONG ExpandEnvironment(std::wstring_view text, std::wstring& expanded) {
  expanded.clear();
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = std::min(text.find(L'\0', start), text.size());
    if (const LONG status = ExpandPiece<Char>(text.substr(start, end - start), expanded);
        status != ERROR_SUCCESS) {
      return status;
    }
    if (end == text.size()) return ERROR_SUCCESS;
    expanded += L'\0';
    start = end + 1;
  }
}

template LONG ExpandEnvironment<char>(std::wstring_view, std::wstring&);
template LONG ExpandEnvironment<wchar_t>(std::wstring_view, std::wstring&);

}  // namespace corvalidyne::layer
