// The control in its container: the object's verbs and extents, activation in
// place and of its user interface, the keys it takes before the container's
// accelerators, and the control's dealings with its site.
#include "hosting/Embedding.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <utility>

namespace vexo::hosting {

namespace {

constexpr int HimetricPerInch = 2540;

// The modifier flags of IOleControlSite::TranslateAccelerator.
constexpr DWORD KeyModShift = 1;
constexpr DWORD KeyModControl = 2;
constexpr DWORD KeyModAlt = 4;

// The keys that a container's accelerators could take before the panel sees
// them: arrows, paging, Home, End, the editing keys and the function keys.
bool KeyForPanel(WPARAM key) {
  switch (key) {
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN:
    case VK_PRIOR: case VK_NEXT: case VK_HOME: case VK_END:
    case VK_DELETE: case VK_BACK:
      return true;
    default:
      return key >= VK_F1 && key <= VK_F24;
  }
}

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

HRESULT STDMETHODCALLTYPE Embedding::SetClientSite(IOleClientSite* site) {
  RETURN_IF_FAILED(OnOwnerThread());
  const Hold hold = KeepAlive();
  if (!site) Discard(InPlaceDeactivate(), "a control without a site is deactivated in any case");
  clientSite_ = site;
  controlSite_.Reset();
  if (site) Discard(clientSite_.As(&controlSite_), "a site that is no control site is not told of focus");
  // The site is kept whatever its ambients say; without an answer the control runs.
  Discard(Guard([&] {
            ReadAmbients();
            return hr::Ok;
          }),
          "a control that cannot read the site's ambients behaves as it did");
  return S_OK;
}

// A site that answers no ambients, or answers UserMode with nothing, an
// object or a value that is no truth value, runs its form: only a clear
// False means a designer.
void Embedding::ReadAmbients() {
  bool userMode = true;
  ComPtr<IDispatch> ambients;
  if (clientSite_ && SUCCEEDED(clientSite_.As(&ambients)) && ambients) {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT answer;
    VariantInit(&answer);
    if (SUCCEEDED(ambients->Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                                   &none, &answer, nullptr, nullptr))) {
      const VARTYPE type = answer.vt & VT_TYPEMASK;
      VARIANT truth;
      VariantInit(&truth);
      if (type != VT_EMPTY && type != VT_DISPATCH && type != VT_UNKNOWN &&
          SUCCEEDED(VariantChangeType(&truth, &answer, 0, VT_BOOL))) {
        userMode = truth.boolVal != VARIANT_FALSE;
      }
      Discard(VariantClear(&answer), "an answer of a type that cannot be cleared holds nothing to free");
    }
  }
  SetDesignMode(!userMode);
}

void Embedding::SetDesignMode(bool design) {
  if (!toolkit_ || design == designMode_) return;
  designMode_ = design;
  const HWND field = toolkit_->Field().Window();
  if (design) {
    // The keyboard goes back to the designer before the panels stop listening,
    // so that the panel that had the focus hears that it lost it.
    Discard(UIDeactivate(), "it always succeeds");
    GiveUpFocus();
  }
  toolkit_->SetInteractive(!design);
  // The designer's Tab key passes over the control, and the field takes no
  // typing of its own; the control's own writes still reach it.
  if (field) SendMessageW(field, EM_SETREADONLY, design, 0);
  const LONG_PTR style = GetWindowLongPtrW(surface_, GWL_STYLE);
  SetWindowLongPtrW(surface_, GWL_STYLE, design ? style & ~WS_TABSTOP : style | WS_TABSTOP);
}

HRESULT STDMETHODCALLTYPE Embedding::GetClientSite(IOleClientSite** site) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!site) return E_POINTER;
  *site = nullptr;
  return clientSite_.CopyTo(site);
}

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
  return Guard([&]() -> HRESULT {
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

HRESULT Embedding::Activate(Activation activation) {
  if (!clientSite_ || !surface_) return E_UNEXPECTED;
  if (!inPlaceSite_) {
    ComPtr<IOleInPlaceSite> site;
    RETURN_IF_FAILED(clientSite_.As(&site));
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
    const HRESULT placed = SetObjectRects(&position, &clip);
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
  return activation == Activation::UserInterface ? ActivateUserInterface() : S_OK;
}

HRESULT Embedding::ActivateUserInterface() {
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
  const win32::Dpi dpi = toolkit_->ScreenDpi();
  return Guard([&]() -> HRESULT {
    return toolkit_->SurfaceSized(MulDiv(size->cx, dpi.x, HimetricPerInch), MulDiv(size->cy, dpi.y, HimetricPerInch));
  });
}

HRESULT STDMETHODCALLTYPE Embedding::GetExtent(DWORD aspect, SIZEL* size) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!size) return E_POINTER;
  *size = SIZEL{0, 0};
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  // Twips to HIMETRIC: 1440 twips and 2540 units to the inch.
  const auto himetric = [](float twips) {
    return static_cast<LONG>(static_cast<double>(twips) * HimetricPerInch / win32::TwipsPerInch + 0.5);
  };
  *size = SIZEL{himetric(toolkit_->SurfaceOf().Width()), himetric(toolkit_->SurfaceOf().Height())};
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
  return Guard([&]() -> HRESULT {
    const bool wasPlacing = std::exchange(placing_, true);
    SetWindowPos(surface_, nullptr, position->left, position->top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The offered size goes to the component as a resize of its surface.
    const HRESULT status =
        toolkit_->SurfaceSized(position->right - position->left, position->bottom - position->top);
    const SIZE natural = NaturalPixels();
    RECT client{};
    GetClientRect(surface_, &client);
    if (client.right != natural.cx || client.bottom != natural.cy) {
      SetWindowPos(surface_, nullptr, 0, 0, natural.cx, natural.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    placing_ = wasPlacing;
    if (!placing_ && inPlaceSite_ && !reportingPosition_ &&
        (position->right - position->left != natural.cx || position->bottom - position->top != natural.cy)) {
      RECT placed{position->left, position->top, position->left + natural.cx, position->top + natural.cy};
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

// --- IOleInPlaceActiveObject

// A system key (WM_SYSKEYDOWN: a key with Alt, and F10) is the system's and
// the container's: it is never taken here. Tab, Enter and Escape are the
// form's: the container's site hears of them, as its dialog manager would.
HRESULT STDMETHODCALLTYPE Embedding::TranslateAccelerator(LPMSG message) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!message) return E_POINTER;
  if (message->message == WM_KEYDOWN && IsPanelWindow(message->hwnd) && KeyForPanel(message->wParam)) {
    DispatchMessageW(message);
    return S_OK;
  }
  const bool formKey = message->wParam == VK_TAB || message->wParam == VK_RETURN || message->wParam == VK_ESCAPE;
  if (message->message == WM_KEYDOWN && formKey && surface_ &&
      (message->hwnd == surface_ || IsChild(surface_, message->hwnd))) {
    // The site may do anything, even release the control: only the copy
    // held here is used.
    const ComPtr<IOleControlSite> site = controlSite_;
    if (!site) return S_FALSE;
    const DWORD modifiers = (GetKeyState(VK_SHIFT) < 0 ? KeyModShift : 0) |
                            (GetKeyState(VK_CONTROL) < 0 ? KeyModControl : 0) |
                            (GetKeyState(VK_MENU) < 0 ? KeyModAlt : 0);
    return site->TranslateAccelerator(message, modifiers) == S_OK ? S_OK : S_FALSE;
  }
  return S_FALSE;
}

HRESULT STDMETHODCALLTYPE Embedding::OnFrameWindowActivate(BOOL) {
  RETURN_IF_FAILED(OnOwnerThread());
  return S_OK;
}
HRESULT STDMETHODCALLTYPE Embedding::OnDocWindowActivate(BOOL) {
  RETURN_IF_FAILED(OnOwnerThread());
  return S_OK;
}
HRESULT STDMETHODCALLTYPE Embedding::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) {
  RETURN_IF_FAILED(OnOwnerThread());
  return S_OK;
}
HRESULT STDMETHODCALLTYPE Embedding::EnableModeless(BOOL) {
  RETURN_IF_FAILED(OnOwnerThread());
  return S_OK;
}

// --- IOleControl

HRESULT STDMETHODCALLTYPE Embedding::GetControlInfo(CONTROLINFO* info) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!info) return E_POINTER;
  // No mnemonics: the panels take their keys while they have the focus.
  info->hAccel = nullptr;
  info->cAccel = 0;
  info->dwFlags = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Embedding::OnMnemonic(MSG*) {
  RETURN_IF_FAILED(OnOwnerThread());
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE Embedding::OnAmbientPropertyChange(DISPID member) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (member != DISPID_AMBIENT_USERMODE && member != DISPID_UNKNOWN) return S_OK;
  const Hold hold = KeepAlive();
  return Guard([&] {
    ReadAmbients();
    return hr::Ok;
  });
}

HRESULT STDMETHODCALLTYPE Embedding::FreezeEvents(BOOL freeze) {
  RETURN_IF_FAILED(OnOwnerThread());
  frozenEvents_ += freeze ? 1 : (frozenEvents_ > 0 ? -1 : 0);
  return S_OK;
}

}  // namespace vexo::hosting
