#include "panel.h"

#include <string>

#include "accessible_object.h"
#include "device_context.h"
#include "fatal_error.h"
#include "window_procedure.h"

namespace corvalidyne {

namespace {

// The panel's window memory: the font it was given, the DPI it was told.
constexpr int kFontSlot = 0;
constexpr int kDpiSlot = sizeof(LONG_PTR);

HFONT PanelFont(HWND panel) { return reinterpret_cast<HFONT>(GetWindowLongPtrW(panel, kFontSlot)); }
Dpi PanelDpi(HWND panel) { return Dpi(static_cast<int>(GetWindowLongPtrW(panel, kDpiSlot))); }

std::wstring Caption(HWND panel) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(panel)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(panel, text.data(), static_cast<int>(text.size()))));
  return text;
}

void PaintWithFont(HWND panel, HDC dc) {
  const auto font = SelectForScope(dc, PanelFont(panel));
  auto* brush = reinterpret_cast<HBRUSH>(SendMessageW(
      GetParent(panel), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(panel)));
  if (brush == nullptr) brush = GetSysColorBrush(COLOR_BTNFACE);

  RECT client;
  GetClientRect(panel, &client);
  FillRect(dc, &client, brush);

  const std::wstring caption = Caption(panel);
  if (!caption.empty()) {
    SIZE extent{};
    GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
    RECT frame = client;
    frame.top = extent.cy / 2;
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);

    const Dpi dpi = PanelDpi(panel);
    const int gap = dpi.FromStandardPixels(2);
    RECT label{dpi.FromStandardPixels(6), 0, 0, extent.cy};
    label.right = label.left + extent.cx + 2 * gap;
    SetBkMode(dc, OPAQUE);
    ExtTextOutW(dc, label.left + gap, 0, ETO_OPAQUE | ETO_CLIPPED, &label, caption.c_str(),
                static_cast<UINT>(caption.size()), nullptr);
  }
}

void Paint(HWND panel) {
  const PaintScope paint(panel);
  PaintWithFont(panel, paint.get());
}

LRESULT HandlePanelMessage(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETFONT:
      SetWindowLongPtrW(panel, kFontSlot, static_cast<LONG_PTR>(wParam));
      if (LOWORD(lParam)) InvalidateRect(panel, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(PanelFont(panel));
    case WM_PAINT:
      Paint(panel);
      return 0;
    // A themed button draws its parent's background behind its rounded corners
    // by asking for it: not erased (no class brush), then printed here.
    // The caller's context is left as it was found: a themed button goes on to
    // draw its own text into it.
    case WM_PRINTCLIENT: {
      const auto state = SaveForScope(reinterpret_cast<HDC>(wParam));
      PaintWithFont(panel, reinterpret_cast<HDC>(wParam));
      return 0;
    }
    case WM_GETOBJECT:
      // Announced as a group by its caption; a plain band stays a plain client area.
      if (GetWindowTextLengthW(panel) == 0) return DefWindowProcW(panel, message, wParam, lParam);
      return AnswerAsGroup(panel, wParam, lParam);
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return SendMessageW(GetParent(panel), message, wParam, lParam);
    default:
      return DefWindowProcW(panel, message, wParam, lParam);
  }
}

LRESULT CALLBACK PanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
  return WithoutEscape(panel, EndWithError,
                       [&] { return HandlePanelMessage(panel, message, wParam, lParam); });
}

}  // namespace

bool RegisterPanelClass(HINSTANCE instance) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = PanelProc;
  windowClass.cbWndExtra = 2 * sizeof(LONG_PTR);
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kPanelClassName;
  return RegisterWindowClass(windowClass);
}

void TellPanelDpi(HWND panel, Dpi dpi) noexcept { SetWindowLongPtrW(panel, kDpiSlot, dpi.Value()); }

}  // namespace corvalidyne
