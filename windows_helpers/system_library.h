#pragma once

#include <windows.h>

namespace corvalidyne {

// A DLL of the system folder, loaded by its full path so that no other folder
// is searched. It stays loaded. Null where it cannot be loaded.
HMODULE LoadSystemLibrary(const wchar_t* name) noexcept;

// A function of a system DLL, looked up when it is first needed, so that a DLL
// which a run may never use costs its start nothing. Null where the DLL or the
// function is missing; the thread's last error then says why.
template <typename Function>
Function SystemFunction(const wchar_t* library, const char* name) noexcept {
  const HMODULE module = LoadSystemLibrary(library);
  if (module == nullptr) return nullptr;
  // From one function pointer type to another, through the one that GCC takes
  // as matching every function type: a data pointer need not hold a function's.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

}  // namespace corvalidyne
