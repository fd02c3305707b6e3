#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace corvalidyne {

// A predefined root key handle value, e.g. HKEY_LOCAL_MACHINE as 0x80000002.
using RegistryRoot = std::int32_t;
// A registry value type code (REG_NONE 0 ... REG_MULTI_SZ 7, and beyond).
using RegistryValueType = std::int32_t;

inline constexpr RegistryRoot kHKeyClassesRoot = static_cast<RegistryRoot>(0x80000000u);
inline constexpr RegistryRoot kHKeyCurrentUser = static_cast<RegistryRoot>(0x80000001u);
inline constexpr RegistryRoot kHKeyLocalMachine = static_cast<RegistryRoot>(0x80000002u);
inline constexpr RegistryRoot kHKeyUsers = static_cast<RegistryRoot>(0x80000003u);
inline constexpr RegistryRoot kHKeyCurrentConfig = static_cast<RegistryRoot>(0x80000005u);

using Bytes = std::vector<std::uint8_t>;

// Empty, text, 32-bit and 16-bit integers and byte sequences are the kinds the
// registry itself yields; booleans and doubles are further kinds a caller may pass.
using TaggedValue =
    std::variant<std::monostate, std::wstring, std::int32_t, std::int16_t, Bytes, bool, double>;

inline bool IsEmptyValue(const TaggedValue& value) { return std::holds_alternative<std::monostate>(value); }

}  // namespace corvalidyne
