#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <ranges>
#include <system_error>
#include <variant>

#include "addressing.h"
#include "corvalidyne/registry.h"
#include "corvalidyne/registry_functions.h"
#include "corvalidyne/registry_key.h"
#include "layer/value_read.h"
#include "locked_key.h"
#include "raw_registry.h"
#include "registry_outcome.h"
#include "scratch_key.h"
#include "wide_outcome.h"

namespace corvalidyne {
namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;
using testing::Attempt;
using testing::Both;
using testing::Call;
using testing::Coded;
using testing::Did;
using testing::Done;
using testing::ExpectBoth;
using testing::Failed;
using testing::Got;
using testing::LockedKey;
using testing::Outcome;
using testing::RawValue;
using testing::Read;
using testing::ScratchKey;

const std::wstring kSource = testing::ErrorSource();

std::wstring SystemRoot() {
  wchar_t buffer[MAX_PATH] = {};
  GetEnvironmentVariableW(L"SystemRoot", buffer, MAX_PATH);
  return buffer;
}

// A typed read in the object's terms: the empty value for nothing, a DWORD as
// the object's 32-bit integer, a list as the object reads REG_MULTI_SZ (each
// string followed by a NUL).
TaggedValue Tagged(const std::optional<std::uint32_t>& value) {
  return value ? TaggedValue{static_cast<std::int32_t>(*value)} : TaggedValue{};
}
TaggedValue Tagged(const std::optional<std::wstring>& value) {
  return value ? TaggedValue{*value} : TaggedValue{};
}
TaggedValue Tagged(const std::optional<Bytes>& value) { return value ? TaggedValue{*value} : TaggedValue{}; }
TaggedValue Tagged(const std::optional<std::vector<std::wstring>>& value) {
  if (!value) return {};
  std::wstring joined;
  for (const std::wstring& text : *value) joined += text + L'\0';
  return joined;
}

Registry ObjectAt(const std::wstring& section, const std::wstring& valueKey) {
  return testing::Addressing(kHKeyCurrentUser, section, valueKey, REG_NONE);
}

// Each type written through the functions and read back through the object,
// then written through the object (REG_MULTI_SZ, which the object does not
// write, by another client) and read back through the functions.
TEST(RegistryFunctions, WhatOneFaceWritesTheOtherReads) {
  ScratchKey scratch;
  const std::wstring key = scratch.Path();
  const std::wstring systemRoot = SystemRoot();
  ASSERT_FALSE(systemRoot.empty());

  const struct {
    const wchar_t* name;
    std::function<void(const std::wstring& name)> write;
    TaggedValue objectReads;
    RegistryValueType storedType;
  } written[] = {
      {L"dword", [&](auto& n) { Write(kHKeyCurrentUser, key, n, 42u); }, std::int32_t{42}, REG_DWORD},
      {L"high dword", [&](auto& n) { Write(kHKeyCurrentUser, key, n, 0xFFFFFFFFu); }, std::int32_t{-1},
       REG_DWORD},
      {L"string", [&](auto& n) { Write(kHKeyCurrentUser, key, n, L"C:\\App"s); }, L"C:\\App"s, REG_SZ},
      // The object would store this text as REG_EXPAND_SZ; the typed write stores what it names.
      {L"string with percents", [&](auto& n) { Write(kHKeyCurrentUser, key, n, L"50% now, 20% later"s); },
       L"50% now, 20% later"s, REG_SZ},
      {L"empty string", [&](auto& n) { Write(kHKeyCurrentUser, key, n, L""s); }, L""s, REG_SZ},
      {L"code page string", [&](auto& n) { Write(kHKeyCurrentUser, key, n, L"Caf\u00e9"s); }, L"Caf\u00e9"s,
       REG_SZ},
      {L"strings", [&](auto& n) { Write(kHKeyCurrentUser, key, n, std::vector<std::wstring>{L"a", L"bc"}); },
       L"a\0bc\0"s, REG_MULTI_SZ},
      {L"no strings", [&](auto& n) { Write(kHKeyCurrentUser, key, n, std::vector<std::wstring>{}); }, L""s,
       REG_MULTI_SZ},
      {L"binary", [&](auto& n) { Write(kHKeyCurrentUser, key, n, Bytes{1, 0, 255}); }, Bytes{1, 0, 255},
       REG_BINARY},
      {L"empty binary", [&](auto& n) { Write(kHKeyCurrentUser, key, n, Bytes{}); }, Bytes{}, REG_BINARY},
      {L"expandable", [&](auto& n) { Write(kHKeyCurrentUser, key, n, ExpandableString{L"%SystemRoot%\\x"}); },
       systemRoot + L"\\x", REG_EXPAND_SZ},
      // The object would store a text without references as REG_SZ.
      {L"expandable without references",
       [&](auto& n) { Write(kHKeyCurrentUser, key, n, ExpandableString{L"plain"}); }, L"plain"s,
       REG_EXPAND_SZ},
  };
  for (const auto& row : written) {
    SCOPED_TRACE(testing::Utf8(row.name));
    row.write(row.name);
    Registry object = ObjectAt(key, row.name);
    EXPECT_EQ(Outcome(object.Value()), Outcome(row.objectReads));
    EXPECT_EQ(object.ValueType(), row.storedType);
  }

  const auto objectWrites = [&](RegistryValueType type, TaggedValue value) {
    return [&key, type, value](const std::wstring& name) {
      Registry object = ObjectAt(key, name);
      object.ValueType(type);
      object.Value(value);
    };
  };
  const auto rawWrites = [&](std::string data) {
    return [&key, data](const std::wstring& name) {
      testing::WriteRaw(HKEY_CURRENT_USER, key, testing::Ansi(name), {REG_MULTI_SZ, data});
    };
  };
  const struct {
    const wchar_t* name;
    std::function<void(const std::wstring& name)> write;
    std::function<TaggedValue(const std::wstring& name)> read;
    TaggedValue functionsRead;
  } read[] = {
      {L"dword", objectWrites(REG_DWORD, std::int32_t{-1}),
       [&](auto& n) { return Tagged(ReadDword(kHKeyCurrentUser, key, n)); }, std::int32_t{-1}},
      {L"big-endian dword, stored as REG_DWORD", objectWrites(REG_DWORD_BIG_ENDIAN, std::int32_t{7}),
       [&](auto& n) { return Tagged(ReadDword(kHKeyCurrentUser, key, n)); }, std::int32_t{7}},
      {L"string", objectWrites(REG_SZ, L"C:\\App"s),
       [&](auto& n) { return Tagged(ReadString(kHKeyCurrentUser, key, n)); }, L"C:\\App"s},
      {L"empty string", objectWrites(REG_SZ, L""s),
       [&](auto& n) { return Tagged(ReadString(kHKeyCurrentUser, key, n)); }, L""s},
      {L"string with a NUL", objectWrites(REG_SZ, L"a\0b"s),
       [&](auto& n) { return Tagged(ReadString(kHKeyCurrentUser, key, n)); }, L"a\0b"s},
      {L"expandable", objectWrites(REG_EXPAND_SZ, L"%SystemRoot%\\x"s),
       [&](auto& n) { return Tagged(ReadExpandedString(kHKeyCurrentUser, key, n)); }, systemRoot + L"\\x"},
      {L"binary", objectWrites(REG_BINARY, Bytes{0, 9}),
       [&](auto& n) { return Tagged(ReadBinary(kHKeyCurrentUser, key, n)); }, Bytes{0, 9}},
      {L"empty binary", objectWrites(REG_BINARY, Bytes{}),
       [&](auto& n) { return Tagged(ReadBinary(kHKeyCurrentUser, key, n)); }, Bytes{}},
      // The object writes no REG_MULTI_SZ: another client's values stand in.
      {L"strings", rawWrites("a\0bc\0\0"s),
       [&](auto& n) { return Tagged(ReadStrings(kHKeyCurrentUser, key, n)); }, L"a\0bc\0"s},
      {L"strings ended by an empty one", rawWrites("a\0\0b\0\0"s),
       [&](auto& n) { return Tagged(ReadStrings(kHKeyCurrentUser, key, n)); }, L"a\0"s},
      {L"strings without terminators", rawWrites("a\0b"s),
       [&](auto& n) { return Tagged(ReadStrings(kHKeyCurrentUser, key, n)); }, L"a\0b\0"s},
      {L"no strings", rawWrites("\0"s),
       [&](auto& n) { return Tagged(ReadStrings(kHKeyCurrentUser, key, n)); }, L""s},
  };
  for (const auto& row : read) {
    SCOPED_TRACE(testing::Utf8(row.name));
    const std::wstring name = L"back " + std::wstring(row.name);
    row.write(name);
    EXPECT_EQ(Outcome(row.read(name)), Outcome(row.functionsRead));
  }
}

Read Sorted(std::vector<std::wstring> names) {
  std::sort(names.begin(), names.end());
  return names;
}

// Absent is nothing; every other failure gives the system's code, thrown or
// set in the caller's std::error_code (both forms of every call): a real
// DACL's refusal, real values of another type or size, names the W functions
// would take cut short, lists that would end early, a volatile parent, an
// unknown computer. Keys are tested, listed and deleted with these rules too.
TEST(RegistryFunctions, AbsentIsNothingAndEveryOtherFailureGivesTheSystemsCodeInBothForms) {
  ScratchKey scratch;
  const std::wstring key = scratch.Path();
  const std::wstring missing = scratch.Sub(L"Missing");
  const std::wstring locked = scratch.Sub(L"Locked");
  testing::WriteRaw(HKEY_CURRENT_USER, key, "sz", {REG_SZ, "42\0"s});
  testing::WriteRaw(HKEY_CURRENT_USER, key, "dword", {REG_DWORD, "\x2A\0\0\0"s});
  testing::WriteRaw(HKEY_CURRENT_USER, key, "qword", {REG_QWORD, "\x2A\0\0\0\0\0\0\0"s});
  testing::WriteRaw(HKEY_CURRENT_USER, key, "expand", {REG_EXPAND_SZ, "x\0"s});
  testing::WriteRaw(HKEY_CURRENT_USER, key, "big", {REG_DWORD_BIG_ENDIAN, "\0\0\0\x2A"s});
  testing::WriteRaw(HKEY_CURRENT_USER, key, "short dword", {REG_DWORD, "\x2A\0"s});
  testing::WriteRaw(HKEY_CURRENT_USER, key, "short qword", {REG_QWORD, "\x2A\0\0\0"s});
  testing::WriteRaw(HKEY_CURRENT_USER, locked, "v", {REG_SZ, "x\0"s});
  testing::MakeKey(HKEY_CURRENT_USER, scratch.Sub(L"Tree\\Child\\Grandchild"));
  testing::MakeKey(HKEY_CURRENT_USER, scratch.Sub(L"Parent\\Child"));
  // Where a name cut at its NUL would land.
  testing::WriteRaw(HKEY_CURRENT_USER, key, "v", {REG_SZ, "kept\0"s});
  const LockedKey lock(locked);
  const auto root = kHKeyCurrentUser;
  const auto native = RegistryView::kNative;
  // A reference that grows by more than the first buffer's spare room.
  const std::wstring longValue(2000, L'x');
  SetEnvironmentVariableW(L"CorvalidyneLongValue", longValue.c_str());
  Write(root, key, L"long reference", ExpandableString{L"%CorvalidyneLongValue%"});
  RegistryKey keyAt = *RegistryKey::Open(root, key, native, RegistryAccess::kReadWrite);
  RegistryKey fleeting = RegistryKey::Create(root, scratch.Sub(L"Fleeting"), native, {.volatileKey = true});
  const auto flag = [](bool value) { return Read{value}; };
  // A key that a throwing factory returns, or the std::error_code form's optional one.
  const auto made = [](const auto& made) {
    if constexpr (requires { made.has_value(); }) {
      return Read{made.has_value()};
    } else {
      return Read{made.Native() != nullptr};
    }
  };

  const struct {
    const char* name;
    testing::BothForms call;
    Coded expected;
  } rows[] = {
      {"dword, absent value",
       Both([&](auto&... c) { return Got(ReadDword(root, key, L"none", native, c...)); }),
       {}},
      {"qword, absent value",
       Both([&](auto&... c) { return Got(ReadQword(root, key, L"none", native, c...)); }),
       {}},
      {"string, absent key",
       Both([&](auto&... c) { return Got(ReadString(root, missing, L"sz", native, c...)); }),
       {}},
      {"strings, absent value",
       Both([&](auto&... c) { return Got(ReadStrings(root, key, L"none", native, c...)); }),
       {}},
      {"binary, absent value",
       Both([&](auto&... c) { return Got(ReadBinary(root, key, L"none", native, c...)); }),
       {}},
      {"expanded, absent value",
       Both([&](auto&... c) { return Got(ReadExpandedString(root, key, L"none", native, c...)); }),
       {}},
      {"expandable, absent value",
       Both([&](auto&... c) { return Got(ReadExpandableString(root, key, L"none", native, c...)); }),
       {}},
      {"value, absent",
       Both([&](auto&... c) { return Got(ReadValue(root, key, L"none", native, c...)); }),
       {}},
      {"type, absent", Both([&](auto&... c) { return Got(TypeOf(root, missing, L"sz", native, c...)); }), {}},
      {"open, absent key",
       Both([&](auto&... c) {
         return flag(RegistryKey::Open(root, missing, native, RegistryAccess::kRead, c...).has_value());
       }),
       {flag(false)}},
      {"open subkey, absent",
       Both([&](auto&... c) {
         return flag(keyAt.OpenSubkey(L"Missing", RegistryAccess::kRead, c...).has_value());
       }),
       {flag(false)}},
      {"key exists, absent",
       Both([&](auto&... c) { return flag(KeyExists(root, missing, native, c...)); }),
       {flag(false)}},
      {"values, absent key",
       Both([&](auto&... c) { return Read{ValueNames(root, missing, native, c...)}; }),
       {Read{std::vector<std::wstring>{}}}},
      {"subkeys, absent key",
       Both([&](auto&... c) { return Read{SubkeyNames(root, missing, native, c...)}; }),
       {Read{std::vector<std::wstring>{}}}},
      {"delete value, absent",
       Both([&](auto&... c) { return flag(DeleteValue(root, key, L"none", native, c...)); }),
       {flag(false)}},
      {"delete value, absent key",
       Both([&](auto&... c) { return flag(DeleteValue(root, missing, L"v", native, c...)); }),
       {flag(false)}},
      {"delete key, absent",
       Both([&](auto&... c) { return flag(DeleteKey(root, missing, native, c...)); }),
       {flag(false)}},
      {"delete tree, absent",
       Both([&](auto&... c) { return flag(keyAt.DeleteSubkeyTree(L"Missing", c...)); }),
       {flag(false)}},
      {"dword of a REG_SZ", Both([&](auto&... c) { return Got(ReadDword(root, key, L"sz", native, c...)); }),
       Failed(ERROR_UNSUPPORTED_TYPE)},
      {"dword of a REG_DWORD_BIG_ENDIAN",
       Both([&](auto&... c) { return Got(ReadDword(root, key, L"big", native, c...)); }),
       Failed(ERROR_UNSUPPORTED_TYPE)},
      {"dword of a REG_QWORD",
       Both([&](auto&... c) { return Got(ReadDword(root, key, L"qword", native, c...)); }),
       Failed(ERROR_UNSUPPORTED_TYPE)},
      {"qword of a REG_DWORD",
       Both([&](auto&... c) { return Got(ReadQword(root, key, L"dword", native, c...)); }),
       Failed(ERROR_UNSUPPORTED_TYPE)},
      {"string of a REG_DWORD",
       Both([&](auto&... c) { return Got(ReadString(root, key, L"dword", native, c...)); }),
       Failed(ERROR_UNSUPPORTED_TYPE)},
      {"string of a REG_EXPAND_SZ",
       Both([&](auto&... c) { return Got(ReadString(root, key, L"expand", native, c...)); }),
       Failed(ERROR_UNSUPPORTED_TYPE)},
      {"expanded of a REG_SZ",
       Both([&](auto&... c) { return Got(ReadExpandedString(root, key, L"sz", native, c...)); }),
       Failed(ERROR_UNSUPPORTED_TYPE)},
      {"expandable of a REG_SZ",
       Both([&](auto&... c) { return Got(keyAt.ReadExpandableString(L"sz", c...)); }),
       Failed(ERROR_UNSUPPORTED_TYPE)},
      {"expandable as stored",
       Both([&](auto&... c) { return Got(keyAt.ReadExpandableString(L"expand", c...)); }),
       {Read{L"x"s}}},
      {"strings of a REG_SZ",
       Both([&](auto&... c) { return Got(ReadStrings(root, key, L"sz", native, c...)); }),
       Failed(ERROR_UNSUPPORTED_TYPE)},
      {"binary of a REG_SZ",
       Both([&](auto&... c) { return Got(ReadBinary(root, key, L"sz", native, c...)); }),
       Failed(ERROR_UNSUPPORTED_TYPE)},
      {"type of a REG_DWORD_BIG_ENDIAN",
       Both([&](auto&... c) { return Got(keyAt.TypeOf(L"big", c...)); }),
       {Read{std::uint64_t{REG_DWORD_BIG_ENDIAN}}}},
      {"value of a REG_DWORD_BIG_ENDIAN, as stored",
       Both([&](auto&... c) { return Got(ReadValue(root, key, L"big", native, c...)); }),
       {Read{RegistryValue{REG_DWORD_BIG_ENDIAN, {0, 0, 0, 0x2A}}}}},
      {"dword of two bytes",
       Both([&](auto&... c) { return Got(ReadDword(root, key, L"short dword", native, c...)); }),
       Failed(ERROR_INVALID_DATA)},
      {"qword of four bytes",
       Both([&](auto&... c) { return Got(ReadQword(root, key, L"short qword", native, c...)); }),
       Failed(ERROR_INVALID_DATA)},
      {"open, denied", Both([&](auto&... c) {
         return flag(RegistryKey::Open(root, locked, native, RegistryAccess::kRead, c...).has_value());
       }),
       Failed(ERROR_ACCESS_DENIED)},
      {"open subkey, denied", Both([&](auto&... c) {
         return flag(keyAt.OpenSubkey(L"Locked", RegistryAccess::kRead, c...).has_value());
       }),
       Failed(ERROR_ACCESS_DENIED)},
      {"create, denied",
       Both([&](auto&... c) { return made(RegistryKey::Create(root, locked, native, {}, c...)); }),
       Failed(ERROR_ACCESS_DENIED)},
      {"create subkey, denied",
       Both([&](auto&... c) { return made(keyAt.CreateSubkey(L"Locked", {}, c...)); }),
       Failed(ERROR_ACCESS_DENIED)},
      {"read, denied", Both([&](auto&... c) { return Got(ReadString(root, locked, L"v", native, c...)); }),
       Failed(ERROR_ACCESS_DENIED)},
      {"type, denied", Both([&](auto&... c) { return Got(TypeOf(root, locked, L"v", native, c...)); }),
       Failed(ERROR_ACCESS_DENIED)},
      {"values, denied", Both([&](auto&... c) { return Read{ValueNames(root, locked, native, c...)}; }),
       Failed(ERROR_ACCESS_DENIED)},
      {"write, denied",
       Both([&](auto&... c) { return Did([&] { Write(root, locked, L"w", 1u, native, c...); }); }),
       Failed(ERROR_ACCESS_DENIED)},
      {"write value, denied", Both([&](auto&... c) {
         return Did([&] { WriteValue(root, locked, L"w", RegistryValue{REG_NONE, {}}, native, c...); });
       }),
       Failed(ERROR_ACCESS_DENIED)},
      {"delete value, denied",
       Both([&](auto&... c) { return flag(DeleteValue(root, locked, L"v", native, c...)); }),
       Failed(ERROR_ACCESS_DENIED)},
      {"key exists, denied",
       Both([&](auto&... c) { return flag(KeyExists(root, locked, native, c...)); }),
       {flag(true)}},
      {"key exists, path cut at a NUL",
       Both([&](auto&... c) { return flag(KeyExists(root, key + L"\0\\Missing"s, native, c...)); }),
       Failed(ERROR_INVALID_NAME)},
      {"qword written and read",
       Both([&](auto&... c) {
         Write(root, key, L"q", std::uint64_t{1} << 40, native, c...);
         return Got(ReadQword(root, key, L"q", native, c...));
       }),
       {Read{std::uint64_t{1} << 40}}},
      {"expanded, a long reference",
       Both([&](auto&... c) { return Got(ReadExpandedString(root, key, L"long reference", native, c...)); }),
       {Read{longValue}}},
      {"read, name cut at a NUL",
       Both([&](auto&... c) { return Got(ReadString(root, key, L"v\0x"s, native, c...)); }),
       Failed(ERROR_INVALID_NAME)},
      {"write, name cut at a NUL",
       Both([&](auto&... c) { return Did([&] { Write(root, key, L"v\0x"s, L"t"s, native, c...); }); }),
       Failed(ERROR_INVALID_NAME)},
      {"delete value, name cut at a NUL",
       Both([&](auto&... c) { return flag(DeleteValue(root, key, L"v\0x"s, native, c...)); }),
       Failed(ERROR_INVALID_NAME)},
      {"open, path cut at a NUL", Both([&](auto&... c) {
         return flag(
             RegistryKey::Open(root, key + L"\0\\Missing"s, native, RegistryAccess::kRead, c...).has_value());
       }),
       Failed(ERROR_INVALID_NAME)},
      {"write, an empty string in a list", Both([&](auto&... c) {
         return Did(
             [&] { Write(root, key, L"v", std::vector<std::wstring>{L"a", L"", L"b"}, native, c...); });
       }),
       Failed(ERROR_INVALID_PARAMETER)},
      {"write, a NUL in a listed string",
       Both([&](auto&... c) { return Did([&] { Write(root, key, L"v", {L"a\0b"sv}, native, c...); }); }),
       Failed(ERROR_INVALID_PARAMETER)},
      {"persistent key below a volatile one",
       Both([&](auto&... c) { return made(fleeting.CreateSubkey(L"Lasting", {}, c...)); }),
       Failed(ERROR_CHILD_MUST_BE_VOLATILE)},
      {"volatile key below a volatile one",
       Both(
           [&](auto&... c) { return made(fleeting.CreateSubkey(L"Fleeting", {.volatileKey = true}, c...)); }),
       {flag(true)}},
      {"another computer, unknown", Both([&](auto&... c) {
         return made(RegistryKey::Connect(L"\\\\no-such-host-q7", kHKeyLocalMachine, native, c...));
       }),
       Failed(ERROR_BAD_NETPATH)},
      {"subkey names",
       Both([&](auto&... c) { return Sorted(SubkeyNames(root, key, native, c...)); }),
       {Read{std::vector<std::wstring>{L"Fleeting", L"Locked", L"Parent", L"Tree"}}}},
      {"delete key with a subkey",
       Both([&](auto&... c) { return flag(DeleteKey(root, scratch.Sub(L"Parent"), native, c...)); }),
       Failed(ERROR_ACCESS_DENIED)},
      // Each form deletes what it made.
      {"delete key",
       Both([&](auto&... c) {
         testing::MakeKey(HKEY_CURRENT_USER, scratch.Sub(L"Parent\\Child"));
         return flag(DeleteKey(root, scratch.Sub(L"Parent\\Child"), native, c...));
       }),
       {flag(true)}},
      {"delete tree",
       Both([&](auto&... c) {
         testing::MakeKey(HKEY_CURRENT_USER, scratch.Sub(L"Tree\\Child\\Grandchild"));
         return flag(keyAt.DeleteSubkeyTree(L"Tree", c...));
       }),
       {flag(true)}},
      {"tree deleted",
       Both([&](auto&... c) { return flag(KeyExists(root, scratch.Sub(L"Tree"), native, c...)); }),
       {flag(false)}},
      {"delete value",
       Both([&](auto&... c) {
         testing::WriteRaw(HKEY_CURRENT_USER, key, "sz", {REG_SZ, "42\0"s});
         return flag(DeleteValue(root, key, L"sz", native, c...));
       }),
       {flag(true)}},
      {"deleted value",
       Both([&](auto&... c) { return Got(ReadString(root, key, L"sz", native, c...)); }),
       {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ExpectBoth(row.call, row.expected);
  }

  RawValue kept;
  ASSERT_TRUE(testing::ReadRawW(HKEY_CURRENT_USER, key, L"v", kept));
  EXPECT_EQ(kept, (RawValue{REG_SZ, testing::Utf16Bytes(L"kept\0"s)})) << "a name cut at its NUL was written";
  std::vector<RegistryValueEntry> types = keyAt.Values();
  std::sort(types.begin(), types.end(), [](auto& a, auto& b) { return a.name < b.name; });
  EXPECT_EQ(types, (std::vector<RegistryValueEntry>{{L"big", REG_DWORD_BIG_ENDIAN},
                                                    {L"dword", REG_DWORD},
                                                    {L"expand", REG_EXPAND_SZ},
                                                    {L"long reference", REG_EXPAND_SZ},
                                                    {L"q", REG_QWORD},
                                                    {L"qword", REG_QWORD},
                                                    {L"short dword", REG_DWORD},
                                                    {L"short qword", REG_QWORD},
                                                    {L"v", REG_SZ}}));
}

// Every argument type an engineer writes, and any type code through
// WriteValue, in a key and values named outside the BMP, compared with what
// the raw W functions read; then the same bytes written raw and read back
// through the key object.
TEST(RegistryFunctions, EachArgumentTypeStoresWhatItNamesAndUnicodeRoundTripsExactly) {
  ScratchKey scratch;
  const std::wstring path = scratch.Sub(L"\u65E5\u672C \U0001F600 Caf\u00E9");
  const std::wstring text = L"\u0416 \u4E00 \U0001F600 \U00010348 \xD800 end";
  const auto bytesOf = [](auto number) {
    return std::string(reinterpret_cast<const char*>(&number), sizeof number);
  };
  using testing::Utf16Bytes;

  const struct {
    const wchar_t* name;
    std::function<void(RegistryKey&, const std::wstring&)> write;
    RawValue raw;
    std::function<Read(const RegistryKey&, const std::wstring&)> read;
    Read expected;
  } rows[] = {
      {L"dword \U0001F600",
       [](auto& k, auto& n) { k.Write(n, 42u); },
       {REG_DWORD, bytesOf(42u)},
       [](auto& k, auto& n) { return Got(k.ReadDword(n)); },
       std::uint64_t{42}},
      {L"qword \U0001F600",
       [](auto& k, auto& n) { k.Write(n, std::uint64_t{0x1122334455667788}); },
       {REG_QWORD, bytesOf(std::uint64_t{0x1122334455667788})},
       [](auto& k, auto& n) { return Got(k.ReadQword(n)); },
       std::uint64_t{0x1122334455667788}},
      {L"string \u4E00",
       [&](auto& k, auto& n) { k.Write(n, text); },
       {REG_SZ, Utf16Bytes(text + L'\0')},
       [](auto& k, auto& n) { return Got(k.ReadString(n)); },
       text},
      {L"string ending in a NUL",
       [](auto& k, auto& n) { k.Write(n, L"a\0"s); },
       {REG_SZ, Utf16Bytes(L"a\0\0"s)},
       [](auto& k, auto& n) { return Got(k.ReadString(n)); },
       L"a\0"s},
      {L"empty string",
       [](auto& k, auto& n) { k.Write(n, L""s); },
       {REG_SZ, Utf16Bytes(L"\0"s)},
       [](auto& k, auto& n) { return Got(k.ReadString(n)); },
       L""s},
      {L"strings \U00010348",
       [&](auto& k, auto& n) { k.Write(n, std::vector<std::wstring>{text, L"\u00E9"}); },
       {REG_MULTI_SZ, Utf16Bytes(text + L'\0' + L"\u00E9\0\0"s)},
       [](auto& k, auto& n) { return Got(k.ReadStrings(n)); },
       std::vector<std::wstring>{text, L"\u00E9"}},
      {L"no strings",
       [](auto& k, auto& n) { k.Write(n, std::vector<std::wstring>{}); },
       {REG_MULTI_SZ, Utf16Bytes(L"\0"s)},
       [](auto& k, auto& n) { return Got(k.ReadStrings(n)); },
       std::vector<std::wstring>{}},
      {L"binary",
       [](auto& k, auto& n) { k.Write(n, Bytes{0, 255, 1}); },
       {REG_BINARY, "\0\xFF\x01"s},
       [](auto& k, auto& n) { return Got(k.ReadBinary(n)); },
       Bytes{0, 255, 1}},
      {L"a DWORD variable",
       [](auto& k, auto& n) {
         const DWORD count = 5;
         k.Write(n, count);
       },
       {REG_DWORD, bytesOf(5u)},
       [](auto& k, auto& n) { return Got(k.ReadDword(n)); },
       std::uint64_t{5}},
      {L"unsigned long",
       [](auto& k, auto& n) { k.Write(n, 7ul); },
       {REG_DWORD, bytesOf(7u)},
       [](auto& k, auto& n) { return Got(k.ReadDword(n)); },
       std::uint64_t{7}},
      {L"std::uint32_t",
       [](auto& k, auto& n) { k.Write(n, std::uint32_t{9}); },
       {REG_DWORD, bytesOf(9u)},
       [](auto& k, auto& n) { return Got(k.ReadDword(n)); },
       std::uint64_t{9}},
      {L"ULONGLONG",
       [](auto& k, auto& n) { k.Write(n, ULONGLONG{1} << 33); },
       {REG_QWORD, bytesOf(ULONGLONG{1} << 33)},
       [](auto& k, auto& n) { return Got(k.ReadQword(n)); },
       std::uint64_t{1} << 33},
      // The same source stores REG_DWORD from a 32-bit build, REG_QWORD from a 64-bit one.
      {L"std::size_t",
       [](auto& k, auto& n) { k.Write(n, std::size_t{3}); },
       {sizeof(std::size_t) == 8 ? DWORD{REG_QWORD} : DWORD{REG_DWORD}, bytesOf(std::size_t{3})},
       [](auto& k, auto& n) { return Got(k.ReadValue(n)); },
       RegistryValue{sizeof(std::size_t) == 8 ? REG_QWORD : REG_DWORD,
                     sizeof(std::size_t) == 8 ? Bytes{3, 0, 0, 0, 0, 0, 0, 0} : Bytes{3, 0, 0, 0}}},
      {L"a view of part of a text",
       [&](auto& k, auto& n) { k.Write(n, std::wstring_view(text).substr(0, 3)); },
       {REG_SZ, Utf16Bytes(text.substr(0, 3) + L'\0')},
       [](auto& k, auto& n) { return Got(k.ReadString(n)); },
       text.substr(0, 3)},
      {L"a literal",
       [](auto& k, auto& n) { k.Write(n, L"lit"); },
       {REG_SZ, Utf16Bytes(L"lit\0"s)},
       [](auto& k, auto& n) { return Got(k.ReadString(n)); },
       L"lit"s},
      {L"a braced list",
       [](auto& k, auto& n) { k.Write(n, {L"a", L"b"}); },
       {REG_MULTI_SZ, Utf16Bytes(L"a\0b\0\0"s)},
       [](auto& k, auto& n) { return Got(k.ReadStrings(n)); },
       std::vector<std::wstring>{L"a", L"b"}},
      {L"expandable, read as stored",
       [](auto& k, auto& n) { k.Write(n, ExpandableString{L"%PATH%;C:\\Tools"}); },
       {REG_EXPAND_SZ, Utf16Bytes(L"%PATH%;C:\\Tools\0"s)},
       [](auto& k, auto& n) { return Got(k.ReadExpandableString(n)); },
       L"%PATH%;C:\\Tools"s},
      {L"REG_NONE, empty",
       [](auto& k, auto& n) { k.WriteValue(n, {REG_NONE, {}}); },
       {REG_NONE, ""s},
       [](auto& k, auto& n) { return Got(k.ReadValue(n)); },
       RegistryValue{REG_NONE, {}}},
      {L"REG_DWORD_BIG_ENDIAN",
       [](auto& k, auto& n) { k.WriteValue(n, {REG_DWORD_BIG_ENDIAN, {0, 0, 0, 5}}); },
       {REG_DWORD_BIG_ENDIAN, "\0\0\0\x05"s},
       [](auto& k, auto& n) { return Got(k.ReadValue(n)); },
       RegistryValue{REG_DWORD_BIG_ENDIAN, {0, 0, 0, 5}}},
      {L"REG_RESOURCE_LIST",
       [](auto& k, auto& n) { k.WriteValue(n, {REG_RESOURCE_LIST, {1, 0, 2}}); },
       {REG_RESOURCE_LIST, "\x01\0\x02"s},
       [](auto& k, auto& n) { return Got(k.ReadValue(n)); },
       RegistryValue{REG_RESOURCE_LIST, {1, 0, 2}}},
      {L"a code beyond every type",
       [](auto& k, auto& n) { k.WriteValue(n, {0x12345, {'x', 'y', 'z'}}); },
       {0x12345, "xyz"s},
       [](auto& k, auto& n) { return Got(k.ReadValue(n)); },
       RegistryValue{0x12345, {'x', 'y', 'z'}}},
      {L"expandable \u00E9",
       [&](auto& k, auto& n) { k.Write(n, ExpandableString{L"%SystemRoot%" + text}); },
       {REG_EXPAND_SZ, Utf16Bytes(L"%SystemRoot%" + text + L'\0')},
       [](auto& k, auto& n) { return Got(k.ReadExpandedString(n)); },
       SystemRoot() + text},
      {L"",
       [&](auto& k, auto& n) { k.Write(n, text); },
       {REG_SZ, Utf16Bytes(text + L'\0')},
       [](auto& k, auto& n) { return Got(k.ReadString(n)); },
       text},
  };
  RegistryKey key = RegistryKey::Create(kHKeyCurrentUser, path);
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Utf8(row.name));
    row.write(key, row.name);
    RawValue stored;
    ASSERT_TRUE(testing::ReadRawW(HKEY_CURRENT_USER, path, row.name, stored));
    EXPECT_EQ(stored, row.raw);
    ASSERT_TRUE(key.DeleteValue(row.name));
    testing::WriteRawW(HKEY_CURRENT_USER, path, row.name, row.raw);
    EXPECT_EQ(Call([&] { return row.read(key, row.name); }), Coded{row.expected});
  }
  std::vector<std::wstring> names;
  for (const auto& row : rows) names.push_back(row.name);
  EXPECT_EQ(Sorted(ValueNames(kHKeyCurrentUser, path)), Sorted(names));
  EXPECT_EQ(SubkeyNames(kHKeyCurrentUser, scratch.Path()),
            (std::vector<std::wstring>{path.substr(path.rfind(L'\\') + 1)}));
}

// Data of any size the registry holds: a MiB of bytes, and a REG_EXPAND_SZ
// beyond the 32K characters one ExpandEnvironmentStringsW call handles, with
// references at both ends and undefined ones, kept as written, between.
TEST(RegistryFunctions, DataOfAnySizeReadsWhole) {
  ScratchKey scratch;
  const std::wstring path = scratch.Path();
  Bytes mebibyte(1 << 20);
  for (std::size_t i = 0; i < mebibyte.size(); ++i) mebibyte[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  Write(kHKeyCurrentUser, path, L"binary", mebibyte);
  EXPECT_EQ(ReadBinary(kHKeyCurrentUser, path, L"binary"), mebibyte);

  std::wstring middle;
  while (middle.size() < 40000 - 2 * 12) middle += L"x%NoSuchVariable%y\u00E9 50% ";
  middle.resize(40000 - 2 * 12);
  const std::wstring stored = L"%SystemRoot%" + middle + L"%SystemRoot%";
  ASSERT_EQ(stored.size(), 40000u);
  Write(kHKeyCurrentUser, path, L"expandable", ExpandableString{stored});
  const auto expanded = ReadExpandedString(kHKeyCurrentUser, path, L"expandable");
  ASSERT_TRUE(expanded);
  EXPECT_EQ(expanded->size(), 2 * SystemRoot().size() + middle.size());
  EXPECT_TRUE(*expanded == SystemRoot() + middle + SystemRoot()) << "the long text was not expanded whole";
  EXPECT_EQ(Call([&] { return Got(ReadString(kHKeyCurrentUser, path, L"expandable")); }),
            Failed(ERROR_UNSUPPORTED_TYPE));
}

// The seam every read goes through, fed a value that changes size between the
// queries: a change is read again once, a second one is a failure.
TEST(RegistryFunctions, DataThatChangesSizeIsReadAgainOnce) {
  const struct {
    const char* name;
    std::vector<DWORD> sizes;  // the value's size at each query
    LONG expected;
    std::size_t queries;
  } rows[] = {
      {"fits the first buffer", {4}, ERROR_SUCCESS, 1},
      {"larger than the first buffer", {4000, 4000}, ERROR_SUCCESS, 2},
      {"grew between the queries", {4000, 9000, 9000}, ERROR_SUCCESS, 3},
      {"shrank to fit between the queries", {4000, 8}, ERROR_SUCCESS, 2},
      {"kept growing", {4000, 9000, 20000, 20000}, ERROR_MORE_DATA, 3},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::size_t queries = 0;
    const auto query = [&](DWORD* type, BYTE* data, DWORD* size) -> LONG {
      const DWORD stored = row.sizes.at(queries++);
      *type = REG_BINARY;
      if (*size < stored) {
        *size = stored;
        return ERROR_MORE_DATA;
      }
      std::fill(data, data + stored, BYTE{7});
      *size = stored;
      return ERROR_SUCCESS;
    };
    layer::ValueData value;
    EXPECT_EQ(layer::QueryValueData(query, value), row.expected);
    EXPECT_EQ(queries, row.queries);
    if (row.expected == ERROR_SUCCESS) {
      EXPECT_EQ(value.bytes, std::vector<BYTE>(row.sizes.back(), 7));
    }
  }
}

// An HKLM\SOFTWARE key of the test's own, removed in both views at the end.
class MachineScratch {
 public:
  MachineScratch() { Remove(); }
  ~MachineScratch() { Remove(); }
  MachineScratch(const MachineScratch&) = delete;
  MachineScratch& operator=(const MachineScratch&) = delete;
  static constexpr const wchar_t* kParent = L"SOFTWARE\\CorvalidyneTests";
  static constexpr const wchar_t* kName = L"Views";
  std::wstring Path() const { return std::wstring(kParent) + L"\\" + kName; }

 private:
  static void Remove() {
    for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
      HKEY parent = nullptr;
      if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kParent, 0, KEY_ALL_ACCESS | view, &parent) != ERROR_SUCCESS)
        continue;
      RegDeleteTreeW(parent, kName);
      RegCloseKey(parent);
    }
  }
};

// The views as a 64-bit and a 32-bit program see them. With two views (a
// 64-bit program, or a 32-bit one on 64-bit Windows) a k32Bit write lands
// under WOW6432Node and the 64-bit view does not see it; a 32-bit Wine prefix
// (the i686 tree's) has one registry, which every view reaches.
TEST(RegistryFunctions, EachViewReachesItsOwnRegistry) {
  BOOL wow64 = FALSE;
  IsWow64Process(GetCurrentProcess(), &wow64);
  const bool twoViews = sizeof(void*) == 8 || wow64;
  const MachineScratch scratch;
  const std::wstring path = scratch.Path();
  const auto root = kHKeyLocalMachine;
  const std::wstring redirected = L"SOFTWARE\\WOW6432Node\\CorvalidyneTests\\Views";

  testing::WriteRawW(HKEY_LOCAL_MACHINE, path, L"only64", {REG_SZ, testing::Utf16Bytes(L"64\0"s)},
                     KEY_WOW64_64KEY);
  Write(root, path, L"which", L"32"s, RegistryView::k32Bit);
  Write(root, path + L"\\Sub32", L"v", 1u, RegistryView::k32Bit);
  Write(root, path, L"which", L"64"s, RegistryView::k64Bit);
  const std::wstring in32 = twoViews ? L"32" : L"64";
  const std::wstring native = sizeof(void*) == 8 ? L"64" : in32;
  // Named beforehand: GCC 12 leaves a variant's Read{} in a conditional expression valueless.
  const std::vector<std::wstring> none, sub32{L"Sub32"}, which{L"which"}, both{L"only64", L"which"};
  const Read nothing, only64In32 = twoViews ? nothing : Read{L"64"s},
                      in32After = twoViews ? Read{L"32"s} : nothing;

  const struct {
    const char* name;
    std::function<Read()> call;
    Read expected;
  } rows[] = {
      {"read, 32-bit view", [&] { return Got(ReadString(root, path, L"which", RegistryView::k32Bit)); },
       in32},
      {"read, 64-bit view", [&] { return Got(ReadString(root, path, L"which", RegistryView::k64Bit)); },
       L"64"s},
      {"read, native view", [&] { return Got(ReadString(root, path, L"which")); }, native},
      {"raw 64-bit write, 64-bit view",
       [&] { return Got(ReadString(root, path, L"only64", RegistryView::k64Bit)); }, L"64"s},
      {"raw 64-bit write, 32-bit view",
       [&] { return Got(ReadString(root, path, L"only64", RegistryView::k32Bit)); }, only64In32},
      {"32-bit write under WOW6432Node",
       [&] {
         RawValue raw;
         return Read{testing::ReadRawW(HKEY_LOCAL_MACHINE, redirected, L"which", raw, KEY_WOW64_64KEY) &&
                     raw == RawValue{REG_SZ, testing::Utf16Bytes(L"32\0"s)}};
       },
       Read{twoViews}},
      {"subkeys, 32-bit view", [&] { return Read{SubkeyNames(root, path, RegistryView::k32Bit)}; }, sub32},
      {"subkeys, 64-bit view", [&] { return Read{SubkeyNames(root, path, RegistryView::k64Bit)}; },
       twoViews ? none : sub32},
      {"values, 32-bit view", [&] { return Sorted(ValueNames(root, path, RegistryView::k32Bit)); },
       twoViews ? which : both},
      {"exists, 64-bit view", [&] { return Read{KeyExists(root, path + L"\\Sub32", RegistryView::k64Bit)}; },
       Read{!twoViews}},
      {"delete value, 64-bit view",
       [&] { return Read{DeleteValue(root, path, L"which", RegistryView::k64Bit)}; }, Read{true}},
      {"after, 32-bit view", [&] { return Got(ReadString(root, path, L"which", RegistryView::k32Bit)); },
       in32After},
      {"delete key, 64-bit view",
       [&] { return Read{DeleteKey(root, path + L"\\Sub32", RegistryView::k64Bit)}; }, Read{!twoViews}},
      {"delete key, 32-bit view",
       [&] {
         Write(root, path + L"\\Gone32", L"v", 1u, RegistryView::k32Bit);
         return Read{DeleteKey(root, path + L"\\Gone32", RegistryView::k32Bit)};
       },
       Read{true}},
      {"deleted key, 32-bit view",
       [&] { return Read{KeyExists(root, path + L"\\Gone32", RegistryView::k32Bit)}; }, Read{false}},
      {"delete tree, 32-bit view",
       [&] {
         return Read{RegistryKey::Open(root, path, RegistryView::k32Bit, RegistryAccess::kReadWrite)
                         ->DeleteSubkeyTree(L"Sub32")};
       },
       Read{twoViews}},
      {"deleted, 32-bit view", [&] { return Read{KeyExists(root, path + L"\\Sub32", RegistryView::k32Bit)}; },
       Read{false}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Call(row.call), Coded{row.expected});
  }
}

// The integers an engineer writes compile; a bare or signed integer names no
// registry type and must not pick one.
template <typename Value>
concept Writable = requires(RegistryKey& key, Value value) { key.Write(std::wstring_view(), value); };
static_assert(Writable<DWORD> && Writable<ULONG> && Writable<std::uint32_t> && Writable<std::uint64_t> &&
              Writable<ULONGLONG> && Writable<std::size_t> && Writable<const wchar_t*> &&
              Writable<std::wstring> && Writable<std::wstring_view>);
static_assert(!Writable<int> && !Writable<long> && !Writable<long long> && !Writable<bool> &&
              !Writable<short> && !Writable<unsigned short> && !Writable<wchar_t> && !Writable<double>);
static_assert(std::ranges::input_range<RegistryValueListing> &&
              std::ranges::input_range<RegistryValueDataListing> &&
              std::ranges::input_range<RegistrySubkeyListing>);
static_assert(!std::is_copy_constructible_v<RegistryKey> &&
              std::is_nothrow_move_constructible_v<RegistryKey>);

}  // namespace
}  // namespace corvalidyne
