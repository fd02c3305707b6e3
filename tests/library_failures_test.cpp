// The launcher's own parts of the C++ library (toolchain/library_parts.cpp),
// linked as the launcher links them: the library's failures still reach the
// report that ends the program with their message. A program of its own, not a
// GoogleTest one: GoogleTest needs more of the library object that those parts
// keep out, and its link would fail on the functions defined twice.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "fatal_error.h"

namespace {

// Out of the optimiser's sight, so that every failure happens when it is run.
volatile std::size_t one = 1;

struct Row {
  const char* failure;
  void (*fail)();
  const wchar_t* description;  // as the report gives it, after "Error 0: "
};

const Row kRows[] = {
    {"a string past its maximum length",
     [] {
       std::string text;
       text.reserve(text.max_size() + one);
     },
     L"basic_string::_M_create"},
    {"a vector past its maximum length",
     [] {
       std::vector<int> numbers;
       numbers.reserve(numbers.max_size() + one);
     },
     L"vector::reserve"},
    {"an index out of a string's range", [] { static_cast<void>(std::wstring().at(one)); },
     L"index out of range"},
    {"an index out of a vector's range", [] { static_cast<void>(std::vector<int>().at(one)); },
     L"index out of range"},
    {"an allocation larger than memory can be",
     [] { static_cast<void>(std::allocator<int>().allocate(PTRDIFF_MAX / sizeof(int) + one)); },
     L"std::bad_alloc"},
    {"an allocation larger than the address space",
     [] { static_cast<void>(std::allocator<int>().allocate(SIZE_MAX / sizeof(int) + one)); },
     L"std::bad_array_new_length"},
};

}  // namespace

int wmain() {
  int failed = 0;
  for (const Row& row : kRows) {
    std::wstring report = L"(no failure)";
    try {
      row.fail();
    } catch (...) {
      report = corvalidyne::FatalReport(std::current_exception());
    }
    const std::wstring expected =
        L"The installation cannot continue.\n\nError 0: " + std::wstring(row.description);
    const bool passed = report == expected;
    failed += passed ? 0 : 1;
    std::printf("%s: %s\n", passed ? "ok" : "FAILED", row.failure);
    if (!passed) std::printf("  reported \"%ls\"\n  expected \"%ls\"\n", report.c_str(), expected.c_str());
  }
  return failed;
}
