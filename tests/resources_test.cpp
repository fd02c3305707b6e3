#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "system_library.h"

namespace corvalidyne {
namespace {

std::wstring ProductPath() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring exe(path);
  return exe.substr(0, exe.find_last_of(L'\\') + 1) + L"CorvalidyneSetup.exe";
}

class ProductResources : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryExW(ProductPath().c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }

  std::string Resource(LPCWSTR name, LPCWSTR type) const {
    const HRSRC info = FindResourceW(module_, name, type);
    if (info == nullptr) return {};
    const auto* data = static_cast<const char*>(LockResource(LoadResource(module_, info)));
    return std::string(data, SizeofResource(module_, info));
  }

  HMODULE module_ = nullptr;
};

#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE width, height, colours, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

TEST_F(ProductResources, IconGroupOneHoldsTwoOpaqueSixteenColourImages) {
  const std::string group = Resource(MAKEINTRESOURCEW(1), RT_GROUP_ICON);
  ASSERT_GE(group.size(), 6u + 2 * sizeof(GroupIconEntry));
  const auto* header = reinterpret_cast<const WORD*>(group.data());
  EXPECT_EQ(header[1], 1);  // icons, not cursors
  ASSERT_EQ(header[2], 2);
  const auto* entries = reinterpret_cast<const GroupIconEntry*>(group.data() + 6);

  const struct {
    WORD id;
    int size;
  } expected[] = {{30001, 16}, {30002, 32}};
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(expected[i].id);
    EXPECT_EQ(entries[i].id, expected[i].id);
    EXPECT_EQ(entries[i].width, expected[i].size);
    EXPECT_EQ(entries[i].bitCount, 4);

    const std::string image = Resource(MAKEINTRESOURCEW(expected[i].id), RT_ICON);
    ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
    const auto* bitmap = reinterpret_cast<const BITMAPINFOHEADER*>(image.data());
    EXPECT_EQ(bitmap->biWidth, expected[i].size);
    EXPECT_EQ(bitmap->biHeight, 2 * expected[i].size);
    EXPECT_EQ(bitmap->biBitCount, 4);
    const int size = expected[i].size;
    const std::size_t colourBytes = ((size * 4 + 31) / 32) * 4 * size;
    const std::size_t maskBytes = ((size + 31) / 32) * 4 * size;
    ASSERT_EQ(image.size(), bitmap->biSize + 16 * 4 + colourBytes + maskBytes);
    const std::string mask = image.substr(image.size() - maskBytes);
    EXPECT_EQ(mask, std::string(maskBytes, '\0')) << "a transparent pixel";
  }
}

TEST_F(ProductResources, IconLoadsAtBothSizes) {
  for (int size : {16, 32}) {
    const HICON icon =
        static_cast<HICON>(LoadImageW(module_, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0));
    ASSERT_NE(icon, nullptr) << size;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP colour{};
    GetObjectW(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, size);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
}

TEST_F(ProductResources, VersionResourceIdentifiesTheProgram) {
  const std::wstring path = ProductPath();
  DWORD ignored = 0;
  std::vector<char> block(GetFileVersionInfoSizeW(path.c_str(), &ignored));
  ASSERT_FALSE(block.empty());
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0u);
  EXPECT_EQ(fixed->dwFileOS, 4u);
  EXPECT_EQ(fixed->dwFileType, 1u);
  EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u);

  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(translation[0], 0x0409);
  EXPECT_EQ(translation[1], 0x04B0);

  const struct {
    const wchar_t* name;
    const wchar_t* value;
  } strings[] = {
      {L"CompanyName", L"Corvalidyne, Inc."},
      {L"ProductName", L"Corvalidyne"},
      {L"FileVersion", L"1.00"},
      {L"ProductVersion", L"1.00"},
      {L"InternalName", L"CorvalidyneSetup"},
      {L"OriginalFilename", L"CorvalidyneSetup.exe"},
  };
  for (const auto& s : strings) {
    wchar_t* value = nullptr;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + s.name;
    ASSERT_TRUE(VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length))
        << ::testing::internal::String::ShowWideCString(s.name);
    EXPECT_STREQ(value, s.value);
  }
  wchar_t* value = nullptr;
  EXPECT_TRUE(VerQueryValueW(block.data(), L"\\StringFileInfo\\040904B0\\LegalCopyright",
                             reinterpret_cast<void**>(&value), &length));
  EXPECT_FALSE(VerQueryValueW(block.data(), L"\\StringFileInfo\\040904B0\\FileDescription",
                              reinterpret_cast<void**>(&value), &length));
}

TEST_F(ProductResources, ManifestRunsAsInvokerPerMonitorDpiAwareThemedOnVistaToEleven) {
  const std::string manifest = Resource(MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_FALSE(manifest.empty());
  for (const char* entry :
       {"level=\"asInvoker\"", ">true/pm</dpiAware>", ">PerMonitorV2, PerMonitor, System</dpiAwareness>",
        "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""}) {
    EXPECT_NE(manifest.find(entry), std::string::npos) << entry;
  }
  for (const char* os : {"e2011457-1546-43c5-a5fe-008deee3d3f0", "35138b9a-5d96-4fbd-8e2d-a2440225f93a",
                         "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38", "1f676c76-80e1-4239-95bb-83d0f6d0da78",
                         "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"}) {
    EXPECT_NE(manifest.find(os), std::string::npos) << os;
  }
}

// This test program carries the product's manifest, so the system treats it as
// it treats the product: aware of each monitor's DPI (v2 on Windows 10 1703 and
// later; Wine makes every process per-monitor v1 aware), and its buttons come
// from the common controls 6.
TEST_F(ProductResources, TheManifestMakesTheProcessPerMonitorAwareWithVisualStyles) {
  using GetContext = DPI_AWARENESS_CONTEXT(WINAPI*)();
  using AwarenessOf = DPI_AWARENESS(WINAPI*)(DPI_AWARENESS_CONTEXT);
  const auto context = SystemFunction<GetContext>(L"user32.dll", "GetThreadDpiAwarenessContext");
  const auto awareness = SystemFunction<AwarenessOf>(L"user32.dll", "GetAwarenessFromDpiAwarenessContext");
  ASSERT_TRUE(context != nullptr && awareness != nullptr);
  EXPECT_EQ(awareness(context()), DPI_AWARENESS_PER_MONITOR_AWARE);

  const HWND button = CreateWindowExW(0, L"Button", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(button, nullptr);
  // The module whose procedure serves the button.
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<const wchar_t*>(GetWindowLongPtrW(button, GWLP_WNDPROC)), &module);
  DestroyWindow(button);
  // The side-by-side assembly the manifest names (Wine's copy reports version 5
  // from DllGetVersion, so the assembly's folder tells).
  wchar_t path[MAX_PATH] = {};
  ASSERT_NE(GetModuleFileNameW(module, path, MAX_PATH), 0u);
  std::wstring folder(path);
  CharLowerW(folder.data());
  EXPECT_NE(folder.find(L"\\winsxs\\"), std::wstring::npos) << folder;
  EXPECT_NE(folder.find(L"microsoft.windows.common-controls_6595b64144ccf1df_6.0."), std::wstring::npos)
      << folder;
}

}  // namespace
}  // namespace corvalidyne
