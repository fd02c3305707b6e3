#include <gtest/gtest.h>

#include <windows.h>

#include "corvalidyne/registry.h"
#include "process_runner.h"
#include "raw_registry.h"
#include "scratch_key.h"

namespace corvalidyne {
namespace {

using namespace std::string_literals;
using testing::KeyPresent;
using testing::ScratchKey;

Registry LocalWithUnreachableMachine(const std::wstring& section, const std::wstring& valueKey = L"") {
  Registry registry;
  registry.ClassKey(kHKeyCurrentUser);
  registry.SectionKey(section);
  registry.ValueKey(valueKey);
  registry.Machine(L"no-such-computer-q7");  // the structural operations ignore it
  return registry;
}

TEST(RegistryKeys, CreateKeyMakesEveryMissingLevelAndKeepsAnExistingKey) {
  ScratchKey scratch;
  const std::wstring deep = scratch.Sub(L"One\\Two\\Three");
  Registry registry = LocalWithUnreachableMachine(deep);
  EXPECT_TRUE(registry.CreateKey());
  EXPECT_EQ(testing::RunReg(L"query \"HKCU\\" + deep + L"\"").exitCode, 0u) << "reg.exe sees the new key";

  testing::WriteRaw(HKEY_CURRENT_USER, deep, "kept", {REG_SZ, "x\0"s});
  EXPECT_TRUE(registry.CreateKey());
  testing::RawValue stored;
  EXPECT_TRUE(testing::ReadRawA(HKEY_CURRENT_USER, deep, "kept", stored));
  EXPECT_EQ(stored.data, "x\0"s);
}

TEST(RegistryKeys, DeleteKeyAndDeleteValueRemoveExactlyWhatTheyAddress) {
  ScratchKey scratch;
  testing::WriteRaw(HKEY_CURRENT_USER, scratch.Path(), "named", {REG_SZ, "n\0"s});
  testing::WriteRaw(HKEY_CURRENT_USER, scratch.Path(), "", {REG_SZ, "d\0"s});
  testing::WriteRaw(HKEY_CURRENT_USER, scratch.Path(), "other", {REG_DWORD, "\1\0\0\0"s});
  testing::MakeKey(HKEY_CURRENT_USER, scratch.Sub(L"Leaf"));
  testing::RawValue stored;

  EXPECT_TRUE(LocalWithUnreachableMachine(scratch.Path(), L"named").DeleteValue());
  EXPECT_FALSE(testing::ReadRawA(HKEY_CURRENT_USER, scratch.Path(), "named", stored));
  EXPECT_TRUE(LocalWithUnreachableMachine(scratch.Path(), L"").DeleteValue());
  EXPECT_FALSE(testing::ReadRawA(HKEY_CURRENT_USER, scratch.Path(), "", stored));
  EXPECT_TRUE(testing::ReadRawA(HKEY_CURRENT_USER, scratch.Path(), "other", stored));

  EXPECT_TRUE(LocalWithUnreachableMachine(scratch.Sub(L"Leaf"), L"other").DeleteKey());
  EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, scratch.Sub(L"Leaf")));
  EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, scratch.Path()));
}

}  // namespace
}  // namespace corvalidyne
