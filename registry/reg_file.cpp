#include "corvalidyne/reg_file.h"

#include <windows.h>

#include <algorithm>
#include <optional>

#include "corvalidyne/registry_key.h"
#include "failure.h"
#include "reg_file/applier.h"
#include "reg_file/exporter.h"
#include "reg_file/file_io.h"
#include "reg_file/format.h"
#include "reg_file/parser.h"
#include "text_conversion.h"

namespace corvalidyne {

namespace {

bool Failed(DWORD status, std::error_code& code) {
  code.assign(static_cast<int>(status), std::system_category());
  return false;
}

// An export, whose failure names the key it came from (`failedKey`), or
// nothing where it came from the file.
bool Export(RegistryRoot root, std::wstring_view path, std::wstring_view file, RegistryView view,
            std::error_code& code, std::wstring& failedKey) {
  const std::optional<std::wstring_view> rootName = reg_file::LongNameOf(root);
  if (!rootName) return Failed(ERROR_INVALID_PARAMETER, code);
  failedKey = *rootName;
  if (!path.empty()) failedKey.append(L"\\").append(path);
  const std::optional<RegistryKey> key = RegistryKey::Open(root, path, view, RegistryAccess::kRead, code);
  if (!key) return code ? false : Failed(ERROR_FILE_NOT_FOUND, code);
  const std::wstring keyPath = std::move(failedKey);
  failedKey.clear();
  reg_file::FileOutput output;
  if (const DWORD status = output.Open(file); status != ERROR_SUCCESS) return Failed(status, code);
  if (!reg_file::ExportTree(*key, keyPath, output, code, failedKey)) return false;
  return Succeeded(static_cast<LONG>(output.Commit()), code);
}

std::size_t LineCount(std::wstring_view text) {
  return static_cast<std::size_t>(std::ranges::count(text, L'\n')) + 1;
}

bool Import(std::wstring_view file, RegistryView view, std::error_code& code, std::size_t& line) {
  line = 0;
  reg_file::FileText text;
  if (!Succeeded(static_cast<LONG>(reg_file::ReadFileText(file, text)), code)) return false;
  reg_file::Plan plan;
  if (const std::optional<reg_file::Malformed> malformed = reg_file::Parse(text.text, plan)) {
    code = malformed->error;
    line = malformed->line;
    return false;
  }
  if (text.strayByte) {
    code = RegFileErrc::kOddSize;
    line = LineCount(text.text);
    return false;
  }
  return reg_file::Apply(plan, view, code, line);
}

}  // namespace

void ExportRegFile(RegistryRoot root, std::wstring_view path, std::wstring_view file, RegistryView view) {
  std::error_code code;
  std::wstring failedKey;
  if (Export(root, path, file, view, code, failedKey)) return;
  if (failedKey.empty()) ThrowFailure(code, "writing registry file", file);
  ThrowFailure(code, "exporting registry key", failedKey);
}

bool ExportRegFile(RegistryRoot root, std::wstring_view path, std::wstring_view file, RegistryView view,
                   std::error_code& code) {
  std::wstring failedKey;
  return Export(root, path, file, view, code, failedKey);
}

void ImportRegFile(std::wstring_view file, RegistryView view) {
  std::error_code code;
  std::size_t line = 0;
  if (Import(file, view, code, line)) return;
  std::string what = "importing registry file \"" + ToUtf8(file) + "\"";
  if (line != 0) what += ", line " + std::to_string(line);
  throw RegFileError(code, line, what);
}

bool ImportRegFile(std::wstring_view file, RegistryView view, std::error_code& code, std::size_t* line) {
  std::size_t at = 0;
  const bool imported = Import(file, view, code, at);
  if (line != nullptr) *line = at;
  return imported;
}

}  // namespace corvalidyne
