// SPDX-License-Identifier: MIT
// Stand-ins for a container's parts that a test puts in the control's way:
// a property bag in memory, a client site in front of the container's own, a
// site of the least kind and a storage that hands back nothing. All live on
// the test's stack.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <olectl.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace vexo::harness {

// A property bag of named variants. It can refuse one name, lists the names
// written in order, and runs the host's code before each Read and Write
// (`told`) or after a write (`afterWrite`): a bag that calls the control back.
class MemoryBag final : public IPropertyBag {
 public:
  ~MemoryBag() {
    for (auto& [name, value] : values) VariantClear(&value);
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    *object = iid == IID_IUnknown || iid == IID_IPropertyBag ? this : nullptr;
    return *object ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
    if (told) told();
    if (name == refused) return E_ACCESSDENIED;
    const auto found = values.find(name);
    return found == values.end() ? E_INVALIDARG : VariantCopy(value, &found->second);
  }
  HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* value) override {
    if (told) told();
    written.push_back(name);
    if (name == refused) return E_ACCESSDENIED;
    VARIANT& stored = Slot(name);
    const HRESULT status = VariantCopy(&stored, value);
    if (afterWrite) afterWrite(name);
    return status;
  }
  void Put(const wchar_t* name, VARTYPE type, double number) {
    VARIANT value;
    VariantInit(&value);
    V_VT(&value) = VT_R8;
    V_R8(&value) = number;
    ASSERT_EQ(VariantChangeType(&Slot(name), &value, 0, type), S_OK);
  }
  void PutText(const wchar_t* name, const wchar_t* text) {
    VARIANT& stored = Slot(name);
    V_VT(&stored) = VT_BSTR;
    V_BSTR(&stored) = SysAllocString(text);
  }

  std::map<std::wstring, VARIANT> values;
  std::vector<std::wstring> written;
  std::wstring refused;
  std::function<void()> told;
  std::function<void(const std::wstring&)> afterWrite;

 private:
  VARIANT& Slot(const wchar_t* name) {
    VARIANT& stored = values[name];
    VariantClear(&stored);
    return stored;
  }
};

// The container's client site with an interface of the test's own (`Own`,
// such as IDispatch for the ambient properties or IOleControlSite) put in
// front: every other interface, and every call of IOleClientSite, is the
// container's. It counts the references the control holds.
template <typename Own>
class ForwardingSite : public IOleClientSite, public Own {
 public:
  explicit ForwardingSite(Microsoft::WRL::ComPtr<IOleClientSite> inner) : inner_(std::move(inner)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
      *object = static_cast<IOleClientSite*>(this);
    } else if (iid == __uuidof(Own)) {
      if (!answersOwn) return E_NOINTERFACE;
      *object = static_cast<Own*>(this);
    } else {
      return inner_->QueryInterface(iid, object);
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references); }

  HRESULT STDMETHODCALLTYPE SaveObject() override { return inner_->SaveObject(); }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override {
    return inner_->GetMoniker(assign, which, moniker);
  }
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override {
    return inner_->GetContainer(container);
  }
  HRESULT STDMETHODCALLTYPE ShowObject() override { return inner_->ShowObject(); }
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL show) override { return inner_->OnShowWindow(show); }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return inner_->RequestNewObjectLayout(); }

  bool answersOwn = true;  // false: the site has no `Own`, and says so
  int references = 1;

 private:
  Microsoft::WRL::ComPtr<IOleClientSite> inner_;
};

// A site of the least kind a container gives: a window, no frame, no
// document; what it does when told of a step is the test's. It counts the
// references the control holds. Asked for an interface of `emptyAnswers`, it
// answers success and hands back nothing, as a broken or hostile container's
// site may; asked as a sink, it is one of those.
class LeastSite final : public IOleClientSite, public IOleInPlaceSite {
 public:
  explicit LeastSite(HWND window, std::vector<IID> emptyAnswers = {})
      : window_(window), emptyAnswers_(std::move(emptyAnswers)) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    *object = nullptr;
    if (std::find(emptyAnswers_.begin(), emptyAnswers_.end(), iid) != emptyAnswers_.end()) return S_OK;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite) *object = static_cast<IOleClientSite*>(this);
    if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) *object = static_cast<IOleInPlaceSite*>(this);
    if (!*object) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references); }
  HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer**) override { return E_NOINTERFACE; }
  HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
    *window = window_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                             LPRECT clip, LPOLEINPLACEFRAMEINFO) override {
    *frame = nullptr;
    *document = nullptr;
    *position = *clip = RECT{0, 0, 600, 160};
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override {
    if (uiDeactivated) uiDeactivated();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override {
    ++deactivations;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }

  std::function<void()> uiDeactivated;
  int deactivations = 0;
  int references = 1;

 private:
  HWND window_;
  std::vector<IID> emptyAnswers_;
};

// A container's storage that answers the opening and the making of a stream
// with success and no stream, as a broken or hostile one may; it holds
// nothing else.
class EmptyHandedStorage final : public IStorage {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    *object = iid == IID_IUnknown || iid == IID_IStorage ? this : nullptr;
    return *object ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the test's stack
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateStream(const OLECHAR*, DWORD, DWORD, DWORD, IStream** stream) override {
    *stream = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OpenStream(const OLECHAR*, void*, DWORD, DWORD, IStream** stream) override {
    *stream = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE CreateStorage(const OLECHAR*, DWORD, DWORD, DWORD, IStorage**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE OpenStorage(const OLECHAR*, IStorage*, DWORD, SNB, DWORD, IStorage**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE CopyTo(DWORD, const IID*, SNB, IStorage*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE MoveElementTo(const OLECHAR*, IStorage*, const OLECHAR*, DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumElements(DWORD, void*, DWORD, IEnumSTATSTG**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DestroyElement(const OLECHAR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RenameElement(const OLECHAR*, const OLECHAR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetElementTimes(const OLECHAR*, const FILETIME*, const FILETIME*,
                                            const FILETIME*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetClass(REFCLSID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetStateBits(DWORD, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
};

}  // namespace vexo::harness
