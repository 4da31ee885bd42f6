// SPDX-License-Identifier: MIT
#include "widgets/win32/WindowPainting.h"

namespace vexo::win32 {

void PaintWhatWaits(HWND window, void (*paint)(void* context, HDC dc, const RECT& box), void* context) {
  struct Region {
    HRGN handle = CreateRectRgn(0, 0, 0, 0);
    ~Region() {
      if (handle != nullptr) DeleteObject(handle);
    }
  } waiting;
  if (waiting.handle == nullptr) {
    // Without the memory for a region the window stays as it was.
    ValidateRect(window, nullptr);
    return;
  }
  struct Validation {
    HWND window;
    HRGN region;
    ~Validation() {
      RedrawWindow(window, nullptr, region, RDW_VALIDATE | RDW_NOERASE | RDW_NOFRAME | RDW_NOINTERNALPAINT);
    }
  } validation{window, waiting.handle};
  RECT box{};
  if (GetUpdateRgn(window, waiting.handle, FALSE) <= NULLREGION || GetRgnBox(waiting.handle, &box) <= NULLREGION) {
    return;
  }
  // The device context takes the clipping region and deletes it.
  HRGN clip = CreateRectRgn(0, 0, 0, 0);
  if (clip == nullptr) return;
  // The device context's clipping region is in screen coordinates.
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  if (CombineRgn(clip, waiting.handle, nullptr, RGN_COPY) == ERROR ||
      OffsetRgn(clip, origin.x, origin.y) == ERROR) {
    DeleteObject(clip);
    return;
  }
  // Clipped as the window's style asks, as BeginPaint clips.
  const auto style = GetWindowLongPtrW(window, GWL_STYLE);
  const DWORD clipping = DCX_CACHE | DCX_INTERSECTRGN | ((style & WS_CLIPCHILDREN) ? DCX_CLIPCHILDREN : 0) |
                         ((style & WS_CLIPSIBLINGS) ? DCX_CLIPSIBLINGS : 0);
  struct DeviceContext {
    HWND window;
    HDC dc;
    ~DeviceContext() {
      if (dc != nullptr) ReleaseDC(window, dc);
    }
  } drawing{window, GetDCEx(window, clip, clipping)};
  if (drawing.dc != nullptr) paint(context, drawing.dc, box);
}

}  // namespace vexo::win32
