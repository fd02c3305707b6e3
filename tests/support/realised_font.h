#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace corvalidyne::testing {

// The family of the font file that the system really uses for the font selected
// into the device context. GetTextFace would only repeat a substitute's alias
// ("MS Shell Dlg 2"), not the face behind it.
inline std::wstring RealisedFamily(HDC dc) {
  const UINT size = GetOutlineTextMetricsW(dc, 0, nullptr);
  if (size == 0) return L"(no outline font)";
  std::vector<char> buffer(size);
  auto* metrics = reinterpret_cast<OUTLINETEXTMETRICW*>(buffer.data());
  if (GetOutlineTextMetricsW(dc, size, metrics) == 0) return L"(no outline font)";
  return reinterpret_cast<const wchar_t*>(buffer.data() +
                                          reinterpret_cast<UINT_PTR>(metrics->otmpFamilyName));
}

inline std::wstring RealisedFamily(HFONT font) {
  const HDC screen = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(screen, font);
  std::wstring family = RealisedFamily(screen);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  return family;
}

// The family realised for a face asked for at 8 points on a 96-DPI screen.
inline std::wstring RealisedFamily(const wchar_t* face) {
  LOGFONTW request{};
  request.lfHeight = -11;
  request.lfCharSet = ANSI_CHARSET;
  lstrcpynW(request.lfFaceName, face, LF_FACESIZE);
  const HFONT font = CreateFontIndirectW(&request);
  std::wstring family = RealisedFamily(font);
  DeleteObject(font);
  return family;
}

}  // namespace corvalidyne::testing
