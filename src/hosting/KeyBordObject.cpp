// SPDX-License-Identifier: MIT
// The KeyBord COM object: one component instance behind the dual interface
// _KeyBord. One reference count and one QueryInterface serve every interface
// of the object; dispatch goes through the type library.
#include "hosting/Com.h"
#include "hosting/Dispatch.h"
#include "hosting/Embedding.h"
#include "hosting/PropertyPage.h"

#include <memory>
#include <string>
#include <utility>

#include "component/KeyBord.h"
#include "widgets/Status.h"

namespace vexo::hosting {

namespace {

constexpr wchar_t ErrorSource[] = L"VexoKeyBord.KeyBord";

std::u16string FromBstr(BSTR text) {
  return text ? std::u16string(reinterpret_cast<const char16_t*>(text), SysStringLen(text)) : std::u16string();
}

BSTR ToBstr(const std::u16string& text) {
  return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()));
}

// Records the failure `status` as the thread's error information so that
// callers, early and late bound, can show what went wrong.
HResult SetErrorInformation(HResult status) {
  const std::string_view description = DescribeStatus(status);
  const std::wstring text(description.begin(), description.end());
  ComPtr<ICreateErrorInfo> create;
  RETURN_IF_FAILED(CreateErrorInfo(&create));
  RETURN_IF_FAILED(create->SetGUID(IID__KeyBord));
  RETURN_IF_FAILED(create->SetSource(const_cast<LPOLESTR>(ErrorSource)));
  RETURN_IF_FAILED(create->SetDescription(const_cast<LPOLESTR>(text.c_str())));
  ComPtr<IErrorInfo> info;
  RETURN_IF_FAILED(create.As(&info));
  return SetErrorInfo(0, info.Get());
}

// An in/out parameter's value as the component takes it, and its value
// written back: the old string is freed only once the new one exists.
std::u16string TakeIn(BSTR text) { return FromBstr(text); }
std::int16_t TakeIn(short code) { return code; }

HResult WriteBack(BSTR* parameter, const std::u16string& text) {
  BSTR copy = ToBstr(text);
  if (!copy) return hr::OutOfMemory;
  SysFreeString(*parameter);
  *parameter = copy;
  return hr::Ok;
}

HResult WriteBack(short* parameter, std::int16_t code) {
  *parameter = code;
  return hr::Ok;
}

// The descriptions of the interface from the library's own type library are
// the same for every instance: read once, by the first instance, and kept
// until the library may be unloaded.
struct TypeDescriptions {
  ComPtr<ITypeLib> library;
  ComPtr<ITypeInfo> dispatchInfo;  // what hosts are given: the dispatch side of _KeyBord
  ComPtr<ITypeInfo> vtableInfo;    // what calls go through: its function-table side
  MemberTable members;             // of the function-table side, for Invoke's conversions
};

SRWLOCK descriptionsLock = SRWLOCK_INIT;
TypeDescriptions* descriptions = nullptr;  // released by ReleaseTypeDescriptions, not at exit

HResult ReadTypeDescriptions(TypeDescriptions& read) {
  std::wstring path;
  RETURN_IF_FAILED(ModulePath(path));
  RETURN_IF_FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &read.library));
  RETURN_IF_FAILED(read.library->GetTypeInfoOfGuid(IID__KeyBord, &read.dispatchInfo));
  // Calls go through the function-table side of the dual interface.
  HREFTYPE twin = 0;
  RETURN_IF_FAILED(read.dispatchInfo->GetRefTypeOfImplType(static_cast<UINT>(-1), &twin));
  RETURN_IF_FAILED(read.dispatchInfo->GetRefTypeInfo(twin, &read.vtableInfo));
  return read.members.Load(read.vtableInfo.Get());
}

HResult SharedTypeDescriptions(const TypeDescriptions*& shared) {
  AcquireSRWLockExclusive(&descriptionsLock);
  const HResult status = Guard([&]() -> HResult {
    if (!descriptions) {
      auto read = std::make_unique<TypeDescriptions>();
      RETURN_IF_FAILED(ReadTypeDescriptions(*read));
      descriptions = read.release();
    }
    return S_OK;
  });
  shared = descriptions;
  ReleaseSRWLockExclusive(&descriptionsLock);
  return status;
}

class KeyBordObject final : public Embedding,
                            public _KeyBord,
                            public ISupportErrorInfo,
                            public IProvideClassInfo2,
                            public ISpecifyPropertyPages {
 public:
  KeyBordObject() { ObjectCreated(); }
  ~KeyBordObject() { ObjectDestroyed(); }
  KeyBordObject(const KeyBordObject&) = delete;
  KeyBordObject& operator=(const KeyBordObject&) = delete;

  // Loads the interface descriptions from the library's own type library,
  // builds the widgets and runs the component's start-up, as a host's
  // creation of the control does.
  HResult Start() {
    const TypeDescriptions* types = nullptr;
    RETURN_IF_FAILED(SharedTypeDescriptions(types));
    library_ = types->library;
    dispatchInfo_ = types->dispatchInfo;
    vtableInfo_ = types->vtableInfo;
    members_ = &types->members;
    return StartEmbedding();
  }

  // --- IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID__KeyBord) {
      *object = static_cast<_KeyBord*>(this);
    } else if (iid == IID_ISupportErrorInfo) {
      *object = static_cast<ISupportErrorInfo*>(this);
    } else if (iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2) {
      *object = static_cast<IProvideClassInfo2*>(this);
    } else if (iid == IID_ISpecifyPropertyPages) {
      *object = static_cast<ISpecifyPropertyPages*>(this);
    } else if (void* embedded = EmbeddingInterface(iid)) {
      *object = embedded;
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
  ULONG STDMETHODCALLTYPE Release() override {
    // The windows live on the owner's thread and can be destroyed only
    // there: a last reference given up on another thread (a finalizer, a
    // pool's thread) is handed to it, and the object goes there.
    if (FAILED(OnOwnerThread())) {
      const ULONG left = references_.ReleaseUnlessLast();
      if (left > 0 || HandLastReferenceToOwner()) return left;
    }
    return references_.Release(this);
  }

  // --- IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    RETURN_IF_FAILED(OnOwnerThread());
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    RETURN_IF_FAILED(OnOwnerThread());
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return dispatchInfo_.CopyTo(info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    RETURN_IF_FAILED(OnOwnerThread());
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids) return E_POINTER;
    return vtableInfo_->GetIDsOfNames(names, count, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT* argumentError) override;

  // --- ISupportErrorInfo
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override {
    RETURN_IF_FAILED(OnOwnerThread());
    return iid == IID__KeyBord ? S_OK : S_FALSE;
  }

  // --- IProvideClassInfo
  HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) override {
    RETURN_IF_FAILED(OnOwnerThread());
    if (!info) return E_POINTER;
    *info = nullptr;
    return library_->GetTypeInfoOfGuid(CLSID_KeyBord, info);
  }

  // --- IProvideClassInfo2
  HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) override {
    RETURN_IF_FAILED(OnOwnerThread());
    if (!guid) return E_POINTER;
    *guid = GUID_NULL;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
    *guid = DIID___KeyBord;
    return S_OK;
  }

  // --- ISpecifyPropertyPages: the control's own page.
  HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) override {
    RETURN_IF_FAILED(OnOwnerThread());
    if (!pages) return E_POINTER;
    *pages = CAUUID{};
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    if (!pages->pElems) return E_OUTOFMEMORY;
    pages->pElems[0] = CLSID_KeyBordPage;
    pages->cElems = 1;
    return S_OK;
  }

  // --- _KeyBord, in the order of its function table.
  HRESULT STDMETHODCALLTYPE AfterFindImage(BSTR* ChrStr) override {
    return InOutMember(ChrStr, [this](std::u16string& text) { return Component().AfterFindImage(text); });
  }
  HRESULT STDMETHODCALLTYPE EnterKey() override { return Member([&] { return Component().EnterKey(); }); }
  HRESULT STDMETHODCALLTYPE FindABC(BSTR* ChrStr) override {
    return InOutMember(ChrStr, [this](std::u16string& text) { return Component().FindABC(text); });
  }
  HRESULT STDMETHODCALLTYPE FindImage(short KeyCode, short Shift) override {
    return Member([&] { return Component().FindImage(KeyCode, Shift); });
  }
  HRESULT STDMETHODCALLTYPE FindImageNumber(short KeyCode) override {
    return Member([&] { return Component().FindImageNumber(KeyCode); });
  }
  HRESULT STDMETHODCALLTYPE GetMessage(short* KodKey) override {
    return InOutMember(KodKey, [this](std::int16_t& code) { return Component().GetMessage(code); });
  }
  HRESULT STDMETHODCALLTYPE KeyF1ToF6(short* CodeKey) override {
    return InOutMember(CodeKey, [this](std::int16_t& code) { return Component().KeyF1ToF6(code); });
  }
  HRESULT STDMETHODCALLTYPE LeftPos() override { return Member([&] { return Component().LeftPos(); }); }
  HRESULT STDMETHODCALLTYPE FindNumber(BSTR* ChrStr) override {
    return InOutMember(ChrStr, [this](std::u16string& text) { return Component().FindNumber(text); });
  }
  HRESULT STDMETHODCALLTYPE RightPos() override { return Member([&] { return Component().RightPos(); }); }
  HRESULT STDMETHODCALLTYPE get_CapsLock(VARIANT_BOOL* value) override {
    return Getter(value, VARIANT_FALSE, [this](VARIANT_BOOL& out) -> HResult {
      std::int16_t caps = VariantFalse;
      RETURN_IF_FAILED(HostRead([&] { return Component().get_CapsLock(caps); }));
      out = caps;
      return hr::Ok;
    });
  }
  HRESULT STDMETHODCALLTYPE get_ChangeBord(enum ::ActivPanel* value) override {
    return Getter(value, ::abcAct, [this](enum ::ActivPanel& out) -> HResult {
      vexo::ActivPanel active = vexo::ActivPanel::abcAct;
      RETURN_IF_FAILED(HostRead([&] { return Component().get_ChangeBord(active); }));
      out = static_cast<enum ::ActivPanel>(active);
      return hr::Ok;
    });
  }
  HRESULT STDMETHODCALLTYPE put_ChangeBord(enum ::ActivPanel vNewValue) override {
    return Member([&] { return Component().put_ChangeBord(static_cast<vexo::ActivPanel>(vNewValue)); });
  }
  HRESULT STDMETHODCALLTYPE put_CapsLock(VARIANT_BOOL vNewValue) override {
    return Member([&] { return Component().put_CapsLock(vNewValue); });
  }
  HRESULT STDMETHODCALLTYPE get_Text(BSTR* value) override {
    return Getter(value, BSTR{nullptr}, [this](BSTR& out) -> HResult {
      std::u16string text;
      RETURN_IF_FAILED(HostRead([&] { return Component().get_Text(text); }));
      out = ToBstr(text);
      return out ? hr::Ok : hr::OutOfMemory;
    });
  }
  HRESULT STDMETHODCALLTYPE put_Text(BSTR vNewValue) override {
    return Member([&] {
      const std::u16string text = FromBstr(vNewValue);
      return Component().put_Text(text);
    });
  }
  HRESULT STDMETHODCALLTYPE get_MaxLength(short* value) override {
    return Getter(value, short{0}, [this](short& out) -> HResult {
      std::int16_t limit = 0;
      RETURN_IF_FAILED(HostRead([&] { return Component().get_MaxLength(limit); }));
      out = limit;
      return hr::Ok;
    });
  }
  HRESULT STDMETHODCALLTYPE put_MaxLength(short vNewValue) override {
    return Member([&] { return Component().put_MaxLength(vNewValue); });
  }

 private:
  // Every member of _KeyBord is one of these four kinds. Each first makes
  // sure that it runs on the object's own thread, then holds the object
  // until it returns (see Hold): the host's code that it reaches may let go
  // of the control, which must outlive the member's last step, the
  // recording of its status.

  // A member with plain arguments: the component's call as a host makes it,
  // its status recorded for the caller.
  template <typename Body>
  HResult Member(Body&& body) {
    RETURN_IF_FAILED(OnOwnerThread());
    const Hold hold = KeepAlive();
    return Done(Guard([&] { return HostCall(std::forward<Body>(body)); }));
  }
  // A property get: its out-parameter holds `initial` before any other work,
  // so that it is defined even when the get fails.
  template <typename Value, typename Body>
  HResult Getter(Value* value, Value initial, Body&& body) {
    RETURN_IF_FAILED(OnOwnerThread());
    const Hold hold = KeepAlive();
    if (!value) return Done(E_POINTER);
    *value = initial;
    return Done(Guard([&] { return body(*value); }));
  }
  // An in/out member, of a string or an integer: the caller's value goes in
  // and whatever the member leaves in it comes back, also when the member
  // fails part-way.
  template <typename Parameter, typename Body>
  HResult InOutMember(Parameter* parameter, Body&& body) {
    RETURN_IF_FAILED(OnOwnerThread());
    const Hold hold = KeepAlive();
    if (!parameter) return Done(E_POINTER);
    return Done(Guard([&] {
      auto value = TakeIn(*parameter);
      const HResult status = HostCall([&] { return body(value); });
      RETURN_IF_FAILED(WriteBack(parameter, value));
      return status;
    }));
  }

  // Ends a member: a failure becomes the thread's error information and is
  // remembered for Invoke, which hands it to late-bound callers.
  HResult Done(HResult status) {
    if (SUCCEEDED(status)) return status;
    lastFailure_ = status;
    Discard(Guard([&] { return SetErrorInformation(status); }),
            "error information is a courtesy: the status itself reaches the caller");
    return status;
  }

  ReferenceCount references_;
  HResult lastFailure_ = hr::Ok;  // of the last member that failed, reset by Invoke
  ComPtr<ITypeLib> library_;
  ComPtr<ITypeInfo> dispatchInfo_;  // what hosts are given: the dispatch side of _KeyBord
  ComPtr<ITypeInfo> vtableInfo_;    // what calls go through: its function-table side
  const MemberTable* members_ = nullptr;  // shared, for Invoke's conversions
};

// Arguments are converted to their parameters' types before the call (see
// AdaptedArguments); a member's failure reaches late-bound callers as an
// exception with the member's status and description.
HRESULT STDMETHODCALLTYPE KeyBordObject::Invoke(DISPID member, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                                                 VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (!params) return E_POINTER;
  if (params->cArgs > 0 && !params->rgvarg) return E_INVALIDARG;
  if (params->cNamedArgs > params->cArgs || (params->cNamedArgs > 0 && !params->rgdispidNamedArgs)) {
    return E_INVALIDARG;
  }
  const Hold hold = KeepAlive();

  return Guard([&]() -> HResult {
    AdaptedArguments arguments;
    RETURN_IF_FAILED(arguments.Adapt(*params, members_->Find(member, flags), argumentError));
    DISPPARAMS adapted = arguments.Params(*params);
    if (exception) *exception = EXCEPINFO{};
    Discard(SetErrorInfo(0, nullptr), "clearing what an earlier call left behind");
    lastFailure_ = S_OK;
    HRESULT status = vtableInfo_->Invoke(static_cast<_KeyBord*>(this), member, flags, &adapted, result, exception,
                                         argumentError);
    arguments.WriteBack();

    // A member's failure reaches late-bound callers as an exception with the
    // member's status and description, whatever the dispatch made of it.
    if (FAILED(lastFailure_)) {
      if (exception) {
        SysFreeString(exception->bstrSource);
        SysFreeString(exception->bstrDescription);
        SysFreeString(exception->bstrHelpFile);
        *exception = EXCEPINFO{};
        exception->scode = lastFailure_;
        const std::string_view description = DescribeStatus(lastFailure_);
        const std::wstring text(description.begin(), description.end());
        exception->bstrSource = SysAllocString(ErrorSource);
        exception->bstrDescription = SysAllocString(text.c_str());
      }
      // The dispatch may have taken the error information: it is set again.
      Discard(SetErrorInformation(lastFailure_), "the exception already carries the member's status");
      status = DISP_E_EXCEPTION;
    }
    return status;
  });
}

}  // namespace

void ReleaseTypeDescriptions(bool (*unused)()) {
  AcquireSRWLockExclusive(&descriptionsLock);
  // Asked again under the lock: an instance counts itself before it takes them.
  if (unused()) delete std::exchange(descriptions, nullptr);
  ReleaseSRWLockExclusive(&descriptionsLock);
}

HResult CreateKeyBord(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  KeyBordObject* created = nullptr;
  HResult status = Guard([&] {
    created = new KeyBordObject();
    return created->Start();
  });
  if (!created) return status;
  if (SUCCEEDED(status)) status = created->QueryInterface(iid, object);
  created->Release();
  return status;
}

}  // namespace vexo::hosting
