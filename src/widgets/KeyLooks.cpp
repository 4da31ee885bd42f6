#include "widgets/KeyLooks.h"

namespace vexo {

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
