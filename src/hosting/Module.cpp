// SPDX-License-Identifier: MIT
// The library's entry point, its class factories and the unload count.
#include <initguid.h>  // defines the identifiers that the generated header declares

#include "hosting/Com.h"
#include "hosting/PropertyPage.h"

#include <new>
#include "widgets/win32/LastError.h"

namespace vexo::hosting {

namespace {

HINSTANCE module = nullptr;
LONG objects = 0;  // live instances: controls and property pages
LONG locks = 0;    // IClassFactory::LockServer(TRUE) not yet undone

// The factories of the library's classes, the control and its property page.
// They live as long as the library: their reference count does not keep the
// library loaded, LockServer does.
class ClassFactory final : public IClassFactory {
 public:
  explicit constexpr ClassFactory(HResult (*create)(REFIID, void**)) : create_(create) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return create_(iid, object);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    LockModule(lock != FALSE);
    return S_OK;
  }

 private:
  HResult (*create_)(REFIID, void**);
};

ClassFactory controlFactory(CreateKeyBord);
ClassFactory pageFactory(CreatePropertyPage);

}  // namespace

HINSTANCE ModuleHandle() { return module; }

HResult ModulePath(std::wstring& path) {
  path.assign(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return win32::LastError();
    if (length < path.size()) {
      path.resize(length);
      return S_OK;
    }
    if (path.size() >= 32768) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    path.resize(path.size() * 2);
  }
}

bool Unused() {
  return InterlockedCompareExchange(&objects, 0, 0) == 0 && InterlockedCompareExchange(&locks, 0, 0) == 0;
}

void ObjectCreated() { InterlockedIncrement(&objects); }
void ObjectDestroyed() { InterlockedDecrement(&objects); }
void LockModule(bool lock) {
  if (lock) {
    InterlockedIncrement(&locks);
  } else {
    InterlockedDecrement(&locks);
  }
}

}  // namespace vexo::hosting

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  // Thread notifications stay on: the statically linked runtime cleans up
  // its thread-local storage in them.
  if (reason == DLL_PROCESS_ATTACH) vexo::hosting::module = instance;
  // Unloaded by FreeLibrary (not at process exit): a class left registered
  // would point into code that is gone, and a library loaded again at
  // another address would find it taken.
  if (reason == DLL_PROCESS_DETACH && reserved == nullptr) vexo::hosting::UnregisterWindowClasses();
  return TRUE;
}

STDAPI DllCanUnloadNow() {
  using namespace vexo::hosting;
  if (!Unused()) return S_FALSE;
  // The library may go now: what the instances shared goes first.
  ReleaseTypeDescriptions(Unused);
  return S_OK;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  using namespace vexo::hosting;
  if (clsid == CLSID_KeyBord) return controlFactory.QueryInterface(iid, object);
  if (clsid == CLSID_KeyBordPage) return pageFactory.QueryInterface(iid, object);
  return CLASS_E_CLASSNOTAVAILABLE;
}

}  // extern "C"
