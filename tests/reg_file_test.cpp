// .reg files against Wine's own reg.exe: a tree of every type written by
// both exporters byte for byte alike and carried by every pairing of exporter
// and importer, malformed files that change nothing, and the forms editors
// write.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "corvalidyne/reg_file.h"
#include "process_runner.h"
#include "raw_registry.h"
#include "scratch_key.h"

namespace corvalidyne {
namespace {

using namespace std::string_literals;
using testing::RawValue;
using testing::ScratchKey;
using testing::Utf16Bytes;

// A file of the test's own in the temporary folder, removed when it ends.
class ScratchFile {
 public:
  explicit ScratchFile(const wchar_t* suffix) {
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = std::string(info->test_suite_name()) + "." + info->name();
    path_ = folder + std::wstring(name.begin(), name.end()) + suffix;
    Remove();
  }
  ~ScratchFile() { Remove(); }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  [[nodiscard]] const std::wstring& Path() const { return path_; }
  [[nodiscard]] std::string Bytes() const {
    std::string bytes;
    const HANDLE file =
        CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "(no file)";
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
  }
  void Write(const std::string& bytes) const {
    const HANDLE file = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
  }
  // A UTF-16LE file with its byte-order mark, as reg.exe writes them.
  void WriteText(const std::wstring& text) const { Write("\xFF\xFE"s + Utf16Bytes(text)); }

 private:
  // The file, and any an earlier run's failed export left beside it.
  void Remove() const {
    DeleteFileW(path_.c_str());
    const std::wstring folder = path_.substr(0, path_.find_last_of(L'\\') + 1);
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((path_ + L".~*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
      DeleteFileW((folder + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }

  std::wstring path_;
};

// A key tree as the registry holds it, read through the raw W functions:
// each key's path below the top ("" for the top) with its values by name.
using Values = std::map<std::wstring, RawValue>;
using Tree = std::map<std::wstring, Values>;

void Read(HKEY key, const std::wstring& path, Tree& tree) {
  Values& values = tree[path];
  DWORD longestName = 0, longestData = 0, longestSubkey = 0;
  ASSERT_EQ(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, &longestSubkey, nullptr, nullptr,
                             &longestName, &longestData, nullptr, nullptr),
            ERROR_SUCCESS);
  std::wstring name(longestName + 1, L'\0');
  std::string data(longestData, '\0');
  for (DWORD index = 0;; ++index) {
    DWORD nameLength = longestName + 1, size = longestData, type = 0;
    if (RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type,
                      reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS) {
      break;
    }
    values[name.substr(0, nameLength)] = {type, data.substr(0, size)};
  }
  std::wstring subkey(longestSubkey + 1, L'\0');
  for (DWORD index = 0;; ++index) {
    DWORD length = longestSubkey + 1;
    if (RegEnumKeyExW(key, index, subkey.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    const std::wstring name16 = subkey.substr(0, length);
    HKEY child = nullptr;
    ASSERT_EQ(RegOpenKeyExW(key, name16.c_str(), 0, KEY_READ, &child), ERROR_SUCCESS);
    Read(child, path.empty() ? name16 : path + L"\\" + name16, tree);
    RegCloseKey(child);
  }
}

Tree TreeAt(const std::wstring& path) {
  Tree tree;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return tree;
  Read(key, L"", tree);
  RegCloseKey(key);
  return tree;
}

std::string Printed(const Tree& tree) {
  std::string text;
  for (const auto& [path, values] : tree) {
    text += "[" + testing::Utf8(path) + "]\n";
    for (const auto& [name, value] : values) {
      text += "  " + testing::Utf8(name) + " type " + std::to_string(value.type) + ":";
      for (const char byte : value.data) text += " " + std::to_string(static_cast<unsigned char>(byte));
      text += "\n";
    }
  }
  return text;
}

std::string Text(const std::wstring& text) { return Utf16Bytes(text + L'\0'); }

// One value of the tree every exporter and importer must carry: a value of
// each type, names and text that need escapes, text outside the BMP, binary
// data that wraps from every starting column. reg.exe's export loses the
// data it cannot write as text or dword: (`regExeKeeps` false); ours writes it
// as hex.
struct TreeValue {
  const wchar_t* key;  // below the top
  std::wstring name;
  RawValue value;
  bool regExeKeeps = true;
  bool keyOnly = false;  // the key alone, without the value
};

std::string Counting(std::size_t count) {
  std::string bytes;
  for (std::size_t i = 0; i < count; ++i) bytes += static_cast<char>(i * 37 + 11);
  return bytes;
}

const std::vector<TreeValue>& TreeValues() {
  static const std::vector<TreeValue> values = {
      {L"", L"", {REG_SZ, Text(L"default")}},
      {L"", L"text", {REG_SZ, Text(L"a \"quoted\" back\\slash,\r\nline two, \U0001F600 \u65E5\u672C")}},
      {L"", L"empty text", {REG_SZ, Text(L"")}},
      {L"", L"quote\" and back\\slash \U0001F600 name", {REG_SZ, Text(L"x")}},
      {L"", L"@", {REG_SZ, Text(L"not the default")}},
      {L"", L"expandable", {REG_EXPAND_SZ, Text(L"%SystemRoot%\\\U0001F600")}},
      {L"", L"binary", {REG_BINARY, Counting(100)}},
      {L"", L"empty binary", {REG_BINARY, ""}},
      {L"", L"dword", {REG_DWORD, "\x2A\0\0\x80"s}},
      {L"", L"empty dword", {REG_DWORD, ""}},
      {L"", L"big-endian", {REG_DWORD_BIG_ENDIAN, "\0\0\0\x2A"s}},
      {L"", L"link", {REG_LINK, Utf16Bytes(L"\\Registry\\Machine\\Software")}},
      {L"", L"strings", {REG_MULTI_SZ, Utf16Bytes(L"a\0\U0001F600\0\0"s)}},
      {L"", L"resources", {REG_RESOURCE_LIST, Counting(30)}},
      {L"", L"descriptor", {REG_FULL_RESOURCE_DESCRIPTOR, Counting(9)}},
      {L"", L"requirements", {REG_RESOURCE_REQUIREMENTS_LIST, Counting(10)}},
      {L"", L"qword", {REG_QWORD, "\x01\x02\x03\x04\x05\x06\x07\x88"s}},
      {L"", L"none", {REG_NONE, "\x01\x02\x03"s}},
      {L"", L"type of its own", {0x12345, Counting(40)}},
      // The wrap column reached from each of the three columns a byte can start at.
      {L"", L"w1", {REG_BINARY, Counting(60)}},
      {L"", L"w22", {REG_BINARY, Counting(60)}},
      {L"", L"w333", {REG_BINARY, Counting(60)}},
      {L"", std::wstring(80, L'n'), {REG_BINARY, Counting(30)}},
      {L"Sub", L"in sub", {REG_SZ, Text(L"sub")}},
      {L"Sub\\Deeper", L"deep", {REG_DWORD, "\x07\0\0\0"s}},
      {L"Another", L"", {REG_EXPAND_SZ, Text(L"%TEMP%")}},
      {L"\U0001F600 key \u65E5", L"\U0001F600", {REG_BINARY, Counting(5)}},
      {L"Empty", L"", {}, true, true},
      // Data reg.exe's export loses: text cut at its first NUL, 4 bytes of a
      // DWORD read, no data written as "" (which imports as a NUL).
      {L"Lossy", L"nul inside", {REG_SZ, Utf16Bytes(L"a\0b\0"s)}, false},
      {L"Lossy", L"long dword", {REG_DWORD, "\x01\x02\x03\x04\x05\x06\x07\x08"s}, false},
      {L"Lossy", L"short dword", {REG_DWORD, "\x01\x02\x03"s}, false},
      {L"Lossy", L"no text at all", {REG_SZ, ""}, false},
  };
  return values;
}

// The tree under `top`: reg.exe's export sees only what it keeps.
Tree MakeTree(const std::wstring& top, bool regExeKeepsOnly) {
  for (const TreeValue& row : TreeValues()) {
    if (regExeKeepsOnly && !row.regExeKeeps) continue;
    const std::wstring path = *row.key ? top + L"\\" + row.key : top;
    if (row.keyOnly) {
      testing::MakeKey(HKEY_CURRENT_USER, path);
    } else {
      testing::WriteRawW(HKEY_CURRENT_USER, path, row.name, row.value);
    }
  }
  return TreeAt(top);
}

void RemoveTree(const std::wstring& path) {
  RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
  RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str());
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

void RegExport(const ScratchKey& scratch, const ScratchFile& file) {
  const testing::ProcessResult result =
      testing::RunReg(L"export " + Quoted(scratch.RegPath()) + L" " + Quoted(file.Path()) + L" /y");
  ASSERT_EQ(result.exitCode, 0u) << result.output;
}

void RegImport(const ScratchFile& file) {
  const testing::ProcessResult result = testing::RunReg(L"import " + Quoted(file.Path()));
  ASSERT_EQ(result.exitCode, 0u) << result.output;
}

// Our export of the tree is reg.exe's, byte for byte.
TEST(RegFile, ExportIsRegExportsFileByteForByte) {
  ScratchKey scratch;
  const ScratchFile theirs(L".reg.reg"), ours(L".ours.reg");
  MakeTree(scratch.Path(), true);
  RegExport(scratch, theirs);
  ExportRegFile(kHKeyCurrentUser, scratch.Path(), ours.Path());
  const std::string expected = theirs.Bytes();
  ASSERT_TRUE(expected.starts_with("\xFF\xFE")) << "reg.exe wrote no UTF-16 file";
  EXPECT_EQ(ours.Bytes(), expected) << "reg.exe:\n"
                                    << testing::Utf8(
                                           std::wstring(reinterpret_cast<const wchar_t*>(expected.data() + 2),
                                                        (expected.size() - 2) / 2));
}

// Every pairing of exporter and importer gives the tree back value for value,
// each exporter's file read by the other's importer; ours also keeps what
// reg.exe's export loses.
TEST(RegFile, EveryExporterAndImporterCarryTheTree) {
  const struct {
    const char* name;
    bool regExport;
    bool regImport;
  } trips[] = {
      {"reg export, our import", true, false},
      {"our export, reg import", false, true},
      {"our export, our import", false, false},
  };
  for (const auto& trip : trips) {
    SCOPED_TRACE(trip.name);
    ScratchKey scratch;
    const ScratchFile file(L".reg");
    const Tree tree = MakeTree(scratch.Path(), trip.regExport);
    ASSERT_EQ(tree.size(), trip.regExport ? 6u : 7u) << Printed(tree);
    if (trip.regExport) {
      RegExport(scratch, file);
    } else {
      ExportRegFile(kHKeyCurrentUser, scratch.Path(), file.Path());
    }
    RemoveTree(scratch.Path());
    ASSERT_TRUE(TreeAt(scratch.Path()).empty());
    if (trip.regImport) {
      RegImport(file);
    } else {
      ImportRegFile(file.Path());
    }
    EXPECT_EQ(Printed(TreeAt(scratch.Path())), Printed(tree));
  }
}

// Text stored without its terminator, as Windows stores what it is given:
// planted through NtSetValueKey, since Wine's RegSetValueExW adds the NUL (and
// so, under Wine, does the import of these lines, through it).
TEST(RegFile, TextQuotesCannotHoldWholeGoesOutAsHex) {
  ScratchKey scratch;
  const ScratchFile file(L".reg");
  using SetValue =
      LONG(WINAPI*)(HANDLE key, void* name, ULONG index, ULONG type, const void* data, ULONG size);
  struct CountedName {  // UNICODE_STRING
    USHORT length;
    USHORT capacity;
    const wchar_t* text;
  };
  const auto setValue = reinterpret_cast<SetValue>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtSetValueKey")));
  ASSERT_NE(setValue, nullptr);
  testing::MakeKey(HKEY_CURRENT_USER, scratch.Path());
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, scratch.Path().c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  const struct {
    std::wstring name;
    std::string data;
    std::wstring line;
  } rows[] = {
      {L"odd", "a\0b"s, L"\"odd\"=hex(1):61,00,62"},
      {L"unterminated", "a\0b\0"s, L"\"unterminated\"=hex(1):61,00,62,00"},
  };
  for (const auto& row : rows) {
    CountedName name{static_cast<USHORT>(row.name.size() * 2), static_cast<USHORT>(row.name.size() * 2),
                     row.name.c_str()};
    EXPECT_EQ(setValue(key, &name, 0, REG_SZ, row.data.data(), static_cast<ULONG>(row.data.size())), 0);
  }
  RegCloseKey(key);
  ExportRegFile(kHKeyCurrentUser, scratch.Path(), file.Path());
  const std::string bytes = file.Bytes();
  const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
  for (const auto& row : rows) {
    EXPECT_NE(text.find(L"\r\n" + row.line + L"\r\n"), std::wstring::npos) << testing::Utf8(text);
  }
}

// Each malformed file reports what and where, in both forms, and changes
// nothing: not the key that its first lines create, nor the one they delete.
TEST(RegFile, MalformedFileSaysWhereAndChangesNothing) {
  ScratchKey scratch;
  const ScratchFile file(L".reg");
  const std::wstring kept = L"HKEY_CURRENT_USER\\" + scratch.Sub(L"Kept");
  const std::wstring made = L"HKEY_CURRENT_USER\\" + scratch.Sub(L"Made");
  // Lines 1 to 6; a row's text follows from line 7.
  const std::wstring start = L"Windows Registry Editor Version 5.00\r\n\r\n[-" + kept + L"]\r\n\r\n[" + made +
                             L"]\r\n\"v\"=\"x\"\r\n";
  const std::wstring header = L"Windows Registry Editor Version 5.00\r\n";
  const struct {
    const char* name;
    std::wstring text;  // after `start`, unless whole
    RegFileErrc error;
    std::size_t line;
    bool whole = false;
  } rows[] = {
      {"no header", L"REGEDIT5\r\n[" + made + L"]\r\n", RegFileErrc::kNoHeader, 1, true},
      {"header not first", L"\r\n" + header, RegFileErrc::kNoHeader, 1, true},
      {"empty file", L"", RegFileErrc::kNoHeader, 1, true},
      {"a value before any key", header + L"\"v\"=\"x\"\r\n[" + made + L"]\r\n",
       RegFileErrc::kValueOutsideKey, 2, true},
      {"a stray line", L"\r\nv=x\r\n", RegFileErrc::kUnexpectedLine, 8},
      {"a key line not closed", L"[" + made + L"\\Sub\r\n", RegFileErrc::kBadKey, 7},
      {"an empty name in a key path", L"[" + made + L"\\\\Sub]\r\n", RegFileErrc::kBadKey, 7},
      {"a path ending in a backslash", L"[" + made + L"\\]\r\n", RegFileErrc::kBadKey, 7},
      {"a key name of 256 characters", L"[" + made + L"\\" + std::wstring(256, L'k') + L"]\r\n",
       RegFileErrc::kBadKey, 7},
      {"a NUL in a key name", L"[" + made + L"\\a\0b]\r\n"s, RegFileErrc::kBadKey, 7},
      {"an unknown root", L"[HKEY_NOWHERE\\x]\r\n", RegFileErrc::kUnknownRoot, 7},
      {"a root deleted", L"[-HKCU]\r\n", RegFileErrc::kRootDeletion, 7},
      {"a value below a deletion", L"[-" + made + L"\\Sub]\r\n\"v\"=\"x\"\r\n", RegFileErrc::kValueOutsideKey,
       8},
      {"a name without =", L"\"v\" \"x\"\r\n", RegFileErrc::kBadName, 7},
      {"a name not closed", L"\"v=x\r\n", RegFileErrc::kBadName, 7},
      {"an unknown escape in a name", L"\"a\\tb\"=\"x\"\r\n", RegFileErrc::kBadName, 7},
      {"a NUL in a value name", L"\"a\0b\"=\"x\"\r\n"s, RegFileErrc::kBadName, 7},
      {"a name of 16,384 characters", L"\"" + std::wstring(16384, L'n') + L"\"=\"x\"\r\n",
       RegFileErrc::kBadName, 7},
      {"unknown data", L"\"v\"=word:1\r\n", RegFileErrc::kBadData, 7},
      {"a deletion followed by more", L"\"v\"=-x\r\n", RegFileErrc::kBadData, 7},
      {"text not closed", L"\"v\"=\"x\r\n", RegFileErrc::kBadText, 7},
      {"an unknown escape in text", L"\"v\"=\"a\\qb\"\r\n", RegFileErrc::kBadText, 7},
      {"text followed by more", L"\"v\"=\"x\" y\r\n", RegFileErrc::kBadText, 7},
      {"a dword of 9 digits", L"\"v\"=dword:000000001\r\n", RegFileErrc::kBadDword, 7},
      {"a dword without digits", L"\"v\"=dword:\r\n", RegFileErrc::kBadDword, 7},
      {"a dword followed by more", L"\"v\"=dword:1g\r\n", RegFileErrc::kBadDword, 7},
      {"a type not hexadecimal", L"\"v\"=hex(z):00\r\n", RegFileErrc::kBadHexType, 7},
      {"a type of 9 digits", L"\"v\"=hex(100000000):00\r\n", RegFileErrc::kBadHexType, 7},
      {"a type not closed", L"\"v\"=hex(2:00\r\n", RegFileErrc::kBadHexType, 7},
      {"a byte not hexadecimal", L"\"v\"=hex:0g\r\n", RegFileErrc::kBadHex, 7},
      {"a byte of 3 digits", L"\"v\"=hex:123\r\n", RegFileErrc::kBadHex, 7},
      {"two commas", L"\"v\"=hex:01,,02\r\n", RegFileErrc::kBadHex, 7},
      {"bytes ending in a comma", L"\"v\"=hex:01,\r\n", RegFileErrc::kBadHex, 7},
      {"bytes without a comma", L"\"v\"=hex:01 02\r\n", RegFileErrc::kBadHex, 7},
      {"a bad byte on a continued line", L"\"v\"=hex:01,\\\r\n  02,\\\r\n  zz\r\n", RegFileErrc::kBadHex, 9},
      {"more after the continuation", L"\"v\"=hex:01,\\ 02\r\n  03\r\n", RegFileErrc::kBadHex, 7},
      {"the file ending on a continuation", L"\"v\"=hex:01,\\\r\n  02,\\", RegFileErrc::kUnfinishedValue, 8},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    testing::WriteRawW(HKEY_CURRENT_USER, scratch.Sub(L"Kept"), L"k", {REG_SZ, Text(L"kept")});
    file.WriteText(row.whole ? row.text : start + row.text);
    std::error_code code;
    std::size_t line = 99;
    EXPECT_FALSE(ImportRegFile(file.Path(), RegistryView::kNative, code, &line));
    EXPECT_EQ(code, make_error_code(row.error)) << code.message();
    EXPECT_EQ(line, row.line);
    try {
      ImportRegFile(file.Path());
      ADD_FAILURE() << "no exception";
    } catch (const RegFileError& error) {
      EXPECT_EQ(error.code(), make_error_code(row.error));
      EXPECT_EQ(error.Line(), row.line);
      EXPECT_NE(std::string(error.what()).find(", line " + std::to_string(row.line) + ": "),
                std::string::npos)
          << error.what();
    }
    EXPECT_EQ(Printed(TreeAt(scratch.Path())),
              Printed(Tree{{L"", {}}, {L"Kept", {{L"k", {REG_SZ, Text(L"kept")}}}}}));
  }
  // Half a character at the end of a UTF-16 file: its last line.
  file.Write("\xFF\xFE"s + Utf16Bytes(start) + "\"");
  std::error_code code;
  std::size_t line = 0;
  EXPECT_FALSE(ImportRegFile(file.Path(), RegistryView::kNative, code, &line));
  EXPECT_EQ(code, make_error_code(RegFileErrc::kOddSize));
  EXPECT_EQ(line, 7u);
  EXPECT_TRUE(testing::KeyPresent(HKEY_CURRENT_USER, scratch.Sub(L"Kept")));
}

// What editors and people write beside reg.exe's own form: REGEDIT4 files in
// the ANSI code page (hex text in it too), short and lowercase roots, LF line
// ends, comments, blanks, digits in either case and one to a byte, deletions.
TEST(RegFile, ImportReadsWhatEditorsAndPeopleWrite) {
  ScratchKey scratch;
  const ScratchFile file(L".reg");
  const std::string key = "HKEY_CURRENT_USER\\" + testing::Ansi(scratch.Path());
  testing::WriteRawW(HKEY_CURRENT_USER, scratch.Sub(L"Gone\\Below"), L"v", {REG_SZ, Text(L"gone")});
  testing::WriteRawW(HKEY_CURRENT_USER, scratch.Sub(L"Edited"), L"dropped", {REG_SZ, Text(L"dropped")});
  const std::string ansi = "REGEDIT4\r\n\r\n[" + key + "\\Ansi]\r\n@=\"caf\xE9\"\r\n" +
                           "\"expandable\"=hex(2):25,54,45,4d,50,25,00\r\n" +
                           "\"strings\"=hex(7):61,00,e9,00,00\r\n\"bytes\"=hex:e9\r\n";
  const std::wstring short16 = L"hkcu\\" + scratch.Path();
  const std::wstring unicode =
      L"Windows Registry Editor Version 5.00\n\n; a comment\n[-" + short16 + L"\\Gone]\n  ; indented\n[" +
      short16 + L"\\Edited]\n\"dropped\"=-\n\"absent\"=-\n\"d\" = dword:2A ; the answer\n" +
      L"\"a\\\"b\"=\"c\\\\d\"\n@=hex(b):1,2,\\\n   A,b,\\\n\t0c,0D,0e,0F\n\"empty\"=hex(0):\n";
  file.Write(ansi);
  ImportRegFile(file.Path());
  file.WriteText(unicode);
  ImportRegFile(file.Path());
  const Tree expected = {
      {L"", {}},
      {L"Ansi",
       {{L"", {REG_SZ, Text(testing::Widen("caf\xE9"))}},
        {L"expandable", {REG_EXPAND_SZ, Text(L"%TEMP%")}},
        {L"strings", {REG_MULTI_SZ, Utf16Bytes(testing::Widen("a\0\xE9\0\0"s))}},
        {L"bytes", {REG_BINARY, "\xE9"}}}},
      {L"Edited",
       {{L"d", {REG_DWORD, "\x2A\0\0\0"s}},
        {L"a\"b", {REG_SZ, Text(L"c\\d")}},
        {L"", {REG_QWORD, "\x01\x02\x0A\x0B\x0C\x0D\x0E\x0F"s}},
        {L"empty", {REG_NONE, ""}}}},
  };
  EXPECT_EQ(Printed(TreeAt(scratch.Path())), Printed(expected));
}

// A key that cannot be read fails the export with the system's code and
// leaves the file that was there; absent keys, files and folders give theirs;
// a refused write stops an import at its line.
TEST(RegFile, SystemFailuresGiveTheSystemsCode) {
  ScratchKey scratch;
  const ScratchFile file(L".reg");
  const std::wstring locked = scratch.Sub(L"Tree\\Locked");
  testing::WriteRawW(HKEY_CURRENT_USER, locked, L"v", {REG_SZ, Text(L"x")});
  HKEY lockedKey = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, locked.c_str(), 0, KEY_ALL_ACCESS, &lockedKey), ERROR_SUCCESS);
  const auto setDacl = [&](ACL* dacl) {
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, dacl, FALSE);
    return RegSetKeySecurity(lockedKey, DACL_SECURITY_INFORMATION, &descriptor);
  };
  ACL empty;
  InitializeAcl(&empty, sizeof empty, ACL_REVISION);
  ASSERT_EQ(setDacl(&empty), ERROR_SUCCESS);
  file.Write("earlier");
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  const std::wstring absentFolder = folder + L"CorvalidyneAbsent\\x.reg"s;
  const std::wstring lockedLine =
      L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\" + scratch.Sub(L"Tree") + L"]\r\n" +
      L"\"fine\"=\"x\"\r\n\r\n[HKEY_CURRENT_USER\\" + locked + L"]\r\n\"v\"=\"y\"\r\n";

  const struct {
    const char* name;
    std::function<bool(std::error_code&, std::size_t&)> call;
    int code;
    std::optional<std::size_t> line;  // an import's
  } rows[] = {
      {"export, a key below denied",
       [&](std::error_code& code, std::size_t&) {
         return ExportRegFile(kHKeyCurrentUser, scratch.Sub(L"Tree"), file.Path(), RegistryView::kNative,
                              code);
       },
       ERROR_ACCESS_DENIED, std::nullopt},
      {"export, key absent",
       [&](std::error_code& code, std::size_t&) {
         return ExportRegFile(kHKeyCurrentUser, scratch.Sub(L"Absent"), file.Path(), RegistryView::kNative,
                              code);
       },
       ERROR_FILE_NOT_FOUND, std::nullopt},
      {"export, a root of no .reg name",
       [&](std::error_code& code, std::size_t&) {
         return ExportRegFile(static_cast<RegistryRoot>(0x80000004u), L"", file.Path(), RegistryView::kNative,
                              code);
       },
       ERROR_INVALID_PARAMETER, std::nullopt},
      {"export, folder absent",
       [&](std::error_code& code, std::size_t&) {
         return ExportRegFile(kHKeyCurrentUser, scratch.Path(), absentFolder, RegistryView::kNative, code);
       },
       ERROR_PATH_NOT_FOUND, std::nullopt},
      {"import, file absent",
       [&](std::error_code& code, std::size_t& line) {
         return ImportRegFile(folder + L"CorvalidyneAbsent.reg"s, RegistryView::kNative, code, &line);
       },
       ERROR_FILE_NOT_FOUND, 0},
      {"import, a key denied",
       [&](std::error_code& code, std::size_t& line) {
         const ScratchFile input(L".input.reg");
         input.WriteText(lockedLine);
         return ImportRegFile(input.Path(), RegistryView::kNative, code, &line);
       },
       ERROR_ACCESS_DENIED, 6},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::error_code code = make_error_code(RegFileErrc::kBadHex);
    std::size_t line = 99;
    EXPECT_FALSE(row.call(code, line));
    EXPECT_EQ(code, std::error_code(row.code, std::system_category())) << code.message();
    if (row.line) {
      EXPECT_EQ(line, *row.line);
    }
    EXPECT_EQ(file.Bytes(), "earlier");
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((file.Path() + L"*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(FindNextFileW(search, &found))
        << "a temporary file was left: " << testing::Utf8(found.cFileName);
    FindClose(search);
  }
  RawValue fine;
  EXPECT_TRUE(testing::ReadRawW(HKEY_CURRENT_USER, scratch.Sub(L"Tree"), L"fine", fine));
  EXPECT_EQ(fine, (RawValue{REG_SZ, Text(L"x")}));
  try {
    ExportRegFile(kHKeyCurrentUser, scratch.Sub(L"Tree"), file.Path());
    ADD_FAILURE() << "no exception";
  } catch (const std::system_error& error) {
    EXPECT_EQ(error.code().value(), ERROR_ACCESS_DENIED);
    EXPECT_NE(std::string(error.what()).find("Tree\\Locked"), std::string::npos) << error.what();
  }
  EXPECT_EQ(setDacl(nullptr), ERROR_SUCCESS);
  RegCloseKey(lockedKey);
}

}  // namespace
}  // namespace corvalidyne
