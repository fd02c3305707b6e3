// Linked into the launcher only. The C++ library reports its own failures (a
// length past max_size, an index out of range) through these functions. Its
// versions throw std::length_error and its kin, whose message members link the
// library's whole reference-counted string with its instantiations, about 80 KB
// of a 256 KiB program. The launcher tells such a failure only as a
// std::exception with a message (EndWithError), so a plain one serves the same.
#include <exception>
#include <new>
// Declares the functions replaced below.
#include <string>

namespace {

class LibraryFailure final : public std::exception {
 public:
  explicit LibraryFailure(const char* description) noexcept : description_(description) {}
  [[nodiscard]] const char* what() const noexcept override { return description_; }

 private:
  const char* description_;
};

}  // namespace

namespace std {

void __throw_bad_alloc() { throw std::bad_alloc(); }
void __throw_bad_array_new_length() { throw std::bad_array_new_length(); }
void __throw_length_error(const char* description) { throw LibraryFailure(description); }
void __throw_logic_error(const char* description) { throw LibraryFailure(description); }
// The library's message is a format whose arguments would need a formatter.
void __throw_out_of_range_fmt(const char* /*format*/, ...) { throw LibraryFailure("index out of range"); }

}  // namespace std
