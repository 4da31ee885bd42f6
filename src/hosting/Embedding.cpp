// SPDX-License-Identifier: MIT
// The control's windows: the surface that holds the widgets (message-only
// outside a container) and its window procedure, the start-up that builds
// them, how the control follows the surface's size, focus and appearance on
// screen, its drawing into a device context for a container, and the
// interfaces of this part.
#include "hosting/Embedding.h"

#include <atomic>
#include <utility>

#include "hosting/ConnectionPoints.h"
#include "hosting/PropertyChanges.h"
#include "hosting/SavedProperties.h"
#include "widgets/win32/LastError.h"
#include "widgets/win32/WindowPainting.h"

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
// Posted to the surface by a last Release on another thread: the reference
// it handed over is released on the owner's thread (see
// HandLastReferenceToOwner).
constexpr UINT ReleaseMessage = WM_APP + 0x70;

// The surface class is registered once per process, by the first instance,
// and unregistered when the library is unloaded (no instance lives then):
// registering and unregistering it around every instance costs each one.
SRWLOCK classLock = SRWLOCK_INIT;
bool classRegistered = false;

HResult RegisterSurfaceClass(WNDPROC procedure) {
  AcquireSRWLockExclusive(&classLock);
  HResult status = hr::Ok;
  if (!classRegistered) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = ModuleHandle();
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.lpszClassName = SurfaceClassName;
    classRegistered = RegisterClassExW(&windowClass) != 0 ||
                      win32::LastError() == HRESULT_FROM_WIN32(ERROR_CLASS_ALREADY_EXISTS);
    if (!classRegistered) status = win32::LastError();
  }
  ReleaseSRWLockExclusive(&classLock);
  return status;
}

// The size of the surface as the last start-up left it, for the next one.
SRWLOCK startedLock = SRWLOCK_INIT;
SIZE startedSize{0, 0};

SIZE LastStartedSize() {
  AcquireSRWLockShared(&startedLock);
  const SIZE size = startedSize;
  ReleaseSRWLockShared(&startedLock);
  return size;
}

void RememberStartedSize(SIZE size) {
  AcquireSRWLockExclusive(&startedLock);
  startedSize = size;
  ReleaseSRWLockExclusive(&startedLock);
}

}  // namespace

void UnregisterWindowClasses() {
  AcquireSRWLockExclusive(&classLock);
  if (classRegistered && UnregisterClassW(SurfaceClassName, ModuleHandle())) classRegistered = false;
  ReleaseSRWLockExclusive(&classLock);
  win32::UnregisterPanelClass(ModuleHandle());
}

// --- Creation and the windows.

Embedding::Embedding() = default;

Embedding::~Embedding() {
  // The surface goes first and takes the widgets' windows with it: each
  // child destroyed on its own would first be hidden, and tell its parent.
  // The widgets, disconnected, only note that their windows are gone.
  if (toolkit_) toolkit_->Disconnect();
  if (surface_) {
    SetWindowLongPtrW(surface_, GWLP_USERDATA, 0);
    DestroyWindow(surface_);
  }
  toolkit_.reset();
  keybord_.reset();
}

HResult Embedding::StartEmbedding() {
  auto& container = *static_cast<IConnectionPointContainer*>(this);
  eventPoint_ = std::make_unique<EventPoint>(*Identity(), container, DIID___KeyBord);
  notifyPoint_ = std::make_unique<EventPoint>(*Identity(), container, IID_IPropertyNotifySink);

  RETURN_IF_FAILED(RegisterSurfaceClass(SurfaceProcedure));

  // Outside a container the surface is a message-only window: never shown,
  // so panels inside it cannot take the focus and a control without a
  // container never swallows keys unseen; and no window of its own holds it
  // (a hidden top-level window is costly to make, as the display makes a
  // window of its own for it). It is made at the size the last start-up gave
  // a surface: the start-up gives this one the same size, and then need not
  // move a window for it.
  const SIZE size = LastStartedSize();
  // In a form the surface is the keyboard's one tab stop (no control parent,
  // so a dialog manager neither stops on its panels nor on its field): the
  // focus it takes goes on to the active panel, and Tab from any panel
  // leaves the keyboard. No parent notification: outside a container the
  // parent is the system's message-only window, which another process owns,
  // and telling it of the surface's making and end would wait on that
  // process each time.
  surface_ = CreateWindowExW(WS_EX_NOPARENTNOTIFY, SurfaceClassName, L"",
                             WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_TABSTOP, 0, 0, size.cx, size.cy,
                             HWND_MESSAGE, nullptr, ModuleHandle(), this);
  if (!surface_) return win32::LastError();

  win32::Win32Toolkit::Options options;
  options.resizeSurface = [this](int width, int height) { ResizeSurface(width, height); };
  options.panelFocused = [this](PanelId) { PanelFocused(); };
  options.userInputHandled = [this] { CheckChanges(); };
  options.holdModule = [](bool hold) { hold ? ObjectCreated() : ObjectDestroyed(); };
  options.startedPlaces = true;  // the start-up follows at once
  options.keepAlive = {&Embedding::HoldObject, Identity()};
  // The user may also change the field itself: the field tells only its
  // parent, the surface, which hands the news to the toolkit.
  options.fieldChanged = [this](bool afterBurst) { afterBurst ? CheckChanges() : ScheduleChangeCheck(); };
  RETURN_IF_FAILED(win32::Win32Toolkit::Create(surface_, std::move(options), toolkit_));
  keybord_ = std::make_unique<KeyBord>(*toolkit_);
  toolkit_->ListenForTypedKeys();  // for the KeyTyped event
  RETURN_IF_FAILED(toolkit_->Initialize());
  RECT started{};
  GetClientRect(surface_, &started);
  RememberStartedSize({started.right, started.bottom});
  return TakeValuesAsClean();
}

bool Embedding::HandLastReferenceToOwner() {
  InterlockedExchange(&releasePending_, 1);
  // The owner's thread forgets the surface when the surface goes.
  const HWND surface = std::atomic_ref<HWND>(surface_).load();
  if (surface && PostMessageW(surface, ReleaseMessage, 0, 0)) return true;
  // The surface is gone, and its windows with it; unless its end took the
  // reference meanwhile, the caller releases it.
  return InterlockedExchange(&releasePending_, 0) == 0;
}

void Embedding::TakeHandedReference() {
  if (InterlockedExchange(&releasePending_, 0) != 0) Identity()->Release();
}

void Embedding::HoldObject(void* object, bool hold) {
  auto* identity = static_cast<IUnknown*>(object);
  hold ? identity->AddRef() : identity->Release();
}

LRESULT CALLBACK Embedding::SurfaceProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Embedding*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  // A sink or the site told from here may let go of the control: it goes
  // when this hold does, the last thing of the message. (Its destructor
  // unhooks the surface first, so no message comes here while it goes.)
  const Hold hold = self->KeepAlive();
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
    case ChangeCheckMessage:
      checkPosted_ = false;
      CheckChanges();
      return 0;
    case WM_COMMAND:
      if (toolkit_) Link().SurfaceCommand(wParam, lParam);
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
      win32::PaintWhatWaits(window,
                            [](HDC dc, const RECT& box) { FillRect(dc, &box, GetSysColorBrush(COLOR_BTNFACE)); });
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
      // In a designer a click belongs to the designer: no key or field sees it.
      if (designMode_) return MA_NOACTIVATEANDEAT;
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
    case ReleaseMessage:
      // The surface procedure's hold, given back last, may end the object.
      TakeHandedReference();
      return 0;
    case ActivateMessage:
      if (inPlaceSite_ && !userInterfaceActive_) {
        Discard(ActivateUserInterface(), "a container that refuses keeps the control in place, as it was");
      }
      return 0;
    case WM_DESTROY:
      if (window == surface_) KeepWhatTheWindowsHold();
      return DefWindowProcW(window, message, wParam, lParam);
    case WM_NCDESTROY:
      // A container that destroys its window before it deactivates the
      // control takes the surface with it: the handle is not used again.
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      if (window == surface_) {
        std::atomic_ref<HWND>(surface_).store(nullptr);
        // A posted release would find no window now.
        TakeHandedReference();
      }
      return DefWindowProcW(window, message, wParam, lParam);
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

// A container that destroys its window before it deactivates the control
// takes the field with it, and the user's text would be lost to the next
// save. The surface hears of its end before its children do: what the field
// holds is read while it still exists. Sinks are not told from inside the
// container's destruction; the dirty state carries the change.
void Embedding::KeepWhatTheWindowsHold() {
  Discard(Guard([&]() -> HResult {
            RETURN_IF_FAILED(TakeValues(Tell::Nobody));
            auto record = std::make_unique<RecordBag>();
            RETURN_IF_FAILED(WriteTo(*record));
            kept_ = std::move(record);
            return hr::Ok;
          }),
          "a control that cannot read its field keeps asking to be saved, and a save fails with the reason");
}

void Embedding::PanelFocused() {
  if (inPlaceSite_ && !userInterfaceActive_) PostMessageW(surface_, ActivateMessage, 0, 0);
}

void Embedding::ResizeSurface(int width, int height) {
  SetWindowPos(surface_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // A container that placed the control is told the size it really has.
  if (inPlaceSite_ && !placing_ && !reportingPosition_) {
    RECT placed{};
    GetWindowRect(surface_, &placed);
    MapWindowPoints(nullptr, GetParent(surface_), reinterpret_cast<POINT*>(&placed), 2);
    reportingPosition_ = true;
    const ComPtr<IOleInPlaceSite> site = inPlaceSite_;
    Discard(site->OnPosRectChange(&placed), "a container that keeps its rectangle clips the control");
    reportingPosition_ = false;
  }
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

// --- IViewObject2, of IViewObjectEx

HRESULT STDMETHODCALLTYPE Embedding::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds,
                                          LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!dc || !bounds) return E_INVALIDARG;
  const Hold hold = KeepAlive();  // work that waited may ask the container for a size
  return Guard([&]() -> HResult {
    const win32::Extent natural = Link().NaturalPixels();
    const LONG width = bounds->right - bounds->left;
    const LONG height = bounds->bottom - bounds->top;
    if (width == natural.width && height == natural.height) {
      toolkit_->PaintTo(dc, bounds->left, bounds->top);
      return S_OK;
    }
    // Another size: drawn at its own size, then stretched onto the bounds.
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, natural.width, natural.height);
    if (!memory || !bitmap) {
      if (bitmap) DeleteObject(bitmap);
      if (memory) DeleteDC(memory);
      return E_OUTOFMEMORY;
    }
    const HGDIOBJ old = SelectObject(memory, bitmap);
    toolkit_->PaintTo(memory, 0, 0);
    SetStretchBltMode(dc, HALFTONE);
    const BOOL drawn = StretchBlt(dc, bounds->left, bounds->top, width, height, memory, 0, 0, natural.width,
                                  natural.height, SRCCOPY);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return drawn ? S_OK : E_FAIL;
  });
}

HRESULT STDMETHODCALLTYPE Embedding::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colours) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!colours) return E_POINTER;
  *colours = nullptr;
  return S_FALSE;  // no palette of its own
}

HRESULT STDMETHODCALLTYPE Embedding::Freeze(DWORD, LONG, void*, DWORD* freeze) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!freeze) return E_POINTER;
  *freeze = 0;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE Embedding::Unfreeze(DWORD) {
  RETURN_IF_FAILED(OnOwnerThread());
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE Embedding::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
  RETURN_IF_FAILED(OnOwnerThread());
  viewSink_ = sink;
  viewAspects_ = sink ? aspects : 0;
  viewFlags_ = sink ? flags : 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Embedding::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (aspects) *aspects = viewAspects_;
  if (flags) *flags = viewFlags_;
  if (sink) {
    *sink = nullptr;
    Discard(viewSink_.CopyTo(sink), "copying a held pointer only adds a reference");
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Embedding::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  RETURN_IF_FAILED(OnOwnerThread());
  return GetExtent(aspect, size);
}

// --- The object's interfaces of this part.

void* Embedding::EmbeddingInterface(REFIID iid) {
  if (iid == IID_IOleObject) return static_cast<IOleObject*>(this);
  if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject) return static_cast<IOleInPlaceObject*>(this);
  if (iid == IID_IOleInPlaceActiveObject) return static_cast<IOleInPlaceActiveObject*>(this);
  if (iid == IID_IOleControl) return static_cast<IOleControl*>(this);
  if (iid == IID_IViewObject || iid == IID_IViewObject2 || iid == IID_IViewObjectEx) {
    return static_cast<IViewObjectEx*>(this);
  }
  if (iid == IID_IPersist || iid == IID_IPersistPropertyBag) return static_cast<IPersistPropertyBag*>(this);
  // IPersistStream is IPersistStreamInit without its last member, InitNew:
  // one table answers both, as OleSaveToStream and OleLoadFromStream ask
  // for the shorter one.
  if (iid == IID_IPersistStreamInit || iid == IID_IPersistStream) return static_cast<IPersistStreamInit*>(this);
  if (iid == IID_IPersistStorage) return static_cast<IPersistStorage*>(this);
  if (iid == IID_IQuickActivate) return static_cast<IQuickActivate*>(this);
  if (iid == IID_IConnectionPointContainer) return static_cast<IConnectionPointContainer*>(this);
  return nullptr;
}

}  // namespace vexo::hosting
