// The usage examples shown to readers of the project, compiled and run here so
// that they stay true.
#include <gtest/gtest.h>

#include <windows.h>

#include "corvalidyne/registry.h"
#include "corvalidyne/registry_functions.h"
#include "corvalidyne/registry_key.h"
#include "raw_registry.h"
#include "scratch_key.h"

namespace corvalidyne {
namespace {

using namespace std::string_literals;

std::int32_t ReadMajorVersion(const std::wstring& section) {
  Registry registry;
  registry.ClassKey(kHKeyCurrentUser);
  registry.SectionKey(section);
  registry.ValueKey(L"MajorVersion");
  registry.Default(std::int32_t{0});  // returned when the value cannot be read
  const TaggedValue value = registry.Value();
  const auto* number = std::get_if<std::int32_t>(&value);
  return number != nullptr ? *number : 0;
}

std::uint32_t ReadMajorVersionTyped(const std::wstring& section) {
  return ReadDword(kHKeyCurrentUser, section, L"MajorVersion").value_or(0);
}

void WriteInstallFolder(const std::wstring& section, const std::wstring& folder) {
  Registry registry;
  registry.ClassKey(kHKeyCurrentUser);
  registry.SectionKey(section);  // created when missing
  registry.ValueKey(L"InstallFolder");
  registry.ValueType(REG_SZ);
  registry.Value(folder);  // throws RegistryError on failure
}

std::vector<std::wstring> Subkeys(const std::wstring& section) {
  Registry registry;
  registry.ClassKey(kHKeyCurrentUser);
  registry.SectionKey(section);
  NameList names;
  std::int32_t count = 0;
  registry.EnumerateSections(names, count);
  std::vector<std::wstring> result;
  for (std::int32_t index = 1; index <= count; ++index) result.push_back(names[index]);
  return result;
}

std::optional<std::wstring> WriteAndReadProduct(const std::wstring& section) {
  RegistryKey key = RegistryKey::Create(kHKeyCurrentUser, section + L"\\\u65E5\u672C");
  key.Write(L"Name", std::wstring(L"Corvalidyne \u65E5\u672C"));
  key.Write(L"Size", std::uint64_t{5} << 32);  // REG_QWORD; a bare 5 does not compile
  return key.ReadString(L"Name");              // std::nullopt when absent
}

// The major version, 0 when absent, or the failure's code negated.
std::int64_t MajorVersionIn32BitView(RegistryRoot root, const std::wstring& section) {
  try {
    if (const auto key = RegistryKey::Open(root, section, RegistryView::k32Bit)) {
      return key->ReadDword(L"MajorVersion").value_or(0);
    }
    return 0;
  } catch (const std::system_error& error) {  // denied (5), another type (1630), ...
    return -error.code().value();
  }
}

void RegisterReportType(const std::wstring& viewerPath) {
  Registry registry;
  registry.CreateEXEAssociation(viewerPath, L"Corvalidyne.UsageReport", L"Corvalidyne report", L"cvq7usage",
                                L"&View", /*bSupportPrint=*/true);
}

TEST(RegistryUsage, ExamplesDoWhatTheySay) {
  const testing::ScratchKey scratch;
  testing::WriteRaw(HKEY_CURRENT_USER, scratch.Path(), "MajorVersion", {REG_DWORD, "\x05\0\0\0"s});
  EXPECT_EQ(ReadMajorVersion(scratch.Path()), 5);
  EXPECT_EQ(ReadMajorVersion(scratch.Sub(L"Missing")), 0);
  EXPECT_EQ(ReadMajorVersionTyped(scratch.Path()), 5u);
  EXPECT_EQ(ReadMajorVersionTyped(scratch.Sub(L"Missing")), 0u);

  WriteInstallFolder(scratch.Sub(L"App"), L"C:\\Corvalidyne");
  testing::RawValue stored;
  EXPECT_TRUE(testing::ReadRawA(HKEY_CURRENT_USER, scratch.Sub(L"App"), "InstallFolder", stored));
  EXPECT_EQ(stored.data, "C:\\Corvalidyne\0"s);

  EXPECT_EQ(Subkeys(scratch.Path()), std::vector<std::wstring>{L"App"});

  EXPECT_EQ(WriteAndReadProduct(scratch.Path()), L"Corvalidyne \u65E5\u672C");
  EXPECT_EQ(ReadQword(kHKeyCurrentUser, scratch.Sub(L"\u65E5\u672C"), L"Size"), std::uint64_t{5} << 32);
  // HKCU\Software is one key in both views.
  EXPECT_EQ(MajorVersionIn32BitView(kHKeyCurrentUser, scratch.Path()), 5);
  EXPECT_EQ(MajorVersionIn32BitView(kHKeyCurrentUser, scratch.Sub(L"Missing")), 0);
  Write(kHKeyCurrentUser, scratch.Path(), L"MajorVersion", L"5"s);
  EXPECT_EQ(MajorVersionIn32BitView(kHKeyCurrentUser, scratch.Path()), -ERROR_UNSUPPORTED_TYPE);

  RegisterReportType(L"C:\\Viewer\\view.exe");
  testing::RawValue command;
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

}  // namespace
}  // namespace corvalidyne
