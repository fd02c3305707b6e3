// A plain int names no registry type: neither face may compile this, and the
// compiler's message says what to write instead (scripts/check-consumer.sh).
#include <corvalidyne/registry_functions.h>

void RefusedByTheKey(corvalidyne::RegistryKey& key) { key.Write(L"Count", 42); }

void RefusedByTheOneCallWrite() {
  corvalidyne::Write(corvalidyne::kHKeyCurrentUser, L"Software\\Corvalidyne", L"Count", 42);
}
