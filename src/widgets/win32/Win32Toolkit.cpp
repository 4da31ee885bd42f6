#include "widgets/win32/Win32Toolkit.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "widgets/win32/PanelWindowClass.h"
#include "widgets/win32/LastError.h"

namespace vexo::win32 {

namespace {

// The highest system colour index the screen knows.
constexpr std::uint32_t LastSystemColour = COLOR_MENUBAR;

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

}  // namespace

std::optional<std::uint32_t> ResolveColour(Colour colour) {
  if ((colour & 0x80000000u) != 0) {
    const std::uint32_t index = colour & 0x00FFFFFFu;
    if (index > LastSystemColour) {
      return std::nullopt;
    }
    return static_cast<std::uint32_t>(GetSysColor(static_cast<int>(index)));
  }
  if ((colour & 0xFF000000u) != 0) {
    return std::nullopt;
  }
  return colour;
}

// --- The surface.

HResult Win32Surface::GetWidth(float& width) {
  width = width_;
  return hr::Ok;
}

HResult Win32Surface::PutWidth(float width) {
  width_ = width;
  return Apply();
}

HResult Win32Surface::GetHeight(float& height) {
  height = height_;
  return hr::Ok;
}

HResult Win32Surface::PutHeight(float height) {
  height_ = height;
  return Apply();
}

HResult Win32Surface::Apply() {
  if (!IsWindow(toolkit_.surfaceWindow_)) {
    return hr::Fail;
  }
  toolkit_.pending_.Resize(*this);
  return hr::Ok;
}

void Win32Surface::ApplySize() {
  HWND window = toolkit_.surfaceWindow_;
  if (!IsWindow(window)) {
    return;
  }
  const int width = std::max(0, TwipsToPixels(width_, toolkit_.dpi_.x));
  const int height = std::max(0, TwipsToPixels(height_, toolkit_.dpi_.y));
  RECT client{};
  GetClientRect(window, &client);
  if (client.right == width && client.bottom == height) {
    return;
  }
  const bool wasApplying = std::exchange(toolkit_.applyingSize_, true);
  if (toolkit_.options_.resizeSurface) {
    toolkit_.options_.resizeSurface(width, height);
  } else {
    RECT outer{0, 0, width, height};
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
    const bool menu = (style & WS_CHILD) == 0 && GetMenu(window) != nullptr;
    AdjustWindowRectEx(&outer, style, menu, exStyle);
    SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  toolkit_.applyingSize_ = wasApplying;
}

// --- The toolkit.

Win32Toolkit::Win32Toolkit(HWND surface, Options options)
    : surfaceWindow_(surface), pending_(surface), options_(std::move(options)), text1_(*this), surface_(*this) {}

HResult Win32Toolkit::Create(HWND surface, Options options, std::unique_ptr<Win32Toolkit>& toolkit) {
  toolkit.reset();
  if (!IsWindow(surface) || GetWindowThreadProcessId(surface, nullptr) != GetCurrentThreadId()) {
    return hr::InvalidArg;
  }
  std::unique_ptr<Win32Toolkit> made(new (std::nothrow) Win32Toolkit(surface, std::move(options)));
  if (!made) {
    return hr::OutOfMemory;
  }
  RETURN_IF_FAILED(made->Build());
  toolkit = std::move(made);
  return hr::Ok;
}

HResult Win32Toolkit::Build() {
  module_ = ModuleOfThisCode();
  const Dpi screen = ScreenPixelsPerInch();
  dpi_.x = options_.dpiX > 0 ? options_.dpiX : screen.x;
  dpi_.y = options_.dpiY > 0 ? options_.dpiY : screen.y;

  keyFont_ = CreateKeyFont(dpi_.y);
  if (keyFont_ == nullptr) {
    return hr::Fail;
  }

  RECT client{};
  GetClientRect(surfaceWindow_, &client);
  surface_.width_ = PixelsToTwips(client.right, dpi_.x);
  surface_.height_ = PixelsToTwips(client.bottom, dpi_.y);

  // The design-time children: the three panels with their template keys, then
  // the field, in the order the Tab key visits them.
  for (PanelId id : {PanelId::picABC, PanelId::picNumber, PanelId::picShift}) {
    panels_[static_cast<std::size_t>(id)] = std::make_unique<Win32Panel>(*this, id);
  }
  if (!AcquirePanelClass(module_)) {
    return LastError();
  }
  classRegistered_ = true;
  for (auto& panel : panels_) {
    RETURN_IF_FAILED(panel->CreateWindowIn(surfaceWindow_, module_));
  }

  richEditLibrary_ = LoadLibraryW(L"msftedit.dll");
  if (richEditLibrary_ == nullptr) {
    richEditLibrary_ = LoadLibraryW(L"riched20.dll");
  }
  if (richEditLibrary_ == nullptr) {
    return LastError();
  }
  return text1_.CreateWindowIn(surfaceWindow_);
}

Win32Toolkit::~Win32Toolkit() {
  events_ = nullptr;
  if (text1_.Alive()) {
    DestroyWindow(text1_.window_);
  }
  text1_.window_ = nullptr;
  for (auto& panel : panels_) {
    panel.reset();
  }
  if (classRegistered_) {
    ReleasePanelClass(module_);
  }
  if (keyFont_ != nullptr) {
    DeleteObject(keyFont_);
  }
  if (richEditLibrary_ != nullptr) {
    FreeLibrary(richEditLibrary_);
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
  const PixelRect whole{0, 0, TwipsToPixels(surface_.width_, dpi_.x), TwipsToPixels(surface_.height_, dpi_.y)};
  const int saved = SaveDC(dc);
  SetViewportOrgEx(dc, x, y, nullptr);
  const RECT area{whole.left, whole.top, whole.right, whole.bottom};
  FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
  for (const auto& panel : panels_) {
    const PixelRect r = ToPixels(panel->box_.left, panel->box_.top, panel->box_.width, panel->box_.height, dpi_);
    const int inner = SaveDC(dc);
    SetViewportOrgEx(dc, x + r.left, y + r.top, nullptr);
    IntersectClipRect(dc, 0, 0, r.Width(), r.Height());
    panel->Paint(dc, {0, 0, r.Width(), r.Height()});
    RestoreDC(dc, inner);
  }
  if (text1_.Alive()) {
    RECT field{};
    GetWindowRect(text1_.window_, &field);
    MapWindowPoints(nullptr, surfaceWindow_, reinterpret_cast<POINT*>(&field), 2);
    SetViewportOrgEx(dc, x + field.left, y + field.top, nullptr);
    IntersectClipRect(dc, 0, 0, field.right - field.left, field.bottom - field.top);
    SendMessageW(text1_.window_, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
  }
  RestoreDC(dc, saved);
}

HResult Win32Toolkit::Raise(const std::function<HResult()>& notification) {
  if (events_ == nullptr) {
    return hr::Fail;
  }
  const PendingWork::Burst burst = pending_.Open();
  return notification();
}

void Win32Toolkit::RaiseFromWindow(const std::function<HResult()>& notification) {
  if (events_ != nullptr) {
    const PendingWork::Burst burst = pending_.Open();
    lastWindowStatus_ = notification();
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
  if (TwipsToPixels(surface_.width_, dpi_.x) != widthPixels) {
    surface_.width_ = PixelsToTwips(widthPixels, dpi_.x);
  }
  if (TwipsToPixels(surface_.height_, dpi_.y) != heightPixels) {
    surface_.height_ = PixelsToTwips(heightPixels, dpi_.y);
  }
  if (applyingSize_) {
    return hr::Ok;
  }
  return Raise([this] { return events_->OnResize(); });
}

}  // namespace vexo::win32
