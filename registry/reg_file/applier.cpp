#include "reg_file/applier.h"

#include <optional>

#include "corvalidyne/registry_key.h"
#include "layer/system_calls.h"

namespace corvalidyne::reg_file {

namespace {

// The key with everything below it; nothing where it is absent.
bool Delete(const KeyChange& change, RegistryView view, std::error_code& code) {
  RegistryKey root = RegistryKey::Adopt(layer::RootKey(change.root), view);
  root.DeleteSubkeyTree(change.path, code);
  return !code;
}

// The key, created with its parents where missing, and its values.
bool Store(const KeyChange& change, RegistryView view, std::error_code& code, std::size_t& line) {
  std::optional<RegistryKey> key = RegistryKey::Create(change.root, change.path, view, {}, code);
  if (!key) return false;
  for (const ValueChange& value : change.values) {
    line = value.line;
    if (value.value) {
      key->WriteValue(value.name, *value.value, code);
    } else {
      key->DeleteValue(value.name, code);
    }
    if (code) return false;
  }
  return true;
}

}  // namespace

bool Apply(const Plan& plan, RegistryView view, std::error_code& code, std::size_t& line) {
  code.clear();
  for (const KeyChange& change : plan) {
    line = change.line;
    if (!(change.deletion ? Delete(change, view, code) : Store(change, view, code, line))) return false;
  }
  line = 0;
  return true;
}

}  // namespace corvalidyne::reg_file
