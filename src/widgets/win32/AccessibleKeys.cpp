// SPDX-License-Identifier: MIT
#include "widgets/win32/AccessibleKeys.h"

#include <windows.h>
#include <oleacc.h>
#include <wrl/client.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cwchar>
#include <iterator>
#include <utility>

#include "widgets/Boundary.h"
#include "widgets/win32/Win32Panel.h"
#include "widgets/win32/OwnerThread.h"

namespace vexo::win32 {

using Microsoft::WRL::ComPtr;

namespace {

// What a child identifier names: a key's index, the panel itself, or nothing.
constexpr int Self = -1;
constexpr int NoSuchChild = -2;

int KeyOf(const VARIANT& child, const KeyStore& keys) {
  if (child.vt != VT_I4) return NoSuchChild;
  if (child.lVal == CHILDID_SELF) return Self;
  if (child.lVal < 1 || child.lVal > keys.Extent()) return NoSuchChild;
  return child.lVal - 1;
}

LONG ChildId(int key) { return key + 1; }

void SetChild(VARIANT* out, LONG id) {
  out->vt = VT_I4;
  out->lVal = id;
}

HRESULT PutText(BSTR* out, const wchar_t* text, UINT length) {
  *out = SysAllocStringLen(text, length);
  return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

// The panels as a user names them.
const wchar_t* PanelName(PanelId id) { return reinterpret_cast<const wchar_t*>(AccessiblePanelName(id).data()); }

constexpr wchar_t PressAction[] = L"press";

// The system's accessibility library, loaded when a client first asks a
// panel for its object: a keyboard that nobody reads this way never loads it.
// It stays loaded, as system libraries do.
struct Oleacc {
  decltype(&CreateStdAccessibleObject) createStandard = nullptr;
  decltype(&LresultFromObject) resultFromObject = nullptr;
};

const Oleacc& OleaccFunctions() {
  static const Oleacc functions = [] {
    Oleacc loaded;
    if (HMODULE module = LoadLibraryW(L"oleacc.dll")) {
      loaded.createStandard = reinterpret_cast<decltype(loaded.createStandard)>(
          reinterpret_cast<void*>(GetProcAddress(module, "CreateStdAccessibleObject")));
      loaded.resultFromObject = reinterpret_cast<decltype(loaded.resultFromObject)>(
          reinterpret_cast<void*>(GetProcAddress(module, "LresultFromObject")));
    }
    return loaded;
  }();
  return functions;
}

// The nearest visible key from `from` in a direction of the screen: its
// centre lies that way and its box shares rows (or columns) with `from`.
int Beside(Win32Panel& panel, int from, LONG direction) {
  const KeyStore& keys = panel.Keys();
  const KeyElement* start = keys.Element(from);
  if (start == nullptr) return NoSuchChild;
  const PixelRect a = panel.KeyPixels(*start);
  int best = NoSuchChild;
  long bestDistance = LONG_MAX;
  for (std::int32_t index = 0; index < keys.Extent(); ++index) {
    const KeyElement* key = keys.Element(index);
    if (index == from || key == nullptr || !key->visible) continue;
    const PixelRect b = panel.KeyPixels(*key);
    const bool sameRows = b.top < a.bottom && a.top < b.bottom;
    const bool sameColumns = b.left < a.right && a.left < b.right;
    const long dx = (b.left + b.right - a.left - a.right) / 2;
    const long dy = (b.top + b.bottom - a.top - a.bottom) / 2;
    long distance = -1;
    switch (direction) {
      case NAVDIR_LEFT: distance = sameRows && dx < 0 ? -dx : -1; break;
      case NAVDIR_RIGHT: distance = sameRows && dx > 0 ? dx : -1; break;
      case NAVDIR_UP: distance = sameColumns && dy < 0 ? -dy : -1; break;
      case NAVDIR_DOWN: distance = sameColumns && dy > 0 ? dy : -1; break;
      default: break;
    }
    if (distance >= 0 && distance < bestDistance) {
      best = index;
      bestDistance = distance;
    }
  }
  return best;
}

}  // namespace

// The panel's object. The panel holds one reference while its window lives;
// clients hold the others. Every member but those of IUnknown gives
// RPC_E_WRONG_THREAD on any thread but the panel's, whose window made it, and
// RPC_E_DISCONNECTED once the object is cut off from the panel.
class AccessibleKeyPanel final : public IAccessible {
 public:
  AccessibleKeyPanel(Win32Panel& panel, ComPtr<IAccessible> standard, void (*holdModule)(bool))
      : panel_(&panel), standard_(std::move(standard)), holdModule_(holdModule) {
    if (holdModule_ != nullptr) holdModule_(true);
  }
  ~AccessibleKeyPanel() {
    if (holdModule_ != nullptr) holdModule_(false);
  }
  AccessibleKeyPanel(const AccessibleKeyPanel&) = delete;
  AccessibleKeyPanel& operator=(const AccessibleKeyPanel&) = delete;

  void Disconnect() {
    panel_ = nullptr;
    standard_.Reset();
  }

  // --- IUnknown.
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch && iid != IID_IAccessible) return E_NOINTERFACE;
    *object = static_cast<IAccessible*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // --- IDispatch: clients reach the object through its own interface.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    RETURN_IF_FAILED(owner_.Check());
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    RETURN_IF_FAILED(owner_.Check());
    if (info == nullptr) return E_POINTER;
    *info = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    RETURN_IF_FAILED(owner_.Check());
    return E_NOTIMPL;
  }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    RETURN_IF_FAILED(owner_.Check());
    return E_NOTIMPL;
  }

  // --- IAccessible.
  STDMETHODIMP get_accParent(IDispatch** parent) override {
    return Run(parent, [&] { return standard_->get_accParent(parent); });
  }
  STDMETHODIMP get_accChildCount(LONG* count) override {
    return Run(count, [&] {
      *count = panel_->Keys().Extent();
      return S_OK;
    });
  }
  STDMETHODIMP get_accChild(VARIANT child, IDispatch** object) override {
    // Keys are simple elements: no object of their own.
    return Run(object, [&] { return KeyOf(child, panel_->Keys()) == NoSuchChild ? E_INVALIDARG : S_FALSE; });
  }
  STDMETHODIMP get_accName(VARIANT child, BSTR* name) override {
    return Run(name, [&]() -> HRESULT {
      const int key = KeyOf(child, panel_->Keys());
      if (key == NoSuchChild) return E_INVALIDARG;
      if (key == Self) {
        const wchar_t* text = PanelName(panel_->Id());
        return PutText(name, text, static_cast<UINT>(wcslen(text)));
      }
      const KeyElement* element = panel_->Keys().Element(key);
      if (element == nullptr) return S_FALSE;
      const std::u16string_view text = AccessibleName(element->caption);
      return PutText(name, reinterpret_cast<const wchar_t*>(text.data()), static_cast<UINT>(text.size()));
    });
  }
  STDMETHODIMP get_accValue(VARIANT, BSTR* value) override { return Run(value, [] { return DISP_E_MEMBERNOTFOUND; }); }
  STDMETHODIMP get_accDescription(VARIANT, BSTR* text) override {
    return Run(text, [] { return DISP_E_MEMBERNOTFOUND; });
  }
  STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override {
    return Run(role, [&] {
      const int key = KeyOf(child, panel_->Keys());
      if (key == NoSuchChild) return E_INVALIDARG;
      SetChild(role, key == Self ? ROLE_SYSTEM_GROUPING : ROLE_SYSTEM_PUSHBUTTON);
      return S_OK;
    });
  }
  STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override {
    return Run(state, [&]() -> HRESULT {
      const int key = KeyOf(child, panel_->Keys());
      if (key == NoSuchChild) return E_INVALIDARG;
      // In a form designer the panel and its keys take no input.
      const LONG designed = panel_->Interactive() ? 0 : STATE_SYSTEM_UNAVAILABLE;
      if (key == Self) {
        const HRESULT status = standard_->get_accState(child, state);
        if (status == S_OK && state->vt == VT_I4) state->lVal |= designed;
        return status;
      }
      const KeyElement* element = panel_->Keys().Element(key);
      LONG flags = STATE_SYSTEM_FOCUSABLE | designed;
      if (element == nullptr || !element->visible) flags |= STATE_SYSTEM_INVISIBLE;
      if (!IsWindowEnabled(panel_->Window())) flags |= STATE_SYSTEM_UNAVAILABLE;
      if (panel_->Accessibility().FocusedKey() == key) flags |= STATE_SYSTEM_FOCUSED;
      SetChild(state, flags);
      return S_OK;
    });
  }
  STDMETHODIMP get_accHelp(VARIANT, BSTR* help) override { return Run(help, [] { return DISP_E_MEMBERNOTFOUND; }); }
  STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT, LONG* topic) override {
    RETURN_IF_FAILED(owner_.Check());
    if (topic == nullptr) return E_POINTER;
    *topic = 0;
    return Run(file, [] { return DISP_E_MEMBERNOTFOUND; });
  }
  STDMETHODIMP get_accKeyboardShortcut(VARIANT, BSTR* shortcut) override {
    return Run(shortcut, [] { return DISP_E_MEMBERNOTFOUND; });
  }
  STDMETHODIMP get_accFocus(VARIANT* focus) override {
    return Run(focus, [&] {
      if (GetFocus() != panel_->Window()) return S_FALSE;
      const int key = panel_->Accessibility().FocusedKey();
      SetChild(focus, key >= 0 ? ChildId(key) : CHILDID_SELF);
      return S_OK;
    });
  }
  STDMETHODIMP get_accSelection(VARIANT* selection) override {
    return Run(selection, [] { return S_FALSE; });  // keys are pressed, not selected
  }
  STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override {
    return Run(action, [&] {
      const int key = KeyOf(child, panel_->Keys());
      if (key == NoSuchChild) return E_INVALIDARG;
      if (key == Self) return DISP_E_MEMBERNOTFOUND;
      return PutText(action, PressAction, static_cast<UINT>(std::size(PressAction) - 1));
    });
  }
  STDMETHODIMP accSelect(LONG flags, VARIANT child) override {
    return Run([&] {
      const int key = KeyOf(child, panel_->Keys());
      if (key == NoSuchChild) return E_INVALIDARG;
      return key == Self ? standard_->accSelect(flags, child) : DISP_E_MEMBERNOTFOUND;
    });
  }
  STDMETHODIMP accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override {
    RETURN_IF_FAILED(owner_.Check());
    if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) return E_POINTER;
    *left = *top = *width = *height = 0;
    return Run([&]() -> HRESULT {
      const int key = KeyOf(child, panel_->Keys());
      if (key == NoSuchChild) return E_INVALIDARG;
      if (key == Self) return standard_->accLocation(left, top, width, height, child);
      const KeyElement* element = panel_->Keys().Element(key);
      if (element == nullptr) return S_FALSE;
      // Where the panel draws it, on the screen.
      const PixelRect drawn = panel_->KeyPixels(*element);
      POINT corner{drawn.left, drawn.top};
      ClientToScreen(panel_->Window(), &corner);
      *left = corner.x;
      *top = corner.y;
      *width = drawn.Width();
      *height = drawn.Height();
      return S_OK;
    });
  }
  STDMETHODIMP accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
    return Run(end, [&]() -> HRESULT {
      const KeyStore& keys = panel_->Keys();
      const int key = KeyOf(start, keys);
      if (key == NoSuchChild) return E_INVALIDARG;
      int found = NoSuchChild;
      if (key == Self) {
        // The panel's own siblings are the surface's other windows.
        if (direction != NAVDIR_FIRSTCHILD && direction != NAVDIR_LASTCHILD) {
          return standard_->accNavigate(direction, start, end);
        }
        if (keys.Extent() > 0) found = direction == NAVDIR_FIRSTCHILD ? 0 : keys.Extent() - 1;
      } else if (direction == NAVDIR_NEXT) {
        if (key + 1 < keys.Extent()) found = key + 1;
      } else if (direction == NAVDIR_PREVIOUS) {
        if (key > 0) found = key - 1;
      } else if (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD) {
        return S_FALSE;  // a key has no children
      } else if (direction >= NAVDIR_UP && direction <= NAVDIR_RIGHT) {
        found = Beside(*panel_, key, direction);
      } else {
        return E_INVALIDARG;
      }
      if (found < 0) return S_FALSE;
      SetChild(end, ChildId(found));
      return S_OK;
    });
  }
  STDMETHODIMP accHitTest(LONG x, LONG y, VARIANT* hit) override {
    return Run(hit, [&] {
      const HWND window = panel_->Window();
      POINT point{x, y};
      ScreenToClient(window, &point);
      RECT client{};
      GetClientRect(window, &client);
      if (!PtInRect(&client, point)) return S_FALSE;
      const int key = panel_->HitTest(point.x, point.y);
      SetChild(hit, key >= 0 ? ChildId(key) : CHILDID_SELF);
      return S_OK;
    });
  }
  STDMETHODIMP accDoDefaultAction(VARIANT child) override {
    return Run([&] {
      const int key = KeyOf(child, panel_->Keys());
      if (key == NoSuchChild) return E_INVALIDARG;
      if (key == Self) return DISP_E_MEMBERNOTFOUND;
      const KeyElement* element = panel_->Keys().Element(key);
      // Only what a user could click: a visible key of an enabled panel, outside a designer.
      if (element == nullptr || !element->visible || !IsWindowEnabled(panel_->Window()) || !panel_->Interactive()) {
        return E_FAIL;
      }
      // The press reaches the host's code, which may let go of the control:
      // the panel is held until the press is over, and not touched after.
      const KeepAlive hold = panel_->Hold();
      panel_->PressKey(static_cast<std::int16_t>(key));
      return S_OK;
    });
  }
  // Names are the captions; clients do not rewrite them.
  STDMETHODIMP put_accName(VARIANT, BSTR) override { return Run([] { return E_NOTIMPL; }); }
  STDMETHODIMP put_accValue(VARIANT, BSTR) override { return Run([] { return E_NOTIMPL; }); }

 private:
  // Every member's boundary: nothing runs on another thread than the owner's,
  // nothing thrown escapes, and nothing reaches a panel that is gone.
  template <typename Body>
  HRESULT Run(Body&& body) {
    RETURN_IF_FAILED(owner_.Check());
    if (panel_ == nullptr) return RPC_E_DISCONNECTED;
    return static_cast<HRESULT>(static_cast<std::int32_t>(Guard([&] { return HResult(body()); })));
  }
  // The same for a member with one out-parameter, defined before any work.
  template <typename Out, typename Body>
  HRESULT Run(Out* out, Body&& body) {
    RETURN_IF_FAILED(owner_.Check());
    if (out == nullptr) return E_POINTER;
    Clear(out);
    const HRESULT status = Run(body);
    if (FAILED(status) || status == S_FALSE) Drop(out);
    return status;
  }
  static void Clear(VARIANT* out) { VariantInit(out); }
  static void Clear(BSTR* out) { *out = nullptr; }
  static void Clear(LONG* out) { *out = 0; }
  static void Clear(IDispatch** out) { *out = nullptr; }
  static void Drop(VARIANT* out) { VariantClear(out); }
  static void Drop(BSTR* out) { SysFreeString(std::exchange(*out, nullptr)); }
  static void Drop(LONG*) {}
  static void Drop(IDispatch** out) {
    if (IDispatch* object = std::exchange(*out, nullptr)) object->Release();
  }

  LONG references_ = 1;
  OwnerThread owner_;
  Win32Panel* panel_;
  ComPtr<IAccessible> standard_;  // the window's own parts: parent, siblings, its frame
  void (*holdModule_)(bool);
};

// --- High contrast.

bool HighContrast(const WidgetContext& context) {
  if (context.highContrast) return context.highContrast();
  HIGHCONTRASTW contrast{};
  contrast.cbSize = sizeof contrast;
  return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) != FALSE &&
         (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

// --- The panel's side.

PanelAccessibility::PanelAccessibility(Win32Panel& panel, const WidgetContext& context)
    : panel_(panel), pending_(context.pending), holdModule_(context.holdModule) {}

PanelAccessibility::~PanelAccessibility() {
  pending_.Withdraw(*this);
  Disconnect();
}

std::intptr_t PanelAccessibility::Answer(std::uintptr_t wParam, std::intptr_t lParam) {
  const Oleacc& oleacc = OleaccFunctions();
  if (static_cast<LONG>(lParam) != OBJID_CLIENT || panel_.Window() == nullptr || oleacc.createStandard == nullptr ||
      oleacc.resultFromObject == nullptr) {
    return 0;
  }
  if (object_ == nullptr) {
    ComPtr<IAccessible> standard;
    if (FAILED(oleacc.createStandard(panel_.Window(), OBJID_CLIENT, IID_IAccessible,
                                         reinterpret_cast<void**>(standard.GetAddressOf())))) {
      return 0;
    }
    object_ = new AccessibleKeyPanel(panel_, std::move(standard), holdModule_);
  }
  // A failure comes back as a negative status widened to the result's size;
  // on 64-bit a good result may have any low 32 bits, so only its sign tells.
  const LRESULT result = oleacc.resultFromObject(IID_IAccessible, static_cast<WPARAM>(wParam), object_);
  return result < 0 ? 0 : static_cast<std::intptr_t>(result);
}

void PanelAccessibility::Disconnect() {
  if (AccessibleKeyPanel* object = std::exchange(object_, nullptr)) {
    object->Disconnect();
    object->Release();
  }
}

std::int16_t PanelAccessibility::FocusedKey() const {
  const HWND window = panel_.Window();
  if (window == nullptr || GetFocus() != window) return -1;
  return panel_.Keys().MarkedIndex();
}

void PanelAccessibility::KeyChanged(std::int16_t index, const KeyElement& before, const KeyElement& after) {
  if (before.caption != after.caption && std::find(renamed_.begin(), renamed_.end(), index) == renamed_.end()) {
    renamed_.push_back(index);
  }
  if (before.caption != after.caption || before.marked != after.marked) {
    pending_.Announce(*this);
  }
}

void PanelAccessibility::FocusChanged() { pending_.Announce(*this); }

void PanelAccessibility::Announce() {
  const HWND window = panel_.Window();
  if (window == nullptr) {
    renamed_.clear();
    return;
  }
  for (const std::int16_t key : renamed_) {
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, window, OBJID_CLIENT, ChildId(key));
  }
  renamed_.clear();
  const std::int16_t focused = FocusedKey();
  if (focused == announcedFocus_) return;
  const std::int16_t was = std::exchange(announcedFocus_, focused);
  if (was >= 0 && was < panel_.Keys().Extent()) {
    NotifyWinEvent(EVENT_OBJECT_STATECHANGE, window, OBJID_CLIENT, ChildId(was));
  }
  if (focused >= 0) {
    NotifyWinEvent(EVENT_OBJECT_STATECHANGE, window, OBJID_CLIENT, ChildId(focused));
    // Magnifiers follow this one to the key's location.
    NotifyWinEvent(EVENT_OBJECT_FOCUS, window, OBJID_CLIENT, ChildId(focused));
  }
}

}  // namespace vexo::win32
