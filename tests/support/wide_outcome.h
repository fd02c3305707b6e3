#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <system_error>
#include <variant>
#include <vector>

#include "corvalidyne/registry_types.h"

namespace corvalidyne::testing {

// What the key object and the one-call functions gave, as a table compares
// it: a value, or nothing.
using Read = std::variant<std::monostate, std::uint64_t, std::wstring, std::vector<std::wstring>, Bytes, bool,
                          RegistryValue>;

template <typename Value>
Read Got(const std::optional<Value>& value) {
  if (!value) return {};
  if constexpr (std::is_same_v<Value, ExpandableString>) {
    return value->text;
  } else if constexpr (std::is_integral_v<Value>) {
    return static_cast<std::uint64_t>(*value);
  } else {
    return *value;
  }
}

// A call's result, or the system's code it failed with (in the system category).
struct Coded {
  Read read;
  long code = 0;
  bool operator==(const Coded&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const RegistryValue& value) {
  return out << "type " << value.type << ", " << value.data.size() << " bytes";
}

inline std::ostream& operator<<(std::ostream& out, const Coded& coded) {
  return out << "code " << coded.code << ", result " << ::testing::PrintToString(coded.read);
}

inline Coded Failed(long code) { return {{}, code}; }

// For calls without a result: the empty result stands for "returned normally".
inline Read Did(const std::function<void()>& call) {
  call();
  return {};
}

// The throwing form: what it returned, or the code it threw.
inline Coded Call(const std::function<Read()>& call) {
  try {
    return {call()};
  } catch (const std::system_error& error) {
    EXPECT_EQ(error.code().category(), std::system_category()) << error.what();
    return {{}, error.code().value()};
  }
}

// What a failure of the std::error_code form may return beside its code:
// std::nullopt, false or an empty list.
inline bool IsNothing(const Read& read) {
  if (std::holds_alternative<std::monostate>(read)) return true;
  if (const auto* flag = std::get_if<bool>(&read)) return !*flag;
  if (const auto* list = std::get_if<std::vector<std::wstring>>(&read)) return list->empty();
  return false;
}

// The std::error_code form, handed a code left over from an earlier failure:
// it must clear it on success, set it on failure and then return nothing, and
// never throw.
inline Coded CallCoded(const std::function<Read(std::error_code&)>& call) {
  std::error_code code(ERROR_GEN_FAILURE, std::system_category());
  Read read;
  try {
    read = call(code);
  } catch (const std::exception& error) {
    ADD_FAILURE() << "the std::error_code form threw: " << error.what();
    return Failed(-1);
  }
  if (!code) return {read};
  EXPECT_EQ(code.category(), std::system_category());
  EXPECT_TRUE(IsNothing(read)) << "a failure also gave " << ::testing::PrintToString(read);
  return Failed(code.value());
}

// One call in both its forms, from a lambda taking the code or nothing:
// [&](auto&... code) { return Got(key.ReadDword(name, code...)); }.
struct BothForms {
  std::function<Read()> throwing;
  std::function<Read(std::error_code&)> coded;
};

template <typename Call>
BothForms Both(Call call) {
  return {[call] { return call(); }, [call](std::error_code& code) { return call(code); }};
}

// Both forms give `expected`: the same result, or the same code.
inline void ExpectBoth(const BothForms& forms, const Coded& expected) {
  EXPECT_EQ(Call(forms.throwing), expected) << "(the throwing form)";
  EXPECT_EQ(CallCoded(forms.coded), expected) << "(the std::error_code form)";
}

}  // namespace corvalidyne::testing
