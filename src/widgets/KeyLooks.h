// SPDX-License-Identifier: MIT
// How keys look, for every toolkit that draws them: the mark's colours, the
// colours of a key nobody has coloured, the one rule that picks a key's
// colours on the screen, and colours resolved against the system's.
#pragma once

#include <cstdint>
#include <optional>

#include "widgets/Widgets.h"

namespace vexo {

// A colour as the screen draws it: 0x00BBGGRR.
using Rgb = std::uint32_t;

// System colours: the high bit set, the index in the low bytes.
inline constexpr Colour SystemColourBit = 0x80000000;
enum class SystemColour : std::uint32_t {
  Highlight = 13,
  HighlightText = 14,
  ButtonFace = 15,
  ButtonText = 18,
};
constexpr Colour Of(SystemColour colour) { return SystemColourBit | static_cast<Colour>(colour); }

// The one marked key of a panel is white on blue, every other key black on
// the system colour of button faces. The component gives keys these colours;
// the key store records the mark when a key has both of the mark's.
inline constexpr Colour MarkedForeColor = 0xFFFFFF;  // white
inline constexpr Colour MarkedBackColor = 0xFF0000;  // blue
inline constexpr Colour UnmarkedForeColor = 0;       // black
inline constexpr Colour UnmarkedBackColor = Of(SystemColour::ButtonFace);

// A key that nobody has coloured yet shows button text on button face, on a
// panel of button face.
inline constexpr Colour DefaultKeyForeColor = Of(SystemColour::ButtonText);
inline constexpr Colour DefaultKeyBackColor = Of(SystemColour::ButtonFace);
inline constexpr Colour PanelBackColor = Of(SystemColour::ButtonFace);

enum class Contrast { Normal, High };

struct KeyColours {
  Colour fore = DefaultKeyForeColor;
  Colour back = DefaultKeyBackColor;
  friend bool operator==(const KeyColours&, const KeyColours&) = default;
};

// The colours a key is drawn in. Normally a key shows the colours it was
// given. In high contrast every key shows the system's button colours and the
// mark its highlight colours, whatever the component gave them, so that a user
// who relies on the system's contrast still sees the mark. A pressed key and
// a disabled panel keep their colours: the border shows a press.
KeyColours DrawnColours(std::optional<Colour> fore, std::optional<Colour> back, bool marked, Contrast contrast);

// The contrast of two colours as readers perceive it, from 1 (the same
// luminance) to 21 (black on white).
double ContrastRatio(Rgb first, Rgb second);
// The smallest contrast a caption needs to be read easily.
inline constexpr double ReadableContrast = 4.5;
// `fore` where it reads on `back`; otherwise black or white, whichever reads
// better, so that a theme whose own pair is too faint still shows the caption.
Rgb ReadableOn(Rgb fore, Rgb back);

// The system's colours as one toolkit shows them.
class SystemPalette {
 public:
  virtual ~SystemPalette() = default;
  // The colour of system colour `index`; nothing for an index the toolkit lacks.
  virtual std::optional<Rgb> Lookup(std::uint32_t index) const = 0;
};

// A colour as the screen shows it: plain 0x00BBGGRR, or a system colour (high
// bit set, index in the low three bytes). Anything else has no colour.
std::optional<Rgb> ResolveColour(Colour colour, const SystemPalette& system);
// `colour`, or `fallback` where the screen has none for it.
Rgb ResolveColour(Colour colour, Colour fallback, const SystemPalette& system);

}  // namespace vexo
