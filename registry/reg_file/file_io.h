#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "unique_handle.h"

namespace corvalidyne::reg_file {

// The files themselves: how a .reg file's bytes become text and back. Each
// returns the system's status (GetLastError's codes).

// A file's text: UTF-16LE after the byte-order mark FF FE, else in the ANSI
// code page. `strayByte` is set where a UTF-16 file ends in half a unit,
// which is dropped.
struct FileText {
  std::wstring text;
  bool strayByte = false;
};
DWORD ReadFileText(std::wstring_view file, FileText& text);

// A .reg file being written, UTF-16LE after its byte-order mark: into a
// temporary file beside `file`, which replaces `file` at Commit. Dropped
// before that, it deletes the temporary file, so a failed export leaves
// whatever was at `file` as it was.
class FileOutput {
 public:
  FileOutput() = default;
  FileOutput(const FileOutput&) = delete;
  FileOutput& operator=(const FileOutput&) = delete;
  ~FileOutput();

  DWORD Open(std::wstring_view file);
  DWORD Write(std::wstring_view text);
  DWORD Commit();

 private:
  std::wstring destination_;
  std::wstring temporary_;
  OwnedHandle handle_;
};

}  // namespace corvalidyne::reg_file
