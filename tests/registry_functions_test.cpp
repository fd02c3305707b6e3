#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>

#include "addressing.h"
#include "corvalidyne/registry.h"
#include "corvalidyne/registry_functions.h"
#include "raw_registry.h"
#include "registry_outcome.h"
#include "scratch_key.h"

namespace corvalidyne {
namespace {

using namespace std::string_literals;
using testing::Attempt;
using testing::Done;
using testing::Outcome;
using testing::RawValue;
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

// Names in order, one per line, so that the registry's own order does not matter.
TaggedValue Sorted(std::vector<std::wstring> names) {
  std::sort(names.begin(), names.end());
  std::wstring lines;
  for (const std::wstring& name : names) lines += name + L"\n";
  return lines;
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

// What is absent or of another type reads as nothing; names the code page
// cannot hold are refused with the object's errors and touch nothing; keys are
// tested, listed and deleted as the object does.
TEST(RegistryFunctions, AbsentOtherTypesRefusedNamesAndKeys) {
  ScratchKey scratch;
  const std::wstring key = scratch.Path();
  const std::wstring missing = scratch.Sub(L"Missing");
  testing::WriteRaw(HKEY_CURRENT_USER, key, "sz", {REG_SZ, "42\0"s});
  testing::WriteRaw(HKEY_CURRENT_USER, key, "dword", {REG_DWORD, "\x2A\0\0\0"s});
  testing::WriteRaw(HKEY_CURRENT_USER, key, "expand", {REG_EXPAND_SZ, "x\0"s});
  testing::WriteRaw(HKEY_CURRENT_USER, key, "big", {REG_DWORD_BIG_ENDIAN, "\0\0\0\x2A"s});
  // Where a foreign name would land if it were changed into a nearby one.
  testing::WriteRaw(HKEY_CURRENT_USER, key, "v?", {REG_SZ, "kept\0"s});
  testing::WriteRaw(HKEY_CURRENT_USER, scratch.Sub(L"Sub?"), "inside", {REG_SZ, "kept\0"s});
  const std::wstring setKeyMessage = L"Failed to set registry Value Key: '-2147483647',Section: '";
  const std::wstring setValueMessage = L"Failed to set registry value Key: '-2147483647',Section:";
  const std::wstring foreignName = L"v\u4E00";
  const std::wstring foreignPath = scratch.Sub(L"Sub\u4E00");
  const auto root = kHKeyCurrentUser;

  const struct {
    const char* name;
    std::function<TaggedValue()> call;
    Outcome expected;
  } rows[] = {
      {"dword, absent value", [&] { return Tagged(ReadDword(root, key, L"none")); }, TaggedValue{}},
      {"string, absent key", [&] { return Tagged(ReadString(root, missing, L"sz")); }, TaggedValue{}},
      {"strings, absent value", [&] { return Tagged(ReadStrings(root, key, L"none")); }, TaggedValue{}},
      {"binary, absent value", [&] { return Tagged(ReadBinary(root, key, L"none")); }, TaggedValue{}},
      {"expanded, absent value", [&] { return Tagged(ReadExpandedString(root, key, L"none")); },
       TaggedValue{}},
      {"dword of a REG_SZ", [&] { return Tagged(ReadDword(root, key, L"sz")); }, TaggedValue{}},
      {"dword of a REG_DWORD_BIG_ENDIAN", [&] { return Tagged(ReadDword(root, key, L"big")); },
       TaggedValue{}},
      {"string of a REG_DWORD", [&] { return Tagged(ReadString(root, key, L"dword")); }, TaggedValue{}},
      {"string of a REG_EXPAND_SZ", [&] { return Tagged(ReadString(root, key, L"expand")); }, TaggedValue{}},
      {"expanded of a REG_SZ", [&] { return Tagged(ReadExpandedString(root, key, L"sz")); }, TaggedValue{}},
      {"strings of a REG_SZ", [&] { return Tagged(ReadStrings(root, key, L"sz")); }, TaggedValue{}},
      {"binary of a REG_SZ", [&] { return Tagged(ReadBinary(root, key, L"sz")); }, TaggedValue{}},
      {"read, foreign name", [&] { return Tagged(ReadString(root, key, foreignName)); }, TaggedValue{}},
      {"read, name cut at a NUL", [&] { return Tagged(ReadString(root, key, L"sz\0x"s)); }, TaggedValue{}},
      {"key exists, foreign path", [&] { return TaggedValue{KeyExists(root, foreignPath)}; },
       TaggedValue{false}},
      {"values, foreign path", [&] { return Sorted(ValueNames(root, foreignPath)); }, TaggedValue{L""s}},
      {"write, foreign name", [&] { return Done([&] { Write(root, key, foreignName, 1u); }); },
       Outcome(-2147194455, setValueMessage)},
      {"write, foreign path", [&] { return Done([&] { Write(root, foreignPath, L"v", L"t"s); }); },
       Outcome(26001, setKeyMessage + foreignPath + L"',Key:")},
      {"write, foreign text", [&] { return Done([&] { Write(root, missing, L"v", L"t\u4E00"s); }); },
       Outcome(-2147194455, setValueMessage)},
      {"write, foreign expandable text",
       [&] { return Done([&] { Write(root, missing, L"v", ExpandableString{L"%a%\u4E00"}); }); },
       Outcome(-2147194455, setValueMessage)},
      {"write, an empty string in a list",
       [&] { return Done([&] { Write(root, missing, L"v", std::vector<std::wstring>{L"a", L"", L"b"}); }); },
       Outcome(-2147194455, setValueMessage)},
      {"write, a NUL in a listed string",
       [&] { return Done([&] { Write(root, missing, L"v", std::vector<std::wstring>{L"a\0b"s}); }); },
       Outcome(-2147194455, setValueMessage)},
      {"delete value, foreign name", [&] { return Done([&] { DeleteValue(root, key, foreignName); }); },
       Outcome(26001,
               L"Failed to delete Registry Key: '-2147483647',Section: '" + key + L"',Key: '" + foreignName)},
      {"delete key, foreign path", [&] { return Done([&] { DeleteKey(root, foreignPath); }); },
       Outcome(26001, L"Failed to delete registry")},
      {"key exists", [&] { return TaggedValue{KeyExists(root, key)}; }, TaggedValue{true}},
      {"key exists, absent", [&] { return TaggedValue{KeyExists(root, missing)}; }, TaggedValue{false}},
      {"value names", [&] { return Sorted(ValueNames(root, key)); },
       TaggedValue{L"big\ndword\nexpand\nsz\nv?\n"s}},
      {"subkey names", [&] { return Sorted(SubkeyNames(root, key)); }, TaggedValue{L"Sub?\n"s}},
      {"subkey names, absent key", [&] { return Sorted(SubkeyNames(root, missing)); }, TaggedValue{L""s}},
      {"delete value", [&] { return Done([&] { DeleteValue(root, key, L"sz"); }); }, TaggedValue{}},
      {"deleted value", [&] { return Tagged(ReadString(root, key, L"sz")); }, TaggedValue{}},
      {"delete value, absent", [&] { return Done([&] { DeleteValue(root, key, L"sz"); }); },
       Outcome(26001, L"Failed to delete Registry Key: '-2147483647',Section: '" + key + L"',Key: 'sz")},
      {"delete key with a subkey", [&] { return Done([&] { DeleteKey(root, key); }); },
       Outcome(26001, L"Failed to delete registry")},
      {"delete key", [&] { return Done([&] { DeleteKey(root, scratch.Sub(L"Sub?")); }); }, TaggedValue{}},
      {"delete key, absent", [&] { return Done([&] { DeleteKey(root, missing); }); },
       Outcome(26001, L"Failed to delete registry")},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Attempt(row.call, kSource), row.expected);
  }

  RawValue kept;
  ASSERT_TRUE(testing::ReadRawA(HKEY_CURRENT_USER, key, "v?", kept));
  EXPECT_EQ(kept, (RawValue{REG_SZ, "kept\0"s})) << "a foreign name was written as a nearby one";
  EXPECT_FALSE(testing::KeyPresent(HKEY_CURRENT_USER, missing)) << "a refused write created its key";
}

}  // namespace
}  // namespace corvalidyne
