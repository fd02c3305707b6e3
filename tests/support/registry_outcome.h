#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "corvalidyne/registry.h"

namespace corvalidyne::testing {

// What one call of the registry object gave: a value, or the error it raised.
// Table-driven tests compare it with the outcome a case expects.
struct Outcome {
  Outcome(TaggedValue given) : value(std::move(given)) {}  // implicit, so that tables list values bare
  Outcome(std::int32_t raisedNumber, std::wstring raisedMessage)
      : number(raisedNumber), message(std::move(raisedMessage)) {}
  bool operator==(const Outcome&) const = default;

  std::optional<TaggedValue> value;
  std::int32_t number = 0;
  std::wstring message;
};

inline std::ostream& operator<<(std::ostream& out, const Outcome& outcome) {
  if (!outcome.value) return out << "error " << outcome.number;
  out << "value of kind " << outcome.value->index();
  if (const auto* text = std::get_if<std::wstring>(&*outcome.value))
    out << ' ' << ::testing::PrintToString(*text);
  if (const auto* number = std::get_if<std::int32_t>(&*outcome.value)) out << ' ' << *number;
  if (const auto* flag = std::get_if<bool>(&*outcome.value)) out << ' ' << *flag;
  return out;
}

// Runs a call; an error must carry the object's source unless it is the bare 26001.
inline Outcome Attempt(const std::function<TaggedValue()>& call, const std::wstring& source) {
  try {
    return call();
  } catch (const RegistryError& error) {
    if (!error.Message().empty()) {
      EXPECT_EQ(error.Source(), source);
    }
    return {error.Number(), error.Message()};
  }
}

// For calls without a result: the empty value stands for "returned normally".
inline TaggedValue Done(const std::function<void()>& call) {
  call();
  return TaggedValue{};
}

// "result:count" of an enumeration into a list that held a stale name.
inline TaggedValue Listed(bool (Registry::*enumerate)(NameList&, std::int32_t&), Registry registry) {
  NameList names;
  names.push_back(L"stale");
  std::int32_t count = -1;
  const bool result = (registry.*enumerate)(names, count);
  EXPECT_EQ(count, names.size());
  return std::to_wstring(result) + L":" + std::to_wstring(count);
}

}  // namespace corvalidyne::testing
