// SPDX-License-Identifier: MIT
#include <array>

#include "component/KeyBord.h"
#include "component/Numbers.h"

namespace vexo {

namespace {

// The letter keys in typewriter order. cmdKey 0 is the template "Q"; the rows
// fill 1 to 9, 10 to 18 and 19 to 25, and 26 is the space bar. Other parts of
// the component address letter keys by these indexes.
constexpr std::array<std::u16string_view, 9> TopRow{u"W", u"E", u"R", u"T", u"Y", u"U", u"I", u"O", u"P"};
constexpr std::array<std::u16string_view, 9> MiddleRow{u"A", u"S", u"D", u"F", u"G", u"H", u"J", u"K", u"L"};
constexpr std::array<std::u16string_view, 7> BottomRow{u"Z", u"X", u"C", u"V", u"B", u"N", u"M"};
constexpr std::int16_t SpaceBar = 26;
constexpr std::u16string_view SpaceBarCaption = u"";

}  // namespace

// Lays the letter keys out from the template, cmdKey 0, whose size and place are
// read afresh at each step. Only the top row follows the template's Left; the
// lower rows are indented from the panel's edge by half a key step each.
HResult KeyBord::BuildAbcPanel() {
  KeyArray& keys = cmdKey();
  float left0 = 0;
  float top0 = 0;
  float width0 = 0;
  float height0 = 0;

  std::int32_t rowTop = 0;
  RETURN_IF_FAILED(keys.GetTop(0, top0));
  RETURN_IF_FAILED(RoundToInt32(top0, rowTop));
  std::int32_t keyStep = 0;
  RETURN_IF_FAILED(keys.GetWidth(0, width0));
  RETURN_IF_FAILED(RoundToInt32(width0 + 20.0f, keyStep));
  std::int32_t rowLeft = 0;
  RETURN_IF_FAILED(keys.GetLeft(0, left0));
  RETURN_IF_FAILED(RoundToInt32(left0 + static_cast<float>(keyStep), rowLeft));
  RETURN_IF_FAILED(PlaceAbcRow(rowTop, rowLeft, 1, keyStep, TopRow));

  // The step is rounded before it is halved, and halving truncates.
  const std::int32_t half = Halve(keyStep);

  RETURN_IF_FAILED(keys.GetHeight(0, height0));
  RETURN_IF_FAILED(keys.GetTop(0, top0));
  RETURN_IF_FAILED(RoundToInt32(height0 + top0 + 20.0f, rowTop));
  RETURN_IF_FAILED(PlaceAbcRow(rowTop, half, 10, keyStep, MiddleRow));

  RETURN_IF_FAILED(keys.GetHeight(0, height0));
  RETURN_IF_FAILED(keys.GetTop(0, top0));
  RETURN_IF_FAILED(RoundToInt32((height0 + 20.0f) * 2.0f + top0, rowTop));
  RETURN_IF_FAILED(ToInt32(std::int64_t{keyStep} + half, rowLeft));
  RETURN_IF_FAILED(PlaceAbcRow(rowTop, rowLeft, 19, keyStep, BottomRow));

  // The space bar spans five keys under the bottom row, from its third column.
  RETURN_IF_FAILED(keys.GetHeight(0, height0));
  RETURN_IF_FAILED(keys.GetTop(0, top0));
  std::int32_t spaceTop = 0;
  RETURN_IF_FAILED(RoundToInt32((height0 + 20.0f) * 3.0f + top0, spaceTop));
  std::int32_t spaceLeft = 0;
  RETURN_IF_FAILED(ToInt32(std::int64_t{keyStep} * 2 + half, spaceLeft));
  RETURN_IF_FAILED(keys.Load(SpaceBar));
  RETURN_IF_FAILED(keys.PutTop(SpaceBar, static_cast<float>(spaceTop)));
  RETURN_IF_FAILED(keys.PutLeft(SpaceBar, static_cast<float>(spaceLeft)));
  RETURN_IF_FAILED(keys.PutVisible(SpaceBar, true));
  RETURN_IF_FAILED(keys.GetWidth(0, width0));
  RETURN_IF_FAILED(keys.PutWidth(SpaceBar, width0 * 5.0f + 80.0f));
  RETURN_IF_FAILED(keys.PutCaption(SpaceBar, SpaceBarCaption));

  // The top row is the widest: the panel ends 50 twips after its last key.
  std::int16_t lastTopKey = 0;
  RETURN_IF_FAILED(ToInt16(std::ssize(TopRow), lastTopKey));
  float lastWidth = 0;
  float lastLeft = 0;
  RETURN_IF_FAILED(keys.GetWidth(lastTopKey, lastWidth));
  RETURN_IF_FAILED(keys.GetLeft(lastTopKey, lastLeft));
  RETURN_IF_FAILED(picABC().PutWidth(lastWidth + lastLeft + 50.0f));

  RETURN_IF_FAILED(keys.GetHeight(0, height0));
  RETURN_IF_FAILED(keys.GetTop(0, top0));
  return picABC().PutHeight((height0 + 50.0f) * 4.0f + top0);
}

}  // namespace vexo
