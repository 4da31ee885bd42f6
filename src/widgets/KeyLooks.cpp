// SPDX-License-Identifier: MIT
#include "widgets/KeyLooks.h"

#include <algorithm>
#include <cmath>

namespace vexo {

namespace {

// The relative luminance of a colour on the screen (sRGB).
double Luminance(Rgb rgb) {
  const auto linear = [](Rgb channel) {
    const double c = static_cast<double>(channel & 0xFF) / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(rgb) + 0.7152 * linear(rgb >> 8) + 0.0722 * linear(rgb >> 16);
}

constexpr Rgb Black = 0x000000;
constexpr Rgb White = 0xFFFFFF;

}  // namespace

double ContrastRatio(Rgb first, Rgb second) {
  // Values, not std::minmax: its pair of references would outlive the
  // temporaries it refers to.
  const double a = Luminance(first);
  const double b = Luminance(second);
  return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

Rgb ReadableOn(Rgb fore, Rgb back) {
  if (ContrastRatio(fore, back) >= ReadableContrast) {
    return fore;
  }
  return ContrastRatio(Black, back) >= ContrastRatio(White, back) ? Black : White;
}

KeyColours DrawnColours(std::optional<Colour> fore, std::optional<Colour> back, bool marked, Contrast contrast) {
  if (contrast == Contrast::High) {
    return marked ? KeyColours{Of(SystemColour::HighlightText), Of(SystemColour::Highlight)}
                  : KeyColours{Of(SystemColour::ButtonText), Of(SystemColour::ButtonFace)};
  }
  return {fore.value_or(DefaultKeyForeColor), back.value_or(DefaultKeyBackColor)};
}

std::optional<Rgb> ResolveColour(Colour colour, const SystemPalette& system) {
  if ((colour & SystemColourBit) != 0) {
    return system.Lookup(colour & 0x00FFFFFFu);
  }
  if ((colour & 0xFF000000u) != 0) {
    return std::nullopt;
  }
  return colour;
}

Rgb ResolveColour(Colour colour, Colour fallback, const SystemPalette& system) {
  if (const std::optional<Rgb> rgb = ResolveColour(colour, system)) {
    return *rgb;
  }
  return ResolveColour(fallback, system).value_or(0);
}

}  // namespace vexo
