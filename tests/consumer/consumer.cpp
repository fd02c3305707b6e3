// Writes, reads back and enumerates under a key of its own in HKEY_CURRENT_USER,
// through the object, the typed functions and the key object, watches it,
// carries it through a .reg file, removes it, and
// exits non-zero when anything differs from what it wrote. Written from the
// public headers' comments alone, as a user of the package would.

// The library's own build settings must not reach its users.
#if defined(UNICODE) || defined(NOMINMAX) || defined(WIN32_LEAN_AND_MEAN)
#error "the registry library imposed its own Windows API settings"
#endif

#include <windows.h>

#include <corvalidyne/reg_file.h>
#include <corvalidyne/registry.h>
#include <corvalidyne/registry_functions.h>
#include <corvalidyne/registry_key.h>
#include <corvalidyne/registry_watcher.h>
#include <registry.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <iostream>
#include <ranges>
#include <string>
#include <system_error>
#include <vector>

using namespace corvalidyne;
using namespace std::string_literals;

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

// The types an engineer writes store what they name; values of any type read
// and written as stored; failures without exceptions; keys managed relative to
// an open key; data that no writer of the library stores.
void CheckWideFace(const std::wstring& section) {
  RegistryKey key = RegistryKey::Create(kHKeyCurrentUser, section + L"\\Wide");
  const DWORD count = 5;
  const ULONGLONG big = 1ull << 40;
  const std::wstring_view view = L"view of a longer text";
  key.Write(L"Count", count);
  key.Write(L"Big", big);
  key.Write(L"View", view.substr(0, 4));
  key.Write(L"Literal", L"literal");
  key.Write(L"List", {L"a", L"b"});
  key.Write(L"Path", ExpandableString{L"%SystemRoot%;C:\\Tools"});
  key.WriteValue(L"None", RegistryValue{REG_NONE, {}});
  key.WriteValue(L"Odd", RegistryValue{0x7777, {1, 2, 3}});
  Expect(key.TypeOf(L"Count") == REG_DWORD && key.TypeOf(L"Big") == REG_QWORD &&
             key.TypeOf(L"View") == REG_SZ && key.TypeOf(L"Literal") == REG_SZ &&
             key.TypeOf(L"List") == REG_MULTI_SZ && key.TypeOf(L"Path") == REG_EXPAND_SZ,
         "a written type differs");
  Expect(key.ReadString(L"View") == L"view", "a view was not written as its characters");
  Expect(key.ReadStrings(L"List") == std::vector<std::wstring>{L"a", L"b"}, "a braced list differs");
  const auto path = key.ReadExpandableString(L"Path");
  Expect(path && path->text == L"%SystemRoot%;C:\\Tools", "an expandable text was not read as stored");
  Expect(key.ReadValue(L"Odd") == RegistryValue{0x7777, {1, 2, 3}}, "a value of another code differs");
  Expect(key.ReadValue(L"None") == RegistryValue{REG_NONE, {}}, "a REG_NONE differs");

  std::error_code code(ERROR_GEN_FAILURE, std::system_category());
  Expect(!key.ReadDword(L"Absent", code) && !code, "an absent value set a code");
  Expect(!key.ReadDword(L"Literal", code) && code.value() == ERROR_UNSUPPORTED_TYPE,
         "another type did not set its code");
  Expect(!RegistryKey::Open(kHKeyCurrentUser, section + L"\\Missing", RegistryView::kNative,
                            RegistryAccess::kRead, code) &&
             !code,
         "an absent key set a code");
  Expect(!ReadString(kHKeyCurrentUser, section + L"\\Wide", L"Count", RegistryView::kNative, code) &&
             code.value() == ERROR_UNSUPPORTED_TYPE,
         "a one-call read's code differs");

  bool created = false;
  RegistryKey child = key.CreateSubkey(L"Child", {.created = &created});
  Expect(created, "a new key was not told created");
  key.CreateSubkey(L"Child", {.created = &created});
  Expect(!created, "an existing key was told created");
  child.Write(L"InChild", 1u);
  RegistryKey fleeting = key.CreateSubkey(L"Fleeting", {.volatileKey = true});
  fleeting.CreateSubkey(L"Lasting", {}, code);
  Expect(code.value() == ERROR_CHILD_MUST_BE_VOLATILE, "a volatile key took a persistent child");
  const RegistryKeyInfo info = key.Info();
  Expect(info.subkeys == 2 && info.values == 8, "the key's counts differ");
  Expect(std::chrono::abs(std::chrono::system_clock::now() - info.lastWritten) < std::chrono::hours(1),
         "the last write is not now");
  key.Flush();
  Expect(key.OpenSubkey(L"Child")->ReadDword(L"InChild") == 1u,
         "a subkey did not open relative to its parent");
  RegistryKey copy = RegistryKey::Create(kHKeyCurrentUser, section + L"\\Copy");
  key.CopyTree(copy);
  Expect(copy.OpenSubkey(L"Child")->ReadDword(L"InChild") == 1u && copy.ReadDword(L"Count") == 5u,
         "a copied tree differs");

  DWORD raw = 0, size = sizeof raw;
  Expect(RegQueryValueExW(key.Native(), L"Count", nullptr, nullptr, reinterpret_cast<BYTE*>(&raw), &size) ==
                 ERROR_SUCCESS &&
             raw == 5,
         "the native handle did not read");
  const RegistryKey adopted = RegistryKey::Adopt(copy.Release());
  Expect(adopted.ReadDword(L"Count") == 5u, "an adopted handle did not read");
  {
    const RegistryKey root = RegistryKey::Adopt(HKEY_CURRENT_USER);
  }
  Expect(RegistryKey::Open(kHKeyCurrentUser, section).has_value(), "an adopted root was closed");
  const RegistryKey remote = RegistryKey::Connect(L"", kHKeyLocalMachine);
  Expect(remote.OpenSubkey(L"SOFTWARE").has_value(), "this computer's registry did not connect");

  // Five bytes in a REG_DWORD, as another program may store them.
  const BYTE five[] = {1, 2, 3, 4, 5};
  RegSetValueExW(key.Native(), L"Five", 0, REG_DWORD, five, sizeof five);
  static_cast<void>(key.ReadDword(L"Five", code));
  Expect(code.value() == ERROR_INVALID_DATA, "a REG_DWORD of five bytes was read");

  std::size_t listed = 0;
  for (const RegistryNamedValue& entry : key.EachValueWithData()) listed += entry.name.empty() ? 0 : 1;
  Expect(listed == 9, "the lazy listing differs");
  static_assert(std::ranges::input_range<RegistryValueDataListing>);
  Expect(key.DeleteSubkeyTree(L"Fleeting") && key.DeleteSubkeyTree(L"Child"),
         "a subkey tree was not deleted");
  Expect(RegistryKey::Open(kHKeyCurrentUser, section)->DeleteSubkeyTree(L"Wide"), "the key was not deleted");
  Expect(RegistryKey::Open(kHKeyCurrentUser, section)->DeleteSubkeyTree(L"Copy"), "the copy was not deleted");
}

// A change reaches the watcher's function, the key's deletion its handle; a
// tree carried out and back through a .reg file, and a malformed file refused
// with its line before it changes anything.
void CheckWatcherAndRegFile(const std::wstring& section) {
  const std::wstring path = section + L"\\Watched";
  std::atomic<int> changes{0};
  {
    const RegistryWatcher watcher(RegistryKey::Create(kHKeyCurrentUser, path), RegistryWatchScope::kKey,
                                  [&](const std::error_code& code) { changes += code ? 0 : 1; });
    Write(kHKeyCurrentUser, path, L"Count", 1u);
    for (int i = 0; i < 100 && changes == 0; ++i) Sleep(10);
  }
  Expect(changes > 0, "a change did not reach the watcher within a second");
  {
    const RegistryWatcher watcher(*RegistryKey::Open(kHKeyCurrentUser, path));
    DeleteKey(kHKeyCurrentUser, path);
    Expect(WaitForSingleObject(watcher.WaitHandle(), 5000) == WAIT_OBJECT_0 &&
               watcher.Status().value() == ERROR_KEY_DELETED,
           "a deleted key was not reported");
  }

  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  const std::wstring file = folder + L"corvalidyne-consumer.reg"s;
  Write(kHKeyCurrentUser, path, L"Text", L"carried\r\n\"out\"");
  Write(kHKeyCurrentUser, path, L"Number", 7ull);
  ExportRegFile(kHKeyCurrentUser, path, file);
  DeleteKey(kHKeyCurrentUser, path);
  ImportRegFile(file);
  Expect(ReadString(kHKeyCurrentUser, path, L"Text") == L"carried\r\n\"out\"" &&
             ReadQword(kHKeyCurrentUser, path, L"Number") == 7u,
         "a tree did not come back from its .reg file");

  const HANDLE out = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  const char malformed[] =
      "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n\"Late\"=dword:1\r\nnonsense\r\n";
  DWORD written = 0;
  WriteFile(out, malformed, sizeof malformed - 1, &written, nullptr);
  CloseHandle(out);
  std::error_code code;
  std::size_t line = 0;
  Expect(!ImportRegFile(file, RegistryView::kNative, code, &line) && code.category() == RegFileCategory() &&
             line == 5 && !ReadDword(kHKeyCurrentUser, L"Software", L"Late"),
         "a malformed .reg file was not refused whole, with its line");
  DeleteFileW(file.c_str());
  Expect(DeleteKey(kHKeyCurrentUser, path), "the watched key was not deleted");
}

}  // namespace

int main() {
  const std::wstring section = L"Software\\CorvalidyneConsumer" + std::to_wstring(GetCurrentProcessId());
  try {
    Check(section);
    CheckWideFace(section);
    CheckWatcherAndRegFile(section);
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
