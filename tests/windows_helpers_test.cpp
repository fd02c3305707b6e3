#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "program_path.h"
#include "text_conversion.h"

namespace corvalidyne {
namespace {

std::string Encoded(const std::wstring& text, UINT codePage) { return ToCodePage(text, codePage); }

// In code page 932 the second byte of "表" (0x95 0x5C) is a backslash's byte.
TEST(FolderOfPath, CutsAtTheLastBackslashCharacterOfTheCodePage) {
  ASSERT_EQ(Encoded(L"表", 932), "\x95\x5C");
  const struct {
    UINT codePage;
    std::wstring path;
    std::wstring folder;
  } rows[] = {
      {932, L"C:\\メディア\\セットアップ表.exe", L"C:\\メディア"},
      {932, L"C:\\表\\表.exe", L"C:\\表"},
      {932, L"D:\\セットアップ表.exe", L"D:"},
      {932, L"表.exe", L""},
      {1252, L"C:\\Medium\\CorvalidyneSetup.exe", L"C:\\Medium"},
      {1252, L"\\\\server\\share\\Setup.exe", L"\\\\server\\share"},
      {1252, L"Setup.exe", L""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.codePage << " " << Encoded(row.path, CP_UTF8));
    EXPECT_EQ(FolderOfPath(Encoded(row.path, row.codePage), row.codePage), Encoded(row.folder, row.codePage));
  }
}

}  // namespace
}  // namespace corvalidyne
