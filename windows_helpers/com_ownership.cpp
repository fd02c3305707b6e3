#include "com_ownership.h"

#include "system_library.h"

namespace corvalidyne {

void FreeString::operator()(BSTR text) const noexcept {
  static const auto freeString = SystemFunction<decltype(&SysFreeString)>(L"oleaut32.dll", "SysFreeString");
  if (freeString != nullptr) freeString(text);
}

}  // namespace corvalidyne
