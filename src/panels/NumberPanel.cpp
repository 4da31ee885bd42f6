// SPDX-License-Identifier: MIT
#include <array>

#include "component/KeyBord.h"
#include "component/Numbers.h"
#include "panels/PanelSize.h"

namespace vexo {

namespace {

// The keypad, row by row: cmdNumber i carries NumberCaptions[i], and the key
// below index i is i + 3. Element 0, "7", is the template.
constexpr std::array<std::u16string_view, 12> NumberCaptions{
    u"7", u"8", u"9", u"4", u"5", u"6", u"1", u"2", u"3", u"0", u".", u"-"};
constexpr std::int16_t KeysPerRow = 3;

}  // namespace

// Places picNumber right of the letter panel and lays the keypad out from the
// template, cmdNumber 0, read afresh at each step. The first row advances by
// key width + 20 from the key before; every lower key takes the Left of the key
// above it, so the columns line up with the first row.
HResult KeyBord::BuildNumberPanel() {
  KeyArray& keys = cmdNumber();
  Panel& panel = picNumber();

  RETURN_IF_FAILED(panel.PutTop(0.0f));
  float letterWidth = 0;
  RETURN_IF_FAILED(picABC().GetWidth(letterWidth));
  RETURN_IF_FAILED(panel.PutLeft(letterWidth + 100.0f));

  for (std::int16_t i = 1; i < std::ssize(NumberCaptions); ++i) {
    const std::int16_t row = i / KeysPerRow;
    float top0 = 0;
    float height0 = 0;
    RETURN_IF_FAILED(keys.GetTop(0, top0));
    std::int32_t top = 0;
    if (row == 0) {
      RETURN_IF_FAILED(RoundToInt32(top0, top));
    } else {
      RETURN_IF_FAILED(keys.GetHeight(0, height0));
      // Row 1 is written as one sum; the lower rows as a multiple of the row pitch.
      const float rowTop = row == 1 ? height0 + top0 + 20.0f
                                    : (height0 + 20.0f) * static_cast<float>(row) + top0;
      RETURN_IF_FAILED(RoundToInt32(rowTop, top));
    }

    std::int32_t left = 0;
    if (row == 0) {
      // Width, Left and gap are rounded once, as a whole.
      std::int16_t before = 0;
      RETURN_IF_FAILED(ToInt16(std::int32_t{i} - 1, before));
      float width0 = 0;
      float leftBefore = 0;
      RETURN_IF_FAILED(keys.GetWidth(0, width0));
      RETURN_IF_FAILED(keys.GetLeft(before, leftBefore));
      RETURN_IF_FAILED(RoundToInt32(width0 + leftBefore + 20.0f, left));
    } else {
      std::int16_t above = 0;
      RETURN_IF_FAILED(ToInt16(std::int32_t{i} - KeysPerRow, above));
      float leftAbove = 0;
      RETURN_IF_FAILED(keys.GetLeft(above, leftAbove));
      RETURN_IF_FAILED(RoundToInt32(leftAbove, left));
    }

    RETURN_IF_FAILED(keys.Load(i));
    RETURN_IF_FAILED(keys.PutTop(i, static_cast<float>(top)));
    RETURN_IF_FAILED(keys.PutLeft(i, static_cast<float>(left)));
    RETURN_IF_FAILED(keys.PutCaption(i, NumberCaptions[static_cast<std::size_t>(i)]));
    RETURN_IF_FAILED(keys.PutVisible(i, true));
  }

  return panels::FitToKeys(panel, keys, KeysPerRow);
}

}  // namespace vexo
