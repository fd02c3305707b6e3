#include "fatal_error.h"

#include <string>

#include "corvalidyne/registry_error.h"
#include "launch_error.h"
#include "text_conversion.h"

namespace corvalidyne {

namespace {

struct ErrorReport {
  long long number = 0;
  std::wstring description;
};

ErrorReport Describe(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const LaunchError& launchError) {
    return {launchError.Number(), launchError.Description()};
  } catch (const RegistryError& registryError) {
    return {registryError.Number(), registryError.Message()};
  } catch (const std::exception& other) {
    return {0, FromUtf8(other.what())};
  } catch (...) {
    return {0, L"Unknown error"};
  }
}

}  // namespace

std::wstring FatalReport(const std::exception_ptr& error) {
  const ErrorReport report = Describe(error);
  return L"The installation cannot continue.\n\nError " + DecimalText(report.number) + L": " +
         report.description;
}

void EndWithError(HWND owner, const std::exception_ptr& error) noexcept {
  try {
    const std::wstring text = FatalReport(error);
    MessageBoxW(IsWindow(owner) ? GetAncestor(owner, GA_ROOT) : nullptr, text.c_str(), kApplicationTitle,
                MB_OK | MB_ICONERROR);
  } catch (...) {
    MessageBoxW(nullptr, L"The installation cannot continue.", kApplicationTitle, MB_OK | MB_ICONERROR);
  }
  ExitProcess(kFatalExitCode);
}

}  // namespace corvalidyne
