// SPDX-License-Identifier: MIT
// The platform headers for the component library, in the one order that keeps
// the name GetMessage free for the component's method of that name.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <olectl.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstddef>
#include <string>

#ifdef GetMessage
#undef GetMessage
#endif

#include "VexoKeyBord_h.h"  // generated from VexoKeyBord.idl
#include "hosting/RegistrationTable.h"
#include "widgets/Boundary.h"
#include "widgets/win32/OwnerThread.h"

namespace vexo::hosting {

using Microsoft::WRL::ComPtr;

// The library's module handle, set on process attach.
HINSTANCE ModuleHandle();
// The full path of the library file.
HResult ModulePath(std::wstring& path);

// Unregisters the window classes that instances registered for the whole
// process; for the library's unloading, when no instance lives.
void UnregisterWindowClasses();

// Live instances and factory locks, for DllCanUnloadNow.
void ObjectCreated();
void ObjectDestroyed();
void LockModule(bool lock);

// How a container treats the control: its client site set first, activated
// when visible, inside-out, no links inside, recomposed on resize. The object
// answers it and registration records it.
inline constexpr DWORD MiscStatus = registration::MiscStatus;
static_assert(MiscStatus == (OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT |
                             OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE));

// The names a container shows: the full one, the short one and the
// application's, in the order of USERCLASSTYPE.
using registration::ReadableName;
inline constexpr wchar_t ShortName[] = L"KeyBord";
inline constexpr wchar_t ApplicationName[] = L"VexoKeyBord";

// The verbs a container may offer; registration records them and EnumVerbs
// reads them back.
using registration::Verb;
inline constexpr const auto& StandardVerbs = registration::Verbs;

// The count of an object that frees itself on its last Release. The owner
// answers AddRef and Release with Add and Release(this).
class ReferenceCount {
 public:
  ULONG Add() { return static_cast<ULONG>(InterlockedIncrement(&count_)); }
  // Deletes `owner` when this was its last reference; touches nothing of it
  // afterwards.
  template <typename Owner>
  ULONG Release(Owner* owner) {
    const LONG left = InterlockedDecrement(&count_);
    if (left == 0) delete owner;
    return static_cast<ULONG>(left);
  }
  // Gives up a reference unless it is the last: that one stays counted, the
  // caller's to hand on, and the answer is 0. The count never passes through
  // zero here, so no other thread can free the owner meanwhile.
  ULONG ReleaseUnlessLast() {
    LONG count = InterlockedCompareExchange(&count_, 0, 0);
    while (count > 1) {
      const LONG seen = InterlockedCompareExchange(&count_, count - 1, count);
      if (seen == count) return static_cast<ULONG>(count - 1);
      count = seen;
    }
    return 0;
  }

 private:
  LONG count_ = 1;
};

// The status of a call out that hands back a pointer: a success that hands
// back none is that call's failure, `none`, so that nothing goes on to use a
// pointer that is not there. `given` is the holder the call fills, looked at
// only here, after the call, whatever order the arguments are made in.
template <typename Interface>
HResult Answered(HRESULT status, const ComPtr<Interface>& given, HResult none) {
  return FAILED(status) || given ? HResult(status) : none;
}

// Asks `object` for `iid` as a container's object or a sink is asked: an
// answer of success without a pointer is no interface, and a pointer handed
// back with a failure is not taken (nor released: it is nothing the caller
// owns).
template <typename Interface>
HResult QueryFor(IUnknown* object, REFIID iid, ComPtr<Interface>& to) {
  const HRESULT status = object->QueryInterface(iid, reinterpret_cast<void**>(to.ReleaseAndGetAddressOf()));
  if (FAILED(status)) to.Detach();
  return Answered(status, to, E_NOINTERFACE);
}

// QueryInterface of an object that offers one interface besides IUnknown.
template <typename Interface>
HResult QueryOne(Interface* self, REFIID offered, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid != IID_IUnknown && iid != offered) return E_NOINTERFACE;
  *object = self;
  self->AddRef();
  return S_OK;
}

// IUnknown of an object that offers one interface and frees itself on its
// last Release; `Derived` is the object's own class, so that the delete
// reaches its destructor. The thread that makes it owns it: each member of
// `Interface` begins with RETURN_IF_FAILED(OnOwnerThread()).
template <typename Derived, typename Interface, const IID& Iid>
class SingleInterface : public Interface {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    return QueryOne<Interface>(this, Iid, iid, object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
  ULONG STDMETHODCALLTYPE Release() override { return references_.Release(static_cast<Derived*>(this)); }

 protected:
  HResult OnOwnerThread() const { return owner_.Check(); }

 private:
  ReferenceCount references_;
  win32::OwnerThread owner_;
};

// Skip of an enumerator at `position` over `size` items: it moves as far as
// it can, and S_FALSE says it ran out first.
inline HResult SkipWithin(std::size_t& position, std::size_t size, ULONG count) {
  const std::size_t left = size - position;
  position += std::min<std::size_t>(count, left);
  return count <= left ? S_OK : S_FALSE;
}

// Clone of an enumerator: `make` returns the copy, with its one reference.
template <typename Interface, typename Make>
HResult CloneWith(Interface** clone, Make make) {
  if (!clone) return E_POINTER;
  *clone = nullptr;
  return Guard([&] {
    *clone = make();
    return hr::Ok;
  });
}

// Lets go of what instances share, the type library's descriptions, if
// `unused()` still holds once no instance can take them meanwhile; for when
// the library may be unloaded.
void ReleaseTypeDescriptions(bool (*unused)());

// Creates a KeyBord instance, started up, and asks it for `iid`.
HResult CreateKeyBord(REFIID iid, void** object);

}  // namespace vexo::hosting
