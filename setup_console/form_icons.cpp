#include "form_icons.h"

namespace corvalidyne {

void FormIcons::ShowAt(HWND window, HINSTANCE instance, Dpi dpi) {
  Show(window, instance, dpi, ICON_BIG, {SM_CXICON, SM_CYICON, GCLP_HICON}, big_);
  Show(window, instance, dpi, ICON_SMALL, {SM_CXSMICON, SM_CYSMICON, GCLP_HICONSM}, small_);
}

void FormIcons::Show(HWND window, HINSTANCE instance, Dpi dpi, WPARAM which, const Size& size, Icon& owned) {
  const int width = dpi.SystemMetric(size.widthMetric);
  const int height = dpi.SystemMetric(size.heightMetric);
  Icon loaded;
  auto* shown = reinterpret_cast<HICON>(GetClassLongPtrW(window, size.classIcon));
  if (width != GetSystemMetrics(size.widthMetric) || height != GetSystemMetrics(size.heightMetric)) {
    loaded = Icon(LoadProgramIcon(instance, width, height, 0));
    shown = loaded.get();
  }
  SendMessageW(window, WM_SETICON, which, reinterpret_cast<LPARAM>(shown));
  owned = std::move(loaded);
}

}  // namespace corvalidyne
