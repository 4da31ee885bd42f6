// Twips and screen pixels.
//
// Positions and sizes live in twips, as floats, and are read back exactly as
// they were put. Windows get pixels: each edge is converted on its own with the
// same rule, so two children that touch in twips touch in pixels as well, and a
// width in pixels is the distance between the rounded edges.
#pragma once

#include <cmath>

namespace vexo::win32 {

inline constexpr int TwipsPerInch = 1440;
// The farthest a window coordinate reaches; further twips are pinned to it.
inline constexpr double PixelLimit = 32767;

// The nearest pixel, halves upwards; NaN counts as 0.
inline int TwipsToPixels(float twips, int dpi) {
  const double pixels = std::floor(static_cast<double>(twips) * dpi / TwipsPerInch + 0.5);
  if (std::isnan(pixels)) {
    return 0;
  }
  return static_cast<int>(std::fmax(-PixelLimit, std::fmin(PixelLimit, pixels)));
}

inline float PixelsToTwips(int pixels, int dpi) {
  return static_cast<float>(static_cast<double>(pixels) * TwipsPerInch / dpi);
}

// A rectangle in pixels, right and bottom exclusive.
struct PixelRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

struct Dpi {
  int x = 96;
  int y = 96;
};

inline PixelRect ToPixels(float left, float top, float width, float height, Dpi dpi) {
  return {TwipsToPixels(left, dpi.x), TwipsToPixels(top, dpi.y), TwipsToPixels(left + width, dpi.x),
          TwipsToPixels(top + height, dpi.y)};
}

}  // namespace vexo::win32
