#include <gtest/gtest.h>
#include <oleacc.h>

#include <cmath>
#include <memory>
#include <vector>

#include "automation.h"
#include "designed_layout.h"
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

// Every control has its designed size of font, except that the descriptions share
// one that may be smaller, down to 7 points, so that they fit their labels.
void ExpectDesignedFontSize(const LiveForm& form, const testing::Expected& expected, int dpi) {
  const int height = -FontOf(form[expected.name]).lfHeight;
  if (!IsDescription(expected)) {
    EXPECT_EQ(height, MulDiv(expected.centipoints, dpi, 7200));
    return;
  }
  EXPECT_LE(height, MulDiv(expected.centipoints, dpi, 7200));
  EXPECT_GE(height, MulDiv(700, dpi, 7200));
  EXPECT_EQ(height, -FontOf(form[L"Label2"]).lfHeight) << "the descriptions differ in size";
}

class SetupFormTest : public ::testing::Test {
 protected:
  StepKeys keys_;  // a bare registry: only step 1 is enabled
  LiveForm form_;
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

TEST(SetupFormDpi, LayoutAndFontsScaleWithTheScreenDensity) {
  for (const int dpi : {120, 144}) {
    SCOPED_TRACE(dpi);
    StepKeys keys;
    const LiveForm form({.dpi = dpi});
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
  }
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

// What a screen reader reads: the live window's accessible objects.
struct ReleaseReference {
  void operator()(IUnknown* object) const { object->Release(); }
};
using AccessibleRef = std::unique_ptr<IAccessible, ReleaseReference>;

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
  };
  for (const auto& command : notClicks) {
    SendMessageW(form_.Window(), WM_COMMAND, MAKEWPARAM(command.id, command.notification),
                 reinterpret_cast<LPARAM>(command.control));
    LiveForm::PumpFor(50);
    EXPECT_TRUE(IsWindow(form_.Window())) << command.name << " closed the window";
  }

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

// Colours are sampled from what the screen shows of the window.
class ScreenCapture {
 public:
  explicit ScreenCapture(HWND window) {
    GetWindowRect(window, &rect_);
    screen_ = GetDC(nullptr);
    memory_ = CreateCompatibleDC(screen_);
    bitmap_ = CreateCompatibleBitmap(screen_, Width(), Height());
    old_ = SelectObject(memory_, bitmap_);
    BitBlt(memory_, 0, 0, Width(), Height(), screen_, rect_.left, rect_.top, SRCCOPY);
  }
  ~ScreenCapture() {
    SelectObject(memory_, old_);
    DeleteObject(bitmap_);
    DeleteDC(memory_);
    ReleaseDC(nullptr, screen_);
  }
  // The colour at a point given in the coordinates of a control's client area.
  COLORREF At(HWND control, int x, int y) const {
    POINT point{x, y};
    ClientToScreen(control, &point);
    return GetPixel(memory_, point.x - rect_.left, point.y - rect_.top);
  }
  // Whether any pixel of a control's client rectangle is close to a colour.
  bool Shows(HWND control, const RECT& area, COLORREF colour) const {
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) {
        const COLORREF c = At(control, x, y);
        if (std::abs(GetRValue(c) - GetRValue(colour)) + std::abs(GetGValue(c) - GetGValue(colour)) +
                std::abs(GetBValue(c) - GetBValue(colour)) <
            24) {
          return true;
        }
      }
    }
    return false;
  }

 private:
  int Width() const { return rect_.right - rect_.left; }
  int Height() const { return rect_.bottom - rect_.top; }
  RECT rect_{};
  HDC screen_ = nullptr, memory_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

TEST_F(SetupFormTest, ShowsTheDesignedColours) {
  SetWindowPos(form_.Window(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  RedrawWindow(form_.Window(), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  LiveForm::PumpFor(300);
  const ScreenCapture capture(form_.Window());
  const COLORREF desktop = GetSysColor(COLOR_BACKGROUND);
  const COLORREF grey = RGB(0xE0, 0xE0, 0xE0);

  // The header band: its corner, a blank part of Label8, and white text.
  EXPECT_EQ(capture.At(form_[L"Frame2"], 2, 2), desktop);
  EXPECT_EQ(capture.At(form_[L"Label8"], 230, 2), desktop);
  EXPECT_TRUE(capture.Shows(form_[L"Label3"], {0, 0, 200, 40}, RGB(255, 255, 255)));
  // The one-pixel strip of the window's grey right of the band.
  EXPECT_EQ(capture.At(form_.Window(), 425, 40), grey);
  // A step panel: grey inside, its caption in the highlight colour, the digit in black.
  EXPECT_EQ(capture.At(form_[L"Step1"], 200, 95), grey);
  EXPECT_TRUE(capture.Shows(form_[L"Step1"], {0, 0, 200, 14}, GetSysColor(COLOR_HIGHLIGHT)));
  EXPECT_TRUE(capture.Shows(form_[L"Label1"], {0, 0, 49, 65}, RGB(0, 0, 0)));
  EXPECT_EQ(capture.At(form_[L"Label2"], 250, 38), grey);
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

}  // namespace
}  // namespace corvalidyne
