#include <gtest/gtest.h>

#include <windows.h>

#include <stdexcept>
#include <vector>

#include "addressing.h"
#include "corvalidyne/registry.h"
#include "raw_registry.h"
#include "scratch_key.h"

namespace corvalidyne {
namespace {

using namespace std::string_literals;
using testing::ScratchKey;

// The platform's own order, through the wide functions.
std::vector<std::wstring> PlatformValueNames(const std::wstring& path) {
  std::vector<std::wstring> names;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return names;
  wchar_t name[16384];
  for (DWORD index = 0;; ++index) {
    DWORD length = 16384;
    if (RegEnumValueW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  RegCloseKey(key);
  return names;
}

std::vector<std::wstring> PlatformSubkeyNames(const std::wstring& path) {
  std::vector<std::wstring> names;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, &key) != ERROR_SUCCESS) {
    return names;
  }
  wchar_t name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = 256;
    if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  RegCloseKey(key);
  return names;
}

std::vector<std::wstring> Elements(const NameList& list, std::int32_t count) {
  std::vector<std::wstring> names;
  for (std::int32_t index = 1; index <= count; ++index) names.push_back(list[index]);
  return names;
}

// Enumeration lists the local key whatever the other properties say.
Registry Addressing(const std::wstring& section) {
  return testing::Addressing(kHKeyCurrentUser, section, L"untouched", REG_BINARY, L"no-such-computer-q7");
}

void ExpectFieldsUnchanged(const Registry& registry, const std::wstring& section) {
  EXPECT_EQ(registry.ClassKey(), kHKeyCurrentUser);
  EXPECT_EQ(registry.SectionKey(), section);
  EXPECT_EQ(registry.ValueKey(), L"untouched");
  EXPECT_EQ(registry.ValueType(), REG_BINARY);
}

TEST(RegistryEnumeration, ListsValueNamesInThePlatformsOrderWithTheDefaultAsEmpty) {
  ScratchKey scratch;
  const std::wstring longName(255, L'v');
  for (const std::wstring& name : {L"beta"s, L""s, L"alpha"s, L"Caf\u00e9"s, longName, L"gamma"s}) {
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, scratch.Path().c_str(), name.c_str(), REG_SZ, L"x", 4),
              ERROR_SUCCESS);
  }
  const auto expected = PlatformValueNames(scratch.Path());
  ASSERT_EQ(expected.size(), 6u);

  Registry registry = Addressing(scratch.Path());
  NameList names;
  std::int32_t count = -1;
  EXPECT_TRUE(registry.EnumerateValues(names, count));
  EXPECT_EQ(count, 6);
  EXPECT_EQ(names.size(), 6);
  EXPECT_EQ(Elements(names, count), expected);
  EXPECT_EQ(std::vector<std::wstring>(names.begin(), names.end()), expected);
  ExpectFieldsUnchanged(registry, scratch.Path());
}

TEST(RegistryEnumeration, ListsSubkeysInThePlatformsOrderIncludingA255CharacterName) {
  ScratchKey scratch;
  const std::wstring longest(255, L'k');
  for (const std::wstring& name : {L"Zeta"s, longest, L"alpha"s, L"Caf\u00e9"s, L"Mid"s}) {
    testing::MakeKey(HKEY_CURRENT_USER, scratch.Sub(name));
  }
  testing::MakeKey(HKEY_CURRENT_USER, scratch.Sub(L"Mid\\NotListed"));
  const auto expected = PlatformSubkeyNames(scratch.Path());
  ASSERT_EQ(expected.size(), 5u);

  Registry registry = Addressing(scratch.Path());
  NameList names;
  std::int32_t count = -1;
  EXPECT_TRUE(registry.EnumerateSections(names, count));
  EXPECT_EQ(count, 5);
  EXPECT_EQ(Elements(names, count), expected);
  ExpectFieldsUnchanged(registry, scratch.Path());
}

TEST(RegistryEnumeration, NothingFoundGivesAnEmptyListAndDiscardsWhatItHeld) {
  ScratchKey scratch;
  testing::MakeKey(HKEY_CURRENT_USER, scratch.Sub(L"Empty"));
  testing::WriteRaw(HKEY_CURRENT_USER, scratch.Sub(L"Full"), "v", {REG_SZ, "\0"s});
  testing::MakeKey(HKEY_CURRENT_USER, scratch.Sub(L"Full\\Child"));

  for (const std::wstring& section : {scratch.Sub(L"Empty"), scratch.Sub(L"Missing")}) {
    Registry registry = Addressing(scratch.Sub(L"Full"));
    NameList values, sections;
    std::int32_t valueCount = 0, sectionCount = 0;
    ASSERT_TRUE(registry.EnumerateValues(values, valueCount));
    ASSERT_TRUE(registry.EnumerateSections(sections, sectionCount));
    ASSERT_EQ(valueCount, 1);
    ASSERT_EQ(sectionCount, 1);

    registry.SectionKey(section);
    EXPECT_TRUE(registry.EnumerateValues(values, valueCount));
    EXPECT_TRUE(registry.EnumerateSections(sections, sectionCount));
    EXPECT_EQ(valueCount, 0);
    EXPECT_EQ(sectionCount, 0);
    EXPECT_TRUE(values.empty());
    EXPECT_TRUE(sections.empty());
  }
}

TEST(RegistryEnumeration, ListsAreNumberedFromOne) {
  ScratchKey scratch;
  for (const char* name : {"a", "b", "c"})
    testing::WriteRaw(HKEY_CURRENT_USER, scratch.Path(), name, {REG_SZ, "\0"s});
  NameList names;
  std::int32_t count = 0;
  Addressing(scratch.Path()).EnumerateValues(names, count);
  ASSERT_EQ(count, 3);
  EXPECT_THROW(names[0], std::out_of_range);
  EXPECT_THROW(static_cast<void>(names.at(4)), std::out_of_range);
  EXPECT_THROW(static_cast<void>(names.at(-1)), std::out_of_range);
  EXPECT_NO_THROW(static_cast<void>(names.at(1)));
  EXPECT_NO_THROW(names[3]);
}

}  // namespace
}  // namespace corvalidyne
