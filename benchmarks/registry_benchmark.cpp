// Times the registry object and the key object against the raw Win32 call
// sequences that do the same work, in one run, and prints one table.
#include <windows.h>

#include <string>
#include <vector>

#include "corvalidyne/registry.h"
#include "corvalidyne/registry_functions.h"
#include "corvalidyne/registry_key.h"
#include "measure.h"

namespace corvalidyne::bench {
namespace {

constexpr char kBase[] = "Software\\CorvalidyneBenchmark";
const std::wstring kBaseW = L"Software\\CorvalidyneBenchmark";

void RemoveBase() {
  RegDeleteTreeA(HKEY_CURRENT_USER, kBase);
  RegDeleteKeyA(HKEY_CURRENT_USER, kBase);
}

HKEY CreateRaw(const std::string& path) {
  HKEY key = nullptr;
  RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  return key;
}

// The raw sequence of a read: open, query the size, query the data, close.
std::string RawRead(const char* path, const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return {};
  DWORD type = 0, size = 0;
  RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
  std::string data(size, '\0');
  RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
  RegCloseKey(key);
  return data;
}

std::string RawGetValue(const char* path, const char* name) {
  char data[256];
  DWORD size = sizeof data;
  RegGetValueA(HKEY_CURRENT_USER, path, name, RRF_RT_ANY, nullptr, data, &size);
  return std::string(data, size);
}

bool RawKeyExists(const char* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void RawWriteText(const char* path, const char* name, const std::string& text) {
  HKEY key = CreateRaw(path);
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
  RegCloseKey(key);
}

std::vector<std::string> RawEnumerateValues(const std::string& path) {
  std::vector<std::string> names;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return names;
  DWORD longest = 0;
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longest, nullptr,
                   nullptr, nullptr);
  std::string buffer(longest + 1, '\0');
  for (DWORD index = 0;; ++index) {
    DWORD length = longest + 1;
    if (RegEnumValueA(key, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    names.emplace_back(buffer.data(), length);
  }
  RegCloseKey(key);
  return names;
}

std::vector<std::string> RawEnumerateKeys(const std::string& path) {
  std::vector<std::string> names;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, &key) != ERROR_SUCCESS) {
    return names;
  }
  char buffer[256];
  for (DWORD index = 0; RegEnumKeyA(key, index, buffer, sizeof buffer) == ERROR_SUCCESS; ++index) {
    names.emplace_back(buffer);
  }
  RegCloseKey(key);
  return names;
}

struct NamedType {
  std::wstring name;
  DWORD type;
};

std::vector<NamedType> RawValuesWithTypes(const std::wstring& path) {
  std::vector<NamedType> values;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return values;
  DWORD longest = 0;
  RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longest, nullptr,
                   nullptr, nullptr);
  std::wstring buffer(longest + 1, L'\0');
  for (DWORD index = 0;; ++index) {
    DWORD length = longest + 1, type = 0;
    if (RegEnumValueW(key, index, buffer.data(), &length, nullptr, &type, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    values.push_back({std::wstring(buffer.data(), length), type});
  }
  RegCloseKey(key);
  return values;
}

void FillKey(const std::string& path, int entries) {
  HKEY key = CreateRaw(path);
  const DWORD zero = 0;
  for (int i = 0; i < entries; ++i) {
    const std::string name = "entry" + std::to_string(i);
    RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&zero), sizeof zero);
    HKEY sub = nullptr;
    RegCreateKeyExA(key, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr);
    RegCloseKey(sub);
  }
  RegCloseKey(key);
}

Registry Addressing(const std::wstring& section, const std::wstring& value = L"") {
  Registry registry;
  registry.ClassKey(kHKeyCurrentUser);
  registry.SectionKey(section);
  registry.ValueKey(value);
  return registry;
}

void SingleCalls(std::vector<Row>& rows) {
  const std::string path = std::string(kBase) + "\\Single";
  const std::wstring pathW = kBaseW + L"\\Single";
  HKEY key = CreateRaw(path);
  const DWORD number = 5;
  RegSetValueExA(key, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  const std::string text(64, 'x');
  RegSetValueExA(key, "Text", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), 65);
  RegCloseKey(key);

  Registry number_ = Addressing(pathW, L"Number");
  Registry text_ = Addressing(pathW, L"Text");
  Registry exists = Addressing(pathW);
  Registry writer = Addressing(pathW, L"Written");
  writer.ValueType(REG_SZ);
  const std::wstring written(64, L'y');

  const auto readDword =
      MedianPairPerCall([&] { number_.Value(); }, [&] { RawRead(path.c_str(), "Number"); });
  const auto readText = MedianPairPerCall([&] { text_.Value(); }, [&] { RawRead(path.c_str(), "Text"); });
  const auto exist =
      MedianPairPerCall([&] { static_cast<void>(exists.KeyExists()); }, [&] { RawKeyExists(path.c_str()); });
  const std::string writtenAnsi(64, 'y');
  const auto write = MedianPairPerCall([&] { writer.Value(TaggedValue{written}); },
                                       [&] { RawWriteText(path.c_str(), "Written", writtenAnsi); });
  const double getDword = MedianPerCall([&] { RawGetValue(path.c_str(), "Number"); });
  const double getText = MedianPerCall([&] { RawGetValue(path.c_str(), "Text"); });

  rows.push_back({"Value get, REG_DWORD, against open+query+query+close", readDword.work, "us",
                  readDword.reference, 1.10});
  rows.push_back(
      {"Value get, REG_DWORD, against one RegGetValueA (information)", readDword.work, "us", getDword});
  rows.push_back({"Value get, 64-character REG_SZ, against open+query+query+close", readText.work, "us",
                  readText.reference, 1.10});
  rows.push_back(
      {"Value get, 64-character REG_SZ, against one RegGetValueA (info)", readText.work, "us", getText});
  rows.push_back({"KeyExists, against open+close", exist.work, "us", exist.reference, 1.10});
  rows.push_back({"Value set, REG_SZ, against create+set+close", write.work, "us", write.reference, 1.10});
}

// The key object against the raw W calls: one value by path, twenty through one open key.
void KeyObject(std::vector<Row>& rows) {
  const std::wstring path = kBaseW + L"\\KeyObject";
  std::vector<std::wstring> names;
  {
    RegistryKey key = RegistryKey::Create(kHKeyCurrentUser, path);
    for (std::uint32_t i = 0; i < 20; ++i) {
      names.push_back(L"Number" + std::to_wstring(i));
      key.Write(names.back(), i);
    }
  }
  const auto byPath =
      MedianPairPerCall([&] { static_cast<void>(ReadDword(kHKeyCurrentUser, path, names[0])); },
                        [&] {
                          DWORD value = 0, size = sizeof value;
                          RegGetValueW(HKEY_CURRENT_USER, path.c_str(), names[0].c_str(), RRF_RT_REG_DWORD,
                                       nullptr, &value, &size);
                        });
  const auto twenty = MedianPairPerCall(
      [&] {
        const auto key = RegistryKey::Open(kHKeyCurrentUser, path);
        for (const std::wstring& name : names) static_cast<void>(key->ReadDword(name));
      },
      [&] {
        HKEY key = nullptr;
        RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key);
        for (const std::wstring& name : names) {
          DWORD type = 0, value = 0, size = sizeof value;
          RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
        }
        RegCloseKey(key);
      },
      9, 20);
  rows.push_back({"ReadDword by path, against one RegGetValueW", byPath.work, "us", byPath.reference, 1.05});
  rows.push_back({"20 ReadDword through one RegistryKey, against open+20 queries+close", twenty.work, "us",
                  twenty.reference, 1.05});
}

void Enumerations(std::vector<Row>& rows) {
  double values[2] = {}, sections[2] = {};
  const int sizes[2] = {1000, 20000};
  for (int s = 0; s < 2; ++s) {
    const std::string path = std::string(kBase) + "\\Enum" + std::to_string(sizes[s]);
    const std::wstring pathW = kBaseW + L"\\Enum" + std::to_wstring(sizes[s]);
    FillKey(path, sizes[s]);
    Registry registry = Addressing(pathW);
    NameList names;
    std::int32_t count = 0;
    const int batch = sizes[s] > 1000 ? 1 : 5;
    const auto listValues = MedianPairPerCall([&] { registry.EnumerateValues(names, count); },
                                              [&] { RawEnumerateValues(path); }, 7, batch);
    const auto listSections = MedianPairPerCall([&] { registry.EnumerateSections(names, count); },
                                                [&] { RawEnumerateKeys(path); }, 7, batch);
    values[s] = listValues.work / 1000;
    sections[s] = listSections.work / 1000;
    const std::string label = std::to_string(sizes[s]) + " entries";
    rows.push_back({"EnumerateValues, " + label + ", against a raw loop", values[s], "ms",
                    listValues.reference / 1000, 1.2});
    rows.push_back({"EnumerateSections, " + label + ", against a raw loop", sections[s], "ms",
                    listSections.reference / 1000, 1.2});
    if (sizes[s] == 20000) {
      const auto withTypes =
          MedianPairPerCall([&] { static_cast<void>(RegistryKey::Open(kHKeyCurrentUser, pathW)->Values()); },
                            [&] { RawValuesWithTypes(pathW); }, 7, 1);
      rows.push_back({"RegistryKey::Values, " + label + " with types, against a raw loop",
                      withTypes.work / 1000, "ms", withTypes.reference / 1000, 1.1});
    }
  }
  rows.push_back({"EnumerateValues growth, 1,000 to 20,000 entries", values[1] / values[0], "x", 0, 25});
  rows.push_back(
      {"EnumerateSections growth, 1,000 to 20,000 entries", sections[1] / sections[0], "x", 0, 25});
}

}  // namespace
}  // namespace corvalidyne::bench

int main() {
  using namespace corvalidyne::bench;
  RemoveBase();
  std::vector<Row> rows;
  SingleCalls(rows);
  KeyObject(rows);
  Enumerations(rows);
  RemoveBase();
  return Print(rows) ? 0 : 1;
}
