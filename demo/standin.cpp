// A stand-in for the vendor installers of the demonstration medium. It tells
// from its own folder which component it plays, records how it was started,
// shows a small window for a while and then leaves the registry key by which
// the launcher recognises its step.
//
// Options, from CORVALIDYNE_STANDIN or else the first line of standin.options
// beside it, separated by spaces or commas:
//   run=MS  keep the window up this long (default 1500)
//   until=NAME  end as soon as the event NAME, or NAME-<process id>, is set
//           (run= still the longest): a test holds installers as long as it needs
//   skip    end without installing, as a cancelled installer does
//   crash   die from an unhandled exception instead of installing
// The log is CORVALIDYNE_STANDIN_LOG, or else standin.log beside it; each start
// appends "show=N<TAB>command line" (N is the STARTUPINFO show value, or none).
#include <windows.h>

#include <cwctype>
#include <fstream>
#include <sstream>
#include <string>

#include "text_conversion.h"
#include "unique_handle.h"

namespace {

constexpr wchar_t kWindowClass[] = L"CorvalidyneStandIn";
constexpr UINT_PTR kFinishTimer = 1;

struct Options {
  UINT runMilliseconds = 1500;
  std::wstring releaseEvent;
  bool skip = false;
  bool crash = false;
};

struct Component {
  std::wstring title;    // what the window says it installs
  std::wstring keyPath;  // under HKEY_LOCAL_MACHINE; empty: nothing to install
};

std::wstring ModulePath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

std::wstring Folder(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

std::wstring LastPart(const std::wstring& path) { return path.substr(path.find_last_of(L'\\') + 1); }

std::wstring Lower(std::wstring text) {
  for (auto& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

std::wstring Environment(const wchar_t* name) {
  wchar_t value[1024] = {};
  const DWORD length = GetEnvironmentVariableW(name, value, 1024);
  return length > 0 && length < 1024 ? value : L"";
}

std::wstring FirstLineOf(const std::wstring& path) {
  std::ifstream file(path.c_str());
  std::string line;
  std::getline(file, line);
  return std::wstring(line.begin(), line.end());
}

Options ReadOptions(const std::wstring& folder) {
  std::wstring text = Environment(L"CORVALIDYNE_STANDIN");
  if (text.empty()) text = FirstLineOf(folder + L"\\standin.options");
  for (auto& c : text) {
    if (c == L',') c = L' ';
  }
  Options options;
  std::wistringstream words(text);
  for (std::wstring word; words >> word;) {
    if (word == L"skip") options.skip = true;
    if (word == L"crash") options.crash = true;
    if (word.rfind(L"run=", 0) == 0)
      options.runMilliseconds = static_cast<UINT>(std::wcstoul(word.c_str() + 4, nullptr, 10));
    if (word.rfind(L"until=", 0) == 0) options.releaseEvent = word.substr(6);
  }
  return options;
}

// The value of NAME= on the command line, quoted or up to the next space.
std::wstring Argument(const std::wstring& commandLine, const std::wstring& name) {
  const auto start = commandLine.find(name + L"=");
  if (start == std::wstring::npos) return {};
  auto position = start + name.size() + 1;
  const wchar_t end = position < commandLine.size() && commandLine[position] == L'"' ? L'"' : L' ';
  if (end == L'"') ++position;
  return commandLine.substr(position, commandLine.find(end, position) - position);
}

Component ComponentFor(const std::wstring& folderName, const std::wstring& commandLine) {
  const std::wstring name = Lower(folderName);
  if (name == L"framework") {
    return {L"Microsoft .NET Framework v1.1", L"SOFTWARE\\Microsoft\\.NETFramework\\policy\\v1.1"};
  }
  if (name == L"msde") {
    std::wstring instance = Argument(commandLine, L"INSTANCENAME");
    if (instance.empty()) instance = L"MSSQLSERVER";
    return {L"Microsoft SQL Server 2000 Desktop Engine, instance " + instance,
            L"SYSTEM\\CurrentControlSet\\Services\\MSSQL$" + instance};
  }
  if (name == L"app") return {L"Corvalidyne Web Application", L"SOFTWARE\\Corvalidyne"};
  return {L"nothing (no component lives in folder " + folderName + L")", L""};
}

void AppendToLog(const std::wstring& path, const std::wstring& line) {
  const std::string bytes = corvalidyne::ToUtf8(line);
  // One write per line: stand-ins may run side by side.
  const corvalidyne::OwnedHandle log(CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  if (log.get() == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(log.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring ShowValue() {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  GetStartupInfoW(&startup);
  return (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? std::to_wstring(startup.wShowWindow) : L"none";
}

void Install(const std::wstring& keyPath) {
  if (keyPath.empty()) return;
  // Created is all it takes: the key closes as it goes.
  corvalidyne::KeyHandle key;
  RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      // The window goes with the process: Wine without a window manager
      // spends seconds hiding a window that is destroyed on its own.
      KillTimer(window, kFinishTimer);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

using EventHandle = corvalidyne::OwnedHandle;

// The events that end a held stand-in: its test's one for all, and its own,
// made here so that it exists before the window shows.
struct ReleaseEvents {
  explicit ReleaseEvents(const std::wstring& name) {
    if (name.empty()) return;
    all.reset(OpenEventW(SYNCHRONIZE, FALSE, name.c_str()));
    own.reset(
        CreateEventW(nullptr, TRUE, FALSE, (name + L"-" + std::to_wstring(GetCurrentProcessId())).c_str()));
  }
  EventHandle all;
  EventHandle own;
};

// Serves the window until it quits or one of the release events is set.
void ServeUntilQuitOrReleased(const ReleaseEvents& events) {
  HANDLE handles[2];
  DWORD count = 0;
  for (const EventHandle* event : {&events.all, &events.own}) {
    if (*event) handles[count++] = event->get();
  }
  for (;;) {
    const DWORD woke = MsgWaitForMultipleObjects(count, handles, FALSE, INFINITE, QS_ALLINPUT);
    if (woke < WAIT_OBJECT_0 + count) return;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) return;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

void ShowFor(HINSTANCE instance, const std::wstring& text, int show, const Options& options) {
  const ReleaseEvents release(options.releaseEvent);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_WAIT);
  windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  windowClass.lpszClassName = kWindowClass;
  RegisterClassW(&windowClass);
  const HWND window =
      CreateWindowExW(0, kWindowClass, L"Setup (demonstration stand-in)", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                      CW_USEDEFAULT, 420, 140, nullptr, nullptr, instance, nullptr);
  CreateWindowExW(0, L"Static", text.c_str(), WS_CHILD | WS_VISIBLE | SS_CENTER, 20, 20, 370, 60, window,
                  nullptr, instance, nullptr);
  ShowWindow(window, show);
  UpdateWindow(window);
  SetTimer(window, kFinishTimer, options.runMilliseconds, nullptr);
  ServeUntilQuitOrReleased(release);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  const std::wstring self = ModulePath();
  const std::wstring folder = Folder(self);
  const std::wstring commandLine = GetCommandLineW();
  std::wstring logPath = Environment(L"CORVALIDYNE_STANDIN_LOG");
  if (logPath.empty()) logPath = folder + L"\\standin.log";
  AppendToLog(logPath, L"show=" + ShowValue() + L"\t" + commandLine + L"\n");

  const Options options = ReadOptions(folder);
  const Component component = ComponentFor(LastPart(folder), commandLine);
  ShowFor(instance, L"Demonstration stand-in installer.\nPretending to install " + component.title + L"...",
          show, options);
  if (options.crash) {
    RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    // Windows ends the process here. Wine 10 starts its debugger for the
    // unhandled exception, which lets the process go on past this call (Wine 8
    // ends it): a crashed installer must still install nothing.
    ExitProcess(static_cast<UINT>(EXCEPTION_ACCESS_VIOLATION));
  }
  if (!options.skip) Install(component.keyPath);
  return 0;
}
