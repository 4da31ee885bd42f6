// Stand-ins for a container's parts that a test puts in the control's way:
// a property bag in memory and a client site in front of the container's own.
// Both live on the test's stack.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <olectl.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

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

}  // namespace vexo::harness
