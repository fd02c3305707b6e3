#include "reg_file/writer.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

#include "reg_file/format.h"

namespace corvalidyne::reg_file {

namespace {

constexpr wchar_t kDigits[] = L"0123456789abcdef";

void AppendHexNumber(std::wstring& out, std::uint32_t number, int minimumDigits) {
  wchar_t digits[8];
  int count = 0;
  do {
    digits[count++] = kDigits[number & 0xF];
    number >>= 4;
  } while (number != 0 || count < minimumDigits);
  while (count > 0) out += digits[--count];
}

void AppendEscaped(std::wstring& out, std::wstring_view text) {
  for (const wchar_t c : text) {
    wchar_t escape = 0;
    for (const Escape& entry : kEscapes) {
      if (entry.character == c) escape = entry.escape;
    }
    if (escape != 0) {
      out += L'\\';
      out += escape;
    } else {
      out += c;
    }
  }
}

// `"name"=`, or `@=` for the default value.
void AppendName(std::wstring& out, std::wstring_view name) {
  if (name.empty()) {
    out += L"@=";
    return;
  }
  out += L'"';
  AppendEscaped(out, name);
  out += L"\"=";
}

// A REG_SZ as "text", where the text gives back the same bytes: whole UTF-16
// units, one terminating NUL and no other.
bool AppendText(std::wstring& out, const Bytes& data) {
  if (data.size() < sizeof(wchar_t) || data.size() % sizeof(wchar_t) != 0) return false;
  std::wstring text(data.size() / sizeof(wchar_t), L'\0');
  std::memcpy(text.data(), data.data(), data.size());
  if (text.back() != L'\0') return false;
  text.pop_back();
  if (text.find(L'\0') != std::wstring::npos) return false;
  out += L'"';
  AppendEscaped(out, text);
  out += L'"';
  return true;
}

// A REG_DWORD of 4 bytes as dword:.
bool AppendDword(std::wstring& out, const Bytes& data) {
  std::uint32_t number = 0;
  if (data.size() != sizeof number) return false;
  std::memcpy(&number, data.data(), sizeof number);
  out += L"dword:";
  AppendHexNumber(out, number, 8);
  return true;
}

// The types with a form of their own, for the data that form holds whole.
struct TypedForm {
  RegistryValueType type;
  bool (*append)(std::wstring& out, const Bytes& data);
};
constexpr TypedForm kTypedForms[] = {{REG_SZ, AppendText}, {REG_DWORD, AppendDword}};

// hex: for REG_BINARY, hex(N): for any other type; then the bytes, wrapped as
// reg.exe wraps them: after the comma that brings the line to the wrap column.
void AppendHex(std::wstring& out, std::size_t lineLength, RegistryValueType type, const Bytes& data) {
  const std::size_t tagStart = out.size();
  if (type == REG_BINARY) {
    out += L"hex:";
  } else {
    out += L"hex(";
    AppendHexNumber(out, static_cast<std::uint32_t>(type), 1);
    out += L"):";
  }
  lineLength += out.size() - tagStart;
  for (std::size_t i = 0; i < data.size(); ++i) {
    AppendHexNumber(out, data[i], 2);
    if (i + 1 == data.size()) break;
    out += L',';
    lineLength += 3;
    if (lineLength >= kWrapColumn) {
      out += kContinuation;
      lineLength = 2;
    }
  }
}

}  // namespace

void AppendHeader(std::wstring& out) {
  out += kHeader;
  out += kLineEnd;
}

void AppendKey(std::wstring& out, std::wstring_view keyPath) {
  out += kLineEnd;
  out += L'[';
  out += keyPath;
  out += L']';
  out += kLineEnd;
}

void AppendValue(std::wstring& out, std::wstring_view name, const RegistryValue& value) {
  const std::size_t lineStart = out.size();
  AppendName(out, name);
  bool written = false;
  for (const TypedForm& form : kTypedForms) {
    if (form.type == value.type) written = form.append(out, value.data);
  }
  if (!written) AppendHex(out, out.size() - lineStart, value.type, value.data);
  out += kLineEnd;
}

void AppendEnd(std::wstring& out) { out += kLineEnd; }

}  // namespace corvalidyne::reg_file
