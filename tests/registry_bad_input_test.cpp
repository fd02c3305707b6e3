#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <optional>

#include "addressing.h"
#include "corvalidyne/registry.h"
#include "raw_registry.h"
#include "registry_outcome.h"
#include "scratch_key.h"

namespace corvalidyne {
namespace {

using namespace std::string_literals;
using testing::Attempt;
using testing::Done;
using testing::Listed;
using testing::Outcome;
using testing::RawValue;
using testing::ScratchKey;

const std::wstring kSource = testing::ErrorSource();
const TaggedValue kFallback = L"fallback"s;
constexpr std::int32_t kSetValueError = -2147194455;
constexpr std::int32_t kClassMissingError = -2147194451;
// The ANSI registry functions here take key paths of at most MAX_PATH characters.
constexpr std::size_t kLongestAnsiPath = MAX_PATH;

// A path of legal key names, each at most 200 characters, `length` characters long.
std::wstring PathOfLength(std::wstring path, std::size_t length) {
  while (path.size() < length)
    path += L"\\" + std::wstring(std::min<std::size_t>(200, length - 1 - path.size()), L'd');
  return path;
}

// A text value "v" with a fallback, which every operation below may touch.
Registry Addressing(RegistryRoot root, const std::wstring& section, const std::wstring& valueKey = L"v") {
  return testing::Addressing(root, section, valueKey, REG_SZ, L"", kFallback);
}

// Roots that address nothing and paths no key can have: every member of the
// object, walked over each, gives its "nothing here" value or its own error,
// and nothing crashes.
TEST(RegistryBadInput, UnusableAddressesGiveEachMembersValueOrError) {
  ScratchKey scratch;
  testing::WriteRaw(HKEY_CURRENT_USER, scratch.Path(), "v", {REG_SZ, "x\0"s});
  const struct {
    const char* name;
    RegistryRoot root;
    std::wstring path;
  } addresses[] = {
      {"root 0", 0, scratch.Path()},
      {"root 1", 1, scratch.Path()},
      {"unassigned root", static_cast<RegistryRoot>(0x80000077u), scratch.Path()},
      {"root 0, empty path", 0, L""},
      {"unassigned root, empty path", static_cast<RegistryRoot>(0x80000077u), L""},
      {"1,000-character key name", kHKeyCurrentUser, scratch.Path() + L"\\" + std::wstring(1000, L'k')},
      {"1,000-character key name alone", kHKeyCurrentUser, std::wstring(1000, L'k')},
      {"1,000-character path of legal names", kHKeyCurrentUser, PathOfLength(scratch.Path(), 1000)},
      {"negative root", -1, scratch.Path()},
  };
  for (const auto& address : addresses) {
    const RegistryRoot root = address.root;
    const std::wstring& path = address.path;
    const std::wstring rootText = std::to_wstring(root);
    const std::wstring setKey =
        L"Failed to set registry Value Key: '" + rootText + L"',Section: '" + path + L"',Key:";
    const struct {
      const char* member;
      std::function<TaggedValue()> call;
      Outcome expected;
    } members[] = {
        {"KeyExists", [&] { return TaggedValue{Addressing(root, path).KeyExists()}; }, {false}},
        {"Value get", [&] { return Addressing(root, path).Value(); }, {kFallback}},
        {"ValueType after a failed read",
         [&] {
           Registry registry = Addressing(root, path);
           registry.Value();
           return TaggedValue{registry.ValueType()};
         },
         {std::int32_t{REG_SZ}}},
        {"ValueEx get",
         [&] { return Registry().ValueEx(root, path, L"v", 4, std::int16_t{9}); },
         {std::int16_t{9}}},
        {"Value set", [&] { return Done([&] { Addressing(root, path).Value(L"t"); }); },
         Outcome(26001, setKey)},
        {"ValueEx set", [&] { return Done([&] { Registry().ValueEx(root, path, L"v", 4, {}, 1); }); },
         Outcome(26001, setKey)},
        {"CreateKey", [&] { return TaggedValue{Addressing(root, path).CreateKey()}; },
         Outcome(26001, L"Failed to create registry")},
        {"DeleteKey", [&] { return TaggedValue{Addressing(root, path).DeleteKey()}; },
         Outcome(26001, L"Failed to delete registry")},
        {"DeleteValue", [&] { return TaggedValue{Addressing(root, path).DeleteValue()}; },
         Outcome(26001,
                 L"Failed to open key '" + rootText + L"',Section: '" + path + L"' for delete access")},
        {"EnumerateValues",
         [&] { return Listed(&Registry::EnumerateValues, Addressing(root, path)); },
         {L"1:0"s}},
        {"EnumerateSections",
         [&] { return Listed(&Registry::EnumerateSections, Addressing(root, path)); },
         {L"1:0"s}},
        {"CreateAdditionalEXEAssociations",
         [&] {
           return Done(
               [&] { Addressing(root, L"").CreateAdditionalEXEAssociations(path, {L"a", L"b", L"c"}); });
         },
         Outcome(kClassMissingError,
                 L"Error - attempt to create additional associations before class          defined.")},
        {"properties stored unchanged",
         [&] {
           Registry registry = Addressing(root, path);
           return TaggedValue{registry.ClassKey() == root && registry.SectionKey() == path};
         },
         {true}},
    };
    for (const auto& member : members) {
      SCOPED_TRACE(std::string(address.name) + ", " + member.member);
      EXPECT_EQ(Attempt(member.call, kSource), member.expected);
    }
  }
  EXPECT_FALSE(testing::KeyPresent(HKEY_CURRENT_USER, PathOfLength(scratch.Path(), kLongestAnsiPath)));
  RawValue kept;
  ASSERT_TRUE(testing::ReadRawW(HKEY_CURRENT_USER, scratch.Path(), L"v", kept));
  EXPECT_EQ(kept, (RawValue{REG_SZ, testing::Utf16Bytes(L"x\0"s)}));
}

// Machine names that reach no registry: reads give Default and leave
// ValueType, writes raise the key error, and the local key stays as it was.
TEST(RegistryBadInput, MachinesThatCannotBeConnectedGiveDefaultOrTheKeyError) {
  ScratchKey scratch;
  testing::WriteRaw(HKEY_CURRENT_USER, scratch.Path(), "v", {REG_SZ, "x\0"s});
  const std::wstring setKey =
      L"Failed to set registry Value Key: '-2147483647',Section: '" + scratch.Path() + L"',Key:";
  const struct {
    const char* name;
    std::wstring machine;
    std::wstring stored;
  } machines[] = {
      {"1,000 characters", std::wstring(1000, L'm'), L"\\\\" + std::wstring(1000, L'm')},
      {"one leading backslash", L"\\srv01", L"\\\\\\srv01"},
      {"blanks", L"   ", L"\\\\   "},
      {"outside the code page", L"srv\u4E00", L"\\\\srv\u4E00"},
  };
  for (const auto& machine : machines) {
    SCOPED_TRACE(machine.name);
    Registry registry = Addressing(kHKeyCurrentUser, scratch.Path());
    registry.Machine(machine.machine);
    EXPECT_EQ(registry.Machine(), machine.stored);
    EXPECT_EQ(Attempt([&] { return registry.Value(); }, kSource), Outcome(kFallback));
    EXPECT_EQ(registry.ValueType(), REG_SZ);
    EXPECT_EQ(Attempt([&] { return Done([&] { registry.Value(L"t"); }); }, kSource), Outcome(26001, setKey));
  }
  RawValue kept;
  ASSERT_TRUE(testing::ReadRawW(HKEY_CURRENT_USER, scratch.Path(), L"v", kept));
  EXPECT_EQ(kept, (RawValue{REG_SZ, testing::Utf16Bytes(L"x\0"s)}));
}

// Paths that look odd but are legal reach exactly the key they name: the
// longest path the ANSI functions take, and the root itself (empty path).
TEST(RegistryBadInput, LongAndEmptyPathsAddressTheKeyTheyName) {
  ScratchKey scratch;
  const std::wstring deep = PathOfLength(scratch.Path(), kLongestAnsiPath);
  const std::wstring parent = deep.substr(0, deep.rfind(L'\\'));
  const std::wstring leaf = deep.substr(deep.rfind(L'\\') + 1);
  const std::wstring probe = L"CorvalidyneRobustnessProbe";

  const struct {
    const char* step;
    std::function<TaggedValue()> call;
    TaggedValue expected;
  } steps[] = {
      {"deep key absent", [&] { return TaggedValue{Addressing(kHKeyCurrentUser, deep).KeyExists()}; }, false},
      {"deep key created", [&] { return TaggedValue{Addressing(kHKeyCurrentUser, deep).CreateKey()}; }, true},
      {"deep key present", [&] { return TaggedValue{testing::KeyPresent(HKEY_CURRENT_USER, deep)}; }, true},
      {"deep value written",
       [&] { return Done([&] { Addressing(kHKeyCurrentUser, deep).Value(L"t"); }); },
       {}},
      {"deep value read", [&] { return Addressing(kHKeyCurrentUser, deep).Value(); }, L"t"s},
      {"deep value listed",
       [&] { return Listed(&Registry::EnumerateValues, Addressing(kHKeyCurrentUser, deep)); }, L"1:1"s},
      {"deep key listed by its parent",
       [&] {
         NameList names;
         std::int32_t count = 0;
         Addressing(kHKeyCurrentUser, parent).EnumerateSections(names, count);
         return TaggedValue{count == 1 && names[1] == leaf};
       },
       true},
      {"deep value deleted", [&] { return TaggedValue{Addressing(kHKeyCurrentUser, deep).DeleteValue()}; },
       true},
      {"deep key deleted", [&] { return TaggedValue{Addressing(kHKeyCurrentUser, deep).DeleteKey()}; }, true},
      {"deep key gone", [&] { return TaggedValue{testing::KeyPresent(HKEY_CURRENT_USER, deep)}; }, false},
      {"root itself exists", [&] { return TaggedValue{Addressing(kHKeyCurrentUser, L"").KeyExists()}; },
       true},
      {"root value missing", [&] { return Addressing(kHKeyCurrentUser, L"", probe).Value(); }, kFallback},
      {"root value written",
       [&] { return Done([&] { Addressing(kHKeyCurrentUser, L"", probe).Value(std::int32_t{5}); }); },
       {}},
      {"root value read", [&] { return Addressing(kHKeyCurrentUser, L"", probe).Value(); }, L"5"s},
      {"root value deleted",
       [&] { return TaggedValue{Addressing(kHKeyCurrentUser, L"", probe).DeleteValue()}; }, true},
      {"root subkeys listed",
       [&] {
         NameList names;
         std::int32_t count = 0;
         Addressing(kHKeyCurrentUser, L"").EnumerateSections(names, count);
         return TaggedValue{std::find(names.begin(), names.end(), L"Software") != names.end()};
       },
       true},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.step);
    EXPECT_EQ(Attempt(step.call, kSource), Outcome(step.expected));
  }
}

// A leading backslash is passed on unchanged: the object reports exactly what
// the registry functions make of such a path, and never a different key.
TEST(RegistryBadInput, ALeadingBackslashIsLeftToTheRegistry) {
  ScratchKey scratch;
  testing::WriteRaw(HKEY_CURRENT_USER, scratch.Path(), "v", {REG_SZ, "x\0"s});
  const std::wstring path = L"\\" + scratch.Path();
  HKEY raw = nullptr;
  const bool opens =
      RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &raw) == ERROR_SUCCESS;
  if (opens) RegCloseKey(raw);

  EXPECT_EQ(Addressing(kHKeyCurrentUser, path).KeyExists(), opens);
  EXPECT_EQ(Addressing(kHKeyCurrentUser, path).Value(), opens ? TaggedValue{L"x"s} : kFallback);
  const Outcome created = Attempt(
      [&] { return TaggedValue{Addressing(kHKeyCurrentUser, path + L"\\Made").CreateKey()}; }, kSource);
  const bool made = testing::KeyPresent(HKEY_CURRENT_USER, scratch.Sub(L"Made"));
  EXPECT_EQ(created, made ? Outcome(true) : Outcome(26001, L"Failed to create registry"));
}

// Every kind of value written under every type code, negative ones included:
// each lands as its type says, or raises that type's error and writes nothing;
// as Default, each kind is what a read that finds nothing returns.
TEST(RegistryBadInput, EveryKindUnderEveryTypeWritesOrRaisesAsItsTypeSays) {
  ScratchKey scratch;
  const struct {
    const char* kind;
    TaggedValue value;
    std::string text;            // its text form, as a string write stores it
    std::optional<DWORD> dword;  // what a DWORD write stores, when it accepts the kind
  } kinds[] = {
      {"empty", TaggedValue{}, "", std::nullopt},
      {"text", L"42"s, "42", std::nullopt},
      {"32-bit", std::int32_t{-5}, "-5", 0xFFFFFFFBu},
      {"16-bit", std::int16_t{-1}, "-1", 0xFFFFFFFFu},
      {"bytes", Bytes{1, 2, 3}, "010203", std::nullopt},
      {"boolean", true, "1", std::nullopt},
      {"double", 2.5, "2.5", std::nullopt},
  };
  const std::int32_t types[] = {INT32_MIN, -2, -1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, INT32_MAX};
  const std::wstring setValue = L"Failed to set registry value Key: '-2147483647',Section:";

  for (const std::int32_t type : types) {
    for (const auto& kind : kinds) {
      SCOPED_TRACE("type " + std::to_string(type) + ", " + kind.kind);
      const std::wstring key = scratch.Sub(std::to_wstring(type));
      Registry registry = Addressing(kHKeyCurrentUser, key, L"v");
      registry.ValueType(type);
      testing::WriteRaw(HKEY_CURRENT_USER, key, "v", {REG_SZ, "before\0"s});

      std::optional<RawValue> stored;
      Outcome expected = TaggedValue{};
      if (type == REG_SZ || type == REG_EXPAND_SZ) {
        stored = RawValue{REG_SZ, kind.text + '\0'};
      } else if (type == REG_BINARY) {
        if (const auto* bytes = std::get_if<Bytes>(&kind.value)) {
          stored = RawValue{REG_BINARY, std::string(bytes->begin(), bytes->end())};
        } else {
          expected = Outcome(26001, L"");
        }
      } else if ((type == REG_DWORD || type == REG_DWORD_BIG_ENDIAN) && kind.dword) {
        stored = RawValue{REG_DWORD, std::string(reinterpret_cast<const char*>(&*kind.dword), 4)};
      } else {
        expected = Outcome(kSetValueError, setValue);
      }
      EXPECT_EQ(Attempt([&] { return Done([&] { registry.Value(kind.value); }); }, kSource), expected);
      RawValue raw;
      ASSERT_TRUE(testing::ReadRawA(HKEY_CURRENT_USER, key, "v", raw));
      EXPECT_EQ(raw, stored.value_or(RawValue{REG_SZ, "before\0"s}));
      EXPECT_EQ(registry.ValueType(), type) << "a write changed ValueType";

      // The same kind as Default comes back whole from a read that finds nothing.
      registry.ValueKey(L"missing");
      registry.Default(kind.value);
      EXPECT_EQ(registry.Value(), kind.value);
      EXPECT_EQ(registry.ValueType(), type) << "a failed read changed ValueType";
    }
  }
}

// ValueEx set substitutes Default for an empty text form under REG_SZ only;
// under any other code the empty value goes to that code's own rule.
TEST(RegistryBadInput, ValueExSubstitutesDefaultOnlyForAnEmptyTextUnderRegSz) {
  ScratchKey scratch;
  const struct {
    std::int32_t type;
    TaggedValue newValue;
    Outcome expected;
    RawValue stored;
  } cases[] = {
      {REG_SZ, TaggedValue{}, {TaggedValue{}}, {REG_SZ, "d\0"s}},
      {REG_SZ, L""s, {TaggedValue{}}, {REG_SZ, "d\0"s}},
      {REG_SZ, Bytes{}, {TaggedValue{}}, {REG_SZ, "d\0"s}},
      {REG_SZ, L"n"s, {TaggedValue{}}, {REG_SZ, "n\0"s}},
      {REG_EXPAND_SZ, TaggedValue{}, {TaggedValue{}}, {REG_SZ, "\0"s}},
      {REG_BINARY, TaggedValue{}, Outcome(26001, L""), {REG_NONE, ""}},
      {REG_DWORD,
       TaggedValue{},
       Outcome(kSetValueError, L"Failed to set registry value Key: '-2147483647',Section:"),
       {REG_NONE, ""}},
      {-1,
       TaggedValue{},
       Outcome(kSetValueError, L"Failed to set registry value Key: '-2147483647',Section:"),
       {REG_NONE, ""}},
  };
  int index = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE("case " + std::to_string(index));
    const std::wstring name = std::to_wstring(index++);
    Registry registry;
    const auto write = [&] {
      return Done(
          [&] { registry.ValueEx(kHKeyCurrentUser, scratch.Path(), name, c.type, L"d"s, c.newValue); });
    };
    EXPECT_EQ(Attempt(write, kSource), c.expected);
    RawValue raw;
    const std::string ansiName(name.begin(), name.end());
    const bool present = testing::ReadRawA(HKEY_CURRENT_USER, scratch.Path(), ansiName, raw);
    if (!present) raw = RawValue{REG_NONE, ""s};
    EXPECT_EQ(raw, c.stored);
  }
}

}  // namespace
}  // namespace corvalidyne
