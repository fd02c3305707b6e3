// Linked into the launcher (and into the test of its failures): parts of the
// C++ library that it would otherwise take from the static library as whole
// objects, each far larger than the part used. Built as an object library, they
// come before every library on the link line, so the library's own objects stay
// out; should anything in the program need another part of such an object, the
// link fails on the functions defined twice rather than growing quietly.
//
// The library reports its own failures (a length past max_size, an index out of
// range) through the functions below. Its versions throw std::length_error and
// its kin, whose message members link the library's whole reference-counted
// string with its instantiations, about 80 KB of a 256 KiB program. The launcher
// tells such a failure only as a std::exception with a message (EndWithError),
// so a plain one serves the same.
#include <cstdlib>
#include <exception>
#include <new>
// Declares the functions replaced below.
#include <string>

// Written for the C++ libraries of GCC 12 (Debian 12) and GCC 14 (Debian 13),
// which declare these functions and keep them in one object. Another version may
// declare them otherwise (a definition below would then be an overload nothing
// calls) or keep them elsewhere: read its bits/functexcept.h and where it
// defines them before adding it here.
#if !defined(__GLIBCXX__) || !(_GLIBCXX_RELEASE == 12 || _GLIBCXX_RELEASE == 14)
#error "library_parts.cpp replaces parts of GCC 12's and GCC 14's C++ library only"
#endif

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

// GCC 14's strings keep one member out of line (the replacement of a part that
// overlaps its source), instantiated in the library with every other member of
// std::string and std::wstring: about 57 KB, for two small functions.
#if _GLIBCXX_RELEASE >= 14
template void std::basic_string<char>::_M_replace_cold(char*, std::size_t, const char*, std::size_t,
                                                       std::size_t);
template void std::basic_string<wchar_t>::_M_replace_cold(wchar_t*, std::size_t, const wchar_t*, std::size_t,
                                                          std::size_t);
#endif

// The library's default terminate handler demangles the type of the escaping
// exception, which links a whole demangler (a fifth of the program's size). The
// launcher lets no exception escape, so plain abort is all terminate needs to do.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
