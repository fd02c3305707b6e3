#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

#include "association_keys.h"
#include "corvalidyne/registry.h"
#include "handle_probe.h"
#include "raw_registry.h"

namespace corvalidyne {
namespace {

using testing::Utf8;

const std::wstring kExtension = L"cvq7doc";
const std::wstring kClass = L"Corvalidyne.TestDocument";
const std::wstring kMachineClasses = L"SOFTWARE\\Classes\\";

class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedHandle() {
    if (handle_ != nullptr) CloseHandle(handle_);
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

std::wstring BesideThisProgram(const std::wstring& name) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring path(self);
  return path.substr(0, path.find_last_of(L'\\') + 1) + name;
}

std::wstring DefaultValue(HKEY root, const std::wstring& path) {
  testing::RawValue raw;
  if (!testing::ReadRawW(root, path, L"", raw)) return L"(missing)";
  std::wstring text(reinterpret_cast<const wchar_t*>(raw.data.data()), raw.data.size() / sizeof(wchar_t));
  if (!text.empty() && text.back() == L'\0') text.pop_back();
  return text;
}

ULONGLONG LastWriteTime(const std::wstring& path) {
  HKEY key = nullptr;
  FILETIME written{};
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, (kMachineClasses + path).c_str(), 0, KEY_QUERY_VALUE, &key) ==
      ERROR_SUCCESS) {
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, &written);
    RegCloseKey(key);
  }
  return (static_cast<ULONGLONG>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
}

// Runs a verb on a file through the shell and returns what the recorder logged.
std::string RecordVerb(const wchar_t* verb, const std::wstring& file, const std::wstring& log) {
  DeleteFileW(log.c_str());
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = verb;
  info.lpFile = file.c_str();
  info.nShow = SW_HIDE;
  if (!ShellExecuteExW(&info) || info.hProcess == nullptr) return "(shell did not start the handler)";
  const ScopedHandle process(info.hProcess);
  WaitForSingleObject(process.get(), 20000);
  std::ifstream in(std::filesystem::path(log), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  // The command line after the show value, which is the shell's business.
  const std::string logged = text.str();
  return logged.substr(logged.find('\t') + 1);
}

// Counts the shell's association-change notices, which the shell sends
// straight to a window procedure of the registering thread.
class AssociationChangeWatch {
 public:
  AssociationChangeWatch() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &Procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"CorvalidyneAssociationWatch";
    RegisterClassW(&windowClass);
    window_ = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              windowClass.hInstance, nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&notices_));
    SHChangeNotifyEntry everything{nullptr, TRUE};
    registration_ = SHChangeNotifyRegister(window_, SHCNRF_ShellLevel | SHCNRF_InterruptLevel,
                                           SHCNE_ASSOCCHANGED, kNoticeMessage, 1, &everything);
  }
  ~AssociationChangeWatch() {
    if (registration_ != 0) SHChangeNotifyDeregister(registration_);
    DestroyWindow(window_);
  }
  AssociationChangeWatch(const AssociationChangeWatch&) = delete;
  AssociationChangeWatch& operator=(const AssociationChangeWatch&) = delete;

  bool Registered() const { return registration_ != 0; }

  // The notices that arrived since the last call, after serving any that were posted.
  int TakeNotices() {
    MSG message;
    while (PeekMessageW(&message, window_, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    return std::exchange(notices_, 0);
  }

 private:
  static constexpr UINT kNoticeMessage = WM_APP + 7;

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kNoticeMessage) {
      if (auto* notices = reinterpret_cast<int*>(GetWindowLongPtrW(window, GWLP_USERDATA))) ++*notices;
      return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  HWND window_ = nullptr;
  ULONG registration_ = 0;
  int notices_ = 0;
};

TEST(RegistryAssociations, TheShellOpensAndPrintsAFileOfTheRegisteredType) {
  const testing::AssociationKeys cleanup{L"." + kExtension, kClass};
  const std::wstring recorder = BesideThisProgram(L"recorder.exe");
  ASSERT_NE(GetFileAttributesW(recorder.c_str()), INVALID_FILE_ATTRIBUTES) << Utf8(recorder);
  AssociationChangeWatch watch;
  ASSERT_TRUE(watch.Registered());

  Registry registry;
  registry.ClassKey(kHKeyCurrentUser);
  registry.CreateEXEAssociation(L"  " + recorder + L" ", kClass, L"Corvalidyne test document", kExtension,
                                L"", true, L"Print it", true, L"", true, L"", 2);
  EXPECT_EQ(watch.TakeNotices(), 1) << "the shell was not told that associations changed";

  EXPECT_EQ(registry.ClassKey(), kHKeyLocalMachine);
  EXPECT_EQ(registry.SectionKey(), kClass + L"\\DefaultIcon");
  EXPECT_EQ(registry.ValueKey(), L"");
  EXPECT_EQ(registry.ValueType(), REG_SZ);

  const std::wstring quoted = L"\"" + recorder + L"\"";
  // Creating a subkey touches its parent's write time, so only the keys
  // without subkeys (leaf) show the order in which they were written.
  const struct {
    std::wstring key;
    std::wstring value;
    bool leaf;
  } written[] = {
      {L"." + kExtension, kClass, true},
      {kClass, L"Corvalidyne test document", false},
      {kClass + L"\\shell\\open", L"&Open", false},
      {kClass + L"\\shell\\open\\command", quoted + L" \"%1\"", true},
      {kClass + L"\\shell\\print", L"Print it", false},
      {kClass + L"\\shell\\print\\command", quoted + L" /p \"%1\"", true},
      {kClass + L"\\shell\\add", L"&Install " + kExtension, false},
      {kClass + L"\\shell\\add\\command", quoted + L" /a \"%1\"", true},
      {kClass + L"\\shell\\new", L"&New", false},
      {kClass + L"\\shell\\new\\command", quoted + L" /n \"%1\"", true},
      {kClass + L"\\DefaultIcon", quoted + L",2", true},
  };
  ULONGLONG previous = 0;
  for (const auto& row : written) {
    SCOPED_TRACE(Utf8(row.key));
    EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, row.key), row.value);
    EXPECT_EQ(DefaultValue(HKEY_LOCAL_MACHINE, kMachineClasses + row.key), row.value);
    if (!row.leaf) continue;
    const ULONGLONG time = LastWriteTime(row.key);
    EXPECT_GT(time, previous) << "written out of order";
    previous = time;
  }

  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring document = std::wstring(temp) + L"report." + kExtension;
  const std::wstring log = std::wstring(temp) + L"cvq7-recorder.log";
  {
    std::ofstream(std::filesystem::path(document)) << "x";
  }
  SetEnvironmentVariableW(L"CORVALIDYNE_RECORDER_LOG", log.c_str());
  const struct {
    const wchar_t* verb;
    std::wstring arguments;
  } verbs[] = {
      {L"open", L" \"" + document + L"\""},
      {L"print", L" /p \"" + document + L"\""},
      {L"add", L" /a \"" + document + L"\""},
      {L"new", L" /n \"" + document + L"\""},
  };
  for (const auto& verb : verbs) {
    EXPECT_EQ(RecordVerb(verb.verb, document, log), Utf8(quoted + verb.arguments) + "\n") << Utf8(verb.verb);
  }

  // ClassKey was left at HKEY_LOCAL_MACHINE, where the class is not found.
  EXPECT_THROW(registry.CreateAdditionalEXEAssociations(kClass, {L"edit", L"&Edit", L"x"}), RegistryError);
  registry.ClassKey(kHKeyClassesRoot);
  registry.CreateAdditionalEXEAssociations(
      kClass, {L"edit", L"&Edit", quoted + L" /e \"%1\"", std::int32_t{7}, true, quoted + L" /seven \"%1\""});
  EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, kClass + L"\\shell\\edit"), L"&Edit");
  EXPECT_EQ(DefaultValue(HKEY_LOCAL_MACHINE, kMachineClasses + kClass + L"\\shell\\7"), L"1");
  EXPECT_EQ(registry.SectionKey(), kClass + L"\\shell\\7\\command");
  EXPECT_EQ(registry.ClassKey(), kHKeyLocalMachine);
  EXPECT_EQ(RecordVerb(L"edit", document, log), Utf8(quoted + L" /e \"" + document + L"\"") + "\n");
  EXPECT_EQ(RecordVerb(L"7", document, log), Utf8(quoted + L" /seven \"" + document + L"\"") + "\n");
  EXPECT_EQ(watch.TakeNotices(), 1);

  DeleteFileW(document.c_str());
  DeleteFileW(log.c_str());
}

TEST(RegistryAssociations, OmittedArgumentsWriteOnlyTheOpenVerb) {
  const testing::AssociationKeys cleanup{L"." + kExtension, kClass};
  Registry registry;
  registry.CreateEXEAssociation(L"", kClass, L"", kExtension);
  const std::wstring written[] = {L"." + kExtension, kClass, kClass + L"\\shell\\open",
                                  kClass + L"\\shell\\open\\command"};
  for (const std::wstring& key : written) {
    EXPECT_TRUE(testing::KeyPresent(HKEY_CLASSES_ROOT, key)) << Utf8(key);
  }
  EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, kClass + L"\\shell\\open\\command"), L"\" \"%1\"");
  for (const wchar_t* absent : {L"\\shell\\print", L"\\shell\\add", L"\\shell\\new", L"\\DefaultIcon"}) {
    EXPECT_FALSE(testing::KeyPresent(HKEY_CLASSES_ROOT, kClass + absent)) << Utf8(absent);
  }
  EXPECT_EQ(registry.SectionKey(), kClass + L"\\shell\\open\\command");

  registry.ClassKey(kHKeyClassesRoot);
  registry.SectionKey(L"kept");
  registry.CreateAdditionalEXEAssociations(kClass, {});
  EXPECT_EQ(registry.SectionKey(), kClass) << "no triplet, nothing written after the existence test";
  EXPECT_EQ(registry.ClassKey(), kHKeyClassesRoot);
}

TEST(RegistryAssociations, ProgramPathsAreTrimmedAndQuotedOnce) {
  const struct {
    const wchar_t* given;
    const wchar_t* stored;
  } cases[] = {
      {L"  C:\\App\\x.exe  ", L"\"C:\\App\\x.exe\""},
      {L"\"C:\\App\\x.exe\"", L"\"C:\\App\\x.exe\""},
      {L"\"C:\\App\\x.exe", L"\"C:\\App\\x.exe\""},
      {L"C:\\App\\x.exe\"", L"\"C:\\App\\x.exe\""},
      {L"", L"\""},
      {L"   ", L"\""},
  };
  for (const auto& c : cases) {
    const testing::AssociationKeys cleanup{L"." + kExtension, kClass};
    Registry registry;
    registry.CreateEXEAssociation(c.given, kClass, L"d", kExtension, L"&Open", false, L"", false, L"", false,
                                  L"", 0);
    EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, kClass + L"\\DefaultIcon"), std::wstring(c.stored) + L",0")
        << Utf8(c.given);
  }
}

TEST(RegistryAssociations, LeaveNoKeyHandleOpen) {
  const testing::AssociationKeys cleanup{L"." + kExtension, kClass};
  const testing::HandleProbe probe;
  for (int round = 0; round < 30; ++round) {
    Registry registry;
    registry.CreateEXEAssociation(L"C:\\x.exe", kClass, L"d", kExtension, L"", true, L"", true, L"", true,
                                  L"", 1);
    registry.ClassKey(kHKeyClassesRoot);
    registry.CreateAdditionalEXEAssociations(kClass, {L"edit", L"&Edit", L"x"});
  }
  EXPECT_LT(probe.Growth(), 10);
}

}  // namespace
}  // namespace corvalidyne
