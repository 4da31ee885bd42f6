// SPDX-License-Identifier: MIT
#include "widgets/win32/Win32Panel.h"

#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "widgets/Boundary.h"
#include "widgets/win32/FormKeys.h"
#include "widgets/win32/Win32PanelDrawing.h"
#include "widgets/win32/WindowPainting.h"
#include "widgets/win32/LastError.h"

namespace vexo::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

namespace {

// The highest system colour index the screen knows.
constexpr std::uint32_t LastSystemColour = COLOR_MENUBAR;

// The window class of the panels is shared by every instance in the process:
// registered by the first panel, and kept until the code that registered it
// is unloaded (see UnregisterPanelClass).
constexpr wchar_t PanelClassName[] = L"VexoKeyBordPanel";
SRWLOCK classLock = SRWLOCK_INIT;
bool classRegistered = false;

LRESULT CALLBACK PanelProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* panel = reinterpret_cast<Win32Panel*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (panel == nullptr) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  // Nothing thrown may cross into the system's message dispatch.
  LRESULT result = 0;
  Discard(Guard([&] {
            result = static_cast<LRESULT>(panel->Handle(window, message, wParam, lParam));
            return hr::Ok;
          }),
          "the system's dispatch takes no status; a notification's own status is the toolkit's to keep");
  return result;
}

RECT ToRect(const PixelRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

bool Meets(const PixelRect& a, const PixelRect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// The modifier mask of a key press: 1 Shift, 2 Ctrl, 4 Alt (with Ctrl, or
// on F7: Alt alone makes any other press a system key, which the panels leave
// alone).
std::int16_t Modifiers() {
  // One look at the whole keyboard: each key's state asked on its own is a
  // trip to the display's server.
  BYTE keys[256] = {};
  if (!GetKeyboardState(keys)) {
    return 0;
  }
  std::int16_t mask = 0;
  if (keys[VK_SHIFT] & 0x80) mask |= 1;
  if (keys[VK_CONTROL] & 0x80) mask |= 2;
  if (keys[VK_MENU] & 0x80) mask |= 4;
  return mask;
}

// The system colours by index, up to the highest the screen knows.
class Win32Colours final : public SystemPalette {
 public:
  std::optional<Rgb> Lookup(std::uint32_t index) const override {
    if (index > LastSystemColour) {
      return std::nullopt;
    }
    return static_cast<Rgb>(GetSysColor(static_cast<int>(index)));
  }
};

COLORREF Screen(Colour colour, Colour fallback) {
  return static_cast<COLORREF>(ResolveColour(colour, fallback, ScreenColours()));
}

Colour ForeOf(const KeyElement& key) { return key.foreColor.value_or(DefaultKeyForeColor); }
Colour BackOf(const KeyElement& key) { return key.backColor.value_or(DefaultKeyBackColor); }

// Whether two labels show the same on screen: a colour never set shows as
// the default one.
bool SameLook(const KeyElement& a, const KeyElement& b) {
  return a.caption == b.caption && a.left == b.left && a.top == b.top && a.width == b.width &&
         a.height == b.height && a.visible == b.visible && ForeOf(a) == ForeOf(b) && BackOf(a) == BackOf(b);
}

LabelLook LookOf(const KeyElement& key) {
  LabelLook look;
  look.left = key.left;
  look.top = key.top;
  look.width = key.width;
  look.height = key.height;
  look.visible = key.visible;
  look.foreColor = ForeOf(key);
  look.backColor = BackOf(key);
  look.KeepCaption(key.caption);
  return look;
}

bool RegisterPanelClass(HINSTANCE module) {
  AcquireSRWLockExclusive(&classLock);
  if (!classRegistered) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    // No CS_DBLCLKS: a quick second press on a key is a second click, and
    // types its character again.
    windowClass.lpfnWndProc = PanelProcedure;
    windowClass.hInstance = module;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.lpszClassName = PanelClassName;
    classRegistered = RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }
  const bool registered = classRegistered;
  ReleaseSRWLockExclusive(&classLock);
  return registered;
}

}  // namespace

void UnregisterPanelClass(HINSTANCE module) {
  AcquireSRWLockExclusive(&classLock);
  if (classRegistered && UnregisterClassW(PanelClassName, module)) {
    classRegistered = false;
  }
  ReleaseSRWLockExclusive(&classLock);
}

const SystemPalette& ScreenColours() {
  static const Win32Colours colours;
  return colours;
}

// --- The panel.

Win32Panel::Win32Panel(const WidgetContext& context, PanelId id)
    : PlacedPanel(DesignPanel(id)), context_(context), id_(id), keys_(DesignKey(KeysOf(id)), this) {}

Win32Panel::~Win32Panel() {
  if (window_ != nullptr && IsWindow(window_)) {
    DestroyWindow(window_);
  }
}

HResult Win32Panel::Create(std::optional<PixelRect> place) {
  if (!RegisterPanelClass(context_.module)) {
    return LastError();
  }
  const PixelRect r = place.value_or(context_.Pixels(Bounds()));
  // No tab stop: the Tab key reaches the keyboard at its surface, which hands
  // the focus to the active panel, and leaves it from whichever panel has it.
  // No parent notification of a press: the container's windows above would
  // each be told of every click on a key, and nothing of ours needs it.
  window_ = CreateWindowExW(WS_EX_NOPARENTNOTIFY, PanelClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                            r.left, r.top, std::max(0, r.Width()), std::max(0, r.Height()), context_.surface,
                            nullptr, context_.module, this);
  if (window_ == nullptr) {
    return LastError();
  }
  return hr::Ok;
}

HResult Win32Panel::Placed() {
  if (window_ != nullptr) {
    context_.pending.Move(window_, context_.Pixels(Bounds()));
  }
  return hr::Ok;
}


HResult Win32Panel::SetFocus() {
  if (window_ == nullptr || !IsWindowEnabled(window_)) {
    return hr::InvalidProcedureCall;
  }
  if (!context_.interactive) {
    return hr::Ok;  // in a form designer the keyboard stays with the designer
  }
  if (!IsWindowVisible(window_) || focused_) {
    return hr::Ok;
  }
  // WM_KILLFOCUS of the panel that had the focus and WM_SETFOCUS of this one
  // arrive inside this call.
  ::SetFocus(window_);
  return focused_ ? hr::Ok : hr::InvalidProcedureCall;
}

PixelRect Win32Panel::KeyPixels(const KeyElement& key) const {
  return ToPixels(key.left, key.top, key.width, key.height, context_.dpi);
}

bool Win32Panel::CanShow(Colour colour) const { return ResolveColour(colour, ScreenColours()).has_value(); }

void Win32Panel::KeyChanged(std::int16_t index, const KeyElement& before, const KeyElement& after) {
  if (!SameLook(before, after)) {
    context_.pending.LabelChanged(*this, index, LookOf(before));
    accessibility_.KeyChanged(index, before, after);
  }
}

void Win32Panel::PressKey(std::int16_t index) {
  context_.notifications.RaiseFromWindow([&](WidgetEvents& events) { return events.OnClick(KeysOf(id_), index); });
}

void Win32Panel::Repaint(const LabelLook& look) {
  if (window_ == nullptr || !look.visible) {
    return;
  }
  const PixelRect r = ToPixels(look.left, look.top, look.width, look.height, context_.dpi);
  const auto end = noted_.begin() + static_cast<std::ptrdiff_t>(notedCount_);
  if (std::find(noted_.begin(), end, r) != end) {
    return;
  }
  if (notedCount_ == noted_.size()) {
    RepaintLabelsNoted();
  }
  noted_[notedCount_++] = r;
}

bool Win32Panel::ShowsItsLabels() {
  if (window_ == nullptr) {
    return false;
  }
  if (!IsWindowVisible(window_)) {
    painted_ = false;
  }
  return painted_;
}

void Win32Panel::RepaintLabelsNoted() {
  const std::size_t count = std::exchange(notedCount_, 0);
  if (count == 0 || !ShowsItsLabels()) {
    return;
  }
  HRGN region = CreateRectRgn(noted_[0].left, noted_[0].top, noted_[0].right, noted_[0].bottom);
  for (std::size_t i = 1; i < count && region != nullptr; ++i) {
    const PixelRect& r = noted_[i];
    HRGN place = CreateRectRgn(r.left, r.top, r.right, r.bottom);
    if (place == nullptr || CombineRgn(region, region, place, RGN_OR) == ERROR) {
      DeleteObject(region);
      region = nullptr;
    }
    if (place != nullptr) {
      DeleteObject(place);
    }
  }
  if (region != nullptr) {
    // Drawn at once rather than invalidated: a paint message costs the
    // display's server several trips (the update region, the visible one,
    // the caret hidden and shown) where drawing through the window's device
    // context costs one, and a click changes only two labels.
    if (IsWindowVisible(window_)) {
      if (HDC dc = GetDC(window_)) {
        ExtSelectClipRgn(dc, region, RGN_AND);
        RECT box{};
        GetRgnBox(region, &box);
        // This runs as a burst ends, where nothing may be thrown.
        const HResult drawn = Guard([&] {
          Paint(dc, {box.left, box.top, box.right, box.bottom});
          return hr::Ok;
        });
        ReleaseDC(window_, dc);
        if (Succeeded(drawn)) {
          DeleteObject(region);
          return;
        }
        // Without the memory to draw them now, the labels wait for a paint.
      }
    }
    InvalidateRgn(window_, region, FALSE);
    DeleteObject(region);
    return;
  }
  // Without room for a region, place by place.
  for (std::size_t i = 0; i < count; ++i) {
    const RECT r = ToRect(noted_[i]);
    InvalidateRect(window_, &r, FALSE);
  }
}

void Win32Panel::RepaintLabel(std::int32_t index, const LabelLook& before) {
  const KeyElement* key = keys_.Element(index);
  if (key == nullptr) {
    Repaint(before);
    return;
  }
  const LabelLook now = LookOf(*key);
  if (now == before) {
    return;  // changed and changed back: the screen shows it already
  }
  Repaint(before);
  Repaint(now);
}

void Win32Panel::RepaintAll() {
  if (ShowsItsLabels()) {
    InvalidateRect(window_, nullptr, FALSE);
  }
}

std::int16_t Win32Panel::HitTest(int x, int y) const {
  return keys_.KeyAt([&](const KeyElement& key) {
    const PixelRect r = KeyPixels(key);
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
  });
}

std::vector<DrawnLabel> Win32Panel::LabelsMeeting(const PixelRect& clip) const {
  const Contrast contrast = HighContrast(context_) ? Contrast::High : Contrast::Normal;
  const auto drawn = [&](const KeyElement* key) {
    if (key == nullptr || !key->visible) {
      return false;
    }
    const PixelRect pixels = KeyPixels(*key);
    return pixels.Width() > 0 && pixels.Height() > 0 && Meets(pixels, clip);
  };
  std::size_t count = 0;
  for (std::int32_t index = 0; index < keys_.Extent(); ++index) {
    count += drawn(keys_.Element(index)) ? 1 : 0;
  }
  // Higher indexes lie on top, as the hit test finds them.
  std::vector<DrawnLabel> labels(count);
  auto label = labels.begin();
  for (std::int32_t index = 0; index < keys_.Extent() && label != labels.end(); ++index) {
    const KeyElement* key = keys_.Element(index);
    if (!drawn(key)) {
      continue;
    }
    const KeyColours colours = DrawnColours(key->foreColor, key->backColor, key->marked, contrast);
    *label++ = {ToRect(KeyPixels(*key)),
                {Screen(colours.fore, DefaultKeyForeColor), Screen(colours.back, DefaultKeyBackColor)},
                key->caption};
  }
  return labels;
}

void Win32Panel::Paint(HDC dc, const PixelRect& clip) const {
  // A key that lost the mark and one that took it are often far apart: only
  // the labels inside what needs painting are drawn, not every one between.
  std::vector<DrawnLabel> labels = LabelsMeeting(clip);
  std::erase_if(labels, [&](const DrawnLabel& label) { return !RectVisible(dc, &label.box); });
  DrawPanel(dc, ToRect(clip), Screen(PanelBackColor, PanelBackColor), labels, context_.keyFont);
}

void Win32Panel::PaintWhole(HDC dc, int width, int height) const {
  const PixelRect whole{0, 0, width, height};
  const COLORREF back = Screen(PanelBackColor, PanelBackColor);
  const std::vector<DrawnLabel> labels = LabelsMeeting(whole);
  if (!PanelImages::Paint(dc, width, height, PanelImages::LookOf(width, height, context_.dpi.y, back, labels), back,
                          labels, context_.keyFont)) {
    DrawPanel(dc, ToRect(whole), back, labels, context_.keyFont);
  }
}

std::intptr_t Win32Panel::Handle(HWND window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  // The host's code that a notification reaches may destroy the windows or
  // let go of the control: the panel lives until this hold goes, as the last
  // thing of the message, and each step after a notification checks that its
  // window is still there.
  const KeepAlive hold = Hold();
  switch (message) {
    case WM_NCCREATE:
      window_ = window;
      return DefWindowProcW(window, message, wParam, lParam);
    case WM_PAINT: {
      // Labels changed by a notification still running are drawn now too.
      context_.pending.RepaintLabelsNow(*this);
      painted_ = true;
      PaintWhatWaits(window, [&](HDC dc, const RECT& r) {
        RECT client{};
        GetClientRect(window, &client);
        if (EqualRect(&r, &client)) {
          PaintWhole(dc, client.right, client.bottom);
        } else {
          Paint(dc, {r.left, r.top, r.right, r.bottom});
        }
      });
      return 0;
    }
    case WM_PRINTCLIENT: {
      RECT client{};
      GetClientRect(window, &client);
      Paint(reinterpret_cast<HDC>(wParam), {client.left, client.top, client.right, client.bottom});
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_SYSCOLORCHANGE:
      // Button face and button text are looked up at each paint.
      InvalidateRect(window, nullptr, FALSE);
      return 0;

    case WM_GETDLGCODE:
      return DialogCode;

    case WM_SETFOCUS:
      focused_ = true;
      context_.notifications.PanelFocused(id_);
      context_.notifications.RaiseFromWindow([this](WidgetEvents& events) { return events.OnGotFocus(id_); });
      accessibility_.FocusChanged();
      return 0;
    case WM_KILLFOCUS:
      focused_ = false;
      context_.notifications.RaiseFromWindow([this](WidgetEvents& events) { return events.OnLostFocus(id_); });
      accessibility_.FocusChanged();
      return 0;
    case WM_GETOBJECT:
      if (const std::intptr_t object = accessibility_.Answer(wParam, lParam)) {
        return object;
      }
      return DefWindowProcW(window, message, wParam, lParam);

    case WM_SYSKEYDOWN:
      // Keys with Alt, and F10, go to the system alone, as with any control:
      // typing them as well would act twice. The system hears F7 too, which
      // ends its wait for a lone Alt to open the window menu.
      DefWindowProcW(window, message, wParam, lParam);
      if (wParam != SystemKeyOfThePanels) {
        return 0;
      }
      [[fallthrough]];
    case WM_KEYDOWN: {
      struct {
        std::int16_t keyCode;
        std::int16_t shift;
      } press{static_cast<std::int16_t>(wParam & 0xFF), Modifiers()};
      // Two captures stay within the notification's own room: a key press
      // allocates nothing to be raised.
      context_.notifications.RaiseFromWindow(
          [this, &press](WidgetEvents& events) { return events.OnKeyDown(id_, press.keyCode, press.shift); });
      return 0;
    }
    case WM_LBUTTONDOWN: {
      const int x = static_cast<short>(LOWORD(lParam));
      const int y = static_cast<short>(HIWORD(lParam));
      const std::int16_t hit = HitTest(x, y);
      if (hit >= 0) {
        // A label takes no focus: the press only arms its click. The mouse
        // is captured only once it moves while down (see WM_MOUSEMOVE): a
        // press and release on one spot, as most clicks are, costs no
        // capture taken and given back, each a trip to the display's server
        // and the second a made-up move of the mouse.
        pressed_.Arm(hit);
        pressedAt_ = lParam;
      } else if (!focused_) {
        // The panel itself takes the focus when its background is pressed.
        ::SetFocus(window);
      }
      return 0;
    }
    case WM_LBUTTONUP: {
      const int x = static_cast<short>(LOWORD(lParam));
      const int y = static_cast<short>(HIWORD(lParam));
      // Taken before the capture goes, whose change disarms the key.
      const std::int16_t clicked = pressed_.Release(HitTest(x, y));
      if (std::exchange(capturing_, false)) {
        ReleaseCapture();
      }
      if (clicked >= 0) {
        PressKey(clicked);
      }
      return 0;
    }
    case WM_SETCURSOR:
      // Over the keys the cursor is the panel's arrow. The system would ask
      // each window above first, every answer a trip to the display's
      // server, twice per click; in a designer the designer's windows decide.
      if (LOWORD(lParam) == HTCLIENT && context_.interactive) {
        SetCursor(reinterpret_cast<HCURSOR>(GetClassLongPtrW(window, GCLP_HCURSOR)));
        return TRUE;
      }
      return DefWindowProcW(window, message, wParam, lParam);
    case WM_MOUSEMOVE:
      if (pressed_.Armed() >= 0 && !capturing_) {
        if ((wParam & MK_LBUTTON) == 0) {
          // The button went up where the panel did not see it.
          pressed_.Disarm();
        } else if (static_cast<std::intptr_t>(lParam) != pressedAt_) {
          // Moving while down: from now on the release is the panel's
          // wherever it happens, so that one outside types nothing.
          capturing_ = true;
          SetCapture(window);
        }
      }
      return 0;
    case WM_CAPTURECHANGED:
      capturing_ = false;
      pressed_.Disarm();
      return 0;
    case WM_CANCELMODE:
      // A dialog or menu appears: a press without the capture ends too.
      pressed_.Disarm();
      return DefWindowProcW(window, message, wParam, lParam);

    case WM_NCDESTROY:
      focused_ = false;
      accessibility_.Disconnect();
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      window_ = nullptr;
      return DefWindowProcW(window, message, wParam, lParam);
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace vexo::win32
