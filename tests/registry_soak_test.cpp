#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <functional>
#include <string>
#include <vector>

#include "addressing.h"
#include "corvalidyne/registry.h"
#include "handle_probe.h"
#include "raw_registry.h"
#include "scratch_key.h"

namespace corvalidyne {
namespace {

using testing::ComputerName;
using namespace std::string_literals;
using testing::HandleProbe;
using testing::ScratchKey;

constexpr int kOperations = 100000;
constexpr int kWarmUp = 5000;
constexpr int kCheckpoint = 10000;
// Room for the allocator's own bookkeeping; a leak of a few bytes per operation
// already passes it long before the end.
constexpr std::size_t kMemorySlack = 1024 * 1024;

// The commit charge: the process's private bytes. (Wine leaves PrivateUsage at 0
// but reports the same quantity as PagefileUsage, as Windows does.)
std::size_t PrivateBytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.PagefileUsage;
}

// Bytes in use in every heap of the process: the C runtime's, from which the
// object's texts and lists come, and the system's own.
std::size_t HeapBytesInUse() {
  std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 16);
  heaps.resize(GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data()));
  std::size_t used = 0;
  for (const HANDLE heap : heaps) {
    if (!HeapLock(heap)) continue;
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heap, &entry)) {
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) used += entry.cbData;
    }
    HeapUnlock(heap);
  }
  return used;
}

long long Growth(std::size_t now, std::size_t before) {
  return static_cast<long long>(now) - static_cast<long long>(before);
}

Registry Addressing(const std::wstring& section, const std::wstring& valueKey, RegistryValueType type,
                    const std::wstring& machine = L"") {
  return testing::Addressing(kHKeyCurrentUser, section, valueKey, type, machine);
}

// One turn of every member on its success and error paths; operation `i`
// runs entry i modulo the table's size.
std::vector<std::function<void(int)>> MixedOperations(const ScratchKey& scratch) {
  const std::wstring key = scratch.Sub(L"Soak");
  const std::wstring missing = scratch.Sub(L"Missing");
  const std::wstring self = ComputerName();
  auto name = [](int i) { return L"v" + std::to_wstring(i % 64); };
  auto text = [](int i) { return std::wstring(static_cast<std::size_t>(i % 300), L'\u00e9') + L"%TEMP%"; };
  return {
      [=](int i) { Addressing(key, name(i), REG_SZ).Value(text(i)); },
      [=](int i) { Addressing(key, name(i), REG_DWORD).Value(std::int32_t{i}); },
      [=](int i) { Addressing(key, name(i), REG_BINARY).Value(Bytes(static_cast<std::size_t>(i % 97), 7)); },
      [=](int i) { Addressing(key, name(i), REG_SZ).Value(); },
      [=](int i) { Addressing(key, name(i + 1), REG_SZ, self).Value(); },
      [=](int i) { Addressing(key, name(i), REG_SZ, self).Value(std::int16_t{-1}); },
      [=](int i) { Registry().ValueEx(kHKeyCurrentUser, key, name(i), REG_SZ, L"d"s); },
      [=](int i) { Registry().ValueEx(kHKeyCurrentUser, key, name(i), REG_SZ, L"d"s, L""s); },
      [=](int) {
        NameList names;
        std::int32_t count = 0;
        Addressing(key, L"", REG_SZ).EnumerateValues(names, count);
      },
      [=](int) {
        NameList names;
        std::int32_t count = 0;
        Addressing(key, L"", REG_SZ).EnumerateSections(names, count);
      },
      [=](int i) { Addressing(key + L"\\K" + std::to_wstring(i % 16), L"", REG_SZ).CreateKey(); },
      [=](int i) { Addressing(key + L"\\K" + std::to_wstring((i + 8) % 16), L"", REG_SZ).DeleteKey(); },
      [=](int i) { Addressing(key, name(i + 32), REG_SZ).DeleteValue(); },
      [=](int) { static_cast<void>(Addressing(key, L"", REG_SZ).KeyExists()); },
      [=](int) { Addressing(missing, L"v", REG_SZ).Value(); },
      [=](int) { Addressing(missing, L"v", REG_SZ).DeleteValue(); },
      [=](int) { Addressing(missing, L"", REG_SZ).DeleteKey(); },
      [=](int) { Addressing(key, L"v", REG_MULTI_SZ).Value(L"t"s); },
      [=](int) { Addressing(key, L"v", REG_BINARY).Value(L"t"s); },
      [=](int) { Addressing(key, L"v\0cut"s, REG_SZ).Value(L"t"s); },
      [=](int) { Addressing(key + L"\0cut"s, L"v", REG_SZ).Value(); },
      [=](int) { Addressing(L"", L"", REG_SZ).CreateAdditionalEXEAssociations(missing, {L"a", L"b", L"c"}); },
      [=](int) { Addressing(L"", L"", REG_SZ).CreateAdditionalEXEAssociations(missing, {L"a"}); },
  };
}

void RunOperations(const std::vector<std::function<void(int)>>& operations, int first, int count) {
  for (int i = first; i < first + count; ++i) {
    try {
      operations[static_cast<std::size_t>(i) % operations.size()](i);
    } catch (const RegistryError&) {
    }
  }
}

// 100,000 mixed operations, successes and failures alike, leave the number of
// open handles and the memory in use where they stood after a warm-up.
TEST(RegistrySoak, ManyMixedOperationsLeaveHandlesAndMemoryFlat) {
  ScratchKey scratch;
  const auto operations = MixedOperations(scratch);
  RunOperations(operations, 0, kWarmUp);  // first-use allocations are not leaks

  const HandleProbe handles;
  const std::size_t privateBaseline = PrivateBytes();
  const std::size_t heapBaseline = HeapBytesInUse();
  ASSERT_GT(privateBaseline, 0u);
  ASSERT_GT(heapBaseline, 0u);
  for (int done = 0; done < kOperations; done += kCheckpoint) {
    RunOperations(operations, kWarmUp + done, kCheckpoint);
    SCOPED_TRACE("after " + std::to_string(done + kCheckpoint) + " operations");
    ASSERT_LT(handles.Growth(), 10);
    ASSERT_LT(HeapBytesInUse(), heapBaseline + kMemorySlack);
    ASSERT_LT(PrivateBytes(), privateBaseline + 4 * kMemorySlack);
  }
  RecordProperty("heap_growth_bytes", std::to_string(Growth(HeapBytesInUse(), heapBaseline)));
  RecordProperty("private_growth_bytes", std::to_string(Growth(PrivateBytes(), privateBaseline)));
}

}  // namespace
}  // namespace corvalidyne
