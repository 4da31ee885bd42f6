// Embedding the KeyBord control in a container: its windows, activation in
// place, drawing into a device context, and the event source.
#include "hosting/Embedding.h"

#include <algorithm>
#include <utility>
#include "widgets/win32/LastError.h"

namespace vexo::hosting {

namespace {

constexpr wchar_t SurfaceClassName[] = L"VexoKeyBordSurface";
// Posted to the surface when the focus reached a panel: the control becomes
// UI-active once the focus change that caused it is over.
constexpr UINT ActivateMessage = WM_APP + 0x60;
// Posted to the surface once a control that was shown inside a hidden
// container window has appeared on screen: Show is raised after the message
// that revealed it, not inside the container's painting or placing.
constexpr UINT ShowMessage = WM_APP + 0x61;

// Set client site first, activate when visible, inside-out, cannot link
// inside, recompose on resize; the same value registration records.
constexpr DWORD MiscStatus = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT |
                             OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE;
constexpr int HimetricPerInch = 2540;

SRWLOCK classLock = SRWLOCK_INIT;
int classUsers = 0;

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

// An enumerator over a fixed list of interface pointers or connections,
// holding what it hands out.
template <typename Enumerator, typename Item, const IID& Iid>
class ListEnumerator final : public Enumerator {
 public:
  ListEnumerator(std::vector<Item> items, std::size_t position) : items_(std::move(items)), position_(position) {
    for (Item& item : items_) AddItem(item);
  }
  ~ListEnumerator() {
    for (Item& item : items_) ReleaseItem(item);
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != Iid) return E_NOINTERFACE;
    *object = static_cast<Enumerator*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE Next(ULONG count, Item* items, ULONG* fetched) override {
    if (!items || (count > 1 && !fetched)) return E_POINTER;
    ULONG given = 0;
    while (given < count && position_ < items_.size()) {
      items[given] = items_[position_++];
      AddItem(items[given]);
      ++given;
    }
    if (fetched) *fetched = given;
    return given == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    const std::size_t left = items_.size() - position_;
    position_ += std::min<std::size_t>(count, left);
    return count <= left ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    position_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(Enumerator** clone) override {
    if (!clone) return E_POINTER;
    *clone = nullptr;
    return Guard([&] {
      *clone = new ListEnumerator(items_, position_);
      return hr::Ok;
    });
  }

 private:
  static void AddItem(IConnectionPoint* point) { point->AddRef(); }
  static void ReleaseItem(IConnectionPoint* point) { point->Release(); }
  static void AddItem(CONNECTDATA& data) { data.pUnk->AddRef(); }
  static void ReleaseItem(CONNECTDATA& data) { data.pUnk->Release(); }

  LONG references_ = 1;
  std::vector<Item> items_;
  std::size_t position_;
};

using PointEnumerator = ListEnumerator<IEnumConnectionPoints, IConnectionPoint*, IID_IEnumConnectionPoints>;
using ConnectionEnumerator = ListEnumerator<IEnumConnections, CONNECTDATA, IID_IEnumConnections>;

}  // namespace

// The connection point of __KeyBord. It is a part of the control with an
// identity of its own, as every connection point has, and lives as long as
// the control: its references are the control's. The component raises no
// events, so the sinks are held until they unadvise and never called.
class EventPoint final : public IConnectionPoint {
 public:
  explicit EventPoint(Embedding& owner) : owner_(owner) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IConnectionPoint) return E_NOINTERFACE;
    *object = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return owner_.Identity()->AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return owner_.Identity()->Release(); }

  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
    if (!iid) return E_POINTER;
    *iid = DIID___KeyBord;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override {
    if (!container) return E_POINTER;
    *container = static_cast<IConnectionPointContainer*>(&owner_);
    (*container)->AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_POINTER;
    // The sink must speak the event interface, or plain IDispatch as
    // scripting hosts' sinks do.
    ComPtr<IUnknown> events;
    if (FAILED(sink->QueryInterface(DIID___KeyBord, reinterpret_cast<void**>(events.GetAddressOf()))) &&
        FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(events.GetAddressOf())))) {
      return CONNECT_E_CANNOTCONNECT;
    }
    return Guard([&]() -> HRESULT {
      sinks_.emplace_back(++lastCookie_, std::move(events));
      *cookie = lastCookie_;
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
    const auto found = std::find_if(sinks_.begin(), sinks_.end(), [&](const auto& s) { return s.first == cookie; });
    if (found == sinks_.end()) return CONNECT_E_NOCONNECTION;
    const ComPtr<IUnknown> sink = std::move(found->second);  // released after the list is consistent
    sinks_.erase(found);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override {
    if (!connections) return E_POINTER;
    *connections = nullptr;
    return Guard([&]() -> HRESULT {
      std::vector<CONNECTDATA> list;
      for (const auto& [cookie, sink] : sinks_) list.push_back(CONNECTDATA{sink.Get(), cookie});
      *connections = new ConnectionEnumerator(std::move(list), 0);
      return S_OK;
    });
  }

 private:
  Embedding& owner_;
  std::vector<std::pair<DWORD, ComPtr<IUnknown>>> sinks_;
  DWORD lastCookie_ = 0;
};

// --- Creation and the windows.

Embedding::Embedding() = default;

Embedding::~Embedding() {
  if (toolkit_) toolkit_->Disconnect();
  toolkit_.reset();  // the widgets' windows first, while their parent exists
  keybord_.reset();
  if (surface_) {
    SetWindowLongPtrW(surface_, GWLP_USERDATA, 0);
    DestroyWindow(surface_);
  }
  if (parking_) DestroyWindow(parking_);
  if (classAcquired_) {
    AcquireSRWLockExclusive(&classLock);
    if (--classUsers == 0) UnregisterClassW(SurfaceClassName, ModuleHandle());
    ReleaseSRWLockExclusive(&classLock);
  }
}

HRESULT Embedding::StartEmbedding() {
  eventPoint_ = std::make_unique<EventPoint>(*this);

  AcquireSRWLockExclusive(&classLock);
  bool registered = true;
  if (classUsers == 0) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = SurfaceProcedure;
    windowClass.hInstance = ModuleHandle();
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.lpszClassName = SurfaceClassName;
    registered = RegisterClassExW(&windowClass) != 0 ||
                 win32::LastError() == HRESULT_FROM_WIN32(ERROR_CLASS_ALREADY_EXISTS);
  }
  if (registered) ++classUsers;
  ReleaseSRWLockExclusive(&classLock);
  if (!registered) return win32::LastError();
  classAcquired_ = true;

  // The parking window is never shown: panels inside it cannot take the
  // focus, so a control without a container never swallows keys unseen.
  parking_ = CreateWindowExW(0, SurfaceClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, ModuleHandle(),
                             nullptr);
  if (!parking_) return win32::LastError();
  surface_ = CreateWindowExW(WS_EX_CONTROLPARENT, SurfaceClassName, L"", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                             0, 0, 0, 0, parking_, nullptr, ModuleHandle(), this);
  if (!surface_) return win32::LastError();

  win32::Win32Toolkit::Options options;
  options.resizeSurface = [this](int width, int height) { ResizeSurface(width, height); };
  options.panelFocused = [this](PanelId) { PanelFocused(); };
  RETURN_IF_FAILED(win32::Win32Toolkit::Create(surface_, std::move(options), toolkit_));
  keybord_ = std::make_unique<KeyBord>(*toolkit_);  // the one listener of the toolkit
  return toolkit_->Initialize();
}

LRESULT CALLBACK Embedding::SurfaceProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Embedding*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  LRESULT result = 0;
  Discard(Guard([&] {
            result = self->HandleSurface(window, message, wParam, lParam);
            return hr::Ok;
          }),
          "the system's message dispatch takes no status: a message that failed is answered with 0");
  return result;
}

LRESULT Embedding::HandleSurface(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      if (toolkit_ && keybord_) {
        Discard(toolkit_->SurfaceSized(LOWORD(lParam), HIWORD(lParam)), "the component's Resize has no caller");
      }
      return 0;
    case WM_SETFOCUS:
      // The surface hands the focus on to the active panel.
      if (toolkit_ && keybord_) Discard(toolkit_->SurfaceGotFocus(), "the component's GotFocus has no caller");
      return 0;
    case WM_CLOSE:
      // The surface belongs to the control, not to the user: a rich edit that
      // a dialog manager has spoken to posts WM_CLOSE to its parent on Escape,
      // and closing would destroy every window of the keyboard.
      return 0;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_PAINT: {
      // A container window shown after it activated the control tells its
      // children nothing, but they are painted as they appear.
      NoteAppearance();
      PAINTSTRUCT paint;
      if (HDC dc = BeginPaint(window, &paint)) {
        FillRect(dc, &paint.rcPaint, GetSysColorBrush(COLOR_BTNFACE));
        EndPaint(window, &paint);
      }
      return 0;
    }
    case WM_PRINT:
    case WM_PRINTCLIENT:
      // The whole control, children included, for PrintWindow and the like.
      if (toolkit_ && (message == WM_PRINTCLIENT || (lParam & PRF_CLIENT))) {
        toolkit_->PaintTo(reinterpret_cast<HDC>(wParam), 0, 0);
      }
      return 0;
    case WM_MOUSEACTIVATE:
      // A click on the control activates its user interface.
      if (inPlaceSite_ && !userInterfaceActive_) PostMessageW(surface_, ActivateMessage, 0, 0);
      return MA_ACTIVATE;
    case WM_SHOWWINDOW:
    case WM_WINDOWPOSCHANGED:
      // The surface itself was shown or placed; DefWindowProc turns the
      // placing into WM_SIZE.
      NoteAppearance();
      return DefWindowProcW(window, message, wParam, lParam);
    case ShowMessage:
      if (shown_) RaiseShowWhenVisible();
      return 0;
    case ActivateMessage:
      if (inPlaceSite_ && !userInterfaceActive_) {
        Discard(ActivateUserInterface(), "a container that refuses keeps the control in place, as it was");
      }
      return 0;
    case WM_NCDESTROY:
      // A container that destroys its window before it deactivates the
      // control takes the surface with it: the handle is not used again.
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      if (window == surface_) surface_ = nullptr;
      return DefWindowProcW(window, message, wParam, lParam);
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

void Embedding::PanelFocused() {
  if (inPlaceSite_ && !userInterfaceActive_) PostMessageW(surface_, ActivateMessage, 0, 0);
}

bool Embedding::IsPanelWindow(HWND window) const {
  if (!toolkit_ || !window) return false;
  for (const PanelId panel : {PanelId::picABC, PanelId::picNumber, PanelId::picShift}) {
    if (toolkit_->PanelOf(panel).Window() == window) return true;
  }
  return false;
}

SIZE Embedding::NaturalPixels() const {
  const win32::Dpi dpi = toolkit_->ScreenDpi();
  return SIZE{win32::TwipsToPixels(toolkit_->SurfaceOf().Width(), dpi.x),
              win32::TwipsToPixels(toolkit_->SurfaceOf().Height(), dpi.y)};
}

void Embedding::ResizeSurface(int width, int height) {
  SetWindowPos(surface_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // A container that placed the control is told the size it really has.
  if (inPlaceSite_ && !placing_ && !reportingPosition_) {
    RECT placed{};
    GetWindowRect(surface_, &placed);
    MapWindowPoints(nullptr, GetParent(surface_), reinterpret_cast<POINT*>(&placed), 2);
    reportingPosition_ = true;
    Discard(inPlaceSite_->OnPosRectChange(&placed), "a container that keeps its rectangle clips the control");
    reportingPosition_ = false;
  }
}

// --- IOleObject

HRESULT STDMETHODCALLTYPE Embedding::SetClientSite(IOleClientSite* site) {
  if (!site) Discard(InPlaceDeactivate(), "a control without a site is deactivated in any case");
  clientSite_ = site;
  controlSite_.Reset();
  if (site) Discard(clientSite_.As(&controlSite_), "a site that is no control site is not told of focus");
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Embedding::GetClientSite(IOleClientSite** site) {
  if (!site) return E_POINTER;
  *site = nullptr;
  return clientSite_.CopyTo(site);
}

HRESULT STDMETHODCALLTYPE Embedding::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

HRESULT STDMETHODCALLTYPE Embedding::Close(DWORD) {
  Discard(InPlaceDeactivate(), "the control closes in any case");
  if (adviseHolder_) Discard(adviseHolder_->SendOnClose(), "a notification: nothing to undo");
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Embedding::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE Embedding::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (!moniker) return E_POINTER;
  *moniker = nullptr;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE Embedding::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE Embedding::GetClipboardData(DWORD, IDataObject** data) {
  if (!data) return E_POINTER;
  *data = nullptr;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE Embedding::DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND, LPCRECT) {
  return Guard([&]() -> HRESULT {
    if (activeSite && !clientSite_) SetClientSite(activeSite);
    switch (verb) {
      case OLEIVERB_PRIMARY:
      case OLEIVERB_SHOW:
      case OLEIVERB_UIACTIVATE:
        return Activate(true);
      case OLEIVERB_INPLACEACTIVATE:
        return Activate(false);
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

HRESULT Embedding::Activate(bool userInterface) {
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
  return userInterface ? ActivateUserInterface() : S_OK;
}

// Each time the control appears on screen, the component resets its marks
// and the active panel takes the focus. A container often activates its
// control while its own window is still hidden (during its creation): the
// component then hears of the show once the window is visible, since a panel
// that cannot be seen cannot take the focus.
void Embedding::RaiseShowWhenVisible() {
  if (!surface_) return;
  awaitingAppearance_ = !IsWindowVisible(surface_);
  if (!awaitingAppearance_) Discard(toolkit_->Show(), "the component's Show has no caller to tell");
}

void Embedding::NoteAppearance() {
  if (awaitingAppearance_ && shown_ && IsWindowVisible(surface_)) {
    awaitingAppearance_ = false;
    PostMessageW(surface_, ShowMessage, 0, 0);
  }
}

// A hidden control that kept the focus would swallow the user's keys unseen:
// the focus goes back to the container's window, and the panel that had it
// hears that it lost it.
void Embedding::GiveUpFocus() {
  const HWND focus = GetFocus();
  if (focus && (focus == surface_ || IsChild(surface_, focus))) ::SetFocus(GetParent(surface_));
}

HRESULT Embedding::ActivateUserInterface() {
  if (!inPlaceSite_) return E_UNEXPECTED;
  if (!userInterfaceActive_) {
    // A container that refuses keeps the control active in place only.
    userInterfaceActive_ = true;
    const HRESULT accepted = inPlaceSite_->OnUIActivate();
    if (FAILED(accepted)) {
      userInterfaceActive_ = false;
      return accepted;
    }
    // The frame and the document need not keep an active object or give
    // space for tools the control does not ask for.
    auto* active = static_cast<IOleInPlaceActiveObject*>(this);
    for (IOleInPlaceUIWindow* window : {static_cast<IOleInPlaceUIWindow*>(frame_.Get()), document_.Get()}) {
      if (!window) continue;
      Discard(window->SetActiveObject(active, nullptr), "optional for a container");
      Discard(window->SetBorderSpace(nullptr), "optional for a container");
    }
    if (controlSite_) Discard(controlSite_->OnFocus(TRUE), "a notification: nothing to undo");
  }
  // The keyboard belongs inside the control while its user interface is active.
  const HWND focus = GetFocus();
  if (focus != surface_ && !IsChild(surface_, focus)) ::SetFocus(surface_);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Embedding::EnumVerbs(IEnumOLEVERB** verbs) {
  if (!verbs) return E_POINTER;
  *verbs = nullptr;
  return OleRegEnumVerbs(CLSID_KeyBord, verbs);
}

HRESULT STDMETHODCALLTYPE Embedding::Update() { return S_OK; }

HRESULT STDMETHODCALLTYPE Embedding::IsUpToDate() { return S_OK; }

HRESULT STDMETHODCALLTYPE Embedding::GetUserClassID(CLSID* clsid) { return GetClassID(clsid); }

HRESULT STDMETHODCALLTYPE Embedding::GetUserType(DWORD form, LPOLESTR* name) {
  if (!name) return E_POINTER;
  *name = nullptr;
  return OleRegGetUserType(CLSID_KeyBord, form, name);
}

// The container proposes a size; the component answers as its Resize does,
// by keeping the size its panels need. GetExtent gives that size.
HRESULT STDMETHODCALLTYPE Embedding::SetExtent(DWORD aspect, SIZEL* size) {
  if (!size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (size->cx < 0 || size->cy < 0) return E_INVALIDARG;
  const win32::Dpi dpi = toolkit_->ScreenDpi();
  return Guard([&]() -> HRESULT {
    return toolkit_->SurfaceSized(MulDiv(size->cx, dpi.x, HimetricPerInch), MulDiv(size->cy, dpi.y, HimetricPerInch));
  });
}

HRESULT STDMETHODCALLTYPE Embedding::GetExtent(DWORD aspect, SIZEL* size) {
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
  if (!connection) return E_POINTER;
  *connection = 0;
  if (!adviseHolder_) RETURN_IF_FAILED(CreateOleAdviseHolder(&adviseHolder_));
  return adviseHolder_->Advise(sink, connection);
}

HRESULT STDMETHODCALLTYPE Embedding::Unadvise(DWORD connection) {
  if (!adviseHolder_) return OLE_E_NOCONNECTION;
  return adviseHolder_->Unadvise(connection);
}

HRESULT STDMETHODCALLTYPE Embedding::EnumAdvise(IEnumSTATDATA** advises) {
  if (!advises) return E_POINTER;
  *advises = nullptr;
  if (!adviseHolder_) return S_OK;
  return adviseHolder_->EnumAdvise(advises);
}

HRESULT STDMETHODCALLTYPE Embedding::GetMiscStatus(DWORD, DWORD* status) {
  if (!status) return E_POINTER;
  *status = MiscStatus;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Embedding::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

// --- IOleWindow

HRESULT STDMETHODCALLTYPE Embedding::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = surface_;
  return surface_ ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE Embedding::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

// --- IOleInPlaceObject

HRESULT STDMETHODCALLTYPE Embedding::InPlaceDeactivate() {
  if (!inPlaceSite_) return S_OK;
  Discard(UIDeactivate(), "it always succeeds");
  awaitingAppearance_ = false;
  GiveUpFocus();
  ShowWindow(surface_, SW_HIDE);
  shown_ = false;
  SetParent(surface_, parking_);
  const ComPtr<IOleInPlaceSite> site = std::move(inPlaceSite_);
  frame_.Reset();
  document_.Reset();
  Discard(site->OnInPlaceDeactivate(), "a notification: nothing to undo");
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Embedding::UIDeactivate() {
  if (!userInterfaceActive_) return S_OK;
  userInterfaceActive_ = false;
  // Notifications, each optional for a container: nothing to undo.
  if (frame_) Discard(frame_->SetActiveObject(nullptr, nullptr), "optional for a container");
  if (document_) Discard(document_->SetActiveObject(nullptr, nullptr), "optional for a container");
  if (controlSite_) Discard(controlSite_->OnFocus(FALSE), "a notification: nothing to undo");
  if (inPlaceSite_) Discard(inPlaceSite_->OnUIDeactivate(FALSE), "a notification: nothing to undo");
  return S_OK;
}

// The surface stands at the rectangle's corner at its own size; a container
// that offered another size hears of it once the component's Resize kept it.
HRESULT STDMETHODCALLTYPE Embedding::SetObjectRects(LPCRECT position, LPCRECT) {
  if (!position) return E_POINTER;
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
      Discard(inPlaceSite_->OnPosRectChange(&placed), "a container that keeps its rectangle clips the control");
      reportingPosition_ = false;
    }
    return status;
  });
}

HRESULT STDMETHODCALLTYPE Embedding::ReactivateAndUndo() { return INPLACE_E_NOTUNDOABLE; }

// --- IOleInPlaceActiveObject

HRESULT STDMETHODCALLTYPE Embedding::TranslateAccelerator(LPMSG message) {
  if (!message) return E_POINTER;
  if ((message->message == WM_KEYDOWN || message->message == WM_SYSKEYDOWN) && IsPanelWindow(message->hwnd) &&
      KeyForPanel(message->wParam)) {
    DispatchMessageW(message);
    return S_OK;
  }
  return S_FALSE;
}

HRESULT STDMETHODCALLTYPE Embedding::OnFrameWindowActivate(BOOL) { return S_OK; }
HRESULT STDMETHODCALLTYPE Embedding::OnDocWindowActivate(BOOL) { return S_OK; }
HRESULT STDMETHODCALLTYPE Embedding::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }
HRESULT STDMETHODCALLTYPE Embedding::EnableModeless(BOOL) { return S_OK; }

// --- IOleControl

HRESULT STDMETHODCALLTYPE Embedding::GetControlInfo(CONTROLINFO* info) {
  if (!info) return E_POINTER;
  // No mnemonics: the panels take their keys while they have the focus.
  info->hAccel = nullptr;
  info->cAccel = 0;
  info->dwFlags = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Embedding::OnMnemonic(MSG*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE Embedding::OnAmbientPropertyChange(DISPID) { return S_OK; }

HRESULT STDMETHODCALLTYPE Embedding::FreezeEvents(BOOL freeze) {
  frozenEvents_ += freeze ? 1 : (frozenEvents_ > 0 ? -1 : 0);
  return S_OK;
}

// --- IViewObject2

HRESULT STDMETHODCALLTYPE Embedding::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds,
                                          LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!dc || !bounds) return E_INVALIDARG;
  return Guard([&]() -> HRESULT {
    const SIZE natural = NaturalPixels();
    const LONG width = bounds->right - bounds->left;
    const LONG height = bounds->bottom - bounds->top;
    if (width == natural.cx && height == natural.cy) {
      toolkit_->PaintTo(dc, bounds->left, bounds->top);
      return S_OK;
    }
    // Another size: drawn at its own size, then stretched onto the bounds.
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, natural.cx, natural.cy);
    if (!memory || !bitmap) {
      if (bitmap) DeleteObject(bitmap);
      if (memory) DeleteDC(memory);
      return E_OUTOFMEMORY;
    }
    const HGDIOBJ old = SelectObject(memory, bitmap);
    toolkit_->PaintTo(memory, 0, 0);
    SetStretchBltMode(dc, HALFTONE);
    const BOOL drawn = StretchBlt(dc, bounds->left, bounds->top, width, height, memory, 0, 0, natural.cx, natural.cy,
                                  SRCCOPY);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return drawn ? S_OK : E_FAIL;
  });
}

HRESULT STDMETHODCALLTYPE Embedding::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colours) {
  if (!colours) return E_POINTER;
  *colours = nullptr;
  return S_FALSE;  // no palette of its own
}

HRESULT STDMETHODCALLTYPE Embedding::Freeze(DWORD, LONG, void*, DWORD* freeze) {
  if (!freeze) return E_POINTER;
  *freeze = 0;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE Embedding::Unfreeze(DWORD) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE Embedding::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
  viewSink_ = sink;
  viewAspects_ = sink ? aspects : 0;
  viewFlags_ = sink ? flags : 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Embedding::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects) *aspects = viewAspects_;
  if (flags) *flags = viewFlags_;
  if (sink) {
    *sink = nullptr;
    viewSink_.CopyTo(sink);
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Embedding::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  return GetExtent(aspect, size);
}

// --- IConnectionPointContainer

HRESULT STDMETHODCALLTYPE Embedding::EnumConnectionPoints(IEnumConnectionPoints** points) {
  if (!points) return E_POINTER;
  *points = nullptr;
  return Guard([&]() -> HRESULT {
    *points = new PointEnumerator({eventPoint_.get()}, 0);
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE Embedding::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  if (!point) return E_POINTER;
  *point = nullptr;
  if (iid != DIID___KeyBord) return CONNECT_E_NOCONNECTION;
  *point = eventPoint_.get();
  (*point)->AddRef();
  return S_OK;
}

// --- The object's interfaces of this part.

void* Embedding::EmbeddingInterface(REFIID iid) {
  if (iid == IID_IOleObject) return static_cast<IOleObject*>(this);
  if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject) return static_cast<IOleInPlaceObject*>(this);
  if (iid == IID_IOleInPlaceActiveObject) return static_cast<IOleInPlaceActiveObject*>(this);
  if (iid == IID_IOleControl) return static_cast<IOleControl*>(this);
  if (iid == IID_IViewObject || iid == IID_IViewObject2) return static_cast<IViewObject2*>(this);
  if (iid == IID_IPersist || iid == IID_IPersistPropertyBag) return static_cast<IPersistPropertyBag*>(this);
  if (iid == IID_IPersistStreamInit) return static_cast<IPersistStreamInit*>(this);
  if (iid == IID_IConnectionPointContainer) return static_cast<IConnectionPointContainer*>(this);
  return nullptr;
}

}  // namespace vexo::hosting
