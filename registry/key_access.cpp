#include "key_access.h"

#include "ansi_text.h"

namespace corvalidyne {

namespace {

// Query and set value, create and enumerate subkeys, notify, create link.
constexpr REGSAM kWriteAccess = 0x3F;

}  // namespace

bool ResolveRoot(RegistryRoot classKey, const std::wstring& machine, KeyHandle& connected, HKEY& root) {
  root = RootKey(classKey);
  if (machine.empty()) return true;
  if (RegConnectRegistryA(ToAnsi(machine).c_str(), root, connected.put()) != ERROR_SUCCESS) return false;
  root = connected.get();
  return true;
}

LONG CreateKeyForWriting(HKEY root, const std::wstring& path, KeyHandle& key) {
  SECURITY_ATTRIBUTES zeroed{};
  char emptyClass[] = "";
  DWORD disposition = 0;
  return RegCreateKeyExA(root, ToAnsi(path).c_str(), 0, emptyClass, REG_OPTION_NON_VOLATILE, kWriteAccess,
                         &zeroed, key.put(), &disposition);
}

}  // namespace corvalidyne
