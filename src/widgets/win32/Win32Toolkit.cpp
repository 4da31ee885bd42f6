// SPDX-License-Identifier: MIT
#include "widgets/win32/Win32Toolkit.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <utility>

#include "widgets/Boundary.h"

namespace vexo::win32 {

namespace {

HINSTANCE ModuleOfThisCode() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ModuleOfThisCode), &module);
  return module;
}

Dpi ScreenPixelsPerInch() {
  Dpi dpi;
  if (HDC screen = GetDC(nullptr)) {
    dpi.x = GetDeviceCaps(screen, LOGPIXELSX);
    dpi.y = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
  }
  if (dpi.x <= 0) dpi.x = 96;
  if (dpi.y <= 0) dpi.y = 96;
  return dpi;
}

// The keys' font, which the field shows too.
HFONT CreateKeyFont(int dpiY) {
  const KeyLook& look = DesignKeyLook;
  LOGFONTW font{};
  font.lfHeight = -MulDiv(static_cast<int>(std::lround(look.fontPoints * 100)), dpiY, 72 * 100);
  font.lfWeight = look.fontWeight;
  font.lfCharSet = static_cast<BYTE>(look.charset);
  font.lfQuality = DEFAULT_QUALITY;
  const std::size_t length = std::min<std::size_t>(look.faceName.size(), LF_FACESIZE - 1);
  std::copy_n(look.faceName.data(), length, font.lfFaceName);
  return CreateFontIndirectW(&font);
}

// The key font of one density is shared by the instances that show it, and
// goes with the last of them. A font of a density that finds no room in the
// table is an instance's own.
struct SharedFont {
  int dpiY = 0;
  HFONT font = nullptr;
  int users = 0;
};
SRWLOCK fontLock = SRWLOCK_INIT;
std::array<SharedFont, 4> sharedFonts{};

HFONT AcquireKeyFont(int dpiY) {
  AcquireSRWLockExclusive(&fontLock);
  auto found = std::find_if(sharedFonts.begin(), sharedFonts.end(),
                            [&](const SharedFont& shared) { return shared.users > 0 && shared.dpiY == dpiY; });
  if (found == sharedFonts.end()) {
    found = std::find_if(sharedFonts.begin(), sharedFonts.end(),
                         [](const SharedFont& shared) { return shared.users == 0; });
    if (found != sharedFonts.end()) {
      *found = {dpiY, CreateKeyFont(dpiY), 0};
    }
  }
  HFONT font = nullptr;
  if (found == sharedFonts.end()) {
    font = CreateKeyFont(dpiY);
  } else if (found->font != nullptr) {
    ++found->users;
    font = found->font;
  }
  ReleaseSRWLockExclusive(&fontLock);
  return font;
}

void ReleaseKeyFont(HFONT font) {
  AcquireSRWLockExclusive(&fontLock);
  auto found = std::find_if(sharedFonts.begin(), sharedFonts.end(),
                            [&](const SharedFont& shared) { return shared.users > 0 && shared.font == font; });
  const bool last = found == sharedFonts.end() || --found->users == 0;
  if (found != sharedFonts.end() && last) {
    *found = {};
  }
  ReleaseSRWLockExclusive(&fontLock);
  if (last) {
    DeleteObject(font);
  }
}

// Where the last start-up at a screen density left the panels and the field
// (the panels in PanelId order, then the field): the next instance's windows
// are made there, and its start-up, which places them the same way, moves none.
constexpr std::size_t ChildCount = PanelCount + 1;

struct StartedPlaces {
  Dpi dpi;
  std::array<PixelRect, ChildCount> places{};
  bool known = false;
};
SRWLOCK placesLock = SRWLOCK_INIT;
StartedPlaces startedPlaces;

std::optional<PixelRect> StartedPlace(bool wanted, Dpi dpi, std::size_t child) {
  if (!wanted) {
    return std::nullopt;
  }
  AcquireSRWLockShared(&placesLock);
  std::optional<PixelRect> place;
  if (startedPlaces.known && startedPlaces.dpi.x == dpi.x && startedPlaces.dpi.y == dpi.y) {
    place = startedPlaces.places[child];
  }
  ReleaseSRWLockShared(&placesLock);
  return place;
}

void RememberStartedPlaces(Dpi dpi, const std::array<PixelRect, ChildCount>& places) {
  AcquireSRWLockExclusive(&placesLock);
  startedPlaces = {dpi, places, true};
  ReleaseSRWLockExclusive(&placesLock);
}

}  // namespace

Win32Toolkit::Win32Toolkit(HWND surface, Options options)
    : options_(std::move(options)), pending_(surface, *this), context_{surface, nullptr, {}, nullptr, pending_, *this, {}, nullptr, true, {}} {}

HResult Win32Toolkit::Create(HWND surface, Options options, std::unique_ptr<Win32Toolkit>& toolkit) {
  toolkit.reset();
  if (!IsWindow(surface) || GetWindowThreadProcessId(surface, nullptr) != GetCurrentThreadId()) {
    return hr::InvalidArg;
  }
  std::unique_ptr<Win32Toolkit> made(new (std::nothrow) Win32Toolkit(surface, std::move(options)));
  if (!made) {
    return hr::OutOfMemory;
  }
  RETURN_IF_FAILED(Guard([&] { return made->Build(); }));
  toolkit = std::move(made);
  return hr::Ok;
}

HResult Win32Toolkit::Build() {
  context_.module = ModuleOfThisCode();
  const Dpi screen = ScreenPixelsPerInch();
  context_.dpi.x = options_.dpiX > 0 ? options_.dpiX : screen.x;
  context_.dpi.y = options_.dpiY > 0 ? options_.dpiY : screen.y;
  context_.highContrast = options_.highContrast;
  context_.holdModule = options_.holdModule;
  context_.keepAlive = options_.keepAlive;
  context_.keyFont = AcquireKeyFont(context_.dpi.y);
  if (context_.keyFont == nullptr) {
    return hr::Fail;
  }
  surface_ = std::make_unique<Win32Surface>(context_, options_.resizeSurface);
  // The design-time children: the panels with their template keys, then the
  // field. None is a tab stop: the keyboard is one stop in its form.
  for (const PanelFace& face : PanelFaces) {
    const std::size_t index = Slot(face.panel);
    panels_[index] = std::make_unique<Win32Panel>(context_, face.panel);
    RETURN_IF_FAILED(panels_[index]->Create(StartedPlace(options_.startedPlaces, context_.dpi, index)));
  }
  text1_ = std::make_unique<Win32RichTextBox>(context_);
  RETURN_IF_FAILED(text1_->Create(StartedPlace(options_.startedPlaces, context_.dpi, panels_.size())));
  ListenToField();
  return hr::Ok;
}

Win32Toolkit::~Win32Toolkit() {
  ToolkitCore::Disconnect();
  text1_.reset();
  for (auto& panel : panels_) {
    panel.reset();
  }
  if (context_.keyFont != nullptr) {
    ReleaseKeyFont(context_.keyFont);
  }
}

KeyArray& Win32Toolkit::Keys(KeyArrayId array) {
  return panels_[Slot(array)]->Keys();
}

void Win32Toolkit::Beep() { MessageBeep(MB_OK); }

// A command that comes from no control carries 0 where a control would put
// its window handle. The window's answer means nothing to the component.
void Win32Toolkit::RaiseHostCommand(HostCommand command) {
  if (HWND window = GetActiveWindow()) {
    SendMessageA(window, WM_COMMAND, static_cast<WPARAM>(command), 0);
  }
}

void Win32Toolkit::PaintTo(HDC dc, int x, int y) {
  pending_.Flush();
  const Dpi dpi = context_.dpi;
  const PixelRect whole{0, 0, TwipsToPixels(surface_->Width(), dpi.x), TwipsToPixels(surface_->Height(), dpi.y)};
  const int saved = SaveDC(dc);
  SetViewportOrgEx(dc, x, y, nullptr);
  const RECT area{whole.left, whole.top, whole.right, whole.bottom};
  FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
  for (const auto& panel : panels_) {
    const PixelRect r = context_.Pixels(panel->Bounds());
    const int inner = SaveDC(dc);
    SetViewportOrgEx(dc, x + r.left, y + r.top, nullptr);
    IntersectClipRect(dc, 0, 0, r.Width(), r.Height());
    panel->Paint(dc, {0, 0, r.Width(), r.Height()});
    RestoreDC(dc, inner);
  }
  if (HWND window = text1_->Window(); IsWindow(window)) {
    RECT field{};
    GetWindowRect(window, &field);
    MapWindowPoints(nullptr, context_.surface, reinterpret_cast<POINT*>(&field), 2);
    SetViewportOrgEx(dc, x + field.left, y + field.top, nullptr);
    IntersectClipRect(dc, 0, 0, field.right - field.left, field.bottom - field.top);
    SendMessageW(window, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
  }
  RestoreDC(dc, saved);
}

void Win32Toolkit::RaiseFromWindow(const std::function<HResult(WidgetEvents&)>& notification) {
  if (Events() == nullptr || !context_.interactive) {
    return;
  }
  if (!RaiseFromWidget([&] { return notification(*Events()); })) {
    return;
  }
  if (!InBurst() && options_.userInputHandled) {
    Discard(Guard([&] {
              options_.userInputHandled();
              return hr::Ok;
            }),
            "the host's code has no caller to report to here");
  }
}

HResult Win32Toolkit::Initialize() {
  RETURN_IF_FAILED(ToolkitCore::Initialize());
  // A window made where the last start-up put it, that this one placed
  // elsewhere or not at all, goes where its bounds say.
  std::array<PixelRect, ChildCount> places;
  const auto place = [&](std::size_t child, Hwnd window, const Box& bounds) {
    places[child] = context_.Pixels(bounds);
    pending_.Move(window, places[child]);
  };
  for (std::size_t i = 0; i < panels_.size(); ++i) {
    place(i, panels_[i]->Window(), panels_[i]->Bounds());
  }
  place(panels_.size(), text1_->Window(), text1_->Bounds());
  RememberStartedPlaces(context_.dpi, places);
  return hr::Ok;
}

void Win32Toolkit::Settle() {
  const bool fieldChanged = std::exchange(fieldChangedInBurst_, false);
  pending_.Flush();
  // The owner is held across every burst (Options::keepAlive and the host's
  // own calls), so the toolkit is still here after the flush; the owner's
  // look at its properties throws nothing.
  if (fieldChanged && options_.fieldChanged) {
    options_.fieldChanged(true);
  }
}

void Win32Toolkit::PanelFocused(PanelId panel) {
  if (options_.panelFocused && context_.interactive) {
    options_.panelFocused(panel);
  }
}

HResult Win32Toolkit::SurfaceSized(int widthPixels, int heightPixels) {
  surface_->Sized(widthPixels, heightPixels);
  if (surface_->ApplyingSize()) {
    return hr::Ok;
  }
  return Raise([this] { return Events()->OnResize(); });
}

}  // namespace vexo::win32
