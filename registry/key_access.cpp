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
  const auto name = AnsiName(machine);
  if (!name || RegConnectRegistryA(name->c_str(), root, connected.put()) != ERROR_SUCCESS) return false;
  // Every root handle the connection gives is closed with `connected`, except a
  // predefined root handed back as it is (Wine does so for the local computer):
  // closing that is not this object's to do, and the key handle never does.
  root = connected.get();
  return true;
}

LONG OpenKey(HKEY root, const std::wstring& path, REGSAM access, KeyHandle& key) {
  const auto name = AnsiName(path);
  if (!name) return ERROR_INVALID_NAME;
  return RegOpenKeyExA(root, name->c_str(), 0, access, key.put());
}

LONG CreateKeyForWriting(HKEY root, const std::wstring& path, KeyHandle& key) {
  const auto name = AnsiName(path);
  if (!name) return ERROR_INVALID_NAME;
  SECURITY_ATTRIBUTES zeroed{};
  char emptyClass[] = "";
  DWORD disposition = 0;
  return RegCreateKeyExA(root, name->c_str(), 0, emptyClass, REG_OPTION_NON_VOLATILE, kWriteAccess, &zeroed,
                         key.put(), &disposition);
}

LONG DeleteKeyAt(HKEY root, const std::wstring& path) {
  const auto name = AnsiName(path);
  if (!name) return ERROR_INVALID_NAME;
  return RegDeleteKeyA(root, name->c_str());
}

}  // namespace corvalidyne
