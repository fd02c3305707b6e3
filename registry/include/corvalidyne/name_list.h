#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace corvalidyne {

// The names an enumeration found, numbered from 1 as the platform's index
// order plus one: there is no element 0.
class NameList {
 public:
  using const_iterator = std::vector<std::wstring>::const_iterator;

  [[nodiscard]] std::int32_t size() const noexcept { return static_cast<std::int32_t>(names_.size()); }
  [[nodiscard]] bool empty() const noexcept { return names_.empty(); }

  // Elements 1 to size(); 0 and anything past the count throw std::out_of_range.
  [[nodiscard]] const std::wstring& at(std::int32_t index) const {
    if (index < 1 || index > size()) {
      throw std::out_of_range("NameList index " + std::to_string(index) + " outside 1.." +
                              std::to_string(size()));
    }
    return names_[static_cast<std::size_t>(index - 1)];
  }
  const std::wstring& operator[](std::int32_t index) const { return at(index); }

  [[nodiscard]] const_iterator begin() const noexcept { return names_.begin(); }
  [[nodiscard]] const_iterator end() const noexcept { return names_.end(); }

  void clear() noexcept { names_.clear(); }
  void push_back(std::wstring name) { names_.push_back(std::move(name)); }

 private:
  std::vector<std::wstring> names_;
};

}  // namespace corvalidyne
