#include "widgets/win32/Win32Toolkit.h"

#include <windows.h>

#include <algorithm>
#include <array>
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

// Bold Tahoma of 9.75 points with the Hebrew character set, as the keys and
// the field show it.
HFONT CreateKeyFont(int dpiY) {
  LOGFONTW font{};
  font.lfHeight = -MulDiv(975, dpiY, 72 * 100);
  font.lfWeight = FW_BOLD;
  font.lfCharSet = HEBREW_CHARSET;
  font.lfQuality = DEFAULT_QUALITY;
  lstrcpynW(font.lfFaceName, L"Tahoma", LF_FACESIZE);
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

}  // namespace

Win32Toolkit::Win32Toolkit(HWND surface, Options options)
    : options_(std::move(options)), pending_(surface), context_{surface, nullptr, {}, nullptr, pending_, *this, {}, nullptr, true, {}} {}

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
  // The design-time children: the three panels with their template keys, then
  // the field. None is a tab stop: the keyboard is one stop in its form.
  for (PanelId id : {PanelId::picABC, PanelId::picNumber, PanelId::picShift}) {
    auto& panel = panels_[static_cast<std::size_t>(id)];
    panel = std::make_unique<Win32Panel>(context_, id);
    RETURN_IF_FAILED(panel->Create());
  }
  text1_ = std::make_unique<Win32RichTextBox>(context_);
  RETURN_IF_FAILED(text1_->Create());
  ListenToField();
  return hr::Ok;
}

Win32Toolkit::~Win32Toolkit() {
  events_ = nullptr;
  text1_.reset();
  for (auto& panel : panels_) {
    panel.reset();
  }
  if (context_.keyFont != nullptr) {
    ReleaseKeyFont(context_.keyFont);
  }
}

KeyArray& Win32Toolkit::Keys(KeyArrayId array) {
  return panels_[static_cast<std::size_t>(array)]->Keys();
}

void Win32Toolkit::Beep() { MessageBeep(MB_OK); }

WindowHandle Win32Toolkit::ActiveWindow() { return reinterpret_cast<WindowHandle>(GetActiveWindow()); }

std::intptr_t Win32Toolkit::SendMessageTo(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                          std::intptr_t lParam) {
  return SendMessageA(reinterpret_cast<HWND>(window), message, wParam, lParam);
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

HResult Win32Toolkit::Raise(const std::function<HResult()>& notification) {
  if (events_ == nullptr) {
    return hr::Fail;
  }
  const PendingWork::Burst burst = pending_.Open();
  return Guard(notification);
}

void Win32Toolkit::RaiseFromWindow(const std::function<HResult(WidgetEvents&)>& notification) {
  if (events_ == nullptr || !context_.interactive) {
    return;
  }
  {
    const PendingWork::Burst burst = pending_.Open();
    lastWindowStatus_ = Guard([&] { return notification(*events_); });
  }
  if (!pending_.InBurst() && options_.userInputHandled) {
    Discard(Guard([&] {
              options_.userInputHandled();
              return hr::Ok;
            }),
            "the host's code has no caller to report to here");
  }
}

void Win32Toolkit::PanelFocused(PanelId panel) {
  if (options_.panelFocused && context_.interactive) {
    options_.panelFocused(panel);
  }
}

HResult Win32Toolkit::Initialize() { return Raise([this] { return events_->OnInitialize(); }); }

HResult Win32Toolkit::ReadProperties(PropertyBag& bag) {
  return Raise([&] { return events_->OnReadProperties(bag); });
}

HResult Win32Toolkit::WriteProperties(PropertyBag& bag) {
  return Raise([&] { return events_->OnWriteProperties(bag); });
}

HResult Win32Toolkit::Show() { return Raise([this] { return events_->OnShow(); }); }

HResult Win32Toolkit::SurfaceGotFocus() { return Raise([this] { return events_->OnSurfaceGotFocus(); }); }

HResult Win32Toolkit::SurfaceSized(int widthPixels, int heightPixels) {
  surface_->Sized(widthPixels, heightPixels);
  if (surface_->ApplyingSize()) {
    return hr::Ok;
  }
  return Raise([this] { return events_->OnResize(); });
}

}  // namespace vexo::win32
