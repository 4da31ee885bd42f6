// SPDX-License-Identifier: MIT
// The control in its container: the object's verbs and extents, activation in
// place and of its user interface, and its place in the container's window.
#include "hosting/Embedding.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <utility>

namespace vexo::hosting {

namespace {

// The control's verbs, the same the registration records, so that a
// control deployed without registration offers them too. Each name handed
// out is a copy for the caller to free.
class VerbEnumerator final : public SingleInterface<VerbEnumerator, IEnumOLEVERB, IID_IEnumOLEVERB> {
 public:
  explicit VerbEnumerator(std::size_t position) : position_(position) {}

  HRESULT STDMETHODCALLTYPE Next(ULONG count, OLEVERB* verbs, ULONG* fetched) override {
    RETURN_IF_FAILED(OnOwnerThread());
    if (!verbs || (count > 1 && !fetched)) return E_POINTER;
    ULONG given = 0;
    while (given < count && position_ + given < std::size(StandardVerbs)) {
      const Verb& verb = StandardVerbs[position_ + given];
      const std::size_t bytes = (wcslen(verb.name) + 1) * sizeof(wchar_t);
      auto* name = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
      if (!name) {
        // All or nothing: what was handed out in this call is taken back.
        while (given > 0) CoTaskMemFree(verbs[--given].lpszVerbName);
        if (fetched) *fetched = 0;
        return E_OUTOFMEMORY;
      }
      std::memcpy(name, verb.name, bytes);
      verbs[given++] = OLEVERB{verb.verb, name, verb.menuFlags, verb.attributes};
    }
    position_ += given;
    if (fetched) *fetched = given;
    return given == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    RETURN_IF_FAILED(OnOwnerThread());
    return SkipWithin(position_, std::size(StandardVerbs), count);
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    RETURN_IF_FAILED(OnOwnerThread());
    position_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumOLEVERB** clone) override {
    RETURN_IF_FAILED(OnOwnerThread());
    return CloneWith(clone, [&] { return new VerbEnumerator(position_); });
  }

 private:
  std::size_t position_;
};

}  // namespace

// --- IOleObject

// Each entry that reaches the site or the container holds the object until it
// returns (see Hold), and looks again at what a call to them may have changed:
// the host may deactivate, close, destroy or let go of the control in there.

HRESULT STDMETHODCALLTYPE Embedding::SetHostNames(LPCOLESTR, LPCOLESTR) {
  RETURN_IF_FAILED(OnOwnerThread());
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Embedding::Close(DWORD) {
  RETURN_IF_FAILED(OnOwnerThread());
  const Hold hold = KeepAlive();
  Discard(InPlaceDeactivate(), "the control closes in any case");
  if (const ComPtr<IOleAdviseHolder> advised = adviseHolder_) {
    Discard(advised->SendOnClose(), "a notification: nothing to undo");
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Embedding::SetMoniker(DWORD, IMoniker*) {
  RETURN_IF_FAILED(OnOwnerThread());
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE Embedding::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!moniker) return E_POINTER;
  *moniker = nullptr;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE Embedding::InitFromData(IDataObject*, BOOL, DWORD) {
  RETURN_IF_FAILED(OnOwnerThread());
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE Embedding::GetClipboardData(DWORD, IDataObject** data) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!data) return E_POINTER;
  *data = nullptr;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE Embedding::DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND, LPCRECT) {
  RETURN_IF_FAILED(OnOwnerThread());
  const Hold hold = KeepAlive();
  return Guard([&]() -> HResult {
    if (activeSite && !clientSite_) Discard(SetClientSite(activeSite), "it always succeeds");
    switch (verb) {
      case OLEIVERB_PRIMARY:
      case OLEIVERB_SHOW:
      case OLEIVERB_UIACTIVATE:
        return Activate(Activation::UserInterface);
      case OLEIVERB_INPLACEACTIVATE:
        return Activate(Activation::InPlace);
      case OLEIVERB_HIDE:
        Discard(UIDeactivate(), "it always succeeds");
        awaitingAppearance_ = false;
        GiveUpFocus();
        ShowWindow(surface_, SW_HIDE);
        shown_ = false;
        return S_OK;
      default:
        return verb < 0 ? E_NOTIMPL : OLEOBJ_S_INVALIDVERB;
    }
  });
}

HResult Embedding::Activate(Activation activation) {
  if (!clientSite_ || !surface_) return E_UNEXPECTED;
  if (!inPlaceSite_) {
    ComPtr<IOleInPlaceSite> site;
    RETURN_IF_FAILED(QueryFor(clientSite_.Get(), IID_IOleInPlaceSite, site));
    if (site->CanInPlaceActivate() != S_OK) return E_FAIL;
    RETURN_IF_FAILED(site->OnInPlaceActivate());
    HWND parent = nullptr;
    if (FAILED(site->GetWindow(&parent)) || !IsWindow(parent)) {
      Discard(site->OnInPlaceDeactivate(), "the activation failed in any case");
      return E_FAIL;
    }
    // Without the window context the control knows neither its place nor
    // the frame it would be UI-active in: the activation fails. A container
    // without a document window of its own legitimately gives none.
    RECT position{};
    RECT clip{};
    OLEINPLACEFRAMEINFO frameInfo{};
    frameInfo.cb = sizeof frameInfo;
    frame_.Reset();
    document_.Reset();
    const HRESULT context = site->GetWindowContext(&frame_, &document_, &position, &clip, &frameInfo);
    if (SUCCEEDED(context) && !surface_) {
      // The container destroyed the control's window while it was asked:
      // there is nothing left to place.
      Discard(site->OnInPlaceDeactivate(), "the activation failed in any case");
      return E_UNEXPECTED;
    }
    if (FAILED(context)) {
      frame_.Reset();
      document_.Reset();
      Discard(site->OnInPlaceDeactivate(), "the container's own failure is what the caller hears");
      return context;
    }
    inPlaceSite_ = site;
    SetParent(surface_, parent);
    // A control that could not lay itself out at its place is taken back out
    // of the container, as if it had never been activated.
    const HResult placed = SetObjectRects(&position, &clip);
    if (FAILED(placed)) {
      Discard(InPlaceDeactivate(), "the failure of the placing is what the caller hears");
      return placed;
    }
  }
  if (!shown_) {
    shown_ = true;
    ShowWindow(surface_, SW_SHOWNA);
    RaiseShowWhenVisible();
  }
  return activation == Activation::UserInterface ? ActivateUserInterface() : hr::Ok;
}

HResult Embedding::ActivateUserInterface() {
  if (!inPlaceSite_) return E_UNEXPECTED;
  if (!userInterfaceActive_) {
    // A container that refuses keeps the control active in place only.
    userInterfaceActive_ = true;
    const ComPtr<IOleInPlaceSite> site = inPlaceSite_;
    const HRESULT accepted = site->OnUIActivate();
    if (FAILED(accepted)) {
      userInterfaceActive_ = false;
      return accepted;
    }
    // A container that deactivated the control meanwhile has the last word.
    if (!userInterfaceActive_ || !inPlaceSite_) return S_OK;
    // The frame and the document need not keep an active object or give
    // space for tools the control does not ask for.
    auto* active = static_cast<IOleInPlaceActiveObject*>(this);
    const ComPtr<IOleInPlaceUIWindow> windows[] = {frame_, document_};
    for (const ComPtr<IOleInPlaceUIWindow>& window : windows) {
      if (!window) continue;
      Discard(window->SetActiveObject(active, nullptr), "optional for a container");
      Discard(window->SetBorderSpace(nullptr), "optional for a container");
    }
    if (const ComPtr<IOleControlSite> control = controlSite_) {
      Discard(control->OnFocus(TRUE), "a notification: nothing to undo");
    }
    if (!userInterfaceActive_ || !surface_) return S_OK;
  }
  // The keyboard belongs inside the control while its user interface is
  // active, unless a designer holds it.
  const HWND focus = GetFocus();
  if (!designMode_ && focus != surface_ && !IsChild(surface_, focus)) ::SetFocus(surface_);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Embedding::EnumVerbs(IEnumOLEVERB** verbs) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!verbs) return E_POINTER;
  *verbs = nullptr;
  return Guard([&] {
    *verbs = new VerbEnumerator(0);
    return hr::Ok;
  });
}

HRESULT STDMETHODCALLTYPE Embedding::Update() {
  RETURN_IF_FAILED(OnOwnerThread());
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Embedding::IsUpToDate() {
  RETURN_IF_FAILED(OnOwnerThread());
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Embedding::GetUserClassID(CLSID* clsid) {
  RETURN_IF_FAILED(OnOwnerThread());
  return GetClassID(clsid);
}

HRESULT STDMETHODCALLTYPE Embedding::GetUserType(DWORD form, LPOLESTR* name) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!name) return E_POINTER;
  *name = nullptr;
  // Answered from the class's own names, so that it holds registered or not.
  const wchar_t* text = form == USERCLASSTYPE_FULL    ? ReadableName
                        : form == USERCLASSTYPE_SHORT ? ShortName
                        : form == USERCLASSTYPE_APPNAME ? ApplicationName
                                                        : nullptr;
  if (!text) return E_INVALIDARG;
  const std::size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
  *name = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
  if (!*name) return E_OUTOFMEMORY;
  memcpy(*name, text, bytes);
  return S_OK;
}

// The container proposes a size; the component answers as its Resize does,
// by keeping the size its panels need. GetExtent gives that size.
HRESULT STDMETHODCALLTYPE Embedding::SetExtent(DWORD aspect, SIZEL* size) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (size->cx < 0 || size->cy < 0) return E_INVALIDARG;
  const Hold hold = KeepAlive();
  return Guard([&] { return Link().ProposeHimetric(size->cx, size->cy); });
}

HRESULT STDMETHODCALLTYPE Embedding::GetExtent(DWORD aspect, SIZEL* size) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!size) return E_POINTER;
  *size = SIZEL{0, 0};
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  const win32::Extent natural = Link().NaturalHimetric();
  *size = SIZEL{natural.width, natural.height};
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Embedding::Advise(IAdviseSink* sink, DWORD* connection) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!connection) return E_POINTER;
  *connection = 0;
  if (!adviseHolder_) RETURN_IF_FAILED(CreateOleAdviseHolder(&adviseHolder_));
  return adviseHolder_->Advise(sink, connection);
}

HRESULT STDMETHODCALLTYPE Embedding::Unadvise(DWORD connection) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!adviseHolder_) return OLE_E_NOCONNECTION;
  return adviseHolder_->Unadvise(connection);
}

HRESULT STDMETHODCALLTYPE Embedding::EnumAdvise(IEnumSTATDATA** advises) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!advises) return E_POINTER;
  *advises = nullptr;
  if (!adviseHolder_) return S_OK;
  return adviseHolder_->EnumAdvise(advises);
}

HRESULT STDMETHODCALLTYPE Embedding::GetMiscStatus(DWORD, DWORD* status) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!status) return E_POINTER;
  *status = MiscStatus;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Embedding::SetColorScheme(LOGPALETTE*) {
  RETURN_IF_FAILED(OnOwnerThread());
  return E_NOTIMPL;
}

// --- IOleWindow

HRESULT STDMETHODCALLTYPE Embedding::GetWindow(HWND* window) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!window) return E_POINTER;
  *window = surface_;
  return surface_ ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE Embedding::ContextSensitiveHelp(BOOL) {
  RETURN_IF_FAILED(OnOwnerThread());
  return E_NOTIMPL;
}

// --- IOleInPlaceObject

HRESULT STDMETHODCALLTYPE Embedding::InPlaceDeactivate() {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!inPlaceSite_) return S_OK;
  const Hold hold = KeepAlive();
  Discard(UIDeactivate(), "it always succeeds");
  // The container may have deactivated the control itself while it was told.
  if (!inPlaceSite_) return S_OK;
  awaitingAppearance_ = false;
  if (surface_) {
    GiveUpFocus();
    ShowWindow(surface_, SW_HIDE);
    SetParent(surface_, HWND_MESSAGE);
  }
  shown_ = false;
  const ComPtr<IOleInPlaceSite> site = std::move(inPlaceSite_);
  frame_.Reset();
  document_.Reset();
  Discard(site->OnInPlaceDeactivate(), "a notification: nothing to undo");
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Embedding::UIDeactivate() {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!userInterfaceActive_) return S_OK;
  const Hold hold = KeepAlive();
  userInterfaceActive_ = false;
  // Notifications, each optional for a container: nothing to undo. Each is
  // held here, since the one told before may have let go of the next.
  const ComPtr<IOleInPlaceUIWindow> windows[] = {frame_, document_};
  for (const ComPtr<IOleInPlaceUIWindow>& window : windows) {
    if (window) Discard(window->SetActiveObject(nullptr, nullptr), "optional for a container");
  }
  if (const ComPtr<IOleControlSite> control = controlSite_) {
    Discard(control->OnFocus(FALSE), "a notification: nothing to undo");
  }
  if (const ComPtr<IOleInPlaceSite> site = inPlaceSite_) {
    Discard(site->OnUIDeactivate(FALSE), "a notification: nothing to undo");
  }
  return S_OK;
}

// The surface stands at the rectangle's corner at its own size; a container
// that offered another size hears of it once the component's Resize kept it.
HRESULT STDMETHODCALLTYPE Embedding::SetObjectRects(LPCRECT position, LPCRECT) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!position) return E_POINTER;
  const Hold hold = KeepAlive();
  return Guard([&]() -> HResult {
    const bool wasPlacing = std::exchange(placing_, true);
    // Moved only when it is not there yet: a container places its control
    // more than once where it already stands.
    RECT now{};
    GetWindowRect(surface_, &now);
    MapWindowPoints(nullptr, GetParent(surface_), reinterpret_cast<POINT*>(&now), 1);
    if (now.left != position->left || now.top != position->top) {
      SetWindowPos(surface_, nullptr, position->left, position->top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // The offered size goes to the component as a resize of its surface.
    const HResult status =
        toolkit_->SurfaceSized(position->right - position->left, position->bottom - position->top);
    const win32::Extent natural = Link().NaturalPixels();
    RECT client{};
    GetClientRect(surface_, &client);
    if (client.right != natural.width || client.bottom != natural.height) {
      SetWindowPos(surface_, nullptr, 0, 0, natural.width, natural.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    placing_ = wasPlacing;
    if (!placing_ && inPlaceSite_ && !reportingPosition_ &&
        (position->right - position->left != natural.width || position->bottom - position->top != natural.height)) {
      RECT placed{position->left, position->top, position->left + natural.width, position->top + natural.height};
      reportingPosition_ = true;
      const ComPtr<IOleInPlaceSite> site = inPlaceSite_;
      Discard(site->OnPosRectChange(&placed), "a container that keeps its rectangle clips the control");
      reportingPosition_ = false;
    }
    return status;
  });
}

HRESULT STDMETHODCALLTYPE Embedding::ReactivateAndUndo() {
  RETURN_IF_FAILED(OnOwnerThread());
  return INPLACE_E_NOTUNDOABLE;
}

}  // namespace vexo::hosting
