// Linked into every program of the coverage build only (scripts/coverage.sh).
// The coverage runtime writes its counts when the C runtime exits; a program
// that ends through ExitProcess (the launcher's fatal error, for one) skips
// that, and Wine calls no TLS callback of the program at that point. So this
// object takes the place of the program's import of ExitProcess: it writes the
// counts, then ends the process through the system's own function.
#include <windows.h>

extern "C" void __gcov_dump(void);

namespace {

using ExitProcessFunction = void(WINAPI*)(UINT);

[[noreturn]] void WINAPI DumpCountsAndExitProcess(UINT exitCode) {
  __gcov_dump();
  const auto exitProcess = reinterpret_cast<ExitProcessFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "ExitProcess")));
  exitProcess(exitCode);
  for (;;) {
  }
}

}  // namespace

// The program's calls go through this pointer (dllimport); the linker takes
// this definition before the import library's.
extern "C" {
extern ExitProcessFunction __imp_ExitProcess;
ExitProcessFunction __imp_ExitProcess = DumpCountsAndExitProcess;
}
