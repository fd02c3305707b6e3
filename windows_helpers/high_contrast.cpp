#include "high_contrast.h"

namespace corvalidyne {

bool IsHighContrastOn() noexcept {
  HIGHCONTRASTW setting{};
  setting.cbSize = sizeof setting;
  const BOOL answered = SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof setting, &setting, 0);
  return HighContrastOn(answered, setting.dwFlags);
}

}  // namespace corvalidyne
