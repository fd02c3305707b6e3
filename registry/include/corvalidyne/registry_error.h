#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "corvalidyne/tagged_value.h"

namespace corvalidyne {

// What every failure of the registry object throws: a number, a source and a message.
class RegistryError : public std::exception {
 public:
  RegistryError(std::int32_t number, std::wstring source, std::wstring message);

  [[nodiscard]] std::int32_t Number() const noexcept { return number_; }
  [[nodiscard]] const std::wstring& Source() const noexcept { return source_; }
  [[nodiscard]] const std::wstring& Message() const noexcept { return message_; }
  [[nodiscard]] const char* what() const noexcept override { return what_.c_str(); }

 private:
  std::int32_t number_;
  std::wstring source_;
  std::wstring message_;
  std::string what_;
};

namespace registry_errors {
inline constexpr std::int32_t kGeneral = 26001;
inline constexpr std::int32_t kSetValue = static_cast<std::int32_t>(0x800469A9u);
inline constexpr std::int32_t kEnumerateSections = static_cast<std::int32_t>(0x800469AAu);
inline constexpr std::int32_t kInvalidAssociationList = static_cast<std::int32_t>(0x800469ACu);
inline constexpr std::int32_t kAssociationClassMissing = static_cast<std::int32_t>(0x800469ADu);
}  // namespace registry_errors

// "<executable base name>.cRegistry", the source of every error the object raises.
std::wstring RegistryErrorSource();

// Throws a RegistryError with the object's source.
[[noreturn]] void RaiseRegistryError(std::int32_t number, std::wstring message);

// A root as messages show it: the signed decimal form of its 32-bit value.
std::wstring RootText(RegistryRoot root);

}  // namespace corvalidyne
