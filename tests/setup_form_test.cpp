#include <gtest/gtest.h>
#include <oleacc.h>

#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "accessible_object.h"
#include "automation.h"
#include "com_ownership.h"
#include "designed_layout.h"
#include "dpi.h"
#include "dpi_change.h"
#include "form_fonts.h"
#include "form_palette.h"
#include "high_contrast_palette.h"
#include "live_form.h"
#include "realised_font.h"
#include "step_keys.h"

namespace corvalidyne {
namespace {

using testing::ClassName;
using testing::ExpectDesignedRect;
using testing::kLayout;
using testing::LiveForm;
using testing::Narrow;
using testing::RectInParent;
using testing::ScreenDpi;
using testing::StandInDisplay;
using testing::StandIns;
using testing::StepKeys;
using testing::WindowText;

constexpr wchar_t kDefaultFace[] = L"MS Shell Dlg 2";

HFONT FontHandleOf(HWND control) { return reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)); }

LOGFONTW FontOf(HWND control) {
  LOGFONTW font{};
  GetObjectW(FontHandleOf(control), sizeof font, &font);
  return font;
}

// Labels in the window's default font: the step descriptions.
bool IsDescription(const testing::Expected& expected) {
  return expected.face == nullptr && std::wstring_view(expected.windowClass) == L"Static";
}

// Whether every description's text fits its label in three lines at a character
// height of the descriptions' face, measured as the label draws it.
bool DescriptionsFitAt(const LiveForm& form, int characterHeight) {
  bool fit = true;
  const HDC screen = GetDC(nullptr);
  for (const wchar_t* name : {L"Label2", L"Label4", L"Label6"}) {
    LOGFONTW request = FontOf(form[name]);
    request.lfHeight = -characterHeight;
    const HFONT font = CreateFontIndirectW(&request);
    const HGDIOBJ old = SelectObject(screen, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(screen, &metrics);
    RECT client;
    GetClientRect(form[name], &client);
    RECT needed{0, 0, client.right, 0};
    const std::wstring text = WindowText(form[name]);
    DrawTextW(screen, text.c_str(), static_cast<int>(text.size()), &needed,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    SelectObject(screen, old);
    DeleteObject(font);
    fit = fit && needed.bottom <= 3 * metrics.tmHeight && needed.bottom <= client.bottom;
  }
  ReleaseDC(nullptr, screen);
  return fit;
}

// Every control has its designed size of font, except that the descriptions share
// the largest that fits their labels, down to 7 points.
void ExpectDesignedFontSize(const LiveForm& form, const testing::Expected& expected, int dpi) {
  const int height = -FontOf(form[expected.name]).lfHeight;
  const int designed = MulDiv(expected.centipoints, dpi, 7200);
  if (!IsDescription(expected)) {
    EXPECT_EQ(height, designed);
    return;
  }
  EXPECT_LE(height, designed);
  EXPECT_GE(height, MulDiv(700, dpi, 7200));
  if (height < designed) {
    EXPECT_FALSE(DescriptionsFitAt(form, height + 1)) << "a larger size fits too";
  }
  EXPECT_EQ(height, -FontOf(form[L"Label2"]).lfHeight) << "the descriptions differ in size";
}

class SetupFormTest : public ::testing::Test {
 protected:
  LiveForm form_;  // a bare machine: only step 1 is enabled
};

TEST_F(SetupFormTest, ControlsMatchTheDesign) {
  ASSERT_EQ(ScreenDpi(), 96) << "the pixel rectangles below are those of 96 DPI";
  for (const auto& expected : kLayout) {
    SCOPED_TRACE(Narrow(expected.name));
    const HWND control = form_[expected.name];
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(ClassName(control), expected.windowClass);
    const HWND container = expected.container ? form_[expected.container] : form_.Window();
    EXPECT_EQ(GetParent(control), container);

    ExpectDesignedRect(control, expected, 96);

    EXPECT_EQ(WindowText(control), expected.text);
    const LOGFONTW font = FontOf(control);
    EXPECT_STREQ(font.lfFaceName, expected.face ? expected.face : kDefaultFace);
    ExpectDesignedFontSize(form_, expected, 96);
    EXPECT_EQ(font.lfWeight, FW_NORMAL);
    EXPECT_FALSE(font.lfItalic || font.lfUnderline || font.lfStrikeOut);
    EXPECT_EQ(font.lfCharSet, ANSI_CHARSET);

    EXPECT_TRUE(IsWindowVisible(control));
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    const bool isButton = std::wstring_view(expected.windowClass) == L"Button";
    EXPECT_EQ((style & WS_TABSTOP) != 0, isButton) << "only push buttons take the focus";
    if (isButton) {
      EXPECT_EQ(style & BS_TYPEMASK, BS_PUSHBUTTON) << "no default button";
    }
    EXPECT_EQ(std::wstring(expected.text).find(L'&'), std::wstring::npos);
    EXPECT_NE(GetDlgCtrlID(control), IDOK);
    EXPECT_NE(GetDlgCtrlID(control), IDCANCEL);
  }
}

// A label's text needs no more than three lines of its own font.
void ExpectFitsInThreeLines(HWND label) {
  const HDC dc = GetDC(label);
  const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
  TEXTMETRICW metrics;
  GetTextMetricsW(dc, &metrics);
  RECT client;
  GetClientRect(label, &client);
  RECT needed{0, 0, client.right, 0};
  const std::wstring text = WindowText(label);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &needed,
            DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
  SelectObject(dc, old);
  ReleaseDC(label, dc);
  EXPECT_LE(needed.bottom / metrics.tmHeight, 3);
  EXPECT_LE(needed.bottom, client.bottom);
}

// Whether two colours are alike, as anti-aliased text strokes are to their colour.
bool Near(COLORREF a, COLORREF b) {
  return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
             std::abs(GetBValue(a) - GetBValue(b)) <
         24;
}

// A bitmap of the screen's format, with a device context to draw or copy into.
class Canvas {
 public:
  Canvas(int width, int height) : width_(width), height_(height) {
    const HDC screen = GetDC(nullptr);
    memory_ = CreateCompatibleDC(screen);
    bitmap_ = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    old_ = SelectObject(memory_, bitmap_);
  }
  ~Canvas() {
    SelectObject(memory_, old_);
    DeleteObject(bitmap_);
    DeleteDC(memory_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC Dc() const { return memory_; }
  COLORREF At(int x, int y) const { return GetPixel(memory_, x, y); }
  bool Shows(const RECT& area, COLORREF colour) const {
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) {
        if (Near(At(x, y), colour)) return true;
      }
    }
    return false;
  }
  // Every pixel, row by row (as 0x00RRGGBB).
  std::vector<DWORD> Pixels() const {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, width_, -height_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<DWORD> pixels(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
    SelectObject(memory_, old_);
    GetDIBits(memory_, bitmap_, 0, static_cast<UINT>(height_), pixels.data(), &info, DIB_RGB_COLORS);
    SelectObject(memory_, bitmap_);
    return pixels;
  }

 private:
  int width_, height_;
  HDC memory_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

// A control's client area as it paints itself when asked to print (WM_PRINT),
// as a themed button asks its parent: whatever covers it on the screen.
class PrintedControl : public Canvas {
 public:
  explicit PrintedControl(HWND control) : Canvas(ClientSize(control).cx, ClientSize(control).cy) {
    SendMessageW(control, WM_PRINT, reinterpret_cast<WPARAM>(Dc()), PRF_CLIENT | PRF_ERASEBKGND);
  }

 private:
  static SIZE ClientSize(HWND control) {
    RECT client;
    GetClientRect(control, &client);
    return {client.right, client.bottom};
  }
};

// A step's caption sits in a gap of its frame's top line (the etched line's
// shadow row, half the caption's height down): the gap starts 6 pixels in at
// 96 DPI and holds the caption with 2 pixels either side, all at the window's DPI.
void ExpectCaptionMarginsAt(const LiveForm& form, int dpi) {
  for (const wchar_t* name : {L"Step1", L"Step2", L"Step3"}) {
    SCOPED_TRACE(Narrow(name));
    const HWND panel = form[name];
    const std::wstring caption = WindowText(panel);
    const HDC screen = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(screen, FontHandleOf(panel));
    SIZE extent{};
    GetTextExtentPoint32W(screen, caption.c_str(), static_cast<int>(caption.size()), &extent);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);

    const PrintedControl print(panel);
    const int line = extent.cy / 2;
    const int left = MulDiv(6, dpi, 96);
    const int right = left + extent.cx + 2 * MulDiv(2, dpi, 96);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    EXPECT_EQ(print.At(left - 1, line), shadow) << "the frame line ends before " << left;
    EXPECT_NE(print.At(left, line), shadow) << "the gap starts at " << left;
    EXPECT_NE(print.At(right - 1, line), shadow) << "the gap ends at " << right;
    EXPECT_EQ(print.At(right, line), shadow) << "the frame line goes on at " << right;
  }
}

// A window's client area and its children as they print themselves, each child
// over its parent, bottom of the z-order first: what PRF_CHILDREN asks of
// Windows, which Wine's WM_PRINT leaves out.
void PrintWithChildren(HWND window, HDC dc) {
  SendMessageW(window, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
  for (HWND child = GetWindow(GetWindow(window, GW_CHILD), GW_HWNDLAST); child != nullptr;
       child = GetWindow(child, GW_HWNDPREV)) {
    if (!IsWindowVisible(child)) continue;
    const RECT rect = RectInParent(child);
    const int saved = SaveDC(dc);
    OffsetViewportOrgEx(dc, rect.left, rect.top, nullptr);
    IntersectClipRect(dc, 0, 0, rect.right - rect.left, rect.bottom - rect.top);
    PrintWithChildren(child, dc);
    RestoreDC(dc, saved);
  }
}

class PrintedWindow : public Canvas {
 public:
  explicit PrintedWindow(HWND window) : Canvas(ClientSize(window).cx, ClientSize(window).cy) {
    PrintWithChildren(window, Dc());
  }

 private:
  static SIZE ClientSize(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    return {client.right, client.bottom};
  }
};

// A live window's picture against that of one created afresh in the same state
// (the same services, its focus on the same control): they must agree to the
// pixel. The focus goes back to the live window's control.
void ExpectPictureOfAFreshWindow(const LiveForm& form, const StandIns& standIns, const wchar_t* focus) {
  SetFocus(form[focus]);
  LiveForm::Pump();
  const std::vector<DWORD> live = PrintedWindow(form.Window()).Pixels();
  std::vector<DWORD> fresh;
  {
    const LiveForm created(standIns);
    SetFocus(created[focus]);
    LiveForm::Pump();
    fresh = PrintedWindow(created.Window()).Pixels();
  }
  SetFocus(form[focus]);
  LiveForm::Pump();
  ASSERT_EQ(live.size(), fresh.size());
  std::size_t differing = 0;
  std::size_t first = live.size();
  for (std::size_t i = 0; i < live.size(); ++i) {
    if (live[i] == fresh[i]) continue;
    ++differing;
    first = std::min(first, i);
  }
  RECT client;
  GetClientRect(form.Window(), &client);
  EXPECT_EQ(differing, 0u) << "pixels differ from a fresh window's, the first at x "
                           << (client.right > 0 ? first % static_cast<std::size_t>(client.right) : 0) << " y "
                           << (client.right > 0 ? first / static_cast<std::size_t>(client.right) : 0);
}

// What the screen shows of a window and its controls.
class ScreenCapture : public Canvas {
 public:
  explicit ScreenCapture(HWND window) : ScreenCapture(WindowRect(window)) {}
  // The colour at a point given in the coordinates of a control's client area.
  COLORREF At(HWND control, int x, int y) const {
    POINT point{x, y};
    ClientToScreen(control, &point);
    return Canvas::At(point.x - rect_.left, point.y - rect_.top);
  }

 private:
  explicit ScreenCapture(const RECT& rect)
      : Canvas(rect.right - rect.left, rect.bottom - rect.top), rect_(rect) {
    const HDC screen = GetDC(nullptr);
    BitBlt(Dc(), 0, 0, rect.right - rect.left, rect.bottom - rect.top, screen, rect.left, rect.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
  }
  static RECT WindowRect(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    return rect;
  }
  RECT rect_;
};

TEST(SetupFormDpi, LayoutAndFontsScaleWithTheScreenDensity) {
  for (const int dpi : {120, 144}) {
    SCOPED_TRACE(dpi);
    const LiveForm form(StandIns::Screen(dpi));
    RECT client;
    GetClientRect(form.Window(), &client);
    EXPECT_EQ(client.right, MulDiv(6390, dpi, 1440));
    EXPECT_EQ(client.bottom, MulDiv(7155, dpi, 1440));
    for (const auto& expected : kLayout) {
      SCOPED_TRACE(Narrow(expected.name));
      const HWND control = form[expected.name];
      ExpectDesignedRect(control, expected, dpi);
      ExpectDesignedFontSize(form, expected, dpi);
    }
    for (const wchar_t* name : {L"Label2", L"Label4", L"Label6"}) ExpectFitsInThreeLines(form[name]);
    ExpectCaptionMarginsAt(form, dpi);
  }
}

int IconWidth(HICON icon) {
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) return 0;
  BITMAP bitmap{};
  GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
  if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return bitmap.bmWidth;
}

HICON WindowIcon(HWND window, WPARAM which) {
  return reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, which, 0));
}

// GDI and USER objects of this process. Wine always answers 0, so there the
// fonts and icons of the first layout are also checked one by one.
std::pair<DWORD, DWORD> GuiObjects() {
  return {GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS),
          GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)};
}

// Maximized, the window keeps the size the system gives it across a change of
// DPI; only what is inside is laid out anew.
TEST(SetupFormDpi, AMaximizedWindowKeepsTheSystemsSizeAcrossAChangeOfDpi) {
  const LiveForm form;
  ShowWindow(form.Window(), SW_MAXIMIZE);
  LiveForm::Pump();
  ASSERT_TRUE(IsZoomed(form.Window()));
  RECT maximized;
  GetWindowRect(form.Window(), &maximized);
  for (const int dpi : {144, 96}) {
    testing::SendDpiChange(form.Window(), dpi, maximized);
    LiveForm::Pump();
    RECT after;
    GetWindowRect(form.Window(), &after);
    EXPECT_TRUE(EqualRect(&after, &maximized)) << dpi;
    EXPECT_TRUE(IsZoomed(form.Window())) << dpi;
  }
}

TEST(SetupFormDpi, AMoveToAMonitorOfAnotherDpiLaysTheWindowOutAnew) {
  ASSERT_EQ(ScreenDpi(), 96);
  const LiveForm form;  // a bare machine: only step 1 is enabled
  SetFocus(form[L"cmdClose"]);
  const auto objectsBefore = GuiObjects();
  std::vector<HFONT> firstFonts;
  for (const auto& expected : kLayout) firstFonts.push_back(FontHandleOf(form[expected.name]));
  std::vector<HICON> iconsLeftBehind;  // those shown at 144 and 120 DPI

  for (const int dpi : {144, 120, 96}) {
    SCOPED_TRACE(dpi);
    const RECT suggested = testing::SuggestedRect(form.Window(), dpi);
    testing::SendDpiChange(form.Window(), dpi, suggested);
    EXPECT_TRUE(GetUpdateRect(form.Window(), nullptr, FALSE)) << "the window not painted anew";
    for (const auto& expected : kLayout) {
      EXPECT_TRUE(GetUpdateRect(form[expected.name], nullptr, FALSE))
          << Narrow(expected.name) << " not painted anew";
    }
    LiveForm::Pump();

    RECT frame;
    RECT client;
    GetWindowRect(form.Window(), &frame);
    GetClientRect(form.Window(), &client);
    EXPECT_EQ(frame.left, suggested.left);
    EXPECT_EQ(frame.top, suggested.top);
    EXPECT_EQ(client.right, MulDiv(6390, dpi, 1440));
    EXPECT_EQ(client.bottom, MulDiv(7155, dpi, 1440));
    for (const auto& expected : kLayout) {
      SCOPED_TRACE(Narrow(expected.name));
      ExpectDesignedRect(form[expected.name], expected, dpi);
      ExpectDesignedFontSize(form, expected, dpi);
    }
    for (const wchar_t* name : {L"Label2", L"Label4", L"Label6"}) ExpectFitsInThreeLines(form[name]);

    EXPECT_EQ(GetFocus(), form[L"cmdClose"]);
    EXPECT_TRUE(IsWindowEnabled(form[L"cmdInstallStep1"]));
    EXPECT_FALSE(IsWindowEnabled(form[L"cmdInstallStep2"]));
    EXPECT_FALSE(IsWindowEnabled(form[L"cmdInstallStep3"]));
    for (const WPARAM which : {ICON_BIG, ICON_SMALL}) {
      const HICON icon = WindowIcon(form.Window(), which);
      EXPECT_EQ(IconWidth(icon), Dpi(dpi).SystemMetric(which == ICON_BIG ? SM_CXICON : SM_CXSMICON));
      if (dpi != 96) iconsLeftBehind.push_back(icon);
    }
    ExpectCaptionMarginsAt(form, dpi);
    ExpectPictureOfAFreshWindow(form, StandIns::Screen(dpi), L"cmdClose");
  }
  for (const HFONT font : firstFonts)
    EXPECT_EQ(GetObjectType(font), 0u) << "a font of the first layout lives on";
  for (const HICON icon : iconsLeftBehind) EXPECT_EQ(IconWidth(icon), 0) << "an icon of another DPI lives on";
  // Back at the system's DPI the window shows its class's icons, loaded once.
  EXPECT_EQ(WindowIcon(form.Window(), ICON_BIG),
            reinterpret_cast<HICON>(GetClassLongPtrW(form.Window(), GCLP_HICON)));
  EXPECT_EQ(GuiObjects(), objectsBefore);
}

TEST_F(SetupFormTest, InstallationLiesAboveTheProductWordWhereTheyOverlap) {
  std::vector<HWND> zOrder;
  for (HWND child = GetWindow(form_[L"Frame2"], GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    zOrder.push_back(child);
  }
  EXPECT_EQ(zOrder, (std::vector<HWND>{form_[L"Label3"], form_[L"Label8"]}));
  EXPECT_TRUE(GetWindowLongW(form_[L"Label8"], GWL_STYLE) & WS_CLIPSIBLINGS);
}

TEST_F(SetupFormTest, WindowOpensCentredNormalAndOfTheDesignedSize) {
  const HWND window = form_.Window();
  EXPECT_EQ(WindowText(window), L"Corvalidyne, Inc.");
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 426);
  EXPECT_EQ(client.bottom, 477);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_FALSE(IsIconic(window));
  EXPECT_FALSE(IsZoomed(window));
  EXPECT_EQ(GetWindow(window, GW_OWNER), nullptr);
  EXPECT_EQ(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  for (LONG bit : {WS_THICKFRAME, WS_SYSMENU, WS_MINIMIZEBOX, WS_MAXIMIZEBOX, WS_CAPTION}) {
    EXPECT_EQ(style & bit, bit);
  }
  EXPECT_EQ(GetMenu(window), nullptr);
  // This test program carries the product's resources, so the window has its icon.
  EXPECT_NE(SendMessageW(window, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(SendMessageW(window, WM_GETICON, ICON_SMALL, 0), 0);
  EXPECT_NE(GetClassLongPtrW(window, GCLP_HICON), 0u);
  EXPECT_NE(GetClassLongPtrW(window, GCLP_HICONSM), 0u);

  RECT frame;
  GetWindowRect(window, &frame);
  EXPECT_LE(std::abs((frame.left + frame.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2), 1);
  EXPECT_LE(std::abs((frame.top + frame.bottom) / 2 - GetSystemMetrics(SM_CYSCREEN) / 2), 1);
}

TEST_F(SetupFormTest, TabVisitsTheEnabledButtonsByTabIndex) {
  const auto order = [&](HWND from = nullptr, BOOL backwards = FALSE) {
    std::vector<std::wstring> names;
    HWND item = GetNextDlgTabItem(form_.Window(), from, backwards);
    for (int i = 0; i < 8 && item != nullptr; ++i) {
      for (const auto& expected : kLayout) {
        if (form_[expected.name] == item) names.push_back(expected.name);
      }
      item = GetNextDlgTabItem(form_.Window(), item, backwards);
    }
    return names;
  };
  EXPECT_EQ(order(),
            (std::vector<std::wstring>{L"cmdInstallStep1", L"cmdClose", L"cmdViewReadme", L"cmdInstallStep1",
                                       L"cmdClose", L"cmdViewReadme", L"cmdInstallStep1", L"cmdClose"}));
  for (const wchar_t* name : {L"cmdInstallStep2", L"cmdInstallStep3"}) EnableWindow(form_[name], TRUE);
  EXPECT_EQ(order(), (std::vector<std::wstring>{L"cmdInstallStep1", L"cmdInstallStep2", L"cmdInstallStep3",
                                                L"cmdClose", L"cmdViewReadme", L"cmdInstallStep1",
                                                L"cmdInstallStep2", L"cmdInstallStep3"}));
  // Shift+Tab goes back the same way, past the header band, which holds no button.
  EXPECT_EQ(
      order(form_[L"cmdInstallStep1"], TRUE),
      (std::vector<std::wstring>{L"cmdViewReadme", L"cmdClose", L"cmdInstallStep3", L"cmdInstallStep2",
                                 L"cmdInstallStep1", L"cmdViewReadme", L"cmdClose", L"cmdInstallStep3"}));
}

// After a refresh the focus stays on an enabled control; from a button the
// refresh disabled it goes on, forwards in tab order, to the next enabled push
// button, as after each installation step.
TEST_F(SetupFormTest, AfterARefreshTheFocusGoesOnToTheNextEnabledButtonInTabOrder) {
  static constexpr wchar_t kWindowItself[] = L"(the window)";
  static constexpr wchar_t kOutside[] = L"(a window outside)";
  constexpr const wchar_t* kTabOrder[] = {L"cmdInstallStep1", L"cmdInstallStep2", L"cmdInstallStep3",
                                          L"cmdClose", L"cmdViewReadme"};
  const struct {
    const char* enabled;  // by tab order
    const wchar_t* focus;
    const wchar_t* expected;
  } rows[] = {
      {"11111", L"cmdInstallStep1", L"cmdInstallStep1"},
      {"01011", L"cmdInstallStep1", L"cmdInstallStep2"},
      {"00111", L"cmdInstallStep2", L"cmdInstallStep3"},
      {"00011", L"cmdInstallStep3", L"cmdClose"},
      {"00111", L"cmdInstallStep1", L"cmdInstallStep3"},
      {"00011", L"cmdClose", L"cmdClose"},
      {"10010", L"cmdViewReadme", L"cmdInstallStep1"},
      {"01011", L"Label2", L"Label2"},
      // Windows takes the focus from a button as it is disabled, so a refresh
      // mostly finds none: the next from nothing is the first.
      {"01011", nullptr, L"cmdInstallStep2"},
      {"00011", nullptr, L"cmdClose"},
      // The window itself, or a window outside it, holds no button to go on from.
      {"01011", kWindowItself, L"cmdInstallStep2"},
      {"00011", kOutside, L"cmdClose"},
  };
  const HWND outside =
      CreateWindowExW(0, L"Button", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  const auto window = [&](const wchar_t* name) -> HWND {
    if (name == kWindowItself) return form_.Window();
    if (name == kOutside) return outside;
    return name != nullptr ? form_[name] : nullptr;
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.enabled << " " << (row.focus ? Narrow(row.focus) : "nothing"));
    for (std::size_t i = 0; i < std::size(kTabOrder); ++i)
      EnableWindow(form_[kTabOrder[i]], row.enabled[i] == '1');
    EXPECT_EQ(FocusAfterRefresh(form_.Window(), window(row.focus)), form_[row.expected]);
  }
  DestroyWindow(outside);
}

// What a screen reader reads: the live window's accessible objects.
using AccessibleRef = ComReference<IAccessible>;

class ComApartment {
 public:
  ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  HRESULT result_;
};

const VARIANT kSelf = [] {
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  return self;
}();

AccessibleRef ObjectOf(HWND window) {
  IAccessible* object = nullptr;
  EXPECT_EQ(AccessibleObjectFromWindow(window, OBJID_CLIENT, __uuidof(IAccessible),
                                       reinterpret_cast<void**>(&object)),
            S_OK);
  return AccessibleRef(object);
}

AccessibleRef StandardObjectOf(HWND window) {
  IAccessible* object = nullptr;
  EXPECT_EQ(CreateStdAccessibleObject(window, OBJID_CLIENT, __uuidof(IAccessible),
                                      reinterpret_cast<void**>(&object)),
            S_OK);
  return AccessibleRef(object);
}

using StringGetter = HRESULT (STDMETHODCALLTYPE IAccessible::*)(VARIANT, BSTR*);
using NumberGetter = HRESULT (STDMETHODCALLTYPE IAccessible::*)(VARIANT, VARIANT*);

std::wstring StringOf(IAccessible& object, StringGetter getter) {
  BSTR text = nullptr;
  if (FAILED((object.*getter)(kSelf, &text)) || text == nullptr) return L"";
  std::wstring result(text, SysStringLen(text));
  SysFreeString(text);
  return result;
}

LONG NumberOf(IAccessible& object, NumberGetter getter) {
  VARIANT value;
  VariantInit(&value);
  const bool number = SUCCEEDED((object.*getter)(kSelf, &value)) && value.vt == VT_I4;
  const LONG result = number ? value.lVal : -1;
  VariantClear(&value);
  return result;
}

std::wstring NameOf(IAccessible& object) { return StringOf(object, &IAccessible::get_accName); }
LONG RoleOf(IAccessible& object) { return NumberOf(object, &IAccessible::get_accRole); }
LONG StateOf(IAccessible& object) { return NumberOf(object, &IAccessible::get_accState); }

// The windows of an object's children, in the order a reader walks them.
std::vector<HWND> ChildWindowsOf(IAccessible& object) {
  LONG count = 0;
  EXPECT_EQ(object.get_accChildCount(&count), S_OK);
  std::vector<VARIANT> children(static_cast<std::size_t>(count));
  LONG obtained = 0;
  EXPECT_TRUE(SUCCEEDED(AccessibleChildren(&object, 0, count, children.data(), &obtained)));
  std::vector<HWND> windows;
  for (LONG i = 0; i < obtained; ++i) {
    VARIANT& child = children[static_cast<std::size_t>(i)];
    IAccessible* childObject = nullptr;
    HWND window = nullptr;
    if (child.vt == VT_DISPATCH && child.pdispVal != nullptr &&
        SUCCEEDED(
            child.pdispVal->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&childObject)))) {
      WindowFromAccessibleObject(childObject, &window);
      childObject->Release();
    }
    windows.push_back(window);
    VariantClear(&child);
  }
  return windows;
}

struct StepAsRead {
  const wchar_t* panel;
  const wchar_t* caption;
  const wchar_t* digit;
  const wchar_t* description;
  const wchar_t* button;
  bool enabled;  // on a bare registry
};

constexpr StepAsRead kStepsAsRead[] = {
    {L"Step1", L"Microsoft .Net Framework v1.1", L"Label1", L"Label2", L"cmdInstallStep1", true},
    {L"Step2", L"Microsoft SQL Server 2000 (Desktop Edition)", L"Label5", L"Label4", L"cmdInstallStep2",
     false},
    {L"Step3", L"Corvalidyne Web Application", L"Label7", L"Label6", L"cmdInstallStep3", false},
};

TEST_F(SetupFormTest, ScreenReadersHearEachStepAsAGroupAndEachInstallButtonByItsStep) {
  const ComApartment apartment;
  for (const auto& step : kStepsAsRead) {
    SCOPED_TRACE(Narrow(step.panel));
    const AccessibleRef panel = ObjectOf(form_[step.panel]);
    ASSERT_TRUE(panel);
    EXPECT_EQ(RoleOf(*panel), ROLE_SYSTEM_GROUPING);
    EXPECT_EQ(NameOf(*panel), step.caption);
    EXPECT_EQ(ChildWindowsOf(*panel),
              (std::vector<HWND>{form_[step.digit], form_[step.description], form_[step.button]}));

    const AccessibleRef button = ObjectOf(form_[step.button]);
    const AccessibleRef standard = StandardObjectOf(form_[step.button]);
    ASSERT_TRUE(button && standard);
    EXPECT_EQ(NameOf(*button), std::wstring(L"Install ") + step.caption);
    EXPECT_EQ(RoleOf(*button), RoleOf(*standard));
    EXPECT_EQ(StringOf(*button, &IAccessible::get_accDefaultAction),
              StringOf(*standard, &IAccessible::get_accDefaultAction));
    ASSERT_EQ(IsWindowEnabled(form_[step.button]) != FALSE, step.enabled);
    EXPECT_EQ(StateOf(*button), StateOf(*standard));
    EXPECT_EQ((StateOf(*button) & STATE_SYSTEM_UNAVAILABLE) != 0, !step.enabled);
  }
  // The header band is read first, and a plain band is no group.
  const AccessibleRef window = ObjectOf(form_.Window());
  ASSERT_TRUE(window);
  EXPECT_EQ(ChildWindowsOf(*window),
            (std::vector<HWND>{form_[L"Frame2"], form_[L"Step1"], form_[L"Step2"], form_[L"Step3"],
                               form_[L"cmdClose"], form_[L"cmdViewReadme"]}));
  const AccessibleRef band = ObjectOf(form_[L"Frame2"]);
  ASSERT_TRUE(band);
  EXPECT_NE(RoleOf(*band), ROLE_SYSTEM_GROUPING);

  // The button's name follows its step's caption, read when asked.
  SetWindowTextW(form_[L"Step2"], L"Another step");
  const AccessibleRef renamed = ObjectOf(form_[L"cmdInstallStep2"]);
  ASSERT_TRUE(renamed);
  EXPECT_EQ(NameOf(*renamed), L"Install Another step");
}

// An answer of an accessible object as text: the result and what came with it,
// an object by the window it stands for.
std::wstring Said(HRESULT result, std::wstring value = L"") { return std::to_wstring(result) + L" " + value; }

std::wstring WindowOf(IDispatch* object) {
  IAccessible* accessible = nullptr;
  HWND window = nullptr;
  if (object != nullptr &&
      SUCCEEDED(object->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&accessible)))) {
    WindowFromAccessibleObject(accessible, &window);
    accessible->Release();
  }
  if (object != nullptr) object->Release();
  return L"window " + std::to_wstring(reinterpret_cast<UINT_PTR>(window));
}

std::wstring Said(HRESULT result, BSTR text) {
  const std::wstring value = text != nullptr ? std::wstring(text, SysStringLen(text)) : L"(none)";
  SysFreeString(text);
  return Said(result, value);
}

std::wstring Said(HRESULT result, VARIANT& value) {
  std::wstring text = L"type " + std::to_wstring(value.vt);
  if (value.vt == VT_I4) text += L" " + std::to_wstring(value.lVal);
  if (value.vt == VT_DISPATCH) {
    text += L" " + WindowOf(value.pdispVal);
    value.pdispVal = nullptr;
  }
  VariantClear(&value);
  return Said(result, text);
}

// Every question but a step's name and role gets the standard object's answer,
// about the panel itself and about its children: a question passed on to
// another of the standard object's methods would show here.
TEST_F(SetupFormTest, ScreenReadersGetTheStandardAnswerToEveryOtherQuestion) {
  const ComApartment apartment;
  const HWND panel = form_[L"Step1"];
  RECT area;
  GetWindowRect(form_[L"cmdInstallStep1"], &area);
  VARIANT firstChild;
  VariantInit(&firstChild);
  firstChild.vt = VT_I4;
  firstChild.lVal = 1;
  const auto variant = [](auto ask) {
    VARIANT value;
    VariantInit(&value);
    const HRESULT result = ask(&value);
    return Said(result, value);
  };
  const auto text = [](auto ask) {
    BSTR value = nullptr;
    const HRESULT result = ask(&value);
    return Said(result, value);
  };
  const auto object = [](auto ask) {
    IDispatch* value = nullptr;
    const HRESULT result = ask(&value);
    return Said(result, WindowOf(value));
  };
  const struct {
    const char* question;
    std::function<std::wstring(IAccessible&)> ask;
  } rows[] = {
      {"value", [&](IAccessible& o) { return text([&](BSTR* v) { return o.get_accValue(kSelf, v); }); }},
      {"description",
       [&](IAccessible& o) { return text([&](BSTR* v) { return o.get_accDescription(kSelf, v); }); }},
      {"help", [&](IAccessible& o) { return text([&](BSTR* v) { return o.get_accHelp(kSelf, v); }); }},
      {"help topic",
       [&](IAccessible& o) {
         LONG topic = -1;
         return text([&](BSTR* v) { return o.get_accHelpTopic(v, kSelf, &topic); }) + std::to_wstring(topic);
       }},
      {"keyboard shortcut",
       [&](IAccessible& o) { return text([&](BSTR* v) { return o.get_accKeyboardShortcut(kSelf, v); }); }},
      {"focus", [&](IAccessible& o) { return variant([&](VARIANT* v) { return o.get_accFocus(v); }); }},
      {"selection",
       [&](IAccessible& o) { return variant([&](VARIANT* v) { return o.get_accSelection(v); }); }},
      {"location",
       [&](IAccessible& o) {
         LONG left = 0, top = 0, width = 0, height = 0;
         const HRESULT result = o.accLocation(&left, &top, &width, &height, kSelf);
         return Said(result, std::to_wstring(left) + L"," + std::to_wstring(top) + L"," +
                                 std::to_wstring(width) + L"," + std::to_wstring(height));
       }},
      {"parent", [&](IAccessible& o) { return object([&](IDispatch** v) { return o.get_accParent(v); }); }},
      {"child count",
       [&](IAccessible& o) {
         LONG count = -1;
         return Said(o.get_accChildCount(&count), std::to_wstring(count));
       }},
      {"child 1",
       [&](IAccessible& o) { return object([&](IDispatch** v) { return o.get_accChild(firstChild, v); }); }},
      {"child 1's name",
       [&](IAccessible& o) { return text([&](BSTR* v) { return o.get_accName(firstChild, v); }); }},
      {"child 1's role",
       [&](IAccessible& o) { return variant([&](VARIANT* v) { return o.get_accRole(firstChild, v); }); }},
      {"first child",
       [&](IAccessible& o) {
         return variant([&](VARIANT* v) { return o.accNavigate(NAVDIR_FIRSTCHILD, kSelf, v); });
       }},
      {"what lies at the Install button",
       [&](IAccessible& o) {
         return variant([&](VARIANT* v) { return o.accHitTest(area.left + 2, area.top + 2, v); });
       }},
      {"selecting nothing", [&](IAccessible& o) { return Said(o.accSelect(SELFLAG_NONE, kSelf)); }},
      {"the default action", [&](IAccessible& o) { return Said(o.accDoDefaultAction(kSelf)); }},
      {"a new name", [&](IAccessible& o) { return Said(o.put_accName(kSelf, nullptr)); }},
      {"a new value", [&](IAccessible& o) { return Said(o.put_accValue(kSelf, nullptr)); }},
      {"the window",
       [&](IAccessible& o) {
         HWND window = nullptr;
         return Said(WindowFromAccessibleObject(&o, &window),
                     std::to_wstring(reinterpret_cast<UINT_PTR>(window)));
       }},
      {"children of a copy of the list",
       [&](IAccessible& o) {
         IEnumVARIANT* list = nullptr;
         IEnumVARIANT* copy = nullptr;
         if (FAILED(o.QueryInterface(__uuidof(IEnumVARIANT), reinterpret_cast<void**>(&list))))
           return Said(E_NOINTERFACE);
         const HRESULT cloned = list->Clone(&copy);
         list->Release();
         if (FAILED(cloned)) return Said(cloned);
         std::wstring windows;
         VARIANT child;
         VariantInit(&child);
         for (ULONG fetched = 0; copy->Next(1, &child, &fetched) == S_OK && fetched == 1;) {
           windows += Said(S_OK, child) + L";";
         }
         copy->Release();
         return windows;
       }},
  };
  const AccessibleRef ours = ObjectOf(panel);
  const AccessibleRef standard = StandardObjectOf(panel);
  ASSERT_TRUE(ours && standard);
  for (const auto& row : rows) {
    EXPECT_EQ(row.ask(*ours), row.ask(*standard)) << row.question;
  }
}

TEST_F(SetupFormTest, EscapeDoesNothingAndEnterActsOnTheFocusedButtonOnly) {
  const auto press = [&](HWND target, WPARAM key) {
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 0xC0000001);
    LiveForm::Pump();
  };
  SetFocus(form_[L"cmdViewReadme"]);
  press(form_[L"cmdViewReadme"], VK_ESCAPE);
  LiveForm::PumpFor(100);
  EXPECT_TRUE(IsWindow(form_.Window())) << "Esc closed the window";

  // Commands that are no click of an existing button run nothing, Close's among them.
  const HWND close = form_[L"cmdClose"];
  const WORD closeId = static_cast<WORD>(GetDlgCtrlID(close));
  const struct {
    const char* name;
    WORD id, notification;
    HWND control;
  } notClicks[] = {
      {"Esc's IDCANCEL without a control", IDCANCEL, BN_CLICKED, nullptr},
      {"Close's ID without a control (menu or accelerator)", closeId, 0, nullptr},
      {"Close's ID from an accelerator", closeId, 1, nullptr},
      {"Close gaining the focus", closeId, BN_SETFOCUS, close},
      {"Close double-clicked notification", closeId, BN_DOUBLECLICKED, close},
      {"another ID with Close's handle", static_cast<WORD>(closeId + 1), BN_CLICKED, close},
      {"Close's ID clicked in a window not of the form", closeId, BN_CLICKED, GetDesktopWindow()},
  };
  for (const auto& command : notClicks) {
    SendMessageW(form_.Window(), WM_COMMAND, MAKEWPARAM(command.id, command.notification),
                 reinterpret_cast<LPARAM>(command.control));
    LiveForm::PumpFor(50);
    EXPECT_TRUE(IsWindow(form_.Window())) << command.name << " closed the window";
  }

  // Enter on a focused button disabled by its style alone (which, unlike
  // EnableWindow, leaves it the focus) acts on nothing.
  SetFocus(close);
  const LONG style = GetWindowLongW(close, GWL_STYLE);
  SetWindowLongW(close, GWL_STYLE, style | WS_DISABLED);
  ASSERT_EQ(GetFocus(), close);
  SendMessageW(form_.Window(), WM_COMMAND, IDOK, 0);
  LiveForm::PumpFor(50);
  EXPECT_TRUE(IsWindow(form_.Window())) << "Enter on the disabled Close button closed the window";
  SetWindowLongW(close, GWL_STYLE, style);

  SetFocus(form_[L"cmdClose"]);
  press(form_[L"cmdClose"], VK_RETURN);
  LiveForm::PumpFor(200);
  EXPECT_FALSE(IsWindow(form_.Window())) << "Enter on the focused Close button did not close";
}

TEST_F(SetupFormTest, ResizingMovesNothing) {
  std::vector<RECT> before;
  for (const auto& expected : kLayout) before.push_back(RectInParent(form_[expected.name]));
  SetWindowPos(form_.Window(), nullptr, 0, 0, 900, 700, SWP_NOMOVE | SWP_NOZORDER);
  ShowWindow(form_.Window(), SW_MAXIMIZE);
  LiveForm::Pump();
  ShowWindow(form_.Window(), SW_RESTORE);
  SetWindowPos(form_.Window(), nullptr, 0, 0, 200, 150, SWP_NOMOVE | SWP_NOZORDER);
  LiveForm::Pump();
  for (std::size_t i = 0; i < before.size(); ++i) {
    const RECT after = RectInParent(form_[kLayout[i].name]);
    EXPECT_TRUE(EqualRect(&before[i], &after)) << Narrow(kLayout[i].name);
  }
}

TEST_F(SetupFormTest, DescriptionsFitTheirLabelsInThreeLines) {
  for (const wchar_t* name : {L"Label2", L"Label4", L"Label6"}) {
    SCOPED_TRACE(Narrow(name));
    ExpectFitsInThreeLines(form_[name]);
  }
}

// The fit above means something only in the face the machine is meant to give:
// Tahoma, as on Windows, or the one a test prefix substitutes for the dialog font.
TEST_F(SetupFormTest, DescriptionsAreInTheFaceTheSystemGivesForTheDialogFont) {
  wchar_t family[LF_FACESIZE] = L"Tahoma";
  GetEnvironmentVariableW(L"CORVALIDYNE_DIALOG_FAMILY", family, LF_FACESIZE);
  for (const wchar_t* name : {L"Label2", L"Label4", L"Label6"}) {
    EXPECT_EQ(testing::RealisedFamily(FontHandleOf(form_[name])), family) << Narrow(name);
  }
}

// One line of a text in the dialog face at a character height: its width and height.
SIZE LineExtent(std::wstring_view text, int characterHeight) {
  const HDC screen = GetDC(nullptr);
  const Font font = CreateRegularFont(kDefaultFace, characterHeight);
  const HGDIOBJ old = SelectObject(screen, font.get());
  TEXTMETRICW metrics{};
  GetTextMetricsW(screen, &metrics);
  SIZE extent{};
  GetTextExtentPoint32W(screen, text.data(), static_cast<int>(text.size()), &extent);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  return {extent.cx, metrics.tmHeight};
}

// The largest size from the first down to the floor at which every text fits
// its box in three lines; the floor where none does.
TEST(DescriptionFontFit, IsTheLargestSizeAtWhichEveryTextFitsElseTheFloor) {
  constexpr int kLargest = 14;
  constexpr int kFloor = 9;
  constexpr std::wstring_view kSentence = L"Installs what the application needs to run on this machine.";
  const int word = LineExtent(L"WWWW", kLargest).cx;
  ASSERT_GT(LineExtent(L"x", 12).cy, LineExtent(L"x", 11).cy);
  const struct {
    const char* name;
    std::vector<TextBox> boxes;
    int expected;
  } rows[] = {
      {"nothing fits a 1x1 box", {{kSentence, 1, 1}}, kFloor},
      {"a wide box one line tall at the largest size",
       {{kSentence, 2000, LineExtent(L"x", kLargest).cy}},
       kLargest},
      {"one box that fits, one that nothing fits", {{kSentence, 2000, 1000}, {kSentence, 1, 1}}, kFloor},
      {"one line as tall as at 11 pixels", {{kSentence, 2000, LineExtent(L"x", 11).cy}}, 11},
      {"three words, one a line", {{L"WWWW WWWW WWWW", word, 1000}}, kLargest},
      {"four words, one a line", {{L"WWWW WWWW WWWW WWWW", word, 1000}}, kFloor},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(FittingCharacterHeight(kDefaultFace, row.boxes, kLargest, kFloor), row.expected) << row.name;
  }
}

// The colour of each region of the window: the design's, and the system colour
// that stands for it under a high-contrast theme. A text region need only show
// its colour somewhere (a text's strokes); any other is one exact pixel.
struct RegionColour {
  const char* what;
  const wchar_t* control;  // nullptr: the window itself
  RECT area;               // pixels at 96 DPI, in the control's client area
  bool text;
  DesignColour design;
  int highContrast;  // a system colour index
};

const RegionColour kRegionColours[] = {
    {"the header band's corner",
     L"Frame2",
     {2, 2, 3, 3},
     false,
     SystemColour(COLOR_BACKGROUND),
     COLOR_HIGHLIGHT},
    {"a blank part of the product word",
     L"Label8",
     {230, 2, 231, 3},
     false,
     SystemColour(COLOR_BACKGROUND),
     COLOR_HIGHLIGHT},
    {"\"Installation\"", L"Label3", {0, 0, 200, 40}, true, Rgb(0xFFFFFF), COLOR_HIGHLIGHTTEXT},
    {"the window's strip right of the band",
     nullptr,
     {425, 40, 426, 41},
     false,
     Rgb(0xE0E0E0),
     COLOR_BTNFACE},
    {"inside a step", L"Step1", {200, 95, 201, 96}, false, Rgb(0xE0E0E0), COLOR_BTNFACE},
    {"a step's caption", L"Step1", {0, 0, 200, 14}, true, SystemColour(COLOR_HIGHLIGHT), COLOR_HIGHLIGHT},
    {"a step's digit", L"Label1", {0, 0, 49, 65}, true, Rgb(0x000000), COLOR_BTNTEXT},
    {"a blank part of a description", L"Label2", {250, 38, 251, 39}, false, Rgb(0xE0E0E0), COLOR_BTNFACE},
    {"a description", L"Label2", {0, 0, 250, 38}, true, SystemColour(COLOR_BTNTEXT), COLOR_BTNTEXT},
};

COLORREF Resolved(const DesignColour& colour) {
  return colour.kind == DesignColour::Kind::System ? GetSysColor(colour.systemIndex) : colour.rgb;
}

// Walks the regions with a way to read a pixel of a control (its client coordinates).
template <typename PixelAt>
void ExpectRegionColours(const LiveForm& form, bool highContrast, PixelAt pixelAt) {
  for (const RegionColour& region : kRegionColours) {
    SCOPED_TRACE(region.what);
    const HWND control = region.control != nullptr ? form[region.control] : form.Window();
    const COLORREF expected = highContrast ? GetSysColor(region.highContrast) : Resolved(region.design);
    if (!region.text) {
      EXPECT_EQ(pixelAt(control, region.area.left, region.area.top), expected);
      continue;
    }
    bool shown = false;
    for (int y = region.area.top; y < region.area.bottom && !shown; ++y) {
      for (int x = region.area.left; x < region.area.right && !shown; ++x)
        shown = Near(pixelAt(control, x, y), expected);
    }
    EXPECT_TRUE(shown);
  }
}

TEST_F(SetupFormTest, ShowsTheDesignedColours) {
  SetWindowPos(form_.Window(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  RedrawWindow(form_.Window(), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  LiveForm::PumpFor(300);
  const ScreenCapture capture(form_.Window());
  ExpectRegionColours(form_, false, [&](HWND control, int x, int y) { return capture.At(control, x, y); });
}

// On a bare registry step 1's button is enabled and step 2's is not: the same
// size and text, so that only their state tells their pictures apart.
TEST_F(SetupFormTest, InstallButtonsLookEnabledOrDisabledAndShowTheFocusThatTabBrings) {
  SetFocus(form_[L"cmdViewReadme"]);
  LiveForm::Pump();
  const PrintedControl enabled(form_[L"cmdInstallStep1"]);
  const PrintedControl disabled(form_[L"cmdInstallStep2"]);
  EXPECT_NE(enabled.Pixels(), disabled.Pixels());
  const RECT text{20, 5, 60, 20};
  EXPECT_TRUE(enabled.Shows(text, GetSysColor(COLOR_BTNTEXT)));
  EXPECT_FALSE(disabled.Shows(text, GetSysColor(COLOR_BTNTEXT))) << "a disabled button reads as enabled";

  // Tab goes round from View Readme to step 1's button, which then shows its focus.
  PostMessageW(form_[L"cmdViewReadme"], WM_KEYDOWN, VK_TAB, 1);
  PostMessageW(form_[L"cmdViewReadme"], WM_KEYUP, VK_TAB, 0xC0000001);
  LiveForm::Pump();
  ASSERT_EQ(GetFocus(), form_[L"cmdInstallStep1"]);
  const PrintedControl focused(form_[L"cmdInstallStep1"]);
  EXPECT_NE(focused.Pixels(), enabled.Pixels()) << "no focus rectangle";
}

// What makes the window choose its colours anew and pass the change on.
TEST(FormDecisions, TheLooksChangeWithTheSystemsColoursTheThemeAndHighContrastOnly) {
  const struct {
    UINT message;
    WPARAM wParam;
    bool changes;
  } rows[] = {
      {WM_SYSCOLORCHANGE, 0, true},
      {WM_THEMECHANGED, 0, true},
      {WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, true},
      {WM_SETTINGCHANGE, SPI_SETWORKAREA, false},
      {WM_SETTINGCHANGE, 0, false},
      {WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, false},
      {WM_DISPLAYCHANGE, 0, false},
      {WM_PAINT, SPI_SETHIGHCONTRAST, false},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ChangesTheLooks(row.message, row.wParam), row.changes) << row.message << " " << row.wParam;
  }
}

// Each role's colours under high contrast, and those a control of the role
// shows: the design's outside high contrast, the role's under it; a colour the
// design leaves standard stays standard.
TEST(FormDecisions, UnderHighContrastEachRoleTakesItsSystemColours) {
  const struct {
    const wchar_t* control;  // one of the role
    ControlRole role;
    DesignColour background, text;
  } rows[] = {
      {L"Frame2", ControlRole::HeaderBand, SystemColour(COLOR_HIGHLIGHT), SystemColour(COLOR_HIGHLIGHTTEXT)},
      {L"Label3", ControlRole::HeaderText, SystemColour(COLOR_HIGHLIGHT), SystemColour(COLOR_HIGHLIGHTTEXT)},
      {L"Step2", ControlRole::Caption, SystemColour(COLOR_BTNFACE), SystemColour(COLOR_HIGHLIGHT)},
      {L"Label5", ControlRole::Digit, SystemColour(COLOR_BTNFACE), SystemColour(COLOR_BTNTEXT)},
      {L"Label4", ControlRole::Description, SystemColour(COLOR_BTNFACE), SystemColour(COLOR_BTNTEXT)},
      {L"cmdInstallStep3", ControlRole::Button, SystemColour(COLOR_BTNFACE), kStandardColour},
      {L"cmdClose", ControlRole::Button, kStandardColour, kStandardColour},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(Narrow(row.control));
    const ControlDesign* design = FindControlDesign(row.control);
    ASSERT_NE(design, nullptr);
    EXPECT_EQ(design->role, row.role);
    EXPECT_EQ(DesignOfRole(row.role).fittedToText, row.role == ControlRole::Description);
    // The palettes a test can set give several system colours one value (black
    // texts in the default one, white in the black one), so the role's colour
    // itself is compared too.
    const auto expectShown = [](COLORREF outside, COLORREF under, const DesignColour& design,
                                const DesignColour& role, const DesignColour& highContrast) {
      if (design.kind == DesignColour::Kind::Standard) return;
      EXPECT_EQ(outside, Resolved(design));
      EXPECT_EQ(under, Resolved(highContrast));
      EXPECT_TRUE(role == highContrast) << "the role's system colour " << role.systemIndex;
    };
    const RoleDesign& role = DesignOfRole(row.role);
    expectShown(FormPalette(false).Background(*design), FormPalette(true).Background(*design),
                design->background, role.highContrastBackground, row.background);
    expectShown(FormPalette(false).Text(*design), FormPalette(true).Text(*design), design->foreground,
                role.highContrastText, row.text);
  }
  EXPECT_EQ(FormPalette(true).WindowBrush(), GetSysColorBrush(COLOR_BTNFACE)) << "the window's grey";
}

// A panel printed into another's context (a themed button's, asking for its
// background) paints there and leaves the context's mode, colours and font as
// they were.
TEST_F(SetupFormTest, PanelsPrintIntoACallersContextAndLeaveItAsFound) {
  const struct {
    const wchar_t* panel;
    POINT blank;
    COLORREF background;
  } rows[] = {
      {L"Frame2", {2, 2}, GetSysColor(COLOR_BACKGROUND)},
      {L"Step1", {200, 95}, RGB(0xE0, 0xE0, 0xE0)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(Narrow(row.panel));
    const Canvas canvas(400, 120);
    const HDC dc = canvas.Dc();
    const HGDIOBJ font = GetStockObject(ANSI_FIXED_FONT);
    SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetBkColor(dc, RGB(1, 2, 3));
    SetTextColor(dc, RGB(4, 5, 6));
    SendMessageW(form_[row.panel], WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    EXPECT_EQ(canvas.At(row.blank.x, row.blank.y), row.background) << "not printed";
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    EXPECT_EQ(GetBkColor(dc), RGB(1, 2, 3));
    EXPECT_EQ(GetTextColor(dc), RGB(4, 5, 6));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font);
  }
}

bool highContrastSetting = false;

// The controls that a message reached, and how often, on this thread.
std::map<HWND, int> syscolourChanges;
LRESULT CALLBACK CountColourChanges(int code, WPARAM wParam, LPARAM lParam) {
  const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && call->message == WM_SYSCOLORCHANGE) ++syscolourChanges[call->hwnd];
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Under a high-contrast theme each region takes its role's system colour, and
// outside it the design's colours hold even when the system's colours are a
// high-contrast palette. The window follows each change without a restart and
// frees the brushes of the colours it no longer shows. Runs in a prefix of its
// own (colours_follow_high_contrast): the palette is the whole session's.
TEST(SetupFormContrast, TheSystemsColoursStandInForTheDesignsUnderHighContrastOnly) {
  const testing::SystemColours palette;
  const StandIns standIns = StandIns::Screen(0, [] { return highContrastSetting; });
  const LiveForm form(standIns);
  const std::unique_ptr<std::remove_pointer_t<HHOOK>, decltype(&UnhookWindowsHookEx)> hook(
      SetWindowsHookExW(WH_CALLWNDPROC, CountColourChanges, nullptr, GetCurrentThreadId()),
      UnhookWindowsHookEx);
  ASSERT_NE(hook, nullptr);
  // Each control printed once per round of checks.
  std::map<HWND, std::unique_ptr<PrintedControl>> prints;
  const auto printed = [&](HWND control, int x, int y) {
    auto& print = prints[control];
    if (!print) print = std::make_unique<PrintedControl>(control);
    return print->At(x, y);
  };
  ExpectRegionColours(form, false, printed);

  const auto greyBrush = [&] {
    const HDC dc = GetDC(form[L"Label2"]);
    const auto brush = SendMessageW(form.Window(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                    reinterpret_cast<LPARAM>(form[L"Label2"]));
    ReleaseDC(form[L"Label2"], dc);
    return reinterpret_cast<HBRUSH>(brush);
  };
  const HBRUSH designGrey = greyBrush();
  ASSERT_NE(GetObjectType(designGrey), 0u);

  const struct {
    const char* what;
    bool highContrast;
    UINT message;
    WPARAM wParam;
  } changes[] = {
      {"high contrast turned on", true, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST},
      {"the theme changed, high contrast off", false, WM_THEMECHANGED, 0},
      {"the system colours changed, high contrast on", true, WM_SYSCOLORCHANGE, 0},
      {"high contrast turned off", false, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST},
  };
  for (const auto& change : changes) {
    SCOPED_TRACE(change.what);
    highContrastSetting = change.highContrast;
    syscolourChanges.clear();
    SendMessageW(form.Window(), change.message, change.wParam, 0);
    // Common controls keep copies of the system colours: each control hears of the change.
    for (const auto& expected : kLayout) {
      SCOPED_TRACE(Narrow(expected.name));
      EXPECT_EQ(syscolourChanges[form[expected.name]], 1);
      EXPECT_TRUE(GetUpdateRect(form[expected.name], nullptr, FALSE)) << "not painted anew";
    }
    LiveForm::Pump();
    prints.clear();
    ExpectRegionColours(form, change.highContrast, printed);
    ExpectPictureOfAFreshWindow(form, standIns, L"cmdInstallStep1");
  }
  EXPECT_EQ(GetObjectType(designGrey), 0u) << "the design's grey brush outlived high contrast";
}

TEST(SetupProgram, ClosingTheWindowEndsTheProgram) {
  StepKeys keys;
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring exe(path);
  exe = exe.substr(0, exe.find_last_of(L'\\') + 1) + L"CorvalidyneSetup.exe";

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::wstring commandLine = L"\"" + exe + L"\"";
  ASSERT_TRUE(CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process));
  const HWND window = automation::FindTopLevelWindow(process.dwProcessId, SetupForm::kClassName, 10000);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(WindowText(window), L"Corvalidyne, Inc.");

  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
  DWORD exitCode = 99;
  GetExitCodeProcess(process.hProcess, &exitCode);
  EXPECT_EQ(exitCode, 0u);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

LRESULT CALLBACK RefuseCreation(int code, WPARAM wParam, LPARAM lParam) {
  return code == HCBT_CREATEWND ? 1 : CallNextHookEx(nullptr, code, wParam, lParam);
}

// The edges of the window's life, reached by plain calls: a creation that a CBT
// hook refuses (as security software may) gives no form; once the window is
// gone, so are its controls, and a screen reader asking a destroyed window gets
// no object.
TEST(SetupFormLife, ARefusedOrDestroyedWindowAnswersNothing) {
  const StandIns standIns;
  const HHOOK refusing = SetWindowsHookExW(WH_CBT, RefuseCreation, nullptr, GetCurrentThreadId());
  ASSERT_NE(refusing, nullptr);
  const std::unique_ptr<SetupForm> refused =
      SetupForm::Create(GetModuleHandleW(nullptr), standIns.Services());
  UnhookWindowsHookEx(refusing);
  EXPECT_EQ(refused, nullptr);

  const std::unique_ptr<SetupForm> form = SetupForm::Create(GetModuleHandleW(nullptr), standIns.Services());
  ASSERT_NE(form, nullptr);
  const HWND window = form->Handle();
  const HWND panel = form->Control(FormControl::StepOnePanel);
  ASSERT_NE(panel, nullptr);
  ASSERT_NE(form->Control(L"cmdInstallStep1"), nullptr);
  DestroyWindow(window);
  EXPECT_EQ(form->Handle(), nullptr);
  EXPECT_EQ(form->Control(FormControl::StepOnePanel), nullptr);
  EXPECT_EQ(form->Control(L"cmdInstallStep1"), nullptr);
  EXPECT_EQ(AnswerAsGroup(panel, 0, OBJID_CLIENT), 0);
}

// A window whose text length overstates its text, which Windows allows (the
// length may count a text's other encoding), answering as a group.
LRESULT CALLBACK OverstatingGroupProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_GETTEXTLENGTH) return DefWindowProcW(window, message, wParam, lParam) + 5;
  if (message == WM_GETOBJECT) return AnswerAsGroup(window, wParam, lParam);
  return DefWindowProcW(window, message, wParam, lParam);
}

// A screen reader hears the text that was read, not the length announced.
TEST(SetupFormLife, AGroupsNameIsTheTextReadWhereItsLengthOverstatesIt) {
  const ComApartment apartment;
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = OverstatingGroupProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"CorvalidyneOverstatingGroup";
  ASSERT_NE(RegisterClassW(&windowClass), 0);
  const HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"Step", WS_OVERLAPPED, 0, 0, 100, 100,
                                      nullptr, nullptr, windowClass.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  ASSERT_EQ(GetWindowTextLengthW(window), 9);
  const AccessibleRef object = ObjectOf(window);
  ASSERT_TRUE(object);
  BSTR name = nullptr;
  ASSERT_EQ(object->get_accName(kSelf, &name), S_OK);
  EXPECT_EQ(std::wstring(name, SysStringLen(name)), L"Step");
  SysFreeString(name);
  DestroyWindow(window);
}

}  // namespace
}  // namespace corvalidyne
