// The key object's management of keys, its reads of data as other programs
// store it, and its lazy listings, against the real registry.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "addressing.h"
#include "corvalidyne/registry.h"
#include "corvalidyne/registry_functions.h"
#include "corvalidyne/registry_key.h"
#include "raw_registry.h"
#include "registry_outcome.h"
#include "scratch_key.h"
#include "wide_outcome.h"

namespace corvalidyne {
namespace {

using namespace std::string_literals;
using testing::Both;
using testing::Coded;
using testing::ExpectBoth;
using testing::Failed;
using testing::Got;
using testing::RawValue;
using testing::Read;
using testing::ScratchKey;
using testing::Utf16Bytes;

std::vector<std::wstring> Sorted(std::vector<std::wstring> names) {
  std::sort(names.begin(), names.end());
  return names;
}

// Every value and subkey below a key, as "path=type:bytes" lines, sorted.
void Describe(const RegistryKey& key, const std::wstring& path, std::vector<std::wstring>& lines) {
  for (const RegistryNamedValue& entry : key.EachValueWithData()) {
    lines.push_back(path + L"|" + entry.name + L"=" + std::to_wstring(entry.value.type) + L":" +
                    std::wstring(entry.value.data.begin(), entry.value.data.end()));
  }
  for (const std::wstring& name : key.EachSubkey()) {
    lines.push_back(path + L"\\" + name);
    Describe(*key.OpenSubkey(name), path + L"\\" + name, lines);
  }
}

std::vector<std::wstring> TreeOf(const RegistryKey& key) {
  std::vector<std::wstring> lines;
  Describe(key, L"", lines);
  return Sorted(lines);
}

// Keys made, opened, described, flushed, copied and handed over relative to an
// open key, in both forms; a key deleted while open; another computer's root.
TEST(RegistryKeyManagement, KeysAreMadeAndManagedRelativeToAnOpenKey) {
  ScratchKey scratch;
  const auto native = RegistryView::kNative;
  RegistryKey base = RegistryKey::Create(kHKeyCurrentUser, scratch.Path());
  RegistryKey source = base.CreateSubkey(L"Source");
  source.Write(L"n", 1u);
  source.Write(L"s", L"text");
  source.WriteValue(L"odd", {0x4321, {1, 2}});
  source.CreateSubkey(L"A\\B").Write(L"deep", std::uint64_t{7});
  source.CreateSubkey(L"C");
  const auto written = std::chrono::system_clock::now();
  RegistryKey doomed = base.CreateSubkey(L"Doomed");
  ASSERT_EQ(RegDeleteKeyW(base.Native(), L"Doomed"), ERROR_SUCCESS);
  const auto flag = [](bool value) { return Read{value}; };

  const struct {
    const char* name;
    testing::BothForms call;
    Coded expected;
  } rows[] = {
      {"subkeys and values of the source",
       Both([&](auto&... c) {
         const std::optional<RegistryKeyInfo> info = source.Info(c...);
         return info ? Read{std::uint64_t{info->subkeys * 10u + info->values}} : Read{};
       }),
       {Read{std::uint64_t{23}}}},
      {"created, then opened",
       Both([&](auto&... c) {
         bool first = false, second = true;
         base.DeleteSubkey(L"Made");
         base.CreateSubkey(L"Made", {.created = &first}, c...);
         base.CreateSubkey(L"Made", {.created = &second}, c...);
         return Read{
             std::vector<std::wstring>{first ? L"created" : L"opened", second ? L"created" : L"opened"}};
       }),
       {Read{std::vector<std::wstring>{L"created", L"opened"}}}},
      {"a subkey opened relative to its parent",
       Both([&](auto&... c) {
         const auto opened = source.OpenSubkey(L"A\\B", RegistryAccess::kRead, c...);
         return opened ? Got(opened->ReadQword(L"deep")) : Read{};
       }),
       {Read{std::uint64_t{7}}}},
      {"flushed", Both([&](auto&... c) { return Read{(source.Flush(c...), true)}; }), {flag(true)}},
      {"info of a key deleted while open", Both([&](auto&... c) {
         const std::optional<RegistryKeyInfo> info = doomed.Info(c...);
         return flag(info.has_value());
       }),
       Failed(ERROR_KEY_DELETED)},
      {"write to a key deleted while open",
       Both([&](auto&... c) { return testing::Did([&] { doomed.Write(L"v", 1u, c...); }); }),
       Failed(ERROR_KEY_DELETED)},
      {"another computer: this one, by name",
       Both([&](auto&... c) {
         const std::optional<RegistryKey> remote =
             RegistryKey::Connect(testing::ComputerName(), kHKeyLocalMachine, native, c...);
         if (!remote) return Read{};
         return flag(remote->OpenSubkey(L"SOFTWARE", RegistryAccess::kRead, c...).has_value());
       }),
       {flag(true)}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ExpectBoth(row.call, row.expected);
  }

  const RegistryKeyInfo info = source.Info();
  EXPECT_EQ(info.subkeys, 2u);
  EXPECT_EQ(info.values, 3u);
  EXPECT_LT(std::chrono::abs(info.lastWritten - written), std::chrono::minutes(2))
      << "the last write is not this test's";

  RegistryKey copy = base.CreateSubkey(L"Copy");
  copy.Write(L"kept", 2u);
  source.CopyTree(copy);
  std::vector<std::wstring> expected = TreeOf(source);
  expected.push_back(L"|kept=4:\x02"s + std::wstring(3, L'\0'));
  EXPECT_EQ(TreeOf(copy), Sorted(expected));
}

// The handle for Win32 calls: lent (Native), given up (Release) and taken over
// (Adopt); a predefined root adopted is never closed.
TEST(RegistryKeyManagement, TheHandleIsLentGivenUpAndTakenOver) {
  ScratchKey scratch;
  RegistryKey key = RegistryKey::Create(kHKeyCurrentUser, scratch.Path());
  key.Write(L"v", 5u);
  DWORD value = 0, size = sizeof value;
  EXPECT_EQ(RegQueryValueExW(key.Native(), L"v", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(value, 5u);

  HKEY released = key.Release();
  EXPECT_EQ(key.Native(), nullptr);
  {
    const RegistryKey gone = std::move(key);
  }
  size = sizeof value;
  EXPECT_EQ(RegQueryValueExW(released, L"v", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
            ERROR_SUCCESS)
      << "a released handle was closed";
  {
    const RegistryKey adopted = RegistryKey::Adopt(released);
    EXPECT_EQ(adopted.ReadDword(L"v"), 5u);
  }
  EXPECT_NE(RegQueryValueExW(released, L"v", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS)
      << "an adopted handle was not closed";

  {
    const RegistryKey root = RegistryKey::Adopt(HKEY_CURRENT_USER);
  }
  HKEY again = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, scratch.Path().c_str(), 0, KEY_READ, &again), ERROR_SUCCESS)
      << "an adopted predefined root was closed";
  RegCloseKey(again);
}

// What each face reads of data that no writer of this library would store, as
// another program may: every read gives its documented result or error, and
// nothing beyond the data. The object follows its own rules (a REG_DWORD of
// another size fills or cuts its four bytes); the key object refuses sizes.
TEST(RegistryStoredData, EveryFaceReadsDataOfAnyShapeAsDocumented) {
  ScratchKey scratch;
  const std::wstring path = scratch.Path();
  const RegistryKey key = RegistryKey::Create(kHKeyCurrentUser, path);
  const auto strings = [](std::vector<std::wstring> list) { return Read{std::move(list)}; };
  // The typed read the key object offers for the stored type, both forms.
  const auto typed = [&](DWORD type, const std::wstring& name) {
    return Both([&key, type, name](auto&... c) -> Read {
      switch (type) {
        case REG_SZ:
          return Got(key.ReadString(name, c...));
        case REG_EXPAND_SZ:
          return Got(key.ReadExpandableString(name, c...));
        case REG_MULTI_SZ:
          return Got(key.ReadStrings(name, c...));
        case REG_DWORD:
          return Got(key.ReadDword(name, c...));
        case REG_QWORD:
          return Got(key.ReadQword(name, c...));
        default:
          return Got(key.ReadBinary(name, c...));
      }
    });
  };
  // The same through the one-call functions.
  const auto oneCall = [&](DWORD type, const std::wstring& name) {
    const auto root = kHKeyCurrentUser;
    const auto view = RegistryView::kNative;
    return Both([&path, root, view, type, name](auto&... c) -> Read {
      switch (type) {
        case REG_SZ:
          return Got(ReadString(root, path, name, view, c...));
        case REG_EXPAND_SZ:
          return Got(ReadExpandedString(root, path, name, view, c...));
        case REG_MULTI_SZ:
          return Got(ReadStrings(root, path, name, view, c...));
        case REG_DWORD:
          return Got(ReadDword(root, path, name, view, c...));
        case REG_QWORD:
          return Got(ReadQword(root, path, name, view, c...));
        default:
          return Got(ReadBinary(root, path, name, view, c...));
      }
    });
  };

  const struct {
    const wchar_t* name;
    RawValue stored;
    Coded keyReads;
    TaggedValue objectReads;
  } rows[] = {
      {L"sz of an odd byte count", {REG_SZ, "a\0b\0c"s}, {Read{L"ab"s}}, L"ab"s},
      {L"sz without its terminator", {REG_SZ, Utf16Bytes(L"abc")}, {Read{L"abc"s}}, L"abc"s},
      {L"sz with NULs inside", {REG_SZ, Utf16Bytes(L"a\0b\0\0"s)}, {Read{L"a\0b\0"s}}, L"a\0b\0"s},
      {L"sz empty", {REG_SZ, ""s}, {Read{L""s}}, L""s},
      {L"multi without its final NULs",
       {REG_MULTI_SZ, Utf16Bytes(L"a\0bc"s)},
       {strings({L"a", L"bc"})},
       L"a\0bc"s},
      {L"multi of an odd byte count",
       {REG_MULTI_SZ, Utf16Bytes(L"a\0b\0"s) + "c"},
       {strings({L"a", L"b"})},
       L"a\0b"s},
      {L"dword of 0 bytes", {REG_DWORD, ""s}, Failed(ERROR_INVALID_DATA), std::int32_t{0}},
      {L"dword of 3 bytes", {REG_DWORD, "\x01\x02\x03"s}, Failed(ERROR_INVALID_DATA), std::int32_t{0x030201}},
      {L"dword of 5 bytes",
       {REG_DWORD, "\x01\x02\x03\x04\x05"s},
       Failed(ERROR_INVALID_DATA),
       std::int32_t{0x04030201}},
      {L"qword of 4 bytes", {REG_QWORD, "\x01\x02\x03\x04"s}, Failed(ERROR_INVALID_DATA), Bytes{1, 2, 3, 4}},
      {L"expand empty", {REG_EXPAND_SZ, ""s}, {Read{L""s}}, L""s},
      {L"link",
       {REG_LINK, Utf16Bytes(L"\\Registry\\Machine")},
       Failed(ERROR_UNSUPPORTED_TYPE),
       testing::BytesOf(Utf16Bytes(L"\\Registry\\Machine"))},
  };
  for (const auto& row : rows) testing::WriteExact(HKEY_CURRENT_USER, path, row.name, row.stored);

  std::vector<RegistryNamedValue> listed;
  for (const RegistryNamedValue& entry : key.EachValueWithData()) listed.push_back(entry);
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Utf8(row.name));
    const RegistryValue asStored{static_cast<RegistryValueType>(row.stored.type),
                                 Bytes(row.stored.data.begin(), row.stored.data.end())};
    EXPECT_EQ(key.ReadValue(row.name), asStored);
    EXPECT_EQ(ReadValue(kHKeyCurrentUser, path, row.name), asStored);
    EXPECT_NE(std::find(listed.begin(), listed.end(), RegistryNamedValue{row.name, asStored}), listed.end())
        << "the listing with data differs";
    ExpectBoth(typed(row.stored.type, row.name), row.keyReads);
    ExpectBoth(oneCall(row.stored.type, row.name), row.keyReads);
    Registry object = testing::Addressing(kHKeyCurrentUser, path, row.name, REG_NONE);
    EXPECT_EQ(testing::Outcome(object.Value()), testing::Outcome(row.objectReads));
  }

  // Another thread keeps resizing one value: each read gives one whole
  // version of it, or the face's "kept changing" answer, never a mix.
  const Bytes small(8, 0x11), large(70000, 0x22);
  std::atomic<bool> done = false;
  RegistryKey::Create(kHKeyCurrentUser, path).Write(L"resized", small);
  std::thread resizer([&] {
    RegistryKey writer = RegistryKey::Create(kHKeyCurrentUser, path);
    for (int round = 0; !done; ++round) writer.Write(L"resized", round % 2 ? large : small);
  });
  int whole = 0;
  for (int attempt = 0; attempt < 300; ++attempt) {
    std::error_code code;
    const auto bytes = key.ReadBinary(L"resized", code);
    if (code) {
      EXPECT_EQ(code.value(), ERROR_MORE_DATA);
      continue;
    }
    EXPECT_TRUE(bytes && (*bytes == small || *bytes == large)) << (bytes ? bytes->size() : 0) << " bytes";
    ++whole;
    Registry object = testing::Addressing(kHKeyCurrentUser, path, L"resized", REG_NONE, L"", L"fallback");
    const TaggedValue value = object.Value();
    EXPECT_TRUE(value == TaggedValue(small) || value == TaggedValue(large) ||
                value == TaggedValue(L"fallback"s));
  }
  done = true;
  resizer.join();
  EXPECT_GT(whole, 0);
}

// The lazy listings walk a key of 20,000 values one entry a step, see what the
// key holds when the step comes (a value added behind the walk is seen, one
// deleted ahead of it is not), and end at a failure: thrown, or set in the
// caller's code.
TEST(RegistryListing, WalksOneEntryAStepAndSeesTheKeyAsItIsThen) {
  ScratchKey scratch;
  RegistryKey key = RegistryKey::Create(kHKeyCurrentUser, scratch.Path());
  constexpr std::uint32_t kValues = 20000;
  for (std::uint32_t i = 0; i < kValues; ++i) key.Write(L"v" + std::to_wstring(100000 + i), i);
  key.CreateSubkey(L"Sub1");
  key.CreateSubkey(L"Sub2");

  std::uint32_t count = 0;
  bool inOrder = true;
  for (const RegistryNamedValue& entry : key.EachValueWithData()) {
    const std::uint32_t number = std::stoul(entry.name.substr(1)) - 100000;
    inOrder = inOrder && entry.value == RegistryValue{REG_DWORD,
                                                      {static_cast<std::uint8_t>(number & 0xFF),
                                                       static_cast<std::uint8_t>(number >> 8 & 0xFF),
                                                       static_cast<std::uint8_t>(number >> 16), 0}};
    ++count;
  }
  EXPECT_EQ(count, kValues);
  EXPECT_TRUE(inOrder) << "a value's data was not its own";
  std::vector<std::wstring> subkeys;
  for (const std::wstring& name : key.EachSubkey()) subkeys.push_back(name);
  EXPECT_EQ(Sorted(subkeys), (std::vector<std::wstring>{L"Sub1", L"Sub2"}));

  // Wine lists values alphabetically, Windows in their order of creation: a
  // name after every other is behind the walk on both.
  std::vector<std::wstring> seen;
  for (const RegistryValueEntry& entry : key.EachValue()) {
    if (seen.empty()) {
      key.Write(L"zz added", 1u);
      ASSERT_TRUE(key.DeleteValue(L"v119999"));
    }
    seen.push_back(entry.name);
    if (seen.size() == 5) break;
  }
  EXPECT_EQ(seen.size(), 5u) << "the walk did not stop where the loop stopped";
  seen.clear();
  for (const RegistryValueEntry& entry : key.EachValue()) {
    if (seen.empty()) {
      key.Write(L"zzz added during the walk", 1u);
      ASSERT_TRUE(key.DeleteValue(L"v119998"));
    }
    seen.push_back(entry.name);
  }
  EXPECT_NE(std::find(seen.begin(), seen.end(), L"zzz added during the walk"), seen.end());
  EXPECT_EQ(std::find(seen.begin(), seen.end(), L"v119998"), seen.end());
  EXPECT_EQ(std::find(seen.begin(), seen.end(), L"v119999"), seen.end());
  EXPECT_GE(seen.size(), kValues - 1);

  // The key deleted in the middle of a walk, through another handle.
  RegistryKey doomed = RegistryKey::Create(kHKeyCurrentUser, scratch.Sub(L"Doomed"));
  for (std::uint32_t i = 0; i < 10; ++i) doomed.Write(L"d" + std::to_wstring(i), i);
  const auto deleteDoomed = [&] { ASSERT_EQ(RegDeleteKeyW(key.Native(), L"Doomed"), ERROR_SUCCESS); };
  std::error_code code;
  std::size_t steps = 0;
  for (const RegistryValueEntry& entry : doomed.EachValue(code)) {
    static_cast<void>(entry);
    if (++steps == 3) deleteDoomed();
  }
  EXPECT_EQ(steps, 3u);
  EXPECT_EQ(code, std::error_code(ERROR_KEY_DELETED, std::system_category()));
  EXPECT_EQ(testing::Call([&] { return Read{doomed.ValueNames()}; }), Failed(ERROR_KEY_DELETED));
  std::error_code listed;
  EXPECT_TRUE(doomed.Values(listed).empty());
  EXPECT_EQ(listed.value(), ERROR_KEY_DELETED);
}

}  // namespace
}  // namespace corvalidyne
