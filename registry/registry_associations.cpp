#include <windows.h>
#include <shlobj.h>

#include "corvalidyne/registry.h"
#include "text_conversion.h"
#include "text_form.h"

namespace corvalidyne {

namespace {

constexpr std::size_t kItemsPerVerb = 3;

// Tells the shell, once the association work ends (normally or by an error),
// that associations changed when writes were attempted, so that it drops the
// verbs and icons it cached; a spurious notice costs nothing, a missed one
// leaves stale menus.
class AssociationChangeNotice {
 public:
  explicit AssociationChangeNotice(bool armed) noexcept : armed_(armed) {}
  AssociationChangeNotice(const AssociationChangeNotice&) = delete;
  AssociationChangeNotice& operator=(const AssociationChangeNotice&) = delete;
  ~AssociationChangeNotice() {
    if (armed_) SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
  }

 private:
  bool armed_;
};

std::wstring TrimSpaces(const std::wstring& text) {
  const auto first = text.find_first_not_of(L' ');
  if (first == std::wstring::npos) return {};
  return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

// Trimmed and enclosed in double quotes, adding only the quotes that are missing.
std::wstring QuotedProgramPath(const std::wstring& path) {
  std::wstring quoted = TrimSpaces(path);
  if (quoted.empty() || quoted.front() != L'"') quoted.insert(0, 1, L'"');
  if (quoted.back() != L'"') quoted += L'"';
  return quoted;
}

std::wstring OrDefault(const std::wstring& text, const std::wstring& fallback) {
  return text.empty() ? fallback : text;
}

}  // namespace

void Registry::CreateEXEAssociation(const std::wstring& sExePath, const std::wstring& sClassName,
                                    const std::wstring& sClassDescription, const std::wstring& sAssociation,
                                    const std::wstring& sOpenMenuText, bool bSupportPrint,
                                    const std::wstring& sPrintMenuText, bool bSupportNew,
                                    const std::wstring& sNewMenuText, bool bSupportInstall,
                                    const std::wstring& sInstallMenuText, std::int32_t lDefaultIconIndex) {
  const std::wstring path = QuotedProgramPath(sExePath);
  const std::wstring shell = sClassName + L"\\shell\\";
  const AssociationChangeNotice notice(true);

  auto setDefaultValue = [this](const std::wstring& section, const std::wstring& text) {
    SectionKey(section);
    ValueKey(L"");
    SetClassesValue(text);
  };
  ValueType(REG_SZ);
  setDefaultValue(L"." + sAssociation, sClassName);
  setDefaultValue(sClassName, sClassDescription);
  setDefaultValue(shell + L"open", OrDefault(sOpenMenuText, L"&Open"));
  setDefaultValue(shell + L"open\\command", path + L" \"%1\"");
  // The verbs go in the order print, add, new, which is not the order of the parameters.
  if (bSupportPrint) {
    setDefaultValue(shell + L"print", OrDefault(sPrintMenuText, L"&Print"));
    setDefaultValue(shell + L"print\\command", path + L" /p \"%1\"");
  }
  if (bSupportInstall) {
    setDefaultValue(shell + L"add", OrDefault(sInstallMenuText, L"&Install " + sAssociation));
    setDefaultValue(shell + L"add\\command", path + L" /a \"%1\"");
  }
  if (bSupportNew) {
    setDefaultValue(shell + L"new", OrDefault(sNewMenuText, L"&New"));
    setDefaultValue(shell + L"new\\command", path + L" /n \"%1\"");
  }
  if (lDefaultIconIndex > -1) {
    setDefaultValue(sClassName + L"\\DefaultIcon", path + L"," + DecimalText(lDefaultIconIndex));
  }
}

void Registry::CreateAdditionalEXEAssociations(const std::wstring& sClassName,
                                               std::span<const TaggedValue> vItems) {
  if (vItems.size() % kItemsPerVerb != 0) {
    RaiseRegistryError(registry_errors::kInvalidAssociationList,
                       L"Invalid parameter list passed to CreateAdditionalEXEAssociations -       "
                       L"expected Name/Text/Command");
  }
  SectionKey(sClassName);
  if (!KeyExists()) {
    RaiseRegistryError(registry_errors::kAssociationClassMissing,
                       L"Error - attempt to create additional associations before class          defined.");
  }

  const AssociationChangeNotice notice(!vItems.empty());
  auto trySetDefaultValue = [this](const std::wstring& section, const std::wstring& text) {
    SectionKey(section);
    ValueKey(L"");
    try {
      SetClassesValue(text);
      // A failing write is skipped on purpose: the remaining keys are still worth having.
    } catch (const RegistryError&) {  // NOLINT(bugprone-empty-catch)
    }
  };
  for (std::size_t item = 0; item < vItems.size(); item += kItemsPerVerb) {
    const std::wstring verbKey = sClassName + L"\\shell\\" + TextForm(vItems[item]);
    ValueType(REG_SZ);
    trySetDefaultValue(verbKey, TextForm(vItems[item + 1]));
    trySetDefaultValue(verbKey + L"\\command", TextForm(vItems[item + 2]));
  }
}

void Registry::SetClassesValue(std::wstring text) {
  ClassKey(kHKeyClassesRoot);
  Value(text);
  const std::wstring remembered = sectionKey_;
  ClassKey(kHKeyLocalMachine);
  SectionKey(L"SOFTWARE\\Classes\\" + remembered);
  Value(text);
  SectionKey(remembered);
}

}  // namespace corvalidyne
