// SPDX-License-Identifier: MIT
#include "widgets/win32/Surface.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "widgets/Boundary.h"

namespace vexo::win32 {

namespace {

RECT ClientOf(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  return client;
}

}  // namespace

Win32Surface::Win32Surface(const WidgetContext& context, Resizer resize)
    : SizedSurface(PixelsToTwips(ClientOf(context.surface).right, context.dpi.x),
                   PixelsToTwips(ClientOf(context.surface).bottom, context.dpi.y)),
      context_(context),
      resize_(std::move(resize)) {}

void Win32Surface::Sized(int widthPixels, int heightPixels) {
  float width = Width();
  float height = Height();
  if (TwipsToPixels(width, context_.dpi.x) != widthPixels) {
    width = PixelsToTwips(widthPixels, context_.dpi.x);
  }
  if (TwipsToPixels(height, context_.dpi.y) != heightPixels) {
    height = PixelsToTwips(heightPixels, context_.dpi.y);
  }
  Take(width, height);
}

HResult Win32Surface::Resized() {
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
  const int width = std::max(0, TwipsToPixels(Width(), context_.dpi.x));
  const int height = std::max(0, TwipsToPixels(Height(), context_.dpi.y));
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
