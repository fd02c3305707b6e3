// Times ExportRegFile and ImportRegFile on a tree of 10,000 values against
// the system's reg.exe doing the same work, and prints one table. reg.exe is
// what a program without this library would start: each of its runs is timed
// from CreateProcessW until the process has ended, so its start is in the
// figure, as it is in the caller's wait; a row of its start alone tells that
// share apart.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "corvalidyne/reg_file.h"
#include "measure.h"

namespace corvalidyne::bench {
namespace {

const std::wstring kBase = L"Software\\CorvalidyneRegFileBenchmark";
constexpr int kKeys = 100;
constexpr int kValuesPerKey = 100;

void RemoveBase() {
  RegDeleteTreeW(HKEY_CURRENT_USER, kBase.c_str());
  RegDeleteKeyW(HKEY_CURRENT_USER, kBase.c_str());
}

void Set(HKEY key, const std::wstring& name, DWORD type, const void* data, std::size_t size) {
  RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size));
}

// 100 keys of 100 values, the types mixed as in a program's settings.
void FillTree() {
  for (int k = 0; k < kKeys; ++k) {
    HKEY key = nullptr;
    const std::wstring path = kBase + L"\\Key " + std::to_wstring(k);
    RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    for (int v = 0; v < kValuesPerKey; ++v) {
      const std::wstring name = L"Value " + std::to_wstring(v);
      const std::wstring text = L"C:\\Program Files\\Corvalidyne\\" + std::to_wstring(k * 1000 + v);
      const DWORD number = static_cast<DWORD>(k * v);
      const BYTE bytes[24] = {1, 2, 3, static_cast<BYTE>(v), 5, 6, 7, 8, 9, 10, 11, 12};
      const wchar_t strings[] = L"first\0second\0";
      switch (v % 5) {
        case 0:
          Set(key, name, REG_DWORD, &number, sizeof number);
          break;
        case 1:
          Set(key, name, REG_BINARY, bytes, sizeof bytes);
          break;
        case 2:
          Set(key, name, REG_EXPAND_SZ, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
          break;
        case 3:
          Set(key, name, REG_MULTI_SZ, strings, sizeof strings);
          break;
        default:
          Set(key, name, REG_SZ, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
          break;
      }
    }
    RegCloseKey(key);
  }
}

// Every key and value below `path` read, as an export reads them.
void RawWalk(const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  DWORD longestSubkey = 0, longestName = 0, longestData = 0;
  RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, &longestSubkey, nullptr, nullptr, &longestName,
                   &longestData, nullptr, nullptr);
  std::wstring name(std::max(longestName, longestSubkey) + 1, L'\0');
  std::vector<BYTE> data(longestData + 1);
  for (DWORD index = 0;; ++index) {
    DWORD length = longestName + 1, type = 0, size = longestData + 1;
    if (RegEnumValueW(key, index, name.data(), &length, nullptr, &type, data.data(), &size) !=
        ERROR_SUCCESS) {
      break;
    }
  }
  for (DWORD index = 0;; ++index) {
    DWORD length = longestSubkey + 1;
    if (RegEnumKeyExW(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    RawWalk(path + L"\\" + name.substr(0, length));
  }
  RegCloseKey(key);
}

std::wstring TemporaryFile(const wchar_t* name) {
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + name;
}

// Runs reg.exe to its end, its output discarded; false where it failed.
bool RunReg(const std::wstring& arguments) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const HANDLE discard = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                     OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = discard;
  startup.hStdError = discard;
  startup.hStdInput = nullptr;
  PROCESS_INFORMATION process{};
  std::wstring line = L"reg.exe " + arguments;
  const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                      nullptr, &startup, &process);
  DWORD exitCode = 1;
  if (started) {
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(discard);
  return exitCode == 0;
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// A run that failed spoils its row: said once, loudly.
void Check(bool succeeded, const char* what, bool& reported) {
  if (succeeded || reported) return;
  std::printf("FAILED: %s\n", what);
  reported = true;
}

void RegFiles(std::vector<Row>& rows) {
  const std::wstring ours = TemporaryFile(L"corvalidyne-benchmark-ours.reg");
  const std::wstring theirs = TemporaryFile(L"corvalidyne-benchmark-reg.reg");
  const std::wstring key = L"HKCU\\" + kBase;
  bool reported = false;
  const auto exportOurs = [&] {
    std::error_code code;
    Check(ExportRegFile(kHKeyCurrentUser, kBase, ours, RegistryView::kNative, code), "ExportRegFile",
          reported);
  };
  const auto exportTheirs = [&] {
    Check(RunReg(L"export " + Quoted(key) + L" " + Quoted(theirs) + L" /y"), "reg export", reported);
  };
  // Both read reg.exe's own file, into the tree it came from.
  const auto importOurs = [&] {
    std::error_code code;
    Check(ImportRegFile(theirs, RegistryView::kNative, code), "ImportRegFile", reported);
  };
  const auto importTheirs = [&] { Check(RunReg(L"import " + Quoted(theirs)), "reg import", reported); };
  // The exports first: the imports rewrite the tree, after which Wine's
  // server saves its registry to disk now and then, stalling whatever runs.
  rows.push_back(PairedRow("ExportRegFile, 10,000 values in 100 keys, against reg export",
                           MeasurePairs(exportOurs, exportTheirs, kPairs, 1), "ms", 1.0, 1000));
  // What the registry's own calls cost, the same for both: the tree walked,
  // and the same keys and values written, through the raw W functions.
  rows.push_back(PairedRow("ExportRegFile, against a raw walk of the tree, no file (information)",
                           MeasurePairs(exportOurs, [] { RawWalk(kBase); }, kPairs, 1), "ms", 0, 1000));
  rows.push_back(PairedRow("ImportRegFile, 10,000 values in 100 keys, against reg import",
                           MeasurePairs(importOurs, importTheirs, kPairs, 1), "ms", 1.0, 1000));
  rows.push_back(PairedRow("ImportRegFile, against the same values written raw (information)",
                           MeasurePairs(importOurs, FillTree, kPairs, 1), "ms", 0, 1000));
  // The share of reg.exe's figures that is its start: a query of an absent key.
  std::vector<double> starts;
  for (int run = 0; run < kPairs; ++run) {
    const double begun = NowMicroseconds();
    RunReg(L"query HKCU\\Software\\CorvalidyneAbsentKey");
    starts.push_back((NowMicroseconds() - begun) / 1000);
  }
  Row start{"reg.exe started and ended, no work (information)", Median(starts), "ms"};
  start.minimum = *std::min_element(starts.begin(), starts.end());
  start.maximum = *std::max_element(starts.begin(), starts.end());
  rows.push_back(start);
  DeleteFileW(ours.c_str());
  DeleteFileW(theirs.c_str());
}

}  // namespace
}  // namespace corvalidyne::bench

int main() {
  using namespace corvalidyne::bench;
  RemoveBase();
  FillTree();
  std::vector<Row> rows;
  RegFiles(rows);
  RemoveBase();
  return Print(rows) ? 0 : 1;
}
