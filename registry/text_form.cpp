#include "text_form.h"

#include <charconv>
#include <type_traits>

#include "text_conversion.h"

namespace corvalidyne {

namespace {

std::wstring Widen(const char* first, const char* last) { return std::wstring(first, last); }

// Shortest text that reads back as the same double, with "." whatever the
// locale: "2.5", "1e+20", "-0", "inf", "nan".
std::wstring DoubleText(double value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return Widen(buffer, result.ptr);
}

// Two upper-case hex digits a byte, no separator, as reg.exe shows binary data:
// lossless and independent of the code page.
std::wstring HexText(const Bytes& bytes) {
  static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring text;
  text.reserve(bytes.size() * 2);
  for (const std::uint8_t byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

}  // namespace

std::wstring TextForm(const TaggedValue& value) {
  return std::visit(
      [](const auto& held) -> std::wstring {
        using Held = std::decay_t<decltype(held)>;
        if constexpr (std::is_same_v<Held, std::monostate>) {
          return {};
        } else if constexpr (std::is_same_v<Held, std::wstring>) {
          return held;
        } else if constexpr (std::is_same_v<Held, bool>) {
          // "1" and "0", as registry flags are conventionally stored, and numeric to any reader.
          return held ? L"1" : L"0";
        } else if constexpr (std::is_same_v<Held, double>) {
          return DoubleText(held);
        } else if constexpr (std::is_same_v<Held, Bytes>) {
          return HexText(held);
        } else {
          // Plain decimal with a leading minus and no grouping, so that numbers
          // stored as text (version numbers) parse back exactly.
          return DecimalText(held);
        }
      },
      value);
}

bool HoldsEnvironmentReference(const std::wstring& text) {
  const auto first = text.find(L'%');
  return first != std::wstring::npos && text.find(L'%', first + 2) != std::wstring::npos;
}

}  // namespace corvalidyne
