#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

#include "addressing.h"
#include "corvalidyne/registry.h"
#include "corvalidyne/registry_functions.h"
#include "corvalidyne/registry_key.h"
#include "handle_probe.h"
#include "raw_registry.h"
#include "scratch_key.h"

namespace corvalidyne {
namespace {

using testing::Addressing;

using testing::ComputerName;
using namespace std::string_literals;
using testing::HandleProbe;
using testing::ScratchKey;

// Runs an operation that may raise, as a caller that handles the error would.
void Swallowing(const std::function<void()>& operation) {
  try {
    operation();
  } catch (const RegistryError&) {
  } catch (const std::system_error&) {
  }
}

// Every operation, on its success path and on each of its error paths,
// repeated: a single handle left open per run shows as growth.
TEST(RegistryHandles, NoOperationLeavesAKeyHandleOpen) {
  ScratchKey scratch;
  const std::wstring key = scratch.Sub(L"Key");
  const std::wstring missing = scratch.Sub(L"Missing");
  testing::WriteRaw(HKEY_CURRENT_USER, key, "v", {REG_SZ, "x\0"s});
  testing::MakeKey(HKEY_CURRENT_USER, key + L"\\Child");
  const std::wstring self = ComputerName();
  const std::wstring away = L"no-such-computer-q7";
  const RegistryRoot hkcu = kHKeyCurrentUser;

  const struct {
    const char* name;
    std::function<void()> run;
  } operations[] = {
      {"read found", [&] { Addressing(hkcu, key, L"v").Value(); }},
      {"read value missing", [&] { Addressing(hkcu, key, L"none").Value(); }},
      {"read key missing", [&] { Addressing(hkcu, missing, L"v").Value(); }},
      {"read through own name", [&] { Addressing(hkcu, key, L"v", REG_SZ, self).Value(); }},
      {"read unreachable", [&] { Addressing(hkcu, key, L"v", REG_SZ, away).Value(); }},
      {"read ValueEx", [&] { Registry().ValueEx(hkcu, key, L"v", REG_SZ, TaggedValue{}); }},
      {"write text", [&] { Addressing(hkcu, key, L"w").Value(L"t"); }},
      {"write through own name",
       [&] { Addressing(hkcu, key, L"w", REG_DWORD, self).Value(std::int32_t{1}); }},
      {"write unreachable", [&] { Addressing(hkcu, key, L"w", REG_SZ, away).Value(L"t"); }},
      {"write without root", [&] { Addressing(0, key, L"w").Value(L"t"); }},
      {"write refused type", [&] { Addressing(hkcu, key, L"w", REG_NONE).Value(L"t"); }},
      {"write binary of text", [&] { Addressing(hkcu, key, L"w", REG_BINARY).Value(L"t"); }},
      {"write DWORD of text", [&] { Addressing(hkcu, key, L"w", REG_DWORD).Value(L"t"); }},
      {"write name too long", [&] { Addressing(hkcu, key, std::wstring(20000, L'n')).Value(L"t"); }},
      {"write ValueEx", [&] { Registry().ValueEx(hkcu, key, L"w", REG_SZ, L"d", L""); }},
      {"create key", [&] { Addressing(hkcu, key + L"\\New", L"").CreateKey(); }},
      {"create key fails", [&] { Addressing(0, key, L"").CreateKey(); }},
      {"delete key",
       [&] {
         testing::MakeKey(HKEY_CURRENT_USER, key + L"\\Gone");
         Addressing(hkcu, key + L"\\Gone", L"").DeleteKey();
       }},
      {"delete key fails", [&] { Addressing(hkcu, missing, L"").DeleteKey(); }},
      {"delete value",
       [&] {
         testing::WriteRaw(HKEY_CURRENT_USER, key, "gone", {REG_SZ, "\0"s});
         Addressing(hkcu, key, L"gone").DeleteValue();
       }},
      {"delete value, key missing", [&] { Addressing(hkcu, missing, L"w").DeleteValue(); }},
      {"delete value, value missing", [&] { Addressing(hkcu, key, L"none").DeleteValue(); }},
      {"enumerate values",
       [&] {
         NameList names;
         std::int32_t count = 0;
         Addressing(hkcu, key, L"").EnumerateValues(names, count);
       }},
      {"enumerate values, key missing",
       [&] {
         NameList names;
         std::int32_t count = 0;
         Addressing(hkcu, missing, L"").EnumerateValues(names, count);
       }},
      {"enumerate sections",
       [&] {
         NameList names;
         std::int32_t count = 0;
         Addressing(hkcu, key, L"").EnumerateSections(names, count);
       }},
      {"enumerate sections, key missing",
       [&] {
         NameList names;
         std::int32_t count = 0;
         Addressing(hkcu, missing, L"").EnumerateSections(names, count);
       }},
      {"additional associations, class missing",
       [&] { Addressing(hkcu, L"", L"").CreateAdditionalEXEAssociations(missing, {L"a", L"b", L"c"}); }},
      {"additional associations, bad list",
       [&] { Addressing(hkcu, L"", L"").CreateAdditionalEXEAssociations(key, {L"a"}); }},
      {"key object read found", [&] { static_cast<void>(ReadString(hkcu, key, L"v")); }},
      {"key object read of another type", [&] { static_cast<void>(ReadDword(hkcu, key, L"v")); }},
      {"key object open missing", [&] { static_cast<void>(RegistryKey::Open(hkcu, missing)); }},
      {"key object write", [&] { Write(hkcu, key, L"w", 1u); }},
      {"key object write refused", [&] { Write(hkcu, key, L"w", std::vector<std::wstring>{L""}); }},
      {"key object listings",
       [&] {
         static_cast<void>(ValueNames(hkcu, key));
         static_cast<void>(RegistryKey::Open(hkcu, key)->Values());
         static_cast<void>(SubkeyNames(hkcu, key));
       }},
      {"key object deletions",
       [&] {
         RegistryKey parent = RegistryKey::Create(hkcu, key);
         RegistryKey::Create(hkcu, key + L"\\Gone\\Child");
         parent.DeleteSubkeyTree(L"Gone");
         DeleteKey(hkcu, missing);
       }},
      {"key object moved and assigned",
       [&] {
         RegistryKey first = RegistryKey::Create(hkcu, key);
         RegistryKey second = std::move(first);
         first = RegistryKey::Create(hkcu, key);
         second = std::move(first);
       }},
  };
  for (const auto& operation : operations) {
    Swallowing(operation.run);  // first-use allocations are not leaks
    const HandleProbe probe;
    for (int round = 0; round < 100; ++round) Swallowing(operation.run);
    EXPECT_LT(probe.Growth(), 10) << operation.name;
  }
}

// A key object's handle closes once: not when the object it was moved out of
// goes, and not again after its own owner closed it (a second close would hit
// whatever handle took the slot meanwhile).
TEST(RegistryHandles, AKeyObjectMovedFromClosesItsHandleOnce) {
  ScratchKey scratch;
  testing::WriteRaw(HKEY_CURRENT_USER, scratch.Path(), "v", {REG_SZ, "x\0"s});
  std::optional<RegistryKey> movedFrom = RegistryKey::Open(kHKeyCurrentUser, scratch.Path());
  ASSERT_TRUE(movedFrom);
  {
    std::optional<RegistryKey> owner(std::move(*movedFrom));
    RegistryKey assigned = RegistryKey::Create(kHKeyCurrentUser, scratch.Sub(L"Other"));
    assigned = std::move(*owner);
    owner.reset();
    EXPECT_EQ(assigned.ReadString(L"v"), L"x") << "the moved-from object closed the handle";
  }
  HKEY later = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, scratch.Path().c_str(), 0, KEY_QUERY_VALUE, &later),
            ERROR_SUCCESS);
  movedFrom.reset();
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(later, L"v", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS)
      << "a moved-from object closed a handle it no longer owned";
  RegCloseKey(later);
}

}  // namespace
}  // namespace corvalidyne
