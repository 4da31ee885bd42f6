// SPDX-License-Identifier: MIT
// Painting what waits to be painted in a window without BeginPaint.
//
// Under Wine, BeginPaint and EndPaint cost the display's server six trips
// (the caret hidden and shown, the update region taken, a device context for
// the background and another for the painting, the region looked at again);
// a window without a caret, frame or background to erase needs three: its
// update region, a device context clipped to it, and the region validated.
// Showing a keyboard paints four such windows.
#pragma once

#include <windows.h>

#include <type_traits>

namespace vexo::win32 {

// Paints the update region of `window` with `paint(context, dc, box)`, `box`
// the region's bounding rectangle in client pixels, then validates it; a
// paint message that finds nothing to paint (an internal one) is answered the
// same way. The region is validated whatever happens: a painting that fails
// (no memory) leaves the window as it was rather than asking to be painted
// again and again. For windows that erase nothing, have no frame and are not
// mirrored (right to left).
void PaintWhatWaits(HWND window, void (*paint)(void* context, HDC dc, const RECT& box), void* context);

// The same with any callable `paint(dc, box)`.
template <typename Paint>
void PaintWhatWaits(HWND window, Paint&& paint) {
  using Callable = std::remove_reference_t<Paint>;
  PaintWhatWaits(
      window, [](void* context, HDC dc, const RECT& box) { (*static_cast<Callable*>(context))(dc, box); }, &paint);
}

}  // namespace vexo::win32
