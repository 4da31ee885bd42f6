// SPDX-License-Identifier: MIT
// The control as its site's control: the site itself and its ambient
// properties (a form designer's design mode), the keys the control takes
// before the container's accelerators, and IOleControl.
#include "hosting/Embedding.h"
#include "widgets/win32/FormKeys.h"

namespace vexo::hosting {

namespace {

// The modifier flags of IOleControlSite::TranslateAccelerator.
constexpr DWORD KeyModShift = 1;
constexpr DWORD KeyModControl = 2;
constexpr DWORD KeyModAlt = 4;

// What the control does with a key press a container offers it before its
// own accelerators.
enum class Verdict {
  Panel,      // the focused panel's at once: the container's accelerators never see it
  Container,  // offered to the container's site; left to its normal road when the site does not take it
  Pass,       // the normal road: the panel or the field types it (or the container's accelerators take it)
};

// The keys a focused panel keeps whatever modifiers are held: they move the
// mark and the caret, delete, toggle CapsLock and switch panels (F1-F6), and
// F7 is the host's command. F8 to F24 mean nothing to the keyboard.
bool KeptByPanel(WPARAM key) {
  switch (key) {
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN:
    case VK_PRIOR: case VK_NEXT: case VK_HOME: case VK_END:
    case VK_DELETE: case VK_BACK:
      return true;
    default:
      return key >= VK_F1 && key <= VK_F7;
  }
}

// A key press (WM_KEYDOWN or WM_SYSKEYDOWN) in one of the control's windows.
// Tab, Enter and Escape are the form's, and so are the function keys that
// mean nothing where they are pressed. A combination with Ctrl or Alt is the
// container's first: only when it does not take it do the panel (Ctrl with a
// character types it) and the field (Ctrl+V pastes) have it. Ctrl with Alt
// is AltGr typing a character on many layouts, not a combination.
Verdict VerdictOn(const MSG& message, bool onPanel) {
  const WPARAM key = message.wParam;
  if (key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU) return Verdict::Pass;  // no combination yet
  const bool system = message.message == WM_SYSKEYDOWN;
  if (onPanel && (system ? key == win32::SystemKeyOfThePanels : KeptByPanel(key))) return Verdict::Panel;
  const bool formKey = key == VK_TAB || key == VK_RETURN || key == VK_ESCAPE;
  const bool command = GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0;
  const bool functionKey = key >= VK_F1 && key <= VK_F24;
  return formKey || system || command || functionKey ? Verdict::Container : Verdict::Pass;
}

}  // namespace

// --- The site, of IOleObject

HRESULT STDMETHODCALLTYPE Embedding::SetClientSite(IOleClientSite* site) {
  RETURN_IF_FAILED(OnOwnerThread());
  const Hold hold = KeepAlive();
  TakeSite(site);
  // The site is kept whatever its ambients say; without an answer the control runs.
  Discard(Guard([&] {
            ReadAmbients();
            return hr::Ok;
          }),
          "a control that cannot read the site's ambients behaves as it did");
  return S_OK;
}

void Embedding::TakeSite(IOleClientSite* site) {
  if (!site) Discard(InPlaceDeactivate(), "a control without a site is deactivated in any case");
  clientSite_ = site;
  controlSite_.Reset();
  if (site) {
    Discard(QueryFor(site, IID_IOleControlSite, controlSite_), "a site that is no control site is not told of focus");
  }
}

// A site that answers no ambients, or answers UserMode with nothing, an
// object or a value that is no truth value, runs its form: only a clear
// False means a designer.
void Embedding::ReadAmbients() {
  bool userMode = true;
  ComPtr<IDispatch> ambients;
  if (clientSite_ && SUCCEEDED(QueryFor(clientSite_.Get(), IID_IDispatch, ambients))) {
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
  if (design) {
    // The keyboard goes back to the designer before the panels stop listening,
    // so that the panel that had the focus hears that it lost it.
    Discard(UIDeactivate(), "it always succeeds");
    GiveUpFocus();
  }
  Link().SetMode(design ? win32::HostingLink::Mode::Design : win32::HostingLink::Mode::Run);
  // The designer's Tab key passes over the control.
  const LONG_PTR style = GetWindowLongPtrW(surface_, GWL_STYLE);
  SetWindowLongPtrW(surface_, GWL_STYLE, design ? style & ~WS_TABSTOP : style | WS_TABSTOP);
}

HRESULT STDMETHODCALLTYPE Embedding::GetClientSite(IOleClientSite** site) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!site) return E_POINTER;
  *site = nullptr;
  return clientSite_.CopyTo(site);
}

// --- IOleInPlaceActiveObject

HRESULT STDMETHODCALLTYPE Embedding::TranslateAccelerator(LPMSG message) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!message) return E_POINTER;
  const bool keyDown = message->message == WM_KEYDOWN || message->message == WM_SYSKEYDOWN;
  if (!keyDown || !surface_ || (message->hwnd != surface_ && !IsChild(surface_, message->hwnd))) return S_FALSE;
  // The panel's key and the site may do anything, even release the control.
  const Hold hold = KeepAlive();
  switch (VerdictOn(*message, toolkit_ && Link().IsPanelWindow(message->hwnd))) {
    case Verdict::Panel:
      DispatchMessageW(message);
      return S_OK;
    case Verdict::Pass:
      return S_FALSE;
    case Verdict::Container:
      break;
  }
  const ComPtr<IOleControlSite> site = controlSite_;
  if (!site) return S_FALSE;
  const DWORD modifiers = (GetKeyState(VK_SHIFT) < 0 ? KeyModShift : 0) |
                          (GetKeyState(VK_CONTROL) < 0 ? KeyModControl : 0) |
                          (GetKeyState(VK_MENU) < 0 ? KeyModAlt : 0);
  return site->TranslateAccelerator(message, modifiers) == S_OK ? S_OK : S_FALSE;
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
