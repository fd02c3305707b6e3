// Times the registry object and the key object against the raw Win32 call
// sequences that do the same work, in one run, and prints one table.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include "corvalidyne/registry.h"
#include "corvalidyne/registry_functions.h"
#include "corvalidyne/registry_key.h"
#include "measure.h"

// Every allocation of this program counted, so that a walk's peak heap can be
// read: the live bytes and the most they reached.
namespace {
std::size_t liveBytes = 0;
std::size_t peakBytes = 0;
constexpr std::size_t kHeader = 16;
}  // namespace

void* operator new(std::size_t size) {
  auto* block = static_cast<std::size_t*>(std::malloc(size + kHeader));
  if (block == nullptr) throw std::bad_alloc();
  *block = size;
  liveBytes += size;
  peakBytes = std::max(peakBytes, liveBytes);
  return reinterpret_cast<char*>(block) + kHeader;
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* memory) noexcept {
  if (memory == nullptr) return;
  auto* block = reinterpret_cast<std::size_t*>(static_cast<char*>(memory) - kHeader);
  liveBytes -= *block;
  std::free(block);
}
void operator delete[](void* memory) noexcept { operator delete(memory); }
void operator delete(void* memory, std::size_t) noexcept { operator delete(memory); }
void operator delete[](void* memory, std::size_t) noexcept { operator delete(memory); }

namespace corvalidyne::bench {
namespace {

// The most heap a walk over the key's values with their data held beyond what
// was live before it.
std::size_t PeakOfWalk(const RegistryKey& key) {
  const std::size_t before = liveBytes;
  peakBytes = liveBytes;
  for (const RegistryNamedValue& entry : key.EachValueWithData()) static_cast<void>(entry);
  return peakBytes - before;
}

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
  const std::string writtenAnsi(64, 'y');

  const auto readDword = MeasurePairs([&] { number_.Value(); }, [&] { RawRead(path.c_str(), "Number"); });
  const auto getDword = MeasurePairs([&] { number_.Value(); }, [&] { RawGetValue(path.c_str(), "Number"); });
  const auto readText = MeasurePairs([&] { text_.Value(); }, [&] { RawRead(path.c_str(), "Text"); });
  const auto getText = MeasurePairs([&] { text_.Value(); }, [&] { RawGetValue(path.c_str(), "Text"); });
  const auto exist =
      MeasurePairs([&] { static_cast<void>(exists.KeyExists()); }, [&] { RawKeyExists(path.c_str()); });
  const auto write = MeasurePairs([&] { writer.Value(TaggedValue{written}); },
                                  [&] { RawWriteText(path.c_str(), "Written", writtenAnsi); });

  rows.push_back(PairedRow("Value get, REG_DWORD, against open+query+query+close", readDword, "us", 1.10));
  rows.push_back(
      PairedRow("Value get, REG_DWORD, against one RegGetValueA (information)", getDword, "us", 0));
  rows.push_back(
      PairedRow("Value get, 64-character REG_SZ, against open+query+query+close", readText, "us", 1.10));
  rows.push_back(
      PairedRow("Value get, 64-character REG_SZ, against one RegGetValueA (info)", getText, "us", 0));
  rows.push_back(PairedRow("KeyExists, against open+close", exist, "us", 1.10));
  rows.push_back(PairedRow("Value set, REG_SZ, against create+set+close", write, "us", 1.10));
}

// The key object against the raw W calls: one value by path, twenty through
// one open key, the two error policies, absent values, the key's information.
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
  const auto rawGet = [&](const std::wstring& name) {
    DWORD value = 0, size = sizeof value;
    RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str(), RRF_RT_REG_DWORD, nullptr, &value, &size);
  };
  const auto byPath = MeasurePairs([&] { static_cast<void>(ReadDword(kHKeyCurrentUser, path, names[0])); },
                                   [&] { rawGet(names[0]); });
  const auto twenty = MeasurePairs(
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
      kPairs, 20);
  const RegistryKey open = *RegistryKey::Open(kHKeyCurrentUser, path);
  std::error_code code;
  const auto policies = MeasurePairs([&] { static_cast<void>(open.ReadDword(names[1], code)); },
                                     [&] { static_cast<void>(open.ReadDword(names[1])); }, kPairs, 400);
  const auto absent = MeasurePairs(
      [&] { static_cast<void>(ReadDword(kHKeyCurrentUser, path, L"Absent", RegistryView::kNative, code)); },
      [&] { rawGet(L"Absent"); }, kPairs, 400);
  const auto info =
      MeasurePairs([&] { static_cast<void>(open.Info()); },
                   [&] {
                     DWORD subkeys = 0, values = 0;
                     FILETIME written{};
                     RegQueryInfoKeyW(open.Native(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                      &values, nullptr, nullptr, nullptr, &written);
                   });
  rows.push_back(PairedRow("ReadDword by path, against one RegGetValueW", byPath, "us", 1.05));
  rows.push_back(
      PairedRow("20 ReadDword through one RegistryKey, against open+20 queries+close", twenty, "us", 1.05));
  rows.push_back(
      PairedRow("ReadDword, std::error_code form, against the throwing form", policies, "us", 1.02));
  rows.push_back(PairedRow("10,000 absent ReadDword by path, error_code form, against RegGetValueW", absent,
                           "us", 1.10));
  rows.push_back(PairedRow("RegistryKey::Info, against RegQueryInfoKeyW", info, "us", 1.05));
}

// The raw loop a walk with data is held to: one buffer for names and one for
// data, sized from the key's longest, one RegEnumValueW an entry.
void RawWalkWithData(const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  DWORD longestName = 0, longestData = 0;
  RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longestName,
                   &longestData, nullptr, nullptr);
  std::wstring name(longestName + 1, L'\0');
  std::vector<BYTE> data(std::max<DWORD>(longestData, 256));
  for (DWORD index = 0;; ++index) {
    DWORD length = longestName + 1, type = 0, size = static_cast<DWORD>(data.size());
    if (RegEnumValueW(key, index, name.data(), &length, nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
      break;
  }
  RegCloseKey(key);
}

void Enumerations(std::vector<Row>& rows) {
  const int sizes[2] = {1000, 20000};
  std::string paths[2];
  std::wstring pathsW[2];
  for (int s = 0; s < 2; ++s) {
    paths[s] = std::string(kBase) + "\\Enum" + std::to_string(sizes[s]);
    pathsW[s] = kBaseW + L"\\Enum" + std::to_wstring(sizes[s]);
    FillKey(paths[s], sizes[s]);
  }
  Registry registries[2] = {Addressing(pathsW[0]), Addressing(pathsW[1])};
  NameList names;
  std::int32_t count = 0;
  const auto listValues = [&](int s) { registries[s].EnumerateValues(names, count); };
  const auto listSections = [&](int s) { registries[s].EnumerateSections(names, count); };
  for (int s = 0; s < 2; ++s) {
    const int batch = sizes[s] > 1000 ? 1 : 5;
    const std::string label = std::to_string(sizes[s]) + " entries";
    rows.push_back(
        PairedRow("EnumerateValues, " + label + ", against a raw loop",
                  MeasurePairs([&] { listValues(s); }, [&] { RawEnumerateValues(paths[s]); }, kPairs, batch),
                  "ms", 1.2, 1000));
    rows.push_back(
        PairedRow("EnumerateSections, " + label + ", against a raw loop",
                  MeasurePairs([&] { listSections(s); }, [&] { RawEnumerateKeys(paths[s]); }, kPairs, batch),
                  "ms", 1.2, 1000));
  }
  const RegistryKey large = *RegistryKey::Open(kHKeyCurrentUser, pathsW[1]);
  rows.push_back(PairedRow("RegistryKey::Values, 20000 entries with types, against a raw loop",
                           MeasurePairs([&] { static_cast<void>(large.Values()); },
                                        [&] { RawValuesWithTypes(pathsW[1]); }, kPairs, 1),
                           "ms", 1.1, 1000));
  rows.push_back(PairedRow("EachValueWithData, 20000 entries, against a raw RegEnumValueW loop",
                           MeasurePairs(
                               [&] {
                                 for (const RegistryNamedValue& entry : large.EachValueWithData()) {
                                   static_cast<void>(entry);
                                 }
                               },
                               [&] { RawWalkWithData(pathsW[1]); }, kPairs, 1),
                           "ms", 1.05, 1000));
  // One large value among many: no step may fill or copy more than its own entry.
  const std::wstring largePath = kBaseW + L"\\WithLarge";
  RegistryKey withLarge = RegistryKey::Create(kHKeyCurrentUser, largePath);
  for (std::uint32_t i = 0; i < 1000; ++i) withLarge.Write(L"entry" + std::to_wstring(i), i);
  withLarge.Write(L"large", Bytes(1 << 20, 0x5A));
  rows.push_back(PairedRow("EachValueWithData, 1000 entries and one of 1 MiB, against a raw loop",
                           MeasurePairs(
                               [&] {
                                 for (const RegistryNamedValue& entry : withLarge.EachValueWithData()) {
                                   static_cast<void>(entry);
                                 }
                               },
                               [&] { RawWalkWithData(largePath); }, kPairs, 1),
                           "ms", 1.05, 1000));
  const RegistryKey small = *RegistryKey::Open(kHKeyCurrentUser, pathsW[0]);
  rows.push_back({"EachValueWithData, peak heap of a walk, 20,000 against 1,000 entries",
                  static_cast<double>(PeakOfWalk(large)), "B", static_cast<double>(PeakOfWalk(small)), 1.05});
  rows.push_back(PairedRow("EnumerateValues growth, 1,000 to 20,000 entries",
                           MeasurePairs([&] { listValues(1); }, [&] { listValues(0); }, kPairs, 1), "ms", 25,
                           1000));
  rows.push_back(PairedRow("EnumerateSections growth, 1,000 to 20,000 entries",
                           MeasurePairs([&] { listSections(1); }, [&] { listSections(0); }, kPairs, 1), "ms",
                           25, 1000));
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
