#include <gtest/gtest.h>

#include <windows.h>

#include "corvalidyne/registry.h"
#include "process_runner.h"
#include "raw_registry.h"
#include "scratch_key.h"

namespace corvalidyne {
namespace {

using testing::Ansi;
using testing::ComputerName;
using namespace std::string_literals;
using testing::RawValue;
using testing::ReadRawA;
using testing::RunReg;
using testing::ScratchKey;

Registry WriterAt(const std::wstring& section, const std::wstring& valueKey, RegistryValueType type) {
  Registry registry;
  registry.ClassKey(kHKeyCurrentUser);
  registry.SectionKey(section);
  registry.ValueKey(valueKey);
  registry.ValueType(type);
  return registry;
}

// Each write read back raw by the ANSI functions and as reg.exe lists it.
TEST(RegistryWrite, StoresEachKindAsTheValueTypeAsks) {
  ScratchKey scratch;
  const struct {
    const char* name;
    RegistryValueType valueType;
    TaggedValue written;
    RawValue stored;
    const char* regQueryLine;  // how reg.exe lists the value, or null where it cannot show it
  } cases[] = {
      {"path", REG_SZ, L"C:\\App", {REG_SZ, "C:\\App\0"s}, "path    REG_SZ    C:\\App"},
      {"reference",
       REG_SZ,
       L"%WINDIR%\\App",
       {REG_EXPAND_SZ, "%WINDIR%\\App\0"s},
       "reference    REG_EXPAND_SZ    %WINDIR%\\App"},
      {"expand plain", REG_EXPAND_SZ, L"plain", {REG_SZ, "plain\0"s}, "expand plain    REG_SZ    plain"},
      {"percent", REG_EXPAND_SZ, L"100%", {REG_SZ, "100%\0"s}, "percent    REG_SZ    100%"},
      {"far apart", REG_SZ, L"50% now, 20% later", {REG_EXPAND_SZ, "50% now, 20% later\0"s}, nullptr},
      {"adjacent", REG_SZ, L"a%%b", {REG_SZ, "a%%b\0"s}, nullptr},
      {"one between", REG_SZ, L"%a%", {REG_EXPAND_SZ, "%a%\0"s}, nullptr},
      {"third percent", REG_SZ, L"%%a%", {REG_EXPAND_SZ, "%%a%\0"s}, nullptr},
      {"empty text", REG_SZ, L"", {REG_SZ, "\0"s}, nullptr},
      {"empty value", REG_SZ, TaggedValue{}, {REG_SZ, "\0"s}, nullptr},
      {"int32 as text", REG_SZ, std::int32_t{42}, {REG_SZ, "42\0"s}, "int32 as text    REG_SZ    42"},
      {"int16 as text", REG_SZ, std::int16_t{-7}, {REG_SZ, "-7\0"s}, nullptr},
      {"true as text", REG_SZ, true, {REG_SZ, "1\0"s}, nullptr},
      {"false as text", REG_SZ, false, {REG_SZ, "0\0"s}, nullptr},
      {"double as text", REG_SZ, 2.5, {REG_SZ, "2.5\0"s}, nullptr},
      {"large double", REG_SZ, 1e20, {REG_SZ, "1e+20\0"s}, nullptr},
      {"bytes as text", REG_SZ, Bytes{0x0A, 0xFF, 0x00}, {REG_SZ, "0AFF00\0"s}, nullptr},
      {"embedded nul", REG_SZ, L"a\0b"s, {REG_SZ, "a\0b\0"s}, nullptr},
      {"code page", REG_SZ, L"Caf\u00e9", {REG_SZ, Ansi(L"Caf\u00e9") + '\0'}, nullptr},
      {"dword",
       REG_DWORD,
       std::int32_t{0x12345678},
       {REG_DWORD, "\x78\x56\x34\x12"s},
       "dword    REG_DWORD    0x12345678"},
      {"int16 dword",
       REG_DWORD,
       std::int16_t{-1},
       {REG_DWORD, "\xFF\xFF\xFF\xFF"s},
       "int16 dword    REG_DWORD    0xffffffff"},
      {"big endian",
       REG_DWORD_BIG_ENDIAN,
       std::int32_t{1},
       {REG_DWORD, "\x01\0\0\0"s},
       "big endian    REG_DWORD    0x1"},
      {"binary", REG_BINARY, Bytes{1, 2, 3}, {REG_BINARY, "\x01\x02\x03"s}, "binary    REG_BINARY    010203"},
      {"empty binary", REG_BINARY, Bytes{}, {REG_BINARY, ""s}, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Registry registry = WriterAt(scratch.Path(), std::wstring(c.name, c.name + strlen(c.name)), c.valueType);
    registry.Value(c.written);
    RawValue stored;
    ASSERT_TRUE(ReadRawA(HKEY_CURRENT_USER, scratch.Path(), c.name, stored));
    EXPECT_EQ(stored.type, c.stored.type);
    EXPECT_EQ(stored.data, c.stored.data);
    EXPECT_EQ(registry.ValueType(), c.valueType) << "a write changes no field";
  }

  const std::string listing = RunReg(L"query \"" + scratch.RegPath() + L"\"").output;
  for (const auto& c : cases) {
    if (c.regQueryLine != nullptr) {
      EXPECT_NE(listing.find("    "s + c.regQueryLine + "\r\n"), std::string::npos) << c.regQueryLine << "\n"
                                                                                    << listing;
    }
  }
}

TEST(RegistryWrite, ReadsBackWhatItWrote) {
  ScratchKey scratch;
  Registry registry = WriterAt(scratch.Sub(L"A\\B\\C"), L"n", REG_DWORD_BIG_ENDIAN);
  registry.Value(std::int32_t{1});
  registry.ValueType(REG_SZ);
  EXPECT_EQ(registry.Value(), TaggedValue{std::int32_t{1}});
  EXPECT_EQ(registry.ValueType(), REG_DWORD);

  registry.ValueKey(L"");
  registry.ValueType(REG_SZ);
  registry.Value(L"%SystemRoot%");
  wchar_t expanded[MAX_PATH] = {};
  GetEnvironmentVariableW(L"SystemRoot", expanded, MAX_PATH);
  EXPECT_EQ(registry.Value(), TaggedValue{std::wstring(expanded)});
  EXPECT_EQ(registry.ValueType(), REG_EXPAND_SZ);
}

TEST(RegistryWrite, ValueExSubstitutesDefaultOnlyForAnEmptyRegSzText) {
  ScratchKey scratch;
  const struct {
    const wchar_t* name;
    RegistryValueType valueType;
    TaggedValue newValue;
    RawValue stored;
  } cases[] = {
      {L"sz empty", REG_SZ, L"", {REG_SZ, "x\0"s}},
      {L"sz nothing", REG_SZ, TaggedValue{}, {REG_SZ, "x\0"s}},
      {L"sz given", REG_SZ, L"y", {REG_SZ, "y\0"s}},
      {L"expand empty", REG_EXPAND_SZ, L"", {REG_SZ, "\0"s}},
  };
  for (const auto& c : cases) {
    Registry registry;
    registry.ValueEx(kHKeyCurrentUser, scratch.Path(), c.name, c.valueType, L"x", c.newValue);
    EXPECT_EQ(registry.ClassKey(), kHKeyCurrentUser);
    EXPECT_EQ(registry.SectionKey(), scratch.Path());
    EXPECT_EQ(registry.ValueKey(), c.name);
    EXPECT_EQ(registry.ValueType(), c.valueType);
    EXPECT_EQ(registry.Default(), TaggedValue{L"x"});
    RawValue stored;
    ASSERT_TRUE(testing::ReadRawW(HKEY_CURRENT_USER, scratch.Path(), c.name, stored));
    EXPECT_EQ(stored.type, c.stored.type) << Ansi(c.name);
    std::wstring text(reinterpret_cast<const wchar_t*>(stored.data.data()), stored.data.size() / 2);
    EXPECT_EQ(Ansi(text), c.stored.data) << Ansi(c.name);
  }
}

// Wine's registry accepts the computer's own name; any other name is unreachable.
TEST(RegistryWrite, WritesThroughTheConnectedRootAndRefusesAnUnreachableMachine) {
  ScratchKey scratch;
  Registry registry = WriterAt(scratch.Path(), L"remote", REG_SZ);
  registry.Machine(ComputerName());
  registry.Value(L"written remotely");
  RawValue stored;
  ASSERT_TRUE(ReadRawA(HKEY_CURRENT_USER, scratch.Path(), "remote", stored));
  EXPECT_EQ(stored.data, "written remotely\0"s);

  registry.Machine(L"no-such-computer-q7");
  registry.SectionKey(scratch.Sub(L"Unreached"));
  try {
    registry.Value(L"lost");
    ADD_FAILURE() << "an unreachable machine was not reported";
  } catch (const RegistryError& error) {
    EXPECT_EQ(error.Number(), 26001);
    EXPECT_EQ(error.Message(), L"Failed to set registry Value Key: '-2147483647',Section: '" +
                                   scratch.Sub(L"Unreached") + L"',Key:");
  }
  EXPECT_FALSE(testing::KeyPresent(HKEY_CURRENT_USER, scratch.Sub(L"Unreached")))
      << "nothing written locally";
}

}  // namespace
}  // namespace corvalidyne
