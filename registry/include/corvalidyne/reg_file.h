#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>

#include "corvalidyne/registry_types.h"

namespace corvalidyne {

// .reg files, as the system's registry editor and reg.exe write and read them,
// built on RegistryKey: every key is reached in the view given.
//
// ExportRegFile writes the key at `path` below `root` (kHKeyCurrentUser, ...;
// "" for the root itself) with its values and every key below it, in the
// format "Windows Registry Editor Version 5.00", as reg.exe export writes it:
// - UTF-16LE with a byte-order mark, CRLF line ends. The header line; then for
//   each key an empty line and "[HKEY_CURRENT_USER\path]" (the root's long
//   name, `path` as given, each subkey's name as the registry lists it) and
//   its values, one to a line; one empty line ends the file. Keys come
//   depth-first, each before its subkeys; values and subkeys in the order the
//   registry lists them (RegEnumValueW's: by creation on Windows,
//   alphabetical under Wine).
// - A value is `"name"=` (`@=` for the default value), names escaped as text
//   is, followed by:
//     "text"            REG_SZ: \\ for \, \" for ", \r and \n for CR and LF
//     dword:0000002a    REG_DWORD, 8 lowercase hexadecimal digits
//     hex:01,ff         REG_BINARY, each byte as 2 lowercase digits
//     hex(N):...        any other type N (hexadecimal): hex(0) REG_NONE,
//                       hex(2) REG_EXPAND_SZ, hex(7) REG_MULTI_SZ, hex(b)
//                       REG_QWORD, ...; the data's bytes as stored
//   Hex data wraps as reg.exe wraps it: once a line reaches 77 UTF-16 units
//   (the name counted), it ends in ",\" and the next begins with two spaces.
// - Every value is written so that an import gives back its exact bytes: a
//   REG_SZ that "text" cannot hold whole (no terminating NUL, a NUL inside, an
//   odd size) is written hex(1), and a REG_DWORD of other than 4 bytes hex(4).
//   reg.exe cuts such text at its first NUL and reads 4 bytes of the DWORD.
// - The file is written whole or not at all: into a temporary file beside
//   `file`, which replaces `file` (any file there) once every key has been
//   read. A key that cannot be listed or opened fails the export, where
//   reg.exe writes it as an empty section and says nothing.
//
// ImportRegFile applies a file that reg.exe or the registry editor wrote, or
// one written by hand in their format:
// - "Windows Registry Editor Version 5.00" or "REGEDIT4" as its first line. A
//   file beginning with the byte-order mark FF FE is UTF-16LE, any other is in
//   the system's ANSI code page. In a REGEDIT4 file hex(1), hex(2) and hex(7)
//   data is ANSI text too, and is stored as UTF-16 as the W functions store
//   text.
// - "[ROOT\path]" creates the key (with its parents) and opens it for the
//   value lines below it; "[-ROOT\path]" deletes the key with everything below
//   it (nothing when it is absent). ROOT is the long name or its short form:
//   HKEY_LOCAL_MACHINE HKLM, HKEY_CURRENT_USER HKCU, HKEY_CLASSES_ROOT HKCR,
//   HKEY_USERS HKU, HKEY_CURRENT_CONFIG HKCC (any case).
// - Value lines as above, also with a "dword:" of 1 to 8 digits, bytes of 1 or
//   2 digits in either case, spaces around the "=" and the bytes, a "\" at the
//   end of a line continuing hex data on the next; `"name"=-` deletes a value
//   (nothing when it is absent). Empty lines and lines beginning with ";" are
//   skipped, as is a ";" comment after a value. CRLF or LF line ends.
// - The whole file is read, parsed and checked before the first write, so a
//   malformed file changes nothing. Changes are then made in the file's order;
//   a write the registry refuses (access denied, say) stops the import there,
//   with what came before it made.
//
// Failures. Without a std::error_code, the functions throw: ExportRegFile
// std::system_error; ImportRegFile RegFileError, a std::system_error that also
// tells the line. With a trailing std::error_code& they throw nothing but
// std::bad_alloc, set the code and return false; on success they clear it and
// return true. The codes:
// - a malformed file: a RegFileErrc (RegFileCategory()), on the line given;
// - the system's refusal, in std::system_category(): 2 ERROR_FILE_NOT_FOUND
//   (the key to export, or the file to import, is absent), 3 (the file's
//   folder is absent), 5 ERROR_ACCESS_DENIED (a key, or the file), 87
//   ERROR_INVALID_PARAMETER (a root of no .reg name, as for ExportRegFile of
//   another root value), and any other of the key's or the file system's.
// An import's error_code form sets `*line`, where given, to the line of the
// file the failure belongs to (from 1: the malformed line, or the key or value
// line whose write was refused), 0 where it belongs to none (the file could not
// be read); and to 0 on success.

// What is malformed in a file; each is reported with the line it is on.
enum class RegFileErrc {
  kNoHeader = 1,     // the first line is neither header
  kOddSize,          // a UTF-16 file of an odd number of bytes (its last line)
  kUnexpectedLine,   // a line that is no key, value, comment or empty line
  kBadKey,           // a key line not ended by "]", or a name in its path empty, over 255
                     // characters or holding a NUL
  kUnknownRoot,      // a key line whose root is none of the names above
  kRootDeletion,     // "[-HKEY_CURRENT_USER]": a whole root cannot be deleted
  kValueOutsideKey,  // a value line before any key line, or below a key being deleted
  kBadName,          // a value's name neither @ nor a whole quoted name (at most 16,383
                     // characters, known escapes, no NUL), or not followed by "="
  kBadData,          // data that is none of "text", dword:, hex:, hex(N): or -
  kBadText,          // quoted text unterminated, with an unknown escape, or followed by more
  kBadDword,         // dword: without 1 to 8 hexadecimal digits, or followed by more
  kBadHexType,       // hex(N): without a type N of 1 to 8 hexadecimal digits
  kBadHex,           // hex data that is not bytes of 1 or 2 digits separated by commas
  kUnfinishedValue,  // the file ends on a hex line continued with "\"
};

// The category of RegFileErrc: name "corvalidyne.reg_file"; message() says
// what the code means.
const std::error_category& RegFileCategory() noexcept;
std::error_code make_error_code(RegFileErrc error) noexcept;

// A failure of ImportRegFile: code() is a RegFileErrc for a malformed file, or
// the system's code; Line() the line it belongs to (0 for none). what() names
// the file and the line.
class RegFileError : public std::system_error {
 public:
  RegFileError(std::error_code code, std::size_t line, const std::string& what);
  [[nodiscard]] std::size_t Line() const noexcept { return line_; }

 private:
  std::size_t line_ = 0;
};

void ExportRegFile(RegistryRoot root, std::wstring_view path, std::wstring_view file,
                   RegistryView view = RegistryView::kNative);
bool ExportRegFile(RegistryRoot root, std::wstring_view path, std::wstring_view file, RegistryView view,
                   std::error_code& code);

void ImportRegFile(std::wstring_view file, RegistryView view = RegistryView::kNative);
bool ImportRegFile(std::wstring_view file, RegistryView view, std::error_code& code,
                   std::size_t* line = nullptr);

}  // namespace corvalidyne

template <>
struct std::is_error_code_enum<corvalidyne::RegFileErrc> : std::true_type {};
