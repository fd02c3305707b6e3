#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include <string>

namespace corvalidyne::testing {

// The window as designed: twips, texts, fonts (hundredths of a point; no face
// means the window's default font) and tab indices.
struct Expected {
  const wchar_t* name;
  const wchar_t* windowClass;
  const wchar_t* container;
  int left, top, width, height;
  const wchar_t* text;
  const wchar_t* face;
  int centipoints;
  int tab;
};

inline const Expected kLayout[] = {
    {L"Frame2", L"CorvalidynePanel", nullptr, 0, 0, 6375, 1215, L"", nullptr, 800, 4},
    {L"Label8", L"Static", L"Frame2", 120, 120, 3615, 495, L"Corvalidyne", L"Arial", 1575, 14},
    {L"Label3", L"Static", L"Frame2", 600, 480, 4575, 615, L"Installation", L"Arial", 2625, 5},
    {L"Step1", L"CorvalidynePanel", nullptr, 240, 1320, 5895, 1695, L"Microsoft .Net Framework v1.1",
     L"Arial", 975, 0},
    {L"Label1", L"Static", L"Step1", 120, 360, 735, 975, L"1", L"Arial", 4800, 1},
    {L"Label2", L"Static", L"Step1", 1080, 360, 3855, 615,
     L"The .NET Framework version 1.1 is a component of the Microsoft Windows\u00AE operating system used "
     L"to build and run Windows-based applications. ",
     nullptr, 800, 2},
    {L"cmdInstallStep1", L"Button", L"Step1", 4560, 1200, 1215, 375, L"Install", nullptr, 800, 3},
    {L"Step2", L"CorvalidynePanel", nullptr, 240, 3120, 5895, 1695,
     L"Microsoft SQL Server 2000 (Desktop Edition)", L"Arial", 975, 6},
    {L"Label5", L"Static", L"Step2", 120, 360, 735, 975, L"2", L"Arial", 4800, 9},
    {L"Label4", L"Static", L"Step2", 1080, 360, 3855, 615,
     L"The Microsoft SQL Server 2000 Desktop Engine (MSDE 2000) is a data engine built and based on core SQL "
     L"Server technology.",
     nullptr, 800, 8},
    {L"cmdInstallStep2", L"Button", L"Step2", 4560, 1200, 1215, 375, L"Install", nullptr, 800, 7},
    {L"Step3", L"CorvalidynePanel", nullptr, 240, 4920, 5895, 1695, L"Corvalidyne Web Application", L"Arial",
     975, 10},
    {L"Label7", L"Static", L"Step3", 120, 360, 735, 975, L"3", L"Arial", 4800, 13},
    {L"Label6", L"Static", L"Step3", 1080, 360, 3855, 615, L"Instant Intranet for Small Business.", nullptr,
     800, 12},
    {L"cmdInstallStep3", L"Button", L"Step3", 4560, 1200, 1215, 375, L"Install", nullptr, 800, 11},
    {L"cmdViewReadme", L"Button", nullptr, 240, 6720, 1335, 375, L"View Readme", nullptr, 800, 16},
    {L"cmdClose", L"Button", nullptr, 4800, 6720, 1215, 375, L"Close", nullptr, 800, 15},
};

// The screen's DPI, by which the twips above become pixels (at 96, twips / 15).
inline int ScreenDpi() {
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

// A control's rectangle in its parent's client coordinates; works for the
// windows of another process too.
inline RECT RectInParent(HWND control) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// Expects the control at its designed rectangle, in pixels at the given DPI.
inline void ExpectDesignedRect(HWND control, const Expected& expected, int dpi) {
  const RECT rect = RectInParent(control);
  EXPECT_EQ(rect.left, MulDiv(expected.left, dpi, 1440));
  EXPECT_EQ(rect.top, MulDiv(expected.top, dpi, 1440));
  EXPECT_EQ(rect.right - rect.left, MulDiv(expected.width, dpi, 1440));
  EXPECT_EQ(rect.bottom - rect.top, MulDiv(expected.height, dpi, 1440));
}

// A control's name, for test traces.
inline std::string Narrow(const wchar_t* text) { return ::testing::internal::String::ShowWideCString(text); }

}  // namespace corvalidyne::testing
