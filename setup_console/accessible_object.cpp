#include "accessible_object.h"

#include <oleacc.h>

#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "com_ownership.h"
#include "system_library.h"

namespace corvalidyne {

namespace {

// The system's accessibility functions, loaded from the system folder when
// assistive technology first asks: a start without it loads neither oleacc.dll
// (and the DLLs it brings) nor oleaut32.dll. They stay loaded, since the
// standard objects and strings handed out live in them.
struct Accessibility {
  decltype(&CreateStdAccessibleObject) createStandardObject = nullptr;
  decltype(&LresultFromObject) resultFromObject = nullptr;
  decltype(&SysAllocStringLen) allocateString = nullptr;
  decltype(&SysStringLen) stringLength = nullptr;

  [[nodiscard]] bool Loaded() const noexcept {
    return createStandardObject && resultFromObject && allocateString && stringLength;
  }
};

template <typename Function>
void Look(const wchar_t* library, const char* name, Function& function) noexcept {
  function = SystemFunction<Function>(library, name);
}

// WM_GETOBJECT comes on the windows' thread, the program's only one.
const Accessibility& System() noexcept {
  static Accessibility functions;
  static bool tried = false;
  if (!tried) {
    tried = true;
    // Handing an object out marshals it, which needs COM on this thread; the
    // program has no other use for COM, so it starts it here, once, for good.
    decltype(&CoInitializeEx) initializeCom = nullptr;
    Look(L"ole32.dll", "CoInitializeEx", initializeCom);
    if (initializeCom != nullptr) initializeCom(nullptr, COINIT_APARTMENTTHREADED);
    Look(L"oleacc.dll", "CreateStdAccessibleObject", functions.createStandardObject);
    Look(L"oleacc.dll", "LresultFromObject", functions.resultFromObject);
    Look(L"oleaut32.dll", "SysAllocStringLen", functions.allocateString);
    Look(L"oleaut32.dll", "SysStringLen", functions.stringLength);
  }
  return functions;
}

enum class NameSource { WindowText, OwnThenContainerText };

// A new string: a name, a space and a window's text; or the text alone.
BSTR NameWithWindowText(BSTR name, HWND window) noexcept {
  const Accessibility& system = System();
  const UINT nameLength = name != nullptr ? system.stringLength(name) : 0;
  const UINT textStart = nameLength > 0 ? nameLength + 1 : 0;
  const int textLength = GetWindowTextLengthW(window);
  OwnedString joined(system.allocateString(nullptr, textStart + static_cast<UINT>(textLength)));
  if (!joined) return nullptr;
  if (nameLength > 0) {
    std::memcpy(joined.get(), name, nameLength * sizeof(OLECHAR));
    joined.get()[nameLength] = L' ';
  }
  const int copied = GetWindowTextW(window, joined.get() + textStart, textLength + 1);
  // The text changed in between: keep what was read.
  if (copied != textLength) return system.allocateString(joined.get(), textStart + static_cast<UINT>(copied));
  return joined.release();
}

bool IsSelf(const VARIANT& child) noexcept { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

// The standard client object with its name or role replaced; everything else,
// and every question about a child, is the standard object's answer.
class AccessibleObject final : public IAccessible, public IOleWindow, public IEnumVARIANT {
 public:
  AccessibleObject(HWND window, ComReference<IAccessible> standard, NameSource name, LONG role) noexcept
      : window_(window), standard_(std::move(standard)), name_(name), role_(role) {
    IEnumVARIANT* children = nullptr;
    if (SUCCEEDED(standard_->QueryInterface(__uuidof(IEnumVARIANT), reinterpret_cast<void**>(&children)))) {
      children_.reset(children);
    }
  }

  AccessibleObject(const AccessibleObject&) = delete;
  AccessibleObject& operator=(const AccessibleObject&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) noexcept override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (id == __uuidof(IUnknown) || id == __uuidof(IDispatch) || id == __uuidof(IAccessible)) {
      *object = static_cast<IAccessible*>(this);
    } else if (id == __uuidof(IOleWindow)) {
      *object = static_cast<IOleWindow*>(this);
    } else if (id == __uuidof(IEnumVARIANT) && children_) {
      *object = static_cast<IEnumVARIANT*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() noexcept override {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
  }
  ULONG STDMETHODCALLTYPE Release() noexcept override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IDispatch: no type information; clients call the methods directly.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) noexcept override {
    return E_NOTIMPL;
  }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) noexcept override {
    if (!IsSelf(child) || !IsWindow(window_)) {
      return standard_->get_accName(child, name);
    }
    if (name == nullptr) return E_POINTER;
    *name = nullptr;
    if (name_ == NameSource::WindowText) {
      *name = NameWithWindowText(nullptr, window_);
    } else {
      BSTR own = nullptr;
      const HRESULT result = standard_->get_accName(child, &own);
      if (FAILED(result)) return result;
      const OwnedString owned(own);
      *name = NameWithWindowText(own, GetParent(window_));
    }
    return *name != nullptr ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) noexcept override {
    if (role_ == 0 || !IsSelf(child)) return standard_->get_accRole(child, role);
    if (role == nullptr) return E_POINTER;
    role->vt = VT_I4;
    role->lVal = role_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) noexcept override {
    return standard_->get_accParent(parent);
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) noexcept override {
    return standard_->get_accChildCount(count);
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) noexcept override {
    return standard_->get_accChild(child, object);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) noexcept override {
    return standard_->get_accValue(child, value);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) noexcept override {
    return standard_->get_accDescription(child, description);
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) noexcept override {
    return standard_->get_accState(child, state);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) noexcept override {
    return standard_->get_accHelp(child, help);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) noexcept override {
    return standard_->get_accHelpTopic(file, child, topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) noexcept override {
    return standard_->get_accKeyboardShortcut(child, shortcut);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) noexcept override {
    return standard_->get_accFocus(child);
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) noexcept override {
    return standard_->get_accSelection(children);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) noexcept override {
    return standard_->get_accDefaultAction(child, action);
  }
  HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) noexcept override {
    return standard_->accSelect(flags, child);
  }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                        VARIANT child) noexcept override {
    return standard_->accLocation(left, top, width, height, child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) noexcept override {
    return standard_->accNavigate(direction, start, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) noexcept override {
    return standard_->accHitTest(x, y, child);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) noexcept override {
    return standard_->accDoDefaultAction(child);
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) noexcept override {
    return standard_->put_accName(child, name);
  }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) noexcept override {
    return standard_->put_accValue(child, value);
  }

  // IOleWindow: which window the object stands for.
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) noexcept override {
    if (window == nullptr) return E_POINTER;
    *window = window_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) noexcept override { return E_NOTIMPL; }

  // IEnumVARIANT: the children as the standard object lists them, by which
  // AccessibleChildren reads them where get_accChild is not implemented (Wine).
  HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* children, ULONG* fetched) noexcept override {
    return children_->Next(count, children, fetched);
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) noexcept override { return children_->Skip(count); }
  HRESULT STDMETHODCALLTYPE Reset() noexcept override { return children_->Reset(); }
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** copy) noexcept override { return children_->Clone(copy); }

 private:
  ~AccessibleObject() = default;

  LONG references_ = 1;
  const HWND window_;
  const ComReference<IAccessible> standard_;
  ComReference<IEnumVARIANT> children_;
  const NameSource name_;
  const LONG role_;  // 0: the standard role
};

LRESULT AnswerClientObject(HWND window, WPARAM wParam, LPARAM lParam, NameSource name, LONG role) noexcept {
  if (static_cast<LONG>(lParam) != OBJID_CLIENT) return 0;
  const Accessibility& system = System();
  if (!system.Loaded()) return 0;
  IAccessible* standard = nullptr;
  if (FAILED(system.createStandardObject(window, OBJID_CLIENT, __uuidof(IAccessible),
                                         reinterpret_cast<void**>(&standard)))) {
    return 0;
  }
  ComReference<IAccessible> owned(standard);
  auto* object = new (std::nothrow) AccessibleObject(window, std::move(owned), name, role);
  if (object == nullptr) return 0;
  const LRESULT result =
      system.resultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(object));
  object->Release();
  // Where it cannot be handed out, the reader gets the standard object rather than nothing.
  return result < 0 ? 0 : result;
}

constexpr wchar_t kBaseProcedure[] = L"CorvalidyneBaseProcedure";

LRESULT CALLBACK NamedAfterContainerProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto base = reinterpret_cast<WNDPROC>(GetPropW(control, kBaseProcedure));
  if (message == WM_GETOBJECT && static_cast<LONG>(lParam) == OBJID_CLIENT) {
    return AnswerClientObject(control, wParam, lParam, NameSource::OwnThenContainerText, 0);
  }
  if (message == WM_NCDESTROY) RemovePropW(control, kBaseProcedure);
  return CallWindowProcW(base, control, message, wParam, lParam);
}

}  // namespace

LRESULT AnswerAsGroup(HWND window, WPARAM wParam, LPARAM lParam) noexcept {
  return AnswerClientObject(window, wParam, lParam, NameSource::WindowText, ROLE_SYSTEM_GROUPING);
}

void NameAfterContainer(HWND control) noexcept {
  const LONG_PTR base = GetWindowLongPtrW(control, GWLP_WNDPROC);
  if (base == 0 || !SetPropW(control, kBaseProcedure, reinterpret_cast<HANDLE>(base))) return;
  SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(NamedAfterContainerProc));
}

}  // namespace corvalidyne
