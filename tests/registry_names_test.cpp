#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

#include "addressing.h"
#include "corvalidyne/registry.h"
#include "raw_registry.h"
#include "registry_outcome.h"
#include "scratch_key.h"

namespace corvalidyne {
namespace {

using testing::ComputerName;
using namespace std::string_literals;
using testing::Attempt;
using testing::Done;
using testing::Listed;
using testing::Outcome;
using testing::ScratchKey;

const std::wstring kSource = testing::ErrorSource();
const TaggedValue kFallback = L"fallback"s;

Registry Addressing(const std::wstring& section, const std::wstring& valueKey,
                    const std::wstring& machine = L"") {
  return testing::Addressing(kHKeyCurrentUser, section, valueKey, REG_SZ, machine, kFallback);
}

// A key path, value name or machine name that an ANSI call would receive cut at
// a NUL, or with a character replaced, must never reach the registry: it would
// address the existing key "Real" or value "v" instead of the one asked for.
// Nor may text data whose characters the code page cannot hold: "v" would keep
// a "?" in their place.
TEST(RegistryNames, NamesThatCannotReachTheRegistryUnalteredAddressNothing) {
  ScratchKey scratch;
  const std::wstring real = scratch.Sub(L"Real");
  testing::WriteRaw(HKEY_CURRENT_USER, real, "v", {REG_SZ, "kept\0"s});
  testing::MakeKey(HKEY_CURRENT_USER, real + L"\\Child");
  const std::wstring cutPath = real + L"\0\\Other"s;
  const std::wstring cutName = L"v\0w"s;
  const std::wstring foreignPath = real + L"\u4E00";  // not in the ANSI code page: would become "Real?"
  const std::wstring self = ComputerName();
  const std::wstring setKeyMessage = L"Failed to set registry Value Key: '-2147483647',Section: '";
  const std::wstring setValueMessage = L"Failed to set registry value Key: '-2147483647',Section:";

  const struct {
    const char* name;
    std::function<TaggedValue()> call;
    Outcome expected;
  } cases[] = {
      {"KeyExists, cut path", [&] { return TaggedValue{Addressing(cutPath, L"v").KeyExists()}; }, {false}},
      {"KeyExists, foreign path",
       [&] { return TaggedValue{Addressing(foreignPath, L"v").KeyExists()}; },
       {false}},
      {"read, cut path", [&] { return Addressing(cutPath, L"v").Value(); }, {kFallback}},
      {"read, cut name", [&] { return Addressing(real, cutName).Value(); }, {kFallback}},
      {"read, foreign name", [&] { return Addressing(real, L"v\u4E00").Value(); }, {kFallback}},
      {"read, cut machine", [&] { return Addressing(real, L"v", self + L"\0x"s).Value(); }, {kFallback}},
      {"ValueEx read, cut name",
       [&] { return Registry().ValueEx(kHKeyCurrentUser, real, cutName, REG_NONE, kFallback); },
       {kFallback}},
      {"values, cut path",
       [&] { return Listed(&Registry::EnumerateValues, Addressing(cutPath, L"")); },
       {L"1:0"s}},
      {"sections, cut path",
       [&] { return Listed(&Registry::EnumerateSections, Addressing(cutPath, L"")); },
       {L"1:0"s}},
      {"sections, foreign path",
       [&] { return Listed(&Registry::EnumerateSections, Addressing(foreignPath, L"")); },
       {L"1:0"s}},
      {"write, cut path", [&] { return Addressing(cutPath, L"v").Value(L"lost"), TaggedValue{}; },
       Outcome(26001, setKeyMessage + cutPath + L"',Key:")},
      {"write, cut name", [&] { return Addressing(real, cutName).Value(L"lost"), TaggedValue{}; },
       Outcome(-2147194455, setValueMessage)},
      {"write, cut name below a missing key",
       [&] { return Addressing(scratch.Sub(L"Fresh"), cutName).Value(L"lost"), TaggedValue{}; },
       Outcome(-2147194455, setValueMessage)},
      {"write, cut name below a cut path: the path's error, as its creation's",
       [&] { return Addressing(cutPath, cutName).Value(L"lost"), TaggedValue{}; },
       Outcome(26001, setKeyMessage + cutPath + L"',Key:")},
      {"write, foreign name", [&] { return Addressing(real, L"v\u4E00").Value(L"lost"), TaggedValue{}; },
       Outcome(-2147194455, setValueMessage)},
      {"write, foreign text", [&] { return Addressing(real, L"v").Value(L"lost\u4E00"), TaggedValue{}; },
       Outcome(-2147194455, setValueMessage)},
      {"write, cut machine",
       [&] { return Addressing(real, L"v", self + L"\0x"s).Value(L"lost"), TaggedValue{}; },
       Outcome(26001, setKeyMessage + real + L"',Key:")},
      {"ValueEx write, cut path",
       [&] { return Registry().ValueEx(kHKeyCurrentUser, cutPath, L"v", REG_DWORD, {}, 7), TaggedValue{}; },
       Outcome(26001, setKeyMessage + cutPath + L"',Key:")},
      {"create, cut path", [&] { return TaggedValue{Addressing(real + L"\\New\0x"s, L"").CreateKey()}; },
       Outcome(26001, L"Failed to create registry")},
      {"create, foreign path", [&] { return TaggedValue{Addressing(real + L"\\N\u4E00", L"").CreateKey()}; },
       Outcome(26001, L"Failed to create registry")},
      {"delete key, cut path",
       [&] { return TaggedValue{Addressing(real + L"\\Child\0x"s, L"").DeleteKey()}; },
       Outcome(26001, L"Failed to delete registry")},
      {"delete value, cut path", [&] { return TaggedValue{Addressing(cutPath, L"v").DeleteValue()}; },
       Outcome(26001, L"Failed to open key '-2147483647',Section: '" + cutPath + L"' for delete access")},
      {"delete value, cut name", [&] { return TaggedValue{Addressing(real, cutName).DeleteValue()}; },
       Outcome(26001,
               L"Failed to delete Registry Key: '-2147483647',Section: '" + real + L"',Key: '" + cutName)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Attempt(c.call, kSource), c.expected);
  }

  testing::RawValue kept;
  ASSERT_TRUE(testing::ReadRawW(HKEY_CURRENT_USER, real, L"v", kept));
  EXPECT_EQ(kept, (testing::RawValue{REG_SZ, testing::Utf16Bytes(L"kept\0"s)})) << "a cut name overwrote v";
  NameList values;
  std::int32_t count = 0;
  Addressing(real, L"").EnumerateValues(values, count);
  EXPECT_EQ(count, 1) << "a refused name was written under another name";
  EXPECT_TRUE(testing::KeyPresent(HKEY_CURRENT_USER, real + L"\\Child")) << "a cut path deleted Child";
  EXPECT_FALSE(testing::KeyPresent(HKEY_CURRENT_USER, real + L"\\New"));
  EXPECT_FALSE(testing::KeyPresent(HKEY_CURRENT_USER, real + L"\\N?"));
  EXPECT_FALSE(testing::KeyPresent(HKEY_CURRENT_USER, scratch.Sub(L"Fresh")))
      << "a refused write created its key";
}

// String data is not a name: its NUL characters are stored and read back.
TEST(RegistryNames, TextDataKeepsItsNulCharacters) {
  ScratchKey scratch;
  Registry registry = Addressing(scratch.Path(), L"data");
  registry.Value(L"a\0b"s);
  testing::RawValue raw;
  ASSERT_TRUE(testing::ReadRawA(HKEY_CURRENT_USER, scratch.Path(), "data", raw));
  EXPECT_EQ(raw, (testing::RawValue{REG_SZ, "a\0b\0"s}));
  EXPECT_EQ(registry.Value(), TaggedValue{L"a\0b"s});

  // Stored as REG_EXPAND_SZ: every piece is expanded, none lost behind the NUL.
  wchar_t systemRoot[MAX_PATH] = {};
  ASSERT_GT(ExpandEnvironmentStringsW(L"%SystemRoot%", systemRoot, MAX_PATH), 1u);
  registry.Value(L"%SystemRoot%\\a\0%SystemRoot%\\b"s);
  EXPECT_EQ(registry.Value(), TaggedValue{systemRoot + L"\\a\0"s + systemRoot + L"\\b"});
  EXPECT_EQ(registry.ValueType(), REG_EXPAND_SZ);
}

}  // namespace
}  // namespace corvalidyne
