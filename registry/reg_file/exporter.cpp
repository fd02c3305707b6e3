#include "reg_file/exporter.h"

#include "reg_file/writer.h"

namespace corvalidyne::reg_file {

namespace {

// The text is handed to the file in pieces of this many units, so that the
// memory an export takes does not grow with the tree.
constexpr std::size_t kPiece = std::size_t{32} * 1024;

class Exporter {
 public:
  Exporter(FileOutput& output, std::error_code& code, std::wstring& failedKey)
      : output_(output), code_(code), failedKey_(failedKey) {}

  bool Tree(const RegistryKey& key, std::wstring& keyPath) {
    AppendKey(text_, keyPath);
    for (const RegistryNamedValue& entry : key.EachValueWithData(code_)) {
      AppendValue(text_, entry.name, entry.value);
      if (text_.size() >= kPiece && !Hand()) return false;
    }
    if (!code_) {
      for (const std::wstring& name : key.EachSubkey(code_)) {
        if (!Subkey(key, name, keyPath)) return false;
      }
    }
    Blame(keyPath);
    return !code_;
  }

  bool Finish() {
    AppendEnd(text_);
    return Hand();
  }

  std::wstring& Text() { return text_; }

 private:
  // A subkey deleted since it was listed is passed over, as the listing
  // passes over what is deleted before it is reached.
  bool Subkey(const RegistryKey& key, const std::wstring& name, std::wstring& keyPath) {
    const std::size_t parentLength = keyPath.size();
    keyPath += L'\\';
    keyPath += name;
    const std::optional<RegistryKey> subkey = key.OpenSubkey(name, RegistryAccess::kRead, code_);
    const bool written = subkey ? Tree(*subkey, keyPath) : !code_;
    Blame(keyPath);
    keyPath.resize(parentLength);
    return written;
  }

  // Names the key a registry failure came from: the deepest one.
  void Blame(const std::wstring& keyPath) {
    if (code_ && !fileFailed_ && failedKey_.empty()) failedKey_ = keyPath;
  }

  bool Hand() {
    const DWORD status = output_.Write(text_);
    text_.clear();
    if (status == ERROR_SUCCESS) return true;
    code_.assign(static_cast<int>(status), std::system_category());
    fileFailed_ = true;
    return false;
  }

  FileOutput& output_;
  std::error_code& code_;
  std::wstring& failedKey_;
  std::wstring text_;
  bool fileFailed_ = false;
};

}  // namespace

bool ExportTree(const RegistryKey& key, const std::wstring& keyPath, FileOutput& output,
                std::error_code& code, std::wstring& failedKey) {
  code.clear();
  failedKey.clear();
  Exporter exporter(output, code, failedKey);
  AppendHeader(exporter.Text());
  std::wstring path = keyPath;
  return exporter.Tree(key, path) && exporter.Finish();
}

}  // namespace corvalidyne::reg_file
