#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

#include "addressing.h"
#include "corvalidyne/registry.h"
#include "raw_registry.h"
#include "scratch_key.h"

namespace corvalidyne {
namespace {

using testing::Addressing;

using testing::ScratchKey;

const std::wstring kSource = testing::ErrorSource();
const RegistryRoot kBadRoot = static_cast<RegistryRoot>(0x80000077u);

// Every error the object raises, provoked against the real registry, with its
// exact number, source and message.
TEST(RegistryErrors, EachFailureRaisesItsNumberSourceAndMessage) {
  ScratchKey scratch;
  testing::MakeKey(HKEY_CURRENT_USER, scratch.Sub(L"Existing"));
  const std::wstring existing = scratch.Sub(L"Existing");
  const std::wstring missing = scratch.Sub(L"Missing");
  const std::wstring setValueKeyText = L"Failed to set registry Value Key: '";
  const std::wstring setValueText = L"Failed to set registry value Key: '";
  const std::wstring tooLongName(20000, L'v');

  const struct {
    const char* row;
    std::function<void()> provoke;
    std::int32_t number;
    std::wstring source;
    std::wstring message;
  } rows[] = {
      {"CreateKey on no root", [] { Addressing(0, L"Software\\X").CreateKey(); }, 26001, kSource,
       L"Failed to create registry"},
      {"CreateKey on an invalid root", [&] { Addressing(kBadRoot, existing).CreateKey(); }, 26001, kSource,
       L"Failed to create registry"},
      {"DeleteKey on a missing key", [&] { Addressing(kHKeyCurrentUser, missing).DeleteKey(); }, 26001,
       kSource, L"Failed to delete registry"},
      {"DeleteValue, key not opened",
       [] { Addressing(kHKeyLocalMachine, L"SOFTWARE\\NoSuchKeyQ7", L"v").DeleteValue(); }, 26001, kSource,
       L"Failed to open key '-2147483646',Section: 'SOFTWARE\\NoSuchKeyQ7' for delete access"},
      {"DeleteValue, value missing", [&] { Addressing(kHKeyCurrentUser, existing, L"gone").DeleteValue(); },
       26001, kSource,
       L"Failed to delete Registry Key: '-2147483647',Section: '" + existing + L"',Key: 'gone"},
      {"DeleteValue, no default value", [&] { Addressing(kHKeyCurrentUser, existing, L"").DeleteValue(); },
       26001, kSource, L"Failed to delete Registry Key: '-2147483647',Section: '" + existing + L"',Key: '"},
      {"Value set on no root", [] { Addressing(0, L"Software\\X", L"v").Value(L"t"); }, 26001, kSource,
       setValueKeyText + L"0',Section: 'Software\\X',Key:"},
      {"ValueEx set on an invalid root",
       [] { Registry().ValueEx(kBadRoot, L"Software\\X", L"v", REG_SZ, TaggedValue{}, L"t"); }, 26001,
       kSource, setValueKeyText + L"-2147483529',Section: 'Software\\X',Key:"},
      {"Value set, machine unreachable",
       [&] {
         Registry registry = Addressing(kHKeyCurrentUser, missing, L"v");
         registry.Machine(L"no-such-computer-q7");
         registry.Value(L"t");
       },
       26001, kSource, setValueKeyText + L"-2147483647',Section: '" + missing + L"',Key:"},
      {"binary write of a text",
       [&] { Addressing(kHKeyCurrentUser, existing, L"v", REG_BINARY).Value(L"t"); }, 26001, L"", L""},
      {"binary write of an integer",
       [&] {
         Registry().ValueEx(kHKeyCurrentUser, existing, L"v", REG_BINARY, TaggedValue{}, std::int32_t{1});
       },
       26001, L"", L""},
      {"REG_NONE write", [&] { Addressing(kHKeyCurrentUser, existing, L"v", REG_NONE).Value(Bytes{1}); },
       -2147194455, kSource, setValueText + L"-2147483647',Section:"},
      {"REG_LINK write", [&] { Addressing(kHKeyCurrentUser, existing, L"v", REG_LINK).Value(L"t"); },
       -2147194455, kSource, setValueText + L"-2147483647',Section:"},
      {"REG_MULTI_SZ write", [&] { Addressing(kHKeyCurrentUser, existing, L"v", REG_MULTI_SZ).Value(L"t"); },
       -2147194455, kSource, setValueText + L"-2147483647',Section:"},
      {"type 8 write", [&] { Addressing(kHKeyCurrentUser, existing, L"v", 8).Value(Bytes{}); }, -2147194455,
       kSource, setValueText + L"-2147483647',Section:"},
      {"negative type write", [&] { Addressing(kHKeyCurrentUser, existing, L"v", -1).Value(L"t"); },
       -2147194455, kSource, setValueText + L"-2147483647',Section:"},
      {"DWORD write of a text", [&] { Addressing(kHKeyCurrentUser, existing, L"v", REG_DWORD).Value(L"42"); },
       -2147194455, kSource, setValueText + L"-2147483647',Section:"},
      {"big-endian write of a boolean",
       [&] { Addressing(kHKeyCurrentUser, existing, L"v", REG_DWORD_BIG_ENDIAN).Value(true); }, -2147194455,
       kSource, setValueText + L"-2147483647',Section:"},
      {"DWORD write of a double",
       [&] { Registry().ValueEx(kHKeyCurrentUser, existing, L"v", REG_DWORD, TaggedValue{}, 1.0); },
       -2147194455, kSource, setValueText + L"-2147483647',Section:"},
      {"RegSetValueExA refuses the name",
       [&] { Addressing(kHKeyCurrentUser, existing, tooLongName, REG_SZ).Value(L"t"); }, -2147194455, kSource,
       setValueText + L"-2147483647',Section:"},
      {"association items not triplets",
       [&] {
         Addressing(kHKeyCurrentUser, existing)
             .CreateAdditionalEXEAssociations(L"C", {L"a", L"b", L"c", L"d"});
       },
       -2147194452, kSource,
       L"Invalid parameter list passed to CreateAdditionalEXEAssociations -       expected "
       L"Name/Text/Command"},
      {"association class missing",
       [&] {
         Addressing(kHKeyCurrentUser, L"").CreateAdditionalEXEAssociations(missing, {L"a", L"b", L"c"});
       },
       -2147194451, kSource,
       L"Error - attempt to create additional associations before class          defined."},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.row);
    try {
      row.provoke();
      ADD_FAILURE() << "nothing raised";
    } catch (const RegistryError& error) {
      EXPECT_EQ(error.Number(), row.number);
      EXPECT_EQ(error.Source(), row.source);
      EXPECT_EQ(error.Message(), row.message);
    }
  }
  EXPECT_FALSE(testing::KeyPresent(HKEY_CURRENT_USER, missing)) << "a failed write wrote elsewhere";
  EXPECT_FALSE(testing::KeyPresent(HKEY_CLASSES_ROOT, missing + L"\\shell"));
}

// A write that fails after the key was created leaves the key; a failed check
// leaves the fields as they were at the failure.
TEST(RegistryErrors, FailuresLeaveTheKeyAndTheFieldsAsTheyWere) {
  ScratchKey scratch;
  const RegistryValueType refusedTypes[] = {REG_NONE, REG_BINARY, REG_DWORD, REG_MULTI_SZ};
  for (const RegistryValueType type : refusedTypes) {
    const std::wstring section = scratch.Sub(L"Type" + std::to_wstring(type));
    Registry registry = Addressing(kHKeyCurrentUser, section, L"v", type);
    EXPECT_THROW(registry.Value(L"text"), RegistryError);
    EXPECT_TRUE(testing::KeyPresent(HKEY_CURRENT_USER, section)) << "type " << type;
    testing::RawValue stored;
    EXPECT_FALSE(testing::ReadRawA(HKEY_CURRENT_USER, section, "v", stored)) << "type " << type;
    EXPECT_EQ(registry.ValueType(), type);
    EXPECT_EQ(registry.SectionKey(), section);
  }

  Registry registry = Addressing(kHKeyCurrentUser, L"Before");
  EXPECT_THROW(registry.CreateAdditionalEXEAssociations(L"Cls", {L"a"}), RegistryError);
  EXPECT_EQ(registry.SectionKey(), L"Before");
  EXPECT_THROW(registry.CreateAdditionalEXEAssociations(scratch.Sub(L"NoClass"), {}), RegistryError);
  EXPECT_EQ(registry.SectionKey(), scratch.Sub(L"NoClass"));
  EXPECT_EQ(registry.ClassKey(), kHKeyCurrentUser) << "the existence test does not move ClassKey";
}

}  // namespace
}  // namespace corvalidyne
