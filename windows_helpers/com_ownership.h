#pragma once

#include <windows.h>
#include <ole2.h>

#include <memory>

namespace corvalidyne {

// A COM reference of ours, released once.
struct ReleaseReference {
  void operator()(IUnknown* object) const noexcept { object->Release(); }
};
template <typename Interface>
using ComReference = std::unique_ptr<Interface, ReleaseReference>;

// A BSTR of ours, freed once. oleaut32.dll is loaded when a string is first
// freed, so that a program which never makes one does not load it.
struct FreeString {
  void operator()(BSTR text) const noexcept;
};
using OwnedString = std::unique_ptr<OLECHAR, FreeString>;

}  // namespace corvalidyne
