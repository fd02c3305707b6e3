#include "reg_file/parser.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "reg_file/format.h"
#include "text_conversion.h"

namespace corvalidyne::reg_file {

namespace {

// What a piece of a line makes of it: nothing where it is well formed.
using Problem = std::optional<RegFileErrc>;
constexpr Problem kFine = std::nullopt;

// The lines of a text, ended by CRLF or LF, numbered from 1.
class Lines {
 public:
  explicit Lines(std::wstring_view text) : rest_(text) {}

  bool Next(std::wstring_view& line) {
    if (finished_) return false;
    const std::size_t end = rest_.find(L'\n');
    line = rest_.substr(0, end);
    if (end == std::wstring_view::npos) {
      finished_ = true;
    } else {
      rest_.remove_prefix(end + 1);
    }
    if (!line.empty() && line.back() == L'\r') line.remove_suffix(1);
    ++number_;
    return true;
  }
  [[nodiscard]] std::size_t Number() const noexcept { return number_; }

 private:
  std::wstring_view rest_;
  std::size_t number_ = 0;
  bool finished_ = false;
};

bool IsBlank(wchar_t c) noexcept { return c == L' ' || c == L'\t'; }

void SkipBlanks(std::wstring_view& text) noexcept {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
}

void TrimEnd(std::wstring_view& text) noexcept {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
}

// Takes `prefix` off the front of `text`, in any case.
bool Take(std::wstring_view& text, std::wstring_view prefix) noexcept {
  if (text.size() < prefix.size() || !SameIgnoringCase(text.substr(0, prefix.size()), prefix)) return false;
  text.remove_prefix(prefix.size());
  return true;
}

// Nothing but blanks and a ";" comment left.
bool OnlyCommentLeft(std::wstring_view text) noexcept {
  SkipBlanks(text);
  return text.empty() || text.front() == L';';
}

int HexDigit(wchar_t c) noexcept {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// A number of 1 to `longest` hexadecimal digits taken off the front of `text`.
bool TakeHexNumber(std::wstring_view& text, std::size_t longest, std::uint32_t& number) noexcept {
  std::size_t count = 0;
  number = 0;
  while (count < text.size() && HexDigit(text[count]) >= 0) {
    if (++count > longest) return false;
    number = number << 4 | static_cast<std::uint32_t>(HexDigit(text[count - 1]));
  }
  text.remove_prefix(count);
  return count > 0;
}

// A quoted text taken off the front of `text`, which begins after its opening
// quote, through its closing quote; its escapes undone.
bool TakeQuoted(std::wstring_view& text, std::wstring& unquoted) {
  unquoted.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'"') {
      text.remove_prefix(i + 1);
      return true;
    }
    if (text[i] == L'\\') {
      const std::optional<wchar_t> character = i + 1 < text.size() ? Unescaped(text[++i]) : std::nullopt;
      if (!character) return false;
      unquoted += *character;
    } else {
      unquoted += text[i];
    }
  }
  return false;
}

Bytes BytesOf(std::wstring_view text) {
  Bytes bytes(text.size() * sizeof(wchar_t));
  std::memcpy(bytes.data(), text.data(), bytes.size());
  return bytes;
}

bool IsText(RegistryValueType type) noexcept {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// A path below a root: names of 1 to 255 characters between backslashes,
// without the NUL the system would take as the path's end.
bool IsKeyPath(std::wstring_view path) noexcept {
  if (path.empty()) return true;
  for (;;) {
    const std::size_t end = path.find(L'\\');
    const std::wstring_view name = path.substr(0, end);
    if (name.empty() || name.size() > kLongestKeyName || name.find(L'\0') != std::wstring_view::npos) {
      return false;
    }
    if (end == std::wstring_view::npos) return true;
    path.remove_prefix(end + 1);
  }
}

class Parser {
 public:
  Parser(std::wstring_view text, Plan& plan) : lines_(text), plan_(plan) {}

  std::optional<Malformed> Run() {
    std::wstring_view line;
    lines_.Next(line);  // even an empty text has a first line
    Problem problem = Header(line);
    while (!problem && lines_.Next(line)) problem = Line(line);
    if (!problem) return std::nullopt;
    return Malformed{*problem, lines_.Number()};
  }

 private:
  Problem Header(std::wstring_view line) {
    TrimEnd(line);
    if (line == kHeader) return kFine;
    if (line != kAnsiHeader) return RegFileErrc::kNoHeader;
    ansi_ = true;
    return kFine;
  }

  Problem Line(std::wstring_view line) {
    SkipBlanks(line);
    if (line.empty() || line.front() == L';') return kFine;
    if (line.front() == L'[') return KeyLine(line);
    if (line.front() == L'@' || line.front() == L'"') return ValueLine(line);
    return RegFileErrc::kUnexpectedLine;
  }

  // [ROOT\path] or [-ROOT\path]; a key's names may hold "]", so the last one ends it.
  Problem KeyLine(std::wstring_view line) {
    TrimEnd(line);
    if (line.size() < 2 || line.back() != L']') return RegFileErrc::kBadKey;
    std::wstring_view path = line.substr(1, line.size() - 2);
    KeyChange key;
    key.line = lines_.Number();
    key.deletion = Take(path, L"-");
    const std::size_t rootEnd = path.find(L'\\');
    const std::optional<RegistryRoot> root = RootNamed(path.substr(0, rootEnd));
    if (!root) return RegFileErrc::kUnknownRoot;
    path = rootEnd == std::wstring_view::npos ? std::wstring_view() : path.substr(rootEnd + 1);
    if ((rootEnd != std::wstring_view::npos && path.empty()) || !IsKeyPath(path)) return RegFileErrc::kBadKey;
    if (key.deletion && path.empty()) return RegFileErrc::kRootDeletion;
    key.root = *root;
    key.path = path;
    plan_.push_back(std::move(key));
    return kFine;
  }

  Problem ValueLine(std::wstring_view line) {
    if (plan_.empty() || plan_.back().deletion) return RegFileErrc::kValueOutsideKey;
    ValueChange change;
    change.line = lines_.Number();
    if (Problem problem = Name(line, change.name)) return problem;
    SkipBlanks(line);
    if (Take(line, L"-")) {
      if (!OnlyCommentLeft(line)) return RegFileErrc::kBadData;
    } else {
      change.value.emplace();
      if (Problem problem = Data(line, *change.value)) return problem;
    }
    plan_.back().values.push_back(std::move(change));
    return kFine;
  }

  // @= or "name"=, blanks allowed around the "=".
  static Problem Name(std::wstring_view& line, std::wstring& name) {
    if (Take(line, L"@")) {
      name.clear();
    } else if (!Take(line, L"\"") || !TakeQuoted(line, name) || name.size() > kLongestValueName ||
               name.find(L'\0') != std::wstring::npos) {
      return RegFileErrc::kBadName;
    }
    SkipBlanks(line);
    return Take(line, L"=") ? kFine : RegFileErrc::kBadName;
  }

  Problem Data(std::wstring_view data, RegistryValue& value) {
    for (const Form& form : kForms) {
      std::wstring_view rest = data;
      if (Take(rest, form.start)) return (this->*form.take)(rest, value);
    }
    return RegFileErrc::kBadData;
  }

  Problem Text(std::wstring_view data, RegistryValue& value) {
    std::wstring text;
    if (!TakeQuoted(data, text) || !OnlyCommentLeft(data)) return RegFileErrc::kBadText;
    text += L'\0';
    value = {REG_SZ, BytesOf(text)};
    return kFine;
  }

  Problem Dword(std::wstring_view data, RegistryValue& value) {
    std::uint32_t number = 0;
    if (!TakeHexNumber(data, 8, number) || !OnlyCommentLeft(data)) return RegFileErrc::kBadDword;
    value = {REG_DWORD, Bytes(sizeof number)};
    std::memcpy(value.data.data(), &number, sizeof number);
    return kFine;
  }

  Problem Binary(std::wstring_view data, RegistryValue& value) {
    value.type = REG_BINARY;
    return HexBytes(data, value.data);
  }

  // hex(N): with N in hexadecimal.
  Problem Typed(std::wstring_view data, RegistryValue& value) {
    std::uint32_t type = 0;
    if (!TakeHexNumber(data, 8, type) || !Take(data, L"):")) return RegFileErrc::kBadHexType;
    value.type = static_cast<RegistryValueType>(type);
    if (Problem problem = HexBytes(data, value.data)) return problem;
    if (ansi_ && IsText(value.type)) {
      const std::string_view ansi(reinterpret_cast<const char*>(value.data.data()), value.data.size());
      value.data = BytesOf(FromAnsi(ansi));
    }
    return kFine;
  }

  // Bytes of 1 or 2 digits separated by commas; a "\" ending a line continues
  // them on the next, whose leading blanks are skipped.
  Problem HexBytes(std::wstring_view data, Bytes& bytes) {
    bool byteNext = true;
    for (;;) {
      SkipBlanks(data);
      if (data.empty() || data.front() == L';') {
        return byteNext && !bytes.empty() ? Problem(RegFileErrc::kBadHex) : kFine;
      }
      if (Take(data, L"\\")) {
        if (!OnlyCommentLeft(data)) return RegFileErrc::kBadHex;
        if (!lines_.Next(data)) return RegFileErrc::kUnfinishedValue;
      } else if (byteNext) {
        std::uint32_t byte = 0;
        if (!TakeHexNumber(data, 2, byte)) return RegFileErrc::kBadHex;
        bytes.push_back(static_cast<std::uint8_t>(byte));
        byteNext = false;
      } else if (Take(data, L",")) {
        byteNext = true;
      } else {
        return RegFileErrc::kBadHex;
      }
    }
  }

  // The data's forms, by how each begins.
  struct Form {
    std::wstring_view start;
    Problem (Parser::*take)(std::wstring_view data, RegistryValue& value);
  };
  static constexpr Form kForms[] = {
      {L"\"", &Parser::Text},
      {L"dword:", &Parser::Dword},
      {L"hex:", &Parser::Binary},
      {L"hex(", &Parser::Typed},
  };

  Lines lines_;
  Plan& plan_;
  bool ansi_ = false;
};

}  // namespace

std::optional<Malformed> Parse(std::wstring_view text, Plan& plan) {
  plan.clear();
  return Parser(text, plan).Run();
}

}  // namespace corvalidyne::reg_file
