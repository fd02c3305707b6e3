// The library's guide, registry/README.md: its C++ blocks are compiled here
// (guide_snippets.inc is made from them at build time) and run, so that what
// the guide shows stays true.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <system_error>
#include <thread>
#include <variant>

#include "corvalidyne/reg_file.h"
#include "corvalidyne/registry.h"
#include "corvalidyne/registry_functions.h"
#include "corvalidyne/registry_key.h"
#include "corvalidyne/registry_watcher.h"
#include "raw_registry.h"
#include "scratch_key.h"

namespace corvalidyne {
namespace guide {

#include "guide_snippets.inc"

}  // namespace guide
namespace {

using namespace std::string_literals;
using testing::RawValue;

std::wstring Environment(const wchar_t* name) {
  wchar_t buffer[MAX_PATH] = {};
  GetEnvironmentVariableW(name, buffer, MAX_PATH);
  return buffer;
}

TEST(RegistryUsage, TheKeyObjectsExamplesDoWhatTheGuideSays) {
  const testing::ScratchKey scratch;
  const std::wstring settings = scratch.Sub(L"Settings");
  EXPECT_EQ(guide::Retries(settings), 1u);
  guide::SaveSettings(settings);
  const auto types = RegistryKey::Open(kHKeyCurrentUser, settings)->Values();
  EXPECT_EQ(std::vector<RegistryValueEntry>(types.begin(), types.end()),
            (std::vector<RegistryValueEntry>{{L"CacheBytes", REG_QWORD},
                                             {L"Logs", REG_EXPAND_SZ},
                                             {L"Mirrors", REG_MULTI_SZ},
                                             {L"Retries", REG_DWORD},
                                             {L"Server", REG_SZ},
                                             {L"Token", REG_BINARY}}))
      << "Wine lists values alphabetically";
  EXPECT_EQ(guide::Retries(settings), 3u);
  std::error_code code(ERROR_GEN_FAILURE, std::system_category());
  EXPECT_EQ(guide::Server(settings, code), L"db.example.com");
  EXPECT_FALSE(code);
  EXPECT_EQ(guide::Server(scratch.Sub(L"Missing"), code), std::nullopt);
  EXPECT_FALSE(code);
  EXPECT_EQ(guide::Server(settings + L"\0"s, code), std::nullopt);
  EXPECT_EQ(code.value(), ERROR_INVALID_NAME);

  RegistryKey environment = RegistryKey::Create(kHKeyCurrentUser, scratch.Sub(L"Environment"));
  environment.Write(L"Path", ExpandableString{L"%SystemRoot%\\system32"});
  guide::AddFolder(environment, L"C:\\Tools");
  EXPECT_EQ(environment.ReadExpandableString(L"Path"),
            (ExpandableString{L"%SystemRoot%\\system32;C:\\Tools"}));
  EXPECT_EQ(environment.ReadExpandedString(L"Path"), Environment(L"SystemRoot") + L"\\system32;C:\\Tools");

  guide::AddOpenWith(L".cvq7usage", L"Corvalidyne.Report");
  EXPECT_EQ(
      ReadValue(kHKeyCurrentUser, L"Software\\Classes\\.cvq7usage\\OpenWithProgids", L"Corvalidyne.Report"),
      (RegistryValue{REG_NONE, {}}));
  RegistryKey::Open(kHKeyCurrentUser, L"Software\\Classes", RegistryView::kNative, RegistryAccess::kReadWrite)
      ->DeleteSubkeyTree(L".cvq7usage");

  RegistryKey backups = RegistryKey::Create(kHKeyCurrentUser, scratch.Sub(L"Backups"));
  const RegistryKey source = *RegistryKey::Open(kHKeyCurrentUser, settings);
  EXPECT_TRUE(guide::BackUp(source, backups));
  EXPECT_FALSE(guide::BackUp(source, backups));
  EXPECT_EQ(backups.OpenSubkey(L"Latest")->ReadString(L"Server"), L"db.example.com");
  EXPECT_EQ(guide::SubkeyCount(backups), 1u);
  EXPECT_EQ(guide::FirstNamesOfType(source, REG_SZ, 5), std::vector<std::wstring>{L"Server"});
  EXPECT_EQ(guide::FirstNamesOfType(source, REG_QWORD, 1), std::vector<std::wstring>{L"CacheBytes"});
}

// The object's examples, and the view one against a key of HKLM\SOFTWARE.
TEST(RegistryUsage, TheObjectsAndTheViewsExamplesDoWhatTheGuideSays) {
  const testing::ScratchKey scratch;
  testing::WriteRaw(HKEY_CURRENT_USER, scratch.Path(), "MajorVersion", {REG_DWORD, "\x05\0\0\0"s});
  EXPECT_EQ(guide::WebServerMajorVersion(kHKeyCurrentUser, scratch.Path()), 5);
  EXPECT_EQ(guide::WebServerMajorVersion(kHKeyCurrentUser, scratch.Sub(L"Missing")), 0);

  guide::WriteInstallFolder(scratch.Sub(L"App"), L"C:\\Corvalidyne");
  RawValue stored;
  EXPECT_TRUE(testing::ReadRawA(HKEY_CURRENT_USER, scratch.Sub(L"App"), "InstallFolder", stored));
  EXPECT_EQ(stored.data, "C:\\Corvalidyne\0"s);
  EXPECT_EQ(guide::Subkeys(scratch.Path()), std::vector<std::wstring>{L"App"});

  const std::wstring installed = L"SOFTWARE\\CorvalidyneUsageTest";
  Write(kHKeyLocalMachine, installed, L"MajorVersion", 7u, RegistryView::k32Bit);
  EXPECT_EQ(guide::InstalledMajorVersion(installed), 7u);
  DeleteKey(kHKeyLocalMachine, installed, RegistryView::k32Bit);
  EXPECT_EQ(guide::InstalledMajorVersion(installed), 0u);

  guide::RegisterReportType(L"C:\\Viewer\\view.exe");
  RawValue command;
  EXPECT_TRUE(
      testing::ReadRawA(HKEY_CLASSES_ROOT, L"Corvalidyne.UsageReport\\shell\\print\\command", "", command));
  EXPECT_EQ(command.data, "\"C:\\Viewer\\view.exe\" /p \"%1\"\0"s);
  for (const wchar_t* key : {L".cvq7usage", L"Corvalidyne.UsageReport"}) {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, key);
    RegDeleteKeyW(HKEY_CLASSES_ROOT, key);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (L"SOFTWARE\\Classes\\"s + key).c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, (L"SOFTWARE\\Classes\\"s + key).c_str());
  }
}

// A file in the temporary folder, named for the test.
std::wstring TemporaryFile(const wchar_t* name) {
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  return folder + L"CorvalidyneUsage."s + name;
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

TEST(RegistryUsage, TheRegFileExampleSavesAndPutsBackAndAMalformedFileChangesNothing) {
  const testing::ScratchKey scratch;
  const std::wstring first = TemporaryFile(L"first.reg");
  const std::wstring second = TemporaryFile(L"second.reg");
  const std::wstring malformed = TemporaryFile(L"malformed.reg");
  WriteFileBytes(malformed, "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\" +
                                std::string(scratch.Path().begin(), scratch.Path().end()) +
                                "]\r\n\"Retries\"=dword:00000009\r\n\"Broken\"=\r\n");
  Write(kHKeyCurrentUser, scratch.Path(), L"Retries", 1u);

  EXPECT_FALSE(guide::SaveAndRestore(scratch.Path(), first, malformed));
  EXPECT_EQ(ReadDword(kHKeyCurrentUser, scratch.Path(), L"Retries"), 1u);

  Write(kHKeyCurrentUser, scratch.Path(), L"Retries", 2u);
  EXPECT_TRUE(guide::SaveAndRestore(scratch.Path(), second, first));
  EXPECT_EQ(ReadDword(kHKeyCurrentUser, scratch.Path(), L"Retries"), 1u);
  for (const std::wstring& file : {first, second, malformed}) DeleteFileW(file.c_str());
}

TEST(RegistryUsage, TheWatcherExamplesSeeChangesAndTheKeyDeleted) {
  const testing::ScratchKey scratch;
  const std::wstring path = scratch.Sub(L"Watched");
  std::jthread writer([&] {
    for (DWORD i = 1; i <= 3; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      Write(kHKeyCurrentUser, path, L"Count", i);
    }
  });
  EXPECT_GE(guide::CountChanges(path, std::chrono::milliseconds(1500)), 1);
  writer.join();

  const RegistryWatcher watcher(RegistryKey::Open(kHKeyCurrentUser, path).value());
  writer = std::jthread([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    Write(kHKeyCurrentUser, path, L"Count", 4u);
  });
  EXPECT_TRUE(guide::PumpMessagesUntilChanged(watcher));
  writer.join();
  DeleteKey(kHKeyCurrentUser, path);
  EXPECT_FALSE(guide::PumpMessagesUntilChanged(watcher));
}

}  // namespace
}  // namespace corvalidyne
