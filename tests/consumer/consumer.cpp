// Writes, reads back and enumerates under a key of its own in HKEY_CURRENT_USER,
// through the object, the typed functions and the key object, removes it, and
// exits non-zero when anything differs from what it wrote.

// The library's own build settings must not reach its users.
#if defined(UNICODE) || defined(NOMINMAX) || defined(WIN32_LEAN_AND_MEAN)
#error "the registry library imposed its own Windows API settings"
#endif

#include <windows.h>

#include <corvalidyne/registry.h>
#include <corvalidyne/registry_functions.h>
#include <corvalidyne/registry_key.h>
#include <registry.h>

#include <algorithm>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

using namespace corvalidyne;

namespace {

int failures = 0;

void Expect(bool ok, const char* what) {
  if (ok) return;
  std::cerr << "registry consumer: " << what << "\n";
  ++failures;
}

Registry At(const std::wstring& section) {
  Registry registry;
  registry.ClassKey(kHKeyCurrentUser);
  registry.SectionKey(section);
  return registry;
}

std::vector<std::wstring> Sorted(const NameList& names, std::int32_t count) {
  std::vector<std::wstring> result(names.begin(), names.end());
  std::sort(result.begin(), result.end());
  if (static_cast<std::size_t>(count) != result.size()) result.clear();
  return result;
}

void Check(const std::wstring& section) {
  Registry registry = At(section);
  registry.ValueKey(L"Folder");
  registry.ValueType(REG_SZ);
  registry.Value(std::wstring(L"C:\\Consumer"));
  registry.ValueKey(L"Count");
  registry.ValueType(REG_DWORD);
  registry.Value(std::int32_t{42});
  At(section + L"\\One").CreateKey();
  At(section + L"\\Two").CreateKey();

  registry.ValueKey(L"Folder");
  Expect(registry.Value() == TaggedValue(std::wstring(L"C:\\Consumer")), "REG_SZ read back differs");
  registry.ValueKey(L"Count");
  Expect(registry.Value() == TaggedValue(std::int32_t{42}), "REG_DWORD read back differs");
  registry.ValueKey(L"Missing");
  registry.Default(std::int32_t{-1});
  Expect(registry.Value() == TaggedValue(std::int32_t{-1}), "a missing value did not read as the default");

  NameList names;
  std::int32_t count = 0;
  registry.EnumerateValues(names, count);
  Expect(Sorted(names, count) == std::vector<std::wstring>{L"Count", L"Folder"}, "values enumerated wrong");
  registry.EnumerateSections(names, count);
  Expect(Sorted(names, count) == std::vector<std::wstring>{L"One", L"Two"}, "subkeys enumerated wrong");

  // The same values through the typed functions, and a type the object does not write.
  Expect(ReadDword(kHKeyCurrentUser, section, L"Count") == 42u, "typed REG_DWORD read differs");
  Expect(ReadString(kHKeyCurrentUser, section, L"Folder") == L"C:\\Consumer", "typed REG_SZ read differs");
  try {
    static_cast<void>(ReadString(kHKeyCurrentUser, section, L"Count"));
    Expect(false, "a REG_DWORD read as a string");
  } catch (const std::system_error& error) {
    Expect(error.code().value() == ERROR_UNSUPPORTED_TYPE, "reading another type threw the wrong code");
  }
  const std::vector<std::wstring> strings{L"a", L"b"};
  Write(kHKeyCurrentUser, section, L"Strings", strings);
  Expect(ReadStrings(kHKeyCurrentUser, section, L"Strings") == strings, "typed REG_MULTI_SZ read differs");
  Expect(SubkeyNames(kHKeyCurrentUser, section).size() == 2, "typed subkey listing differs");

  // The key object: text outside any code page, a REG_QWORD, a failure with the system's code.
  const std::wstring unicode = L"\u65E5\u672C \U0001F600";
  RegistryKey key = RegistryKey::Create(kHKeyCurrentUser, section + L"\\" + unicode);
  key.Write(unicode, unicode);
  key.Write(L"Big", std::uint64_t{1} << 40);
  RegistryKey moved = std::move(key);
  Expect(moved.ReadString(unicode) == unicode, "key object Unicode read differs");
  Expect(moved.ReadQword(L"Big") == std::uint64_t{1} << 40, "key object REG_QWORD read differs");
  Expect(moved.Values() == std::vector<RegistryValueEntry>{{L"Big", REG_QWORD}, {unicode, REG_SZ}} ||
             moved.Values() == std::vector<RegistryValueEntry>{{unicode, REG_SZ}, {L"Big", REG_QWORD}},
         "key object listing differs");
  try {
    static_cast<void>(moved.ReadDword(L"Big"));
    Expect(false, "a REG_QWORD read as a REG_DWORD");
  } catch (const std::system_error& error) {
    Expect(error.code().value() == ERROR_UNSUPPORTED_TYPE, "reading another type threw the wrong code");
  }
  Expect(!RegistryKey::Open(kHKeyCurrentUser, section + L"\\Missing", RegistryView::k64Bit),
         "a missing key opened");
  Expect(RegistryKey::Open(kHKeyCurrentUser, section, RegistryView::kNative, RegistryAccess::kReadWrite)
             ->DeleteSubkeyTree(unicode),
         "the key object's tree was not deleted");

  try {
    At(section + L"\\Missing").DeleteKey();
    Expect(false, "deleting a missing key did not throw");
  } catch (const RegistryError& error) {
    Expect(error.Number() == registry_errors::kGeneral, "deleting a missing key threw the wrong number");
  }
}

void Remove(const std::wstring& section) {
  for (const wchar_t* sub : {L"\\One", L"\\Two", L""}) {
    try {
      At(section + sub).DeleteKey();
    } catch (const RegistryError&) {
    }
  }
}

}  // namespace

int main() {
  const std::wstring section = L"Software\\CorvalidyneConsumer" + std::to_wstring(GetCurrentProcessId());
  try {
    Check(section);
  } catch (const std::exception& error) {
    std::cerr << "registry consumer: " << error.what() << "\n";
    ++failures;
  }
  Expect(OwnRegistryAnswer() == 42, "the project's own registry.h was shadowed");
  Remove(section);
  Expect(!At(section).KeyExists(), "the key was not removed");
  if (failures == 0) std::cout << "registry consumer: ok\n";
  return failures == 0 ? 0 : 1;
}
