#include <gtest/gtest.h>

#include <windows.h>

#include "addressing.h"
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
using testing::RunReg;
using testing::ScratchKey;

std::wstring Environment(const wchar_t* name) {
  wchar_t buffer[MAX_PATH] = {};
  GetEnvironmentVariableW(name, buffer, MAX_PATH);
  return buffer;
}

Registry At(const std::wstring& section, const std::wstring& valueKey) {
  return testing::Addressing(kHKeyCurrentUser, section, valueKey, REG_NONE);
}

std::string Describe(const TaggedValue& value) {
  return std::visit(
      [](const auto& held) -> std::string {
        using Held = std::decay_t<decltype(held)>;
        if constexpr (std::is_same_v<Held, std::monostate>) {
          return "(empty)";
        } else if constexpr (std::is_same_v<Held, std::wstring>) {
          // Long texts by their ends: a whole 40,000 characters would hide the rest.
          std::string text = "text[" + std::to_string(held.size()) + "] ";
          for (std::size_t i = 0; i < held.size(); ++i) {
            if (held.size() > 200 && i == 80) {
              text += " ... ";
              i = held.size() - 80;
            }
            text += held[i] >= 32 && held[i] < 127 ? static_cast<char>(held[i]) : '?';
          }
          return text;
        } else if constexpr (std::is_same_v<Held, Bytes>) {
          return "bytes[" + std::to_string(held.size()) + "]";
        } else {
          return "number " + std::to_string(held);
        }
      },
      value);
}

// An expandable text of 40,000 characters, more than one expansion call takes:
// references at both ends, close together in the first half (a part of the text
// must end between two), none in the second, and an unknown one kept.
std::pair<std::string, std::wstring> LongExpandable(const std::wstring& systemRoot) {
  const std::string reference = "%SystemRoot%";
  const std::string tail = "%NoSuchVariable_Q7%" + reference;
  std::string stored;
  std::wstring expected;
  for (std::size_t i = 0; stored.size() + tail.size() < 40000; ++i) {
    if (stored.size() < 20000 && i % 2 == 0) {
      stored += reference;
      expected += systemRoot;
    } else {
      stored += 'x';
      expected += L'x';
    }
  }
  return {stored + tail + '\0', expected + L"%NoSuchVariable_Q7%" + systemRoot};
}

// Values written by RegSetValueExA, byte for byte, read by the object: every
// type code, terminators present and missing, odd lengths, embedded NULs.
TEST(RegistryRead, ReadsWhatAnotherClientStoredByteForByte) {
  ScratchKey scratch;
  const std::wstring longName(255, L'n');
  const std::wstring systemRoot = Environment(L"SystemRoot");
  ASSERT_FALSE(systemRoot.empty());
  const auto [longStored, longExpanded] = LongExpandable(systemRoot);
  const struct {
    std::wstring name;
    RawValue stored;
    TaggedValue expected;
  } cases[] = {
      {L"sz", {REG_SZ, "abc\0"s}, L"abc"},
      {L"sz unterminated", {REG_SZ, "abc"s}, L"abc"},
      {L"sz empty data", {REG_SZ, ""s}, L""},
      {L"sz only terminator", {REG_SZ, "\0"s}, L""},
      {L"sz embedded nul", {REG_SZ, "a\0b\0"s}, L"a\0b"s},
      {L"sz two terminators", {REG_SZ, "ab\0\0"s}, L"ab\0"s},
      {L"sz code page", {REG_SZ, Ansi(L"Caf\u00e9 \u00fc") + '\0'}, L"Caf\u00e9 \u00fc"},
      {longName, {REG_SZ, "long name\0"s}, L"long name"},
      {L"multi", {REG_MULTI_SZ, "a\0b\0\0"s}, L"a\0b\0"s},
      {L"multi unterminated", {REG_MULTI_SZ, "a\0b"s}, L"a\0b"s},
      {L"expand", {REG_EXPAND_SZ, "%SystemRoot%\\x\0"s}, systemRoot + L"\\x"},
      {L"expand unknown", {REG_EXPAND_SZ, "%NoSuchVariable_Q7%\0"s}, L"%NoSuchVariable_Q7%"},
      {L"expand unterminated", {REG_EXPAND_SZ, "%SystemRoot%"s}, systemRoot},
      {L"expand 40000 characters", {REG_EXPAND_SZ, longStored}, longExpanded},
      {L"dword", {REG_DWORD, "\x05\0\0\0"s}, std::int32_t{5}},
      {L"dword negative", {REG_DWORD, "\xFF\xFF\xFF\xFF"s}, std::int32_t{-1}},
      {L"dword six bytes", {REG_DWORD, "\x01\x02\x03\x04\x05\x06"s}, std::int32_t{0x04030201}},
      {L"dword two bytes", {REG_DWORD, "\x34\x12"s}, std::int32_t{0x1234}},
      {L"dword empty", {REG_DWORD, ""s}, std::int32_t{0}},
      {L"big endian", {REG_DWORD_BIG_ENDIAN, "\0\0\0\x05"s}, std::int32_t{5}},
      {L"big endian three bytes", {REG_DWORD_BIG_ENDIAN, "\x01\x02\x03"s}, std::int32_t{0x01020300}},
      {L"big endian five bytes", {REG_DWORD_BIG_ENDIAN, "\x01\x02\x03\x04\x05"s}, std::int32_t{0x01020304}},
      {L"binary", {REG_BINARY, "\x01\0\xFF"s}, Bytes{0x01, 0x00, 0xFF}},
      {L"binary empty", {REG_BINARY, ""s}, Bytes{}},
      {L"none", {REG_NONE, ""s}, Bytes{}},
      {L"none with data", {REG_NONE, "xy"s}, Bytes{'x', 'y'}},
      {L"link", {REG_LINK, "\\\0R\0"s}, Bytes{'\\', 0, 'R', 0}},
      {L"resource list", {REG_RESOURCE_LIST, "\x07"s}, Bytes{0x07}},
      {L"qword", {REG_QWORD, "\x01\x02\x03\x04\x05\x06\x07\x08"s}, Bytes{1, 2, 3, 4, 5, 6, 7, 8}},
  };
  for (const auto& c : cases) {
    testing::WriteRaw(HKEY_CURRENT_USER, scratch.Path(), Ansi(c.name), c.stored);
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(Ansi(c.name.size() > 40 ? L"255-character name" : c.name));
    Registry registry = At(scratch.Path(), c.name);
    registry.ValueType(-1);
    const TaggedValue read = registry.Value();
    EXPECT_TRUE(read == c.expected) << Describe(read) << " instead of " << Describe(c.expected);
    EXPECT_EQ(registry.ValueType(), static_cast<RegistryValueType>(c.stored.type));
  }
}

// reg.exe as the writing client: its own encodings of each type.
TEST(RegistryRead, ReadsWhatRegExeStored) {
  ScratchKey scratch;
  const std::wstring key = L"\"" + scratch.RegPath() + L"\"";
  const struct {
    const wchar_t* arguments;
    const wchar_t* name;
    TaggedValue expected;
    RegistryValueType type;
  } cases[] = {
      {L"/v text /t REG_SZ /d \"hello world\"", L"text", L"hello world", REG_SZ},
      {L"/v empty /t REG_SZ /d \"\"", L"empty", L"", REG_SZ},
      {L"/ve /t REG_SZ /d unnamed", L"", L"unnamed", REG_SZ},
      {L"/v number /t REG_DWORD /d 42", L"number", std::int32_t{42}, REG_DWORD},
      {L"/v hex /t REG_DWORD /d 0xFFFFFFFE", L"hex", std::int32_t{-2}, REG_DWORD},
      {L"/v blob /t REG_BINARY /d 0aff10", L"blob", Bytes{0x0A, 0xFF, 0x10}, REG_BINARY},
      {L"/v multi /t REG_MULTI_SZ /d a\\0bc", L"multi", L"a\0bc\0"s, REG_MULTI_SZ},
      {L"/v path /t REG_EXPAND_SZ /d %SystemRoot%\\y", L"path", Environment(L"SystemRoot") + L"\\y",
       REG_EXPAND_SZ},
  };
  for (const auto& c : cases) {
    const auto result = RunReg(L"add " + key + L" " + c.arguments + L" /f");
    ASSERT_EQ(result.exitCode, 0u) << result.output;
    Registry registry = At(scratch.Path(), c.name);
    const TaggedValue read = registry.Value();
    EXPECT_EQ(read, c.expected) << Describe(read) << " for " << Ansi(c.arguments);
    EXPECT_EQ(registry.ValueType(), c.type) << Ansi(c.arguments);
  }
}

TEST(RegistryRead, FindingNothingReturnsDefaultAndKeepsValueType) {
  ScratchKey scratch;
  testing::WriteRaw(HKEY_CURRENT_USER, scratch.Path(), "present", {REG_DWORD, "\x07\0\0\0"s});
  const struct {
    RegistryRoot root;
    std::wstring section;
    const wchar_t* valueKey;
    const wchar_t* machine;
  } cases[] = {
      {kHKeyCurrentUser, scratch.Path(), L"missing", L""},
      {kHKeyCurrentUser, scratch.Sub(L"NoSuchKey"), L"present", L""},
      {0, scratch.Path(), L"present", L""},
      {static_cast<RegistryRoot>(0x80000077u), scratch.Path(), L"present", L""},
      {kHKeyCurrentUser, scratch.Path(), L"present", L"no-such-computer-q7"},
  };
  for (const auto& c : cases) {
    Registry fresh;
    fresh.ClassKey(c.root);
    fresh.SectionKey(c.section);
    fresh.ValueKey(c.valueKey);
    fresh.Machine(c.machine);
    EXPECT_EQ(fresh.Value(), TaggedValue{}) << "a fresh object's Default is empty";

    Registry registry = fresh;
    registry.Default(std::int32_t{0});
    registry.ValueType(REG_SZ);
    EXPECT_EQ(registry.Value(), TaggedValue{std::int32_t{0}});
    EXPECT_EQ(registry.ValueType(), REG_SZ);
  }
}

// Wine's registry accepts the computer's own name, so the connected root is real.
TEST(RegistryRead, ReadsThroughTheConnectedRootOfTheComputersOwnName) {
  ScratchKey scratch;
  testing::WriteRaw(HKEY_CURRENT_USER, scratch.Path(), "remote", {REG_SZ, "far away\0"s});
  for (const std::wstring& machine : {ComputerName(), L"\\\\" + ComputerName()}) {
    Registry registry = At(scratch.Path(), L"remote");
    registry.Machine(machine);
    EXPECT_EQ(registry.Value(), TaggedValue{L"far away"}) << Ansi(machine);
    EXPECT_EQ(registry.ValueType(), REG_SZ);
  }
}

TEST(RegistryRead, ValueExSetsTheFivePropertiesThenReads) {
  ScratchKey scratch;
  testing::WriteRaw(HKEY_CURRENT_USER, scratch.Path(), "n", {REG_DWORD, "\x09\0\0\0"s});
  Registry registry;
  EXPECT_EQ(registry.ValueEx(kHKeyCurrentUser, scratch.Path(), L"n", REG_SZ, L"fallback"),
            TaggedValue{std::int32_t{9}});
  EXPECT_EQ(registry.ClassKey(), kHKeyCurrentUser);
  EXPECT_EQ(registry.SectionKey(), scratch.Path());
  EXPECT_EQ(registry.ValueKey(), L"n");
  EXPECT_EQ(registry.ValueType(), REG_DWORD);
  EXPECT_EQ(registry.Default(), TaggedValue{L"fallback"});

  EXPECT_EQ(registry.ValueEx(kHKeyCurrentUser, scratch.Sub(L"Missing"), L"n", REG_BINARY, std::int16_t{3}),
            TaggedValue{std::int16_t{3}});
  EXPECT_EQ(registry.ValueType(), REG_BINARY);
}

}  // namespace
}  // namespace corvalidyne
