#include "widgets/win32/Surface.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "widgets/Boundary.h"

namespace vexo::win32 {

Win32Surface::Win32Surface(const WidgetContext& context, Resizer resize)
    : context_(context), resize_(std::move(resize)) {
  RECT client{};
  GetClientRect(context_.surface, &client);
  width_ = PixelsToTwips(client.right, context_.dpi.x);
  height_ = PixelsToTwips(client.bottom, context_.dpi.y);
}

HResult Win32Surface::GetWidth(float& width) { width = width_; return hr::Ok; }
HResult Win32Surface::PutWidth(float width) { width_ = width; return Apply(); }
HResult Win32Surface::GetHeight(float& height) { height = height_; return hr::Ok; }
HResult Win32Surface::PutHeight(float height) { height_ = height; return Apply(); }

void Win32Surface::Sized(int widthPixels, int heightPixels) {
  if (TwipsToPixels(width_, context_.dpi.x) != widthPixels) {
    width_ = PixelsToTwips(widthPixels, context_.dpi.x);
  }
  if (TwipsToPixels(height_, context_.dpi.y) != heightPixels) {
    height_ = PixelsToTwips(heightPixels, context_.dpi.y);
  }
}

HResult Win32Surface::Apply() {
  if (!IsWindow(context_.surface)) {
    return hr::Fail;
  }
  context_.pending.Resize(*this);
  return hr::Ok;
}

void Win32Surface::ApplySize() {
  HWND window = context_.surface;
  if (!IsWindow(window)) {
    return;
  }
  const int width = std::max(0, TwipsToPixels(width_, context_.dpi.x));
  const int height = std::max(0, TwipsToPixels(height_, context_.dpi.y));
  RECT client{};
  GetClientRect(window, &client);
  if (client.right == width && client.bottom == height) {
    return;
  }
  const bool wasApplying = std::exchange(applying_, true);
  if (resize_) {
    // The host's code runs here, as pending work ends a burst: nothing it
    // throws may go further.
    Discard(Guard([&] {
              resize_(width, height);
              return hr::Ok;
            }),
            "the host is asked for the size, and the window keeps its size if it refuses");
  } else {
    RECT outer{0, 0, width, height};
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
    const bool menu = (style & WS_CHILD) == 0 && GetMenu(window) != nullptr;
    AdjustWindowRectEx(&outer, style, menu, exStyle);
    SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  applying_ = wasApplying;
}

}  // namespace vexo::win32
