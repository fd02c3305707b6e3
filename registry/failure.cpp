#include "failure.h"

#include <string>

#include "text_conversion.h"

namespace corvalidyne {

void ThrowFailure(const std::error_code& code, const char* action, std::optional<std::wstring_view> name) {
  std::string what(action);
  if (name) what += " \"" + ToUtf8(*name) + "\"";
  throw std::system_error(code, what);
}

}  // namespace corvalidyne
