#include "system_services.h"

// After windows.h, which it needs.
#include <shellapi.h>

#include "high_contrast.h"
#include "shell_command.h"
#include "system_library.h"

namespace corvalidyne {

void ShellLauncher::ShellAndWait(const std::string& commandLine, std::int32_t windowStyle,
                                 bool serveMessages) const {
  ShellCommand().ShellAndWait(commandLine, windowStyle, serveMessages);
}

// A page the user asked to see opens in a normal window; that the shell could
// not open it is not reported.
void ShellPageOpener::Open(HWND owner, const std::string& target) const {
  const auto shellExecute = SystemFunction<decltype(&ShellExecuteA)>(L"shell32.dll", "ShellExecuteA");
  if (shellExecute != nullptr) shellExecute(owner, "open", target.c_str(), nullptr, "", SW_SHOWNORMAL);
}

bool SystemDisplay::HighContrast() const { return IsHighContrastOn(); }

}  // namespace corvalidyne
