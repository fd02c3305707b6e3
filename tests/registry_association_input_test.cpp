#include <gtest/gtest.h>

#include <windows.h>

#include <climits>
#include <functional>
#include <vector>

#include "association_keys.h"
#include "corvalidyne/registry.h"
#include "raw_registry.h"
#include "registry_outcome.h"

namespace corvalidyne {
namespace {

using namespace std::string_literals;
using testing::Attempt;
using testing::Done;
using testing::Outcome;

const std::wstring kSource = testing::ErrorSource();
const std::wstring kExtension = L"cvq7bad";
const std::wstring kClass = L"Corvalidyne.BadInput";
const std::wstring kMachineClasses = L"SOFTWARE\\Classes\\";

bool UnderBothRoots(const std::wstring& key) {
  return testing::KeyPresent(HKEY_CLASSES_ROOT, key) &&
         testing::KeyPresent(HKEY_LOCAL_MACHINE, kMachineClasses + key);
}

bool UnderNeitherRoot(const std::wstring& key) {
  return !testing::KeyPresent(HKEY_CLASSES_ROOT, key) &&
         !testing::KeyPresent(HKEY_LOCAL_MACHINE, kMachineClasses + key);
}

Outcome SetKeyError(const std::wstring& section) {
  return {26001, L"Failed to set registry Value Key: '-2147483648',Section: '" + section + L"',Key:"};
}

// The association methods write through Value set, so a class name, extension
// or verb that cannot reach the registry unaltered fails there, before its key
// exists; items of every kind become text.
TEST(RegistryAssociationInput, BadNamesStopAtTheirOwnKeyAndItemsOfEveryKindBecomeText) {
  const std::wstring longClass(1000, L'c');
  const std::wstring shell = kClass + L"\\shell\\";
  const struct {
    const char* name;
    std::function<void(Registry&)> call;
    Outcome expected;
    std::vector<std::wstring> present;
    std::vector<std::wstring> absent;
  } cases[] = {
      {"class name with a NUL",
       [](Registry& r) { r.CreateEXEAssociation(L"C:\\x.exe", kClass + L"\0x"s, L"d", kExtension); },
       SetKeyError(kClass + L"\0x"s),
       {L"." + kExtension},
       {kClass}},
      {"extension with a NUL",
       [](Registry& r) { r.CreateEXEAssociation(L"C:\\x.exe", kClass, L"d", kExtension + L"\0x"s); },
       SetKeyError(L"." + kExtension + L"\0x"s),
       {},
       {L"." + kExtension, kClass}},
      {"extension outside the code page",
       [](Registry& r) { r.CreateEXEAssociation(L"C:\\x.exe", kClass, L"d", kExtension + L"\u4E00"); },
       SetKeyError(L"." + kExtension + L"\u4E00"),
       {},
       {L"." + kExtension + L"?", kClass}},
      {"1,000-character class name",
       [&](Registry& r) { r.CreateEXEAssociation(L"C:\\x.exe", longClass, L"d", kExtension); },
       SetKeyError(longClass),
       {L"." + kExtension},
       {kClass}},
      {"lowest icon index",
       [](Registry& r) {
         r.CreateEXEAssociation(L"", kClass, L"", kExtension, L"", false, L"", false, L"", false, L"",
                                INT_MIN);
       },
       TaggedValue{},
       {L"." + kExtension, shell + L"open\\command"},
       {kClass + L"\\DefaultIcon"}},
      {"icon index -1, the one for none",
       [](Registry& r) {
         r.CreateEXEAssociation(L"", kClass, L"", kExtension, L"", false, L"", false, L"", false, L"", -1);
       },
       TaggedValue{},
       {shell + L"open\\command"},
       {kClass + L"\\DefaultIcon"}},
      {"icon index 0, the first",
       [](Registry& r) {
         r.CreateEXEAssociation(L"", kClass, L"", kExtension, L"", false, L"", false, L"", false, L"", 0);
       },
       TaggedValue{},
       {kClass + L"\\DefaultIcon"},
       {}},
      {"verbs of every kind",
       [](Registry& r) {
         testing::MakeKey(HKEY_CLASSES_ROOT, kClass);
         r.ClassKey(kHKeyClassesRoot);
         r.CreateAdditionalEXEAssociations(kClass, {L"bad\0verb"s, L"t", L"c", Bytes{0xAB}, 2.5, true,
                                                    std::int16_t{-3}, TaggedValue{}, -1});
       },
       TaggedValue{},
       {shell + L"AB\\command", shell + L"-3\\command"},
       {shell + L"bad"}},
      {"additional verbs on no root",
       [](Registry& r) { r.CreateAdditionalEXEAssociations(kClass, {L"a", L"b", L"c"}); },
       Outcome(-2147194451,
               L"Error - attempt to create additional associations before class          defined."),
       {},
       {kClass}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // With the "?" a faulty conversion would have written in place of a character.
    const testing::AssociationKeys cleanup{L"." + kExtension, L"." + kExtension + L"?", kClass};
    Registry registry;
    EXPECT_EQ(Attempt([&] { return Done([&] { c.call(registry); }); }, kSource), c.expected);
    for (const auto& key : c.present) EXPECT_TRUE(UnderBothRoots(key)) << ::testing::PrintToString(key);
    for (const auto& key : c.absent) EXPECT_TRUE(UnderNeitherRoot(key)) << ::testing::PrintToString(key);
  }
}

}  // namespace
}  // namespace corvalidyne
