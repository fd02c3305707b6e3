#include "key_access.h"

#include "layer/names.h"

namespace corvalidyne {

namespace {

using Calls = layer::SystemCalls<char>;

}  // namespace

bool ResolveRoot(RegistryRoot classKey, const std::wstring& machine, KeyHandle& connected, HKEY& root) {
  root = RootKey(classKey);
  if (machine.empty()) return true;
  const auto name = layer::AnsiName(machine);
  if (!name || Calls::Connect(name->c_str(), root, connected.put()) != ERROR_SUCCESS) return false;
  // Every root handle the connection gives is closed with `connected`, except a
  // predefined root handed back as it is (Wine does so for the local computer):
  // closing that is not this object's to do, and the key handle never does.
  root = connected.get();
  return true;
}

LONG OpenKey(HKEY root, const std::wstring& path, REGSAM access, KeyHandle& key) {
  const auto name = layer::AnsiName(path);
  if (!name) return ERROR_INVALID_NAME;
  return Calls::Open(root, name->c_str(), access, key.put());
}

LONG CreateKeyForWriting(HKEY root, const std::wstring& path, KeyHandle& key) {
  const auto name = layer::AnsiName(path);
  if (!name) return ERROR_INVALID_NAME;
  DWORD disposition = 0;
  return Calls::Create(root, name->c_str(), REG_OPTION_NON_VOLATILE, kObjectWriteAccess, key.put(),
                       &disposition);
}

LONG DeleteKeyAt(HKEY root, const std::wstring& path) {
  const auto name = layer::AnsiName(path);
  if (!name) return ERROR_INVALID_NAME;
  return Calls::Delete(root, name->c_str());
}

}  // namespace corvalidyne
