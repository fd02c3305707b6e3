#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "corvalidyne/registry.h"
#include "raw_registry.h"
#include "registry_outcome.h"
#include "scratch_key.h"

namespace corvalidyne {
namespace {

using testing::Widen;
using namespace std::string_literals;
using testing::Attempt;
using testing::Done;
using testing::Outcome;
using testing::RawValue;
using testing::ScratchKey;

const std::wstring kSource = testing::ErrorSource();
const TaggedValue kFallback = L"fallback"s;
constexpr int kOperations = 15000;
constexpr std::int32_t kSetValueError = -2147194455;

// A fixed seed keeps the test command reproducible; CORVALIDYNE_RANDOM_SEED
// replays another run, and "clock" explores a new one.
std::uint32_t ChosenSeed() {
  const char* given = std::getenv("CORVALIDYNE_RANDOM_SEED");
  if (given == nullptr) return 20261207;
  if (std::string_view(given) == "clock") {
    return static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  }
  return static_cast<std::uint32_t>(std::stoul(given));
}

std::string Narrow(const std::wstring& wide) {
  std::string ansi(wide.size() * 2, '\0');
  const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(),
                                         static_cast<int>(ansi.size()), nullptr, nullptr);
  ansi.resize(static_cast<std::size_t>(length));
  return ansi;
}

// Expands each NUL-separated piece: a reference never spans a NUL.
std::wstring Expanded(const std::wstring& text) {
  std::wstring result;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = std::min(text.find(L'\0', start), text.size());
    const std::wstring piece = text.substr(start, end - start);
    wchar_t buffer[4096];
    const DWORD length = ExpandEnvironmentStringsW(piece.c_str(), buffer, 4096);
    result += length > 0 ? std::wstring(buffer, length - 1) : piece;
    if (end == text.size()) return result;
    result += L'\0';
    start = end + 1;
  }
}

bool IsTextType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// What the object's read yields for raw data of a type, as the read rules say.
TaggedValue ReadResult(const RawValue& raw) {
  if (IsTextType(raw.type)) {
    std::string data = raw.data;
    if (!data.empty() && data.back() == '\0') data.pop_back();
    return raw.type == REG_EXPAND_SZ ? Expanded(Widen(data)) : Widen(data);
  }
  if (raw.type == REG_DWORD || raw.type == REG_DWORD_BIG_ENDIAN) {
    unsigned char bytes[4] = {};
    std::memcpy(bytes, raw.data.data(), std::min<std::size_t>(4, raw.data.size()));
    if (raw.type == REG_DWORD_BIG_ENDIAN) std::reverse(bytes, bytes + 4);
    std::int32_t number = 0;
    std::memcpy(&number, bytes, 4);
    return number;
  }
  return Bytes(raw.data.begin(), raw.data.end());
}

// What RegQueryValueExW reports for data stored through the ANSI functions.
RawValue AsWide(const RawValue& raw) {
  if (!IsTextType(raw.type)) return raw;
  return {raw.type, testing::Utf16Bytes(Widen(raw.data))};
}

std::string HexText(const Bytes& bytes) {
  std::string text;
  for (const std::uint8_t byte : bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

// The raw value a write of `value` under `type` stores, or the error it raises.
std::optional<RawValue> Encoded(std::int32_t type, const TaggedValue& value, std::int32_t& error) {
  error = 0;
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    std::wstring text;
    if (const auto* held = std::get_if<std::wstring>(&value)) text = *held;
    if (const auto* held = std::get_if<std::int32_t>(&value)) text = std::to_wstring(*held);
    if (const auto* held = std::get_if<std::int16_t>(&value)) text = std::to_wstring(*held);
    if (const auto* held = std::get_if<bool>(&value)) text = *held ? L"1" : L"0";
    if (const auto* held = std::get_if<Bytes>(&value)) text = Widen(HexText(*held));
    const auto first = text.find(L'%');
    const bool expands = first != std::wstring::npos && text.find(L'%', first + 2) != std::wstring::npos;
    return RawValue{static_cast<DWORD>(expands ? REG_EXPAND_SZ : REG_SZ), Narrow(text) + '\0'};
  }
  if (type == REG_BINARY) {
    if (const auto* held = std::get_if<Bytes>(&value)) {
      return RawValue{REG_BINARY, std::string(held->begin(), held->end())};
    }
    error = 26001;
    return std::nullopt;
  }
  std::optional<std::int32_t> number;
  if (const auto* held = std::get_if<std::int32_t>(&value)) number = *held;
  if (const auto* held = std::get_if<std::int16_t>(&value)) number = *held;
  if ((type == REG_DWORD || type == REG_DWORD_BIG_ENDIAN) && number) {
    return RawValue{REG_DWORD, std::string(reinterpret_cast<const char*>(&*number), 4)};
  }
  error = kSetValueError;
  return std::nullopt;
}

// Names and data drawn at random: empty, 255 characters, spaces, backslashes
// where legal, characters of code page 1252 beyond ASCII, odd lengths.
class Generator {
 public:
  explicit Generator(std::uint32_t seed) : engine_(seed) {}

  int Below(int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(engine_); }
  bool Chance(int percent) { return Below(100) < percent; }

  std::wstring Text(std::size_t length, bool allowBackslash, bool allowNul) {
    static const std::wstring kAlphabet = L"abcXYZ019 _-.%\u00e9\u00fc\u00df\u20ac\u0153\u00ff\u00c6\u201c";
    std::wstring text;
    while (text.size() < length) {
      const int pick = Below(static_cast<int>(kAlphabet.size()) + 2);
      if (pick < static_cast<int>(kAlphabet.size())) {
        text += kAlphabet[static_cast<std::size_t>(pick)];
      } else if (pick == static_cast<int>(kAlphabet.size()) && allowBackslash) {
        text += L'\\';
      } else if (allowNul) {
        text += L'\0';
      }
    }
    return text;
  }

  std::size_t NameLength() {
    const int shape = Below(6);
    if (shape == 0) return 255;
    if (shape == 1) return 1;
    return static_cast<std::size_t>(2 * Below(20) + 1);  // odd lengths
  }

  TaggedValue Value() {
    switch (Below(6)) {
      case 0:
        return TaggedValue{};
      case 1:
        return Text(static_cast<std::size_t>(Below(40)), true, true);
      case 2:
        return static_cast<std::int32_t>(engine_());
      case 3:
        return static_cast<std::int16_t>(engine_());
      case 4:
        return Chance(50);
      default:
        return RawBytes(static_cast<std::size_t>(Below(9)));
    }
  }

  Bytes RawBytes(std::size_t length) {
    Bytes bytes(length);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(Below(256));
    return bytes;
  }

  std::int32_t TypeCode() {
    static const std::int32_t kCodes[] = {-1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 1, 4, 3};
    return kCodes[Below(static_cast<int>(std::size(kCodes)))];
  }

 private:
  std::mt19937 engine_;
};

bool SameName(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                              TRUE) == CSTR_EQUAL;
}

std::vector<std::wstring> DistinctNames(Generator& generate, int count, bool forKeys) {
  std::vector<std::wstring> names;
  if (!forKeys) names.push_back(L"");  // the key's unnamed default value
  while (static_cast<int>(names.size()) < count) {
    std::wstring name = generate.Text(generate.NameLength(), !forKeys, false);
    if (forKeys && (name.find_first_not_of(L' ') == std::wstring::npos)) continue;
    const bool taken =
        std::any_of(names.begin(), names.end(), [&](const auto& n) { return SameName(n, name); });
    if (!taken) names.push_back(name);
  }
  return names;
}

std::vector<std::wstring> PlatformNames(const std::wstring& path, bool values) {
  std::vector<std::wstring> names;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
  std::wstring name(16384, L'\0');
  for (DWORD index = 0;; ++index) {
    DWORD length = 16384;
    const LONG result =
        values ? RegEnumValueW(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr)
               : RegEnumKeyExW(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (result != ERROR_SUCCESS) break;
    names.emplace_back(name.data(), length);
  }
  RegCloseKey(key);
  return names;
}

std::vector<std::wstring> Sorted(std::vector<std::wstring> names) {
  std::sort(names.begin(), names.end());
  return names;
}

// The registry as the test believes it to be below its scratch key.
class Model {
 public:
  explicit Model(std::wstring base) : base_(std::move(base)) {}

  // Keys longer than this are out of the ANSI functions' reach here: no
  // operation can open or create them.
  bool Reachable(const std::wstring& relative) const { return Full(relative).size() <= MAX_PATH; }
  std::wstring Full(const std::wstring& relative) const { return base_ + L"\\" + relative; }

  bool Has(const std::wstring& key) const { return values_.count(key) != 0; }
  void Create(const std::wstring& key) {
    for (std::size_t slash = key.find(L'\\'); slash != std::wstring::npos;
         slash = key.find(L'\\', slash + 1)) {
      values_[key.substr(0, slash)];
    }
    values_[key];
  }
  bool HasChildren(const std::wstring& key) const { return !Children(key).empty(); }
  std::vector<std::wstring> Children(const std::wstring& key) const {
    std::vector<std::wstring> children;
    for (const auto& [path, unused] : values_) {
      if (path.size() > key.size() && path.compare(0, key.size(), key) == 0 && path[key.size()] == L'\\' &&
          path.find(L'\\', key.size() + 1) == std::wstring::npos) {
        children.push_back(path.substr(key.size() + 1));
      }
    }
    return children;
  }
  void Delete(const std::wstring& key) { values_.erase(key); }

  const RawValue* Find(const std::wstring& key, const std::wstring& name) const {
    const auto found = values_.find(key);
    if (found == values_.end()) return nullptr;
    const auto value = found->second.find(name);
    return value == found->second.end() ? nullptr : &value->second;
  }
  void Store(const std::wstring& key, const std::wstring& name, RawValue raw) {
    values_[key][name] = std::move(raw);
  }
  void Erase(const std::wstring& key, const std::wstring& name) { values_[key].erase(name); }
  std::vector<std::wstring> Names(const std::wstring& key) const {
    std::vector<std::wstring> names;
    if (Has(key)) {
      for (const auto& [name, unused] : values_.at(key)) names.push_back(name);
    }
    return names;
  }
  const std::map<std::wstring, std::map<std::wstring, RawValue>>& Keys() const { return values_; }

 private:
  std::wstring base_;
  std::map<std::wstring, std::map<std::wstring, RawValue>> values_;
};

class RandomRun {
 public:
  RandomRun(std::uint32_t seed, const std::wstring& base)
      : generate_(seed),
        model_(base),
        keyNames_(DistinctNames(generate_, 6, true)),
        valueNames_(DistinctNames(generate_, 10, false)) {
    valueNames_.push_back(L"cut\0name"s);  // refused: would reach the registry as "cut"
  }

  void Step() {
    const std::wstring key = PickKey();
    const std::wstring name = Pick(valueNames_);
    switch (generate_.Below(10)) {
      case 0:
      case 1:
      case 2:
        return Write(key, name);
      case 3:
        return WriteRaw(key, name);
      case 4:
      case 5:
        return Read(key, name);
      case 6:
        return CreateOrCheck(key);
      case 7:
        return DeleteKey(key);
      case 8:
        return DeleteValue(key, name);
      default:
        return Enumerate(key);
    }
  }

  // Every key of the model against the platform's own wide enumeration and reads.
  void Sweep() {
    for (const auto& [key, values] : model_.Keys()) {
      SCOPED_TRACE("sweep of key " + ::testing::PrintToString(key));
      ASSERT_EQ(Sorted(PlatformNames(model_.Full(key), true)), Sorted(model_.Names(key)));
      ASSERT_EQ(Sorted(PlatformNames(model_.Full(key), false)), Sorted(model_.Children(key)));
      for (const auto& [name, raw] : values) {
        RawValue stored;
        ASSERT_TRUE(testing::ReadRawW(HKEY_CURRENT_USER, model_.Full(key), name, stored));
        ASSERT_EQ(stored, AsWide(raw));
      }
    }
  }

 private:
  const std::wstring& Pick(const std::vector<std::wstring>& names) {
    return names[static_cast<std::size_t>(generate_.Below(static_cast<int>(names.size())))];
  }

  std::wstring PickKey() {
    std::wstring key = Pick(keyNames_);
    if (generate_.Chance(40)) key += L"\\" + keyNames_[static_cast<std::size_t>(generate_.Below(3))];
    return key;
  }

  Registry Addressing(const std::wstring& key, const std::wstring& name, std::int32_t type = REG_SZ) const {
    Registry registry;
    registry.ClassKey(kHKeyCurrentUser);
    registry.SectionKey(model_.Full(key));
    registry.ValueKey(name);
    registry.ValueType(type);
    registry.Default(kFallback);
    return registry;
  }

  static bool Refused(const std::wstring& name) { return name.find(L'\0') != std::wstring::npos; }

  std::wstring SetKeyMessage(const std::wstring& key) const {
    return L"Failed to set registry Value Key: '-2147483647',Section: '" + model_.Full(key) + L"',Key:";
  }

  void Write(const std::wstring& key, const std::wstring& name) {
    const std::int32_t type = generate_.TypeCode();
    const TaggedValue value = generate_.Value();
    SCOPED_TRACE("write of type " + std::to_string(type) + ", kind " + std::to_string(value.index()));
    std::int32_t error = 0;
    std::optional<RawValue> stored = Encoded(type, value, error);
    Outcome expected = TaggedValue{};
    if (Refused(name)) {
      expected = Outcome(kSetValueError, L"Failed to set registry value Key: '-2147483647',Section:");
      stored.reset();
    } else if (!model_.Reachable(key)) {
      expected = Outcome(26001, SetKeyMessage(key));
      stored.reset();
    } else {
      model_.Create(key);
      if (error == 26001) expected = Outcome(26001, L"");
      if (error == kSetValueError) {
        expected = Outcome(kSetValueError, L"Failed to set registry value Key: '-2147483647',Section:");
      }
    }
    Registry registry = Addressing(key, name, type);
    ASSERT_EQ(Attempt([&] { return Done([&] { registry.Value(value); }); }, kSource), expected);
    if (stored) model_.Store(key, name, *stored);
    CheckRaw(key, name);
  }

  // Values the object did not write: every type code, odd lengths, no terminators.
  void WriteRaw(const std::wstring& key, const std::wstring& name) {
    if (Refused(name) || !model_.Reachable(key)) return;
    RawValue value{static_cast<DWORD>(generate_.Below(12)), ""};
    if (IsTextType(value.type)) {
      value.data = Narrow(generate_.Text(static_cast<std::size_t>(generate_.Below(12)), true, true));
      if (generate_.Chance(50)) value.data += '\0';
    } else {
      const Bytes bytes = generate_.RawBytes(static_cast<std::size_t>(generate_.Below(9)));
      value.data.assign(bytes.begin(), bytes.end());
    }
    testing::WriteRaw(HKEY_CURRENT_USER, model_.Full(key), Narrow(name), value);
    // RegSetValueExA completes string data whose terminator was not counted
    // but follows in memory, as it always does behind a std::string.
    if (IsTextType(value.type) && !value.data.empty() && value.data.back() != '\0') value.data += '\0';
    model_.Create(key);
    model_.Store(key, name, value);
    CheckRaw(key, name);
  }

  void Read(const std::wstring& key, const std::wstring& name) {
    SCOPED_TRACE("read");
    const RawValue* raw = Refused(name) ? nullptr : model_.Find(key, name);
    Registry registry = Addressing(key, name, 77);
    ASSERT_EQ(Attempt([&] { return registry.Value(); }, kSource),
              Outcome(raw ? ReadResult(*raw) : kFallback));
    ASSERT_EQ(registry.ValueType(), raw ? static_cast<std::int32_t>(raw->type) : 77);
  }

  void CreateOrCheck(const std::wstring& key) {
    SCOPED_TRACE("create");
    ASSERT_EQ(Addressing(key, L"").KeyExists(), model_.Has(key));
    const Outcome expected =
        model_.Reachable(key) ? Outcome(true) : Outcome(26001, L"Failed to create registry");
    ASSERT_EQ(Attempt([&] { return TaggedValue{Addressing(key, L"").CreateKey()}; }, kSource), expected);
    if (model_.Reachable(key)) model_.Create(key);
    ASSERT_EQ(testing::KeyPresent(HKEY_CURRENT_USER, model_.Full(key)), model_.Has(key));
  }

  void DeleteKey(const std::wstring& key) {
    SCOPED_TRACE("delete key");
    const bool deletable = model_.Has(key) && !model_.HasChildren(key);
    const Outcome expected = deletable ? Outcome(true) : Outcome(26001, L"Failed to delete registry");
    ASSERT_EQ(Attempt([&] { return TaggedValue{Addressing(key, L"").DeleteKey()}; }, kSource), expected);
    if (deletable) model_.Delete(key);
    ASSERT_EQ(testing::KeyPresent(HKEY_CURRENT_USER, model_.Full(key)), model_.Has(key));
  }

  void DeleteValue(const std::wstring& key, const std::wstring& name) {
    SCOPED_TRACE("delete value");
    const std::wstring root = L"'-2147483647',Section: '" + model_.Full(key);
    Outcome expected = Outcome(true);
    if (!model_.Has(key)) {
      expected = Outcome(26001, L"Failed to open key " + root + L"' for delete access");
    } else if (Refused(name) || model_.Find(key, name) == nullptr) {
      expected = Outcome(26001, L"Failed to delete Registry Key: " + root + L"',Key: '" + name);
    }
    ASSERT_EQ(Attempt([&] { return TaggedValue{Addressing(key, name).DeleteValue()}; }, kSource), expected);
    if (model_.Has(key)) model_.Erase(key, name);
    CheckRaw(key, name);
  }

  void Enumerate(const std::wstring& key) {
    SCOPED_TRACE("enumerate");
    NameList names;
    std::int32_t count = -1;
    ASSERT_TRUE(Addressing(key, L"").EnumerateValues(names, count));
    const std::vector<std::wstring> values(names.begin(), names.end());
    ASSERT_EQ(count, static_cast<std::int32_t>(values.size()));
    ASSERT_EQ(Sorted(values), Sorted(model_.Names(key)));
    ASSERT_EQ(values, PlatformNames(model_.Full(key), true)) << "not in the platform's order";
    ASSERT_TRUE(Addressing(key, L"").EnumerateSections(names, count));
    const std::vector<std::wstring> sections(names.begin(), names.end());
    ASSERT_EQ(Sorted(sections), Sorted(model_.Children(key)));
    ASSERT_EQ(sections, PlatformNames(model_.Full(key), false)) << "not in the platform's order";
  }

  void CheckRaw(const std::wstring& key, const std::wstring& name) {
    if (Refused(name)) return;
    RawValue stored;
    const bool present = testing::ReadRawW(HKEY_CURRENT_USER, model_.Full(key), name, stored);
    const RawValue* expected = model_.Find(key, name);
    ASSERT_EQ(present, expected != nullptr);
    if (expected) {
      ASSERT_EQ(stored, AsWide(*expected));
    }
  }

  Generator generate_;
  Model model_;
  std::vector<std::wstring> keyNames_;
  std::vector<std::wstring> valueNames_;
};

// Thousands of writes, reads, creations, deletions and enumerations over random
// names and values, each checked against the test's own model of the registry
// and against the platform's wide functions.
TEST(RegistryRandom, MixedOperationsMatchTheModelAndTheRawRegistry) {
  ASSERT_EQ(GetACP(), 1252u) << "the generated names use code page 1252";
  const std::uint32_t seed = ChosenSeed();
  SCOPED_TRACE("CORVALIDYNE_RANDOM_SEED=" + std::to_string(seed));
  ScratchKey scratch;
  RandomRun run(seed, scratch.Path());
  for (int index = 0; index < kOperations && !HasFatalFailure(); ++index) {
    SCOPED_TRACE("operation " + std::to_string(index));
    run.Step();
    if (index % 500 == 499) run.Sweep();
  }
  if (!HasFatalFailure()) run.Sweep();
}

}  // namespace
}  // namespace corvalidyne
