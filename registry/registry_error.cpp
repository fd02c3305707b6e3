#include "corvalidyne/registry_error.h"

#include <windows.h>

#include "program_path.h"
#include "text_conversion.h"

namespace corvalidyne {

namespace {

std::string Describe(std::int32_t number, const std::wstring& message) {
  std::string text = "registry error " + std::to_string(number);
  if (!message.empty()) text += ": " + ToUtf8(message);
  return text;
}

std::wstring ExecutableBaseName() {
  const std::wstring path = ProgramPathW().value_or(std::wstring());
  const auto slash = path.find_last_of(L"\\/");
  std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  const auto dot = name.find_last_of(L'.');
  if (dot != std::wstring::npos) name.resize(dot);
  return name;
}

}  // namespace

RegistryError::RegistryError(std::int32_t number, std::wstring source, std::wstring message)
    : number_(number),
      source_(std::move(source)),
      message_(std::move(message)),
      what_(Describe(number_, message_)) {}

std::wstring RegistryErrorSource() { return ExecutableBaseName() + L".cRegistry"; }

void RaiseRegistryError(std::int32_t number, std::wstring message) {
  throw RegistryError(number, RegistryErrorSource(), std::move(message));
}

std::wstring RootText(RegistryRoot root) { return DecimalText(root); }

}  // namespace corvalidyne
