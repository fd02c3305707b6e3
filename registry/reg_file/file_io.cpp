#include "reg_file/file_io.h"

#include <cstring>
#include <limits>

#include "text_conversion.h"

namespace corvalidyne::reg_file {

namespace {

constexpr unsigned char kByteOrderMark[] = {0xFF, 0xFE};

// A path the system can take: a NUL inside would end it early.
bool Terminable(std::wstring_view path) noexcept { return path.find(L'\0') == std::wstring_view::npos; }

DWORD Status(BOOL succeeded) noexcept { return succeeded ? ERROR_SUCCESS : GetLastError(); }

// CreateFileW's result as a handle to own: null where it failed.
HANDLE Created(HANDLE file) noexcept { return file == INVALID_HANDLE_VALUE ? nullptr : file; }

DWORD ReadAll(HANDLE file, std::string& bytes) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) return GetLastError();
  if (size.QuadPart > std::numeric_limits<int>::max()) return ERROR_FILE_TOO_LARGE;
  bytes.resize(static_cast<std::size_t>(size.QuadPart));
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD read = 0;
    if (!ReadFile(file, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &read, nullptr)) {
      return GetLastError();
    }
    if (read == 0) break;  // the file shrank meanwhile
    done += read;
  }
  bytes.resize(done);
  return ERROR_SUCCESS;
}

void Decode(std::string_view bytes, FileText& text) {
  const std::string_view mark(reinterpret_cast<const char*>(kByteOrderMark), sizeof kByteOrderMark);
  if (!bytes.starts_with(mark)) {
    text.text = FromAnsi(bytes);
    return;
  }
  bytes.remove_prefix(mark.size());
  text.strayByte = bytes.size() % sizeof(wchar_t) != 0;
  text.text.resize(bytes.size() / sizeof(wchar_t));
  std::memcpy(text.text.data(), bytes.data(), text.text.size() * sizeof(wchar_t));
}

DWORD WriteBytes(HANDLE file, const void* data, std::size_t size) {
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    DWORD written = 0;
    const DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
    if (!WriteFile(file, bytes, chunk, &written, nullptr)) return GetLastError();
    bytes += written;
    size -= written;
  }
  return ERROR_SUCCESS;
}

}  // namespace

DWORD ReadFileText(std::wstring_view file, FileText& text) {
  if (!Terminable(file)) return ERROR_INVALID_NAME;
  const std::wstring path(file);
  const OwnedHandle handle(Created(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr)));
  if (!handle) return GetLastError();
  std::string bytes;
  if (const DWORD status = ReadAll(handle.get(), bytes); status != ERROR_SUCCESS) return status;
  Decode(bytes, text);
  return ERROR_SUCCESS;
}

FileOutput::~FileOutput() {
  if (!handle_) return;
  handle_.reset();
  DeleteFileW(temporary_.c_str());
}

// The temporary file's name is this thread's own, beside `file` so that the
// move replacing `file` stays on one volume; one a crashed export left is
// overwritten.
DWORD FileOutput::Open(std::wstring_view file) {
  if (!Terminable(file)) return ERROR_INVALID_NAME;
  destination_ = file;
  temporary_ =
      destination_ + L".~" + DecimalText(GetCurrentProcessId()) + L"-" + DecimalText(GetCurrentThreadId());
  handle_.reset(Created(CreateFileW(temporary_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr)));
  if (!handle_) return GetLastError();
  return WriteBytes(handle_.get(), kByteOrderMark, sizeof kByteOrderMark);
}

DWORD FileOutput::Write(std::wstring_view text) {
  return WriteBytes(handle_.get(), text.data(), text.size() * sizeof(wchar_t));
}

DWORD FileOutput::Commit() {
  handle_.reset();
  const DWORD status =
      Status(MoveFileExW(temporary_.c_str(), destination_.c_str(), MOVEFILE_REPLACE_EXISTING));
  if (status != ERROR_SUCCESS) DeleteFileW(temporary_.c_str());
  return status;
}

}  // namespace corvalidyne::reg_file
