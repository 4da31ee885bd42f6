// SPDX-License-Identifier: MIT
// How a key panel draws: its labels a layer at a time where they lie apart,
// and a whole panel from an image that instances showing the same panel
// share. Only the panel's own code includes this header.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>
#include <vector>


namespace vexo::win32 {

struct LabelColours {
  COLORREF fore = 0;
  COLORREF back = 0;
};

// A label as it is drawn: its box in client pixels, its colours and caption.
struct DrawnLabel {
  RECT box;
  LabelColours colours;
  std::u16string_view caption;
};

// Fills `area` with the panel's colour `back` and draws `labels` over it in
// `font`, each later one on top of those before it. Each label shows its
// back, the raised border of a button and its caption right-aligned at the
// top, clipped to the inside of the border.
void DrawPanel(HDC dc, const RECT& area, COLORREF back, const std::vector<DrawnLabel>& labels, HFONT font);

// At its first show every instance of a form paints the same panels, and a
// panel's first painting costs more than the rest of its showing: a whole
// panel is painted from an image drawn once and kept, for the life of the
// code, for the next panel that looks the same, in this instance or another.
class PanelImages {
 public:
  // What a whole panel of `width` x `height` pixels shows: everything that
  // decides its pixels, the system's border colours included.
  static std::vector<std::uint32_t> LookOf(int width, int height, int dpiY, COLORREF back,
                                           const std::vector<DrawnLabel>& labels);

  // Copies to `dc` the image of a whole panel that looks as `look`; one that
  // is not kept yet is drawn first (see DrawPanel), and kept in the place of
  // the image used least recently. False when no image could be made or
  // copied: the caller draws.
  static bool Paint(HDC dc, int width, int height, std::vector<std::uint32_t> look, COLORREF back,
                    const std::vector<DrawnLabel>& labels, HFONT font);
};

}  // namespace vexo::win32
