#include <iterator>
#include <string>

#include "corvalidyne/reg_file.h"

namespace corvalidyne {

namespace {

// By RegFileErrc, from 1.
constexpr const char* kMessages[] = {
    "the first line is neither \"Windows Registry Editor Version 5.00\" nor \"REGEDIT4\"",
    "a UTF-16 file ends in half a character",
    "the line is no key, value, comment or empty line",
    "a key line must be [ROOT\\path] with names of 1 to 255 characters",
    ("the key's root is none of HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT, HKEY_USERS or "
     "HKEY_CURRENT_CONFIG, nor a short form (HKLM, HKCU, HKCR, HKU, HKCC)"),
    "a whole root cannot be deleted",
    "a value line stands before any key line, or below a key being deleted",
    "a value's name must be @ or a quoted name of at most 16,383 characters, followed by =",
    "a value's data must be \"text\", dword:, hex:, hex(N): or -",
    "quoted text must end with a quote, hold only the escapes \\\\ \\\" \\r \\n and be followed by no more",
    "dword: must be followed by 1 to 8 hexadecimal digits and no more",
    "hex(N): must name its type N in 1 to 8 hexadecimal digits",
    "hex data must be bytes of 1 or 2 hexadecimal digits separated by commas",
    "the file ends on a hex line continued with \\",
};

class Category final : public std::error_category {
 public:
  [[nodiscard]] const char* name() const noexcept override { return "corvalidyne.reg_file"; }
  [[nodiscard]] std::string message(int value) const override {
    if (value < 1 || value > static_cast<int>(std::size(kMessages))) return "unknown .reg file error";
    return kMessages[value - 1];
  }
};

}  // namespace

const std::error_category& RegFileCategory() noexcept {
  static const Category category;
  return category;
}

std::error_code make_error_code(RegFileErrc error) noexcept {
  return {static_cast<int>(error), RegFileCategory()};
}

RegFileError::RegFileError(std::error_code code, std::size_t line, const std::string& what)
    : std::system_error(code, what), line_(line) {}

}  // namespace corvalidyne
