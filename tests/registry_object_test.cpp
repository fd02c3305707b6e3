#include <gtest/gtest.h>

#include <windows.h>

#include "corvalidyne/registry.h"
#include "handle_probe.h"
#include "key_access.h"
#include "raw_registry.h"
#include "scratch_key.h"

namespace corvalidyne {
namespace {

using testing::HandleProbe;
using testing::ScratchKey;

void CreateKeyW(const std::wstring& path) {
  HKEY key = nullptr;
  ASSERT_EQ(
      RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
      ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST(RegistryObject, StartsWithTheZeroValues) {
  const Registry registry;
  EXPECT_EQ(registry.ClassKey(), 0);
  EXPECT_EQ(registry.SectionKey(), L"");
  EXPECT_EQ(registry.ValueKey(), L"");
  EXPECT_TRUE(IsEmptyValue(registry.Default()));
  EXPECT_EQ(registry.ValueType(), 0);
  EXPECT_EQ(registry.Machine(), L"");
}

TEST(RegistryObject, PlainPropertiesAreStoredUnchanged) {
  Registry registry;
  registry.ClassKey(kHKeyClassesRoot);
  registry.SectionKey(L" Software\\Trailing\\ ");
  registry.ValueKey(L"  Name ");
  registry.ValueType(-7);
  registry.Default(TaggedValue{std::int16_t{-3}});
  EXPECT_EQ(registry.ClassKey(), static_cast<RegistryRoot>(0x80000000u));
  EXPECT_EQ(registry.SectionKey(), L" Software\\Trailing\\ ");
  EXPECT_EQ(registry.ValueKey(), L"  Name ");
  EXPECT_EQ(registry.ValueType(), -7);
  EXPECT_EQ(registry.Default(), TaggedValue{std::int16_t{-3}});
}

TEST(RegistryObject, MachineNamesAreNormalised) {
  const struct {
    const wchar_t* given;
    const wchar_t* stored;
  } cases[] = {
      {L"", L""},
      {L"s", L""},
      {L"sv", L""},
      {L"\\\\", L""},
      {L"srv01", L"\\\\srv01"},
      {L"abc", L"\\\\abc"},
      {L"\\\\srv01", L"\\\\srv01"},
      {L"\\srv01", L"\\\\\\srv01"},
      {L" srv ", L"\\\\ srv "},
  };
  for (const auto& c : cases) {
    Registry registry;
    registry.Machine(L"\\\\previous");
    registry.Machine(c.given);
    EXPECT_EQ(registry.Machine(), c.stored)
        << "given '" << ::testing::internal::String::ShowWideCString(c.given) << "'";
  }
}

TEST(RegistryObject, KeyExistsAnswersWhetherTheKeyOpensForReading) {
  ScratchKey scratch;
  CreateKeyW(scratch.Sub(L"Empty"));
  CreateKeyW(scratch.Sub(L"Caf\u00e9"));
  const struct {
    RegistryRoot root;
    std::wstring section;
    const wchar_t* valueKey;
    const wchar_t* machine;
    bool exists;
  } cases[] = {
      {0, L"", L"", L"", false},
      {0, scratch.Path(), L"", L"", false},
      {kHKeyCurrentUser, scratch.Path(), L"", L"", true},
      {kHKeyCurrentUser, scratch.Sub(L"Empty"), L"", L"", true},
      {kHKeyCurrentUser, scratch.Sub(L"Empty"), L"NoSuchValue", L"", true},
      {kHKeyCurrentUser, scratch.Sub(L"Caf\u00e9"), L"", L"", true},
      {kHKeyCurrentUser, scratch.Sub(L"Missing"), L"", L"", false},
      {kHKeyCurrentUser, scratch.Sub(L"Empty"), L"", L"no-such-computer", true},
      {kHKeyCurrentUser, scratch.Sub(L"Missing"), L"", L"no-such-computer", false},
      {kHKeyLocalMachine, L"SOFTWARE", L"", L"", true},
      {static_cast<RegistryRoot>(0x80000077u), L"SOFTWARE", L"", L"", false},
  };
  for (const auto& c : cases) {
    Registry registry;
    registry.ClassKey(c.root);
    registry.SectionKey(c.section);
    registry.ValueKey(c.valueKey);
    registry.Machine(c.machine);
    EXPECT_EQ(registry.KeyExists(), c.exists)
        << "root " << c.root << " section "
        << ::testing::internal::String::ShowWideCString(c.section.c_str());
  }
}

TEST(RegistryObject, KeyExistsLeavesNoHandleOpen) {
  ScratchKey scratch;
  CreateKeyW(scratch.Path());
  Registry present, missing;
  present.ClassKey(kHKeyCurrentUser);
  present.SectionKey(scratch.Path());
  missing.ClassKey(kHKeyCurrentUser);
  missing.SectionKey(scratch.Sub(L"Missing"));

  const HandleProbe probe;
  for (int i = 0; i < 200; ++i) {
    ASSERT_TRUE(present.KeyExists());
    ASSERT_FALSE(missing.KeyExists());
  }
  EXPECT_LT(probe.Growth(), 10);
}

TEST(RegistryObject, HandleProbeSeesALeak) {
  ScratchKey scratch;
  CreateKeyW(scratch.Path());
  const HandleProbe probe;
  std::vector<HKEY> leaked(50);
  for (HKEY& key : leaked) {
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, scratch.Path().c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
  }
  EXPECT_GE(probe.Growth(), 40);
  for (HKEY key : leaked) RegCloseKey(key);
}

TEST(KeyHandle, ClosesWhatItOpenedButNeverAPredefinedRoot) {
  const struct {
    HKEY key;
    bool predefined;
  } cases[] = {
      {HKEY_CLASSES_ROOT, true},
      {HKEY_CURRENT_USER, true},
      {HKEY_LOCAL_MACHINE, true},
      {HKEY_USERS, true},
      {HKEY_CURRENT_CONFIG, true},
      {HKEY_PERFORMANCE_DATA, true},
      {RootKey(kHKeyLocalMachine), true},
      {nullptr, false},
      {reinterpret_cast<HKEY>(static_cast<std::intptr_t>(0x1234)), false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsPredefinedRoot(c.key), c.predefined) << c.key;
  EXPECT_EQ(RootKey(kHKeyLocalMachine), HKEY_LOCAL_MACHINE);
  EXPECT_EQ(RootKey(kHKeyClassesRoot), HKEY_CLASSES_ROOT);

  ScratchKey scratch;
  CreateKeyW(scratch.Path());
  const HandleProbe probe;
  for (int i = 0; i < 100; ++i) {
    KeyHandle key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, scratch.Path().c_str(), 0, KEY_READ, key.put()),
              ERROR_SUCCESS);
    KeyHandle moved = std::move(key);
    EXPECT_FALSE(key);
    KeyHandle root(HKEY_CURRENT_USER);
  }
  EXPECT_LT(probe.Growth(), 10);
}

// Connected to the local computer by its name, Wine hands back the predefined
// root itself; the connection's key handle must leave it to the system.
TEST(KeyHandle, LeavesARootThatTheConnectionHandsBackOpen) {
  HKEY root = nullptr;
  {
    KeyHandle connected;
    ASSERT_TRUE(ResolveRoot(kHKeyLocalMachine, testing::ComputerName(), connected, root));
    EXPECT_EQ(root, connected.get());
    EXPECT_TRUE(IsPredefinedRoot(root)) << root;
  }
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExW(root, L"SOFTWARE", 0, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST(RegistryErrors, CarryNumberSourceAndMessage) {
  try {
    RaiseRegistryError(registry_errors::kGeneral, L"Failed to create registry");
    FAIL() << "nothing thrown";
  } catch (const RegistryError& error) {
    EXPECT_EQ(error.Number(), 26001);
    EXPECT_EQ(error.Source(), testing::ErrorSource());
    EXPECT_EQ(error.Message(), L"Failed to create registry");
    EXPECT_STREQ(error.what(), "registry error 26001: Failed to create registry");
  }
  EXPECT_EQ(RootText(kHKeyLocalMachine), L"-2147483646");
  EXPECT_EQ(RootText(kHKeyClassesRoot), L"-2147483648");
  EXPECT_EQ(registry_errors::kSetValue, -2147194455);
  EXPECT_EQ(registry_errors::kEnumerateSections, -2147194454);
  EXPECT_EQ(registry_errors::kInvalidAssociationList, -2147194452);
  EXPECT_EQ(registry_errors::kAssociationClassMissing, -2147194451);
}

}  // namespace
}  // namespace corvalidyne
