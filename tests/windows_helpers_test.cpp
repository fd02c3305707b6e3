#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>

#include "high_contrast.h"
#include "program_path.h"
#include "system_library.h"
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

// The system truncates a path that does not fit and returns the buffer's size:
// with a terminator since Vista, without one on XP. Paths one character either
// side of each buffer size the loop tries show whether a cut path passes as whole.
TEST(ModuleFileName, GrowsTheBufferUntilThePathFitsWhole) {
  const struct {
    std::size_t length;
    bool terminatesCutPaths;
  } rows[] = {{1, true},   {MAX_PATH - 1, true},  {MAX_PATH, true},  {MAX_PATH + 1, true},
              {519, true}, {520, true},           {521, true},       {5000, true},
              {0, true},   {MAX_PATH - 1, false}, {MAX_PATH, false}, {MAX_PATH + 1, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.length << (row.terminatesCutPaths ? "" : " XP"));
    std::wstring whole;
    for (std::size_t i = 0; i < row.length; ++i) whole += static_cast<wchar_t>(L'a' + i % 26);
    const auto getModuleFileName = [&](HMODULE, wchar_t* buffer, DWORD size) -> DWORD {
      const std::size_t room = row.terminatesCutPaths ? size - 1 : size;
      const std::size_t copied = std::min(whole.size(), room);
      std::copy_n(whole.begin(), copied, buffer);
      if (copied < size) buffer[copied] = L'\0';
      return static_cast<DWORD>(whole.size() < size ? whole.size() : size);
    };
    const auto path = ModuleFileName<std::wstring>(getModuleFileName);
    if (row.length == 0) {
      EXPECT_FALSE(path.has_value()) << "a failure taken for an empty path";
    } else {
      EXPECT_EQ(path, whole);
    }
  }
}

// Fills the stack below the caller's frame with non-zero bytes, where the next
// call's locals will lie: a path missing its terminator then runs on into them.
[[gnu::noinline]] void SoilTheStack() {
  volatile wchar_t soil[4 * MAX_PATH];
  for (volatile wchar_t& c : soil) c = L'x';
}

// Windows normally sets HCF_AVAILABLE: only HCF_HIGHCONTRASTON in an answer the
// system gave means a high-contrast theme is on.
TEST(DisplayAnswers, HighContrastIsOnOnlyWhereTheSystemSaysItIs) {
  const struct {
    BOOL answered;
    DWORD flags;
    bool on;
  } rows[] = {
      {TRUE, 0, false},
      {TRUE, HCF_AVAILABLE, false},
      {TRUE, HCF_AVAILABLE | HCF_HOTKEYACTIVE | HCF_CONFIRMHOTKEY | HCF_HOTKEYSOUND, false},
      {TRUE, HCF_HIGHCONTRASTON, true},
      {TRUE, HCF_AVAILABLE | HCF_HIGHCONTRASTON, true},
      {FALSE, HCF_AVAILABLE | HCF_HIGHCONTRASTON, false},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(HighContrastOn(row.answered, row.flags), row.on) << row.answered << " " << row.flags;
  }
}

TEST(LoadSystemLibrary, LoadsByTheFullPathInTheSystemFolder) {
  wchar_t systemFolder[MAX_PATH];
  const UINT folder = GetSystemDirectoryW(systemFolder, MAX_PATH);
  ASSERT_GT(folder, 0u);
  // The longest name that fits the path with its backslash and terminator.
  const std::size_t room = MAX_PATH - folder - 2;
  const struct {
    std::wstring name;
    DWORD error;  // 0: loaded
  } rows[] = {
      {L"version.dll", 0},
      {L"OLEACC.DLL", 0},
      {L"no-such-library.dll", ERROR_MOD_NOT_FOUND},
      {std::wstring(room, L'v'), ERROR_MOD_NOT_FOUND},
      {std::wstring(room + 1, L'v'), ERROR_FILENAME_EXCED_RANGE},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.name.size() << " " << ToUtf8(row.name));
    SoilTheStack();
    SetLastError(ERROR_SUCCESS);
    const HMODULE module = LoadSystemLibrary(row.name.c_str());
    const DWORD error = GetLastError();
    if (row.error != 0) {
      EXPECT_EQ(module, nullptr);
      EXPECT_EQ(error, row.error);
      continue;
    }
    ASSERT_NE(module, nullptr) << "error " << error;
    wchar_t loaded[MAX_PATH] = {};
    GetModuleFileNameW(module, loaded, MAX_PATH);
    EXPECT_EQ(
        CompareStringOrdinal(loaded, -1, (std::wstring(systemFolder) + L"\\" + row.name).c_str(), -1, TRUE),
        CSTR_EQUAL)
        << ToUtf8(loaded);
  }
}

}  // namespace
}  // namespace corvalidyne
