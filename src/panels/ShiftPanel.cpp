// SPDX-License-Identifier: MIT
#include <array>

#include "component/KeyBord.h"
#include "component/Numbers.h"
#include "panels/PanelSize.h"

namespace vexo {

namespace {

// The symbols of a typewriter keyboard, four rows of eight: cmdShift 0 is the
// template "~", the rows fill 1 to 7, 8 to 15, 16 to 23 and 24 to 31, and the
// key below index i is i + 8. Other parts of the component address symbol keys
// by these indexes.
constexpr std::array<std::u16string_view, 7> Row1{u"!", u"@", u"#", u"$", u"%", u"^", u"&"};
constexpr std::array<std::u16string_view, 8> Row2{u"*", u"(", u")", u"-", u"_", u"=", u"+", u"\\"};
constexpr std::array<std::u16string_view, 8> Row3{u"|", u"[", u"]", u"{", u"}", u";", u":", u"'"};
constexpr std::array<std::u16string_view, 8> Row4{u"\"", u",", u"<", u".", u">", u"/", u"?", u"`"};

}  // namespace

// Places picShift right of the number panel and lays its rows out from the
// template, cmdShift 0, read afresh at each step. The rows are measured from the
// panel's own edges, not from the template's place.
HResult KeyBord::BuildShiftPanel() {
  KeyArray& keys = cmdShift();
  Panel& panel = picShift();

  RETURN_IF_FAILED(panel.PutTop(0.0f));
  float numberWidth = 0;
  float numberLeft = 0;
  RETURN_IF_FAILED(picNumber().GetWidth(numberWidth));
  RETURN_IF_FAILED(picNumber().GetLeft(numberLeft));
  RETURN_IF_FAILED(panel.PutLeft(numberWidth + numberLeft + 100.0f));

  float width0 = 0;
  float height0 = 0;
  std::int32_t keyStep = 0;
  RETURN_IF_FAILED(keys.GetWidth(0, width0));
  RETURN_IF_FAILED(RoundToInt32(width0 + 20.0f, keyStep));
  RETURN_IF_FAILED(PlaceShiftRow(0, keyStep, 1, keyStep, Row1));

  std::int32_t rowTop = 0;
  RETURN_IF_FAILED(keys.GetHeight(0, height0));
  RETURN_IF_FAILED(RoundToInt32(height0 + 20.0f, rowTop));
  RETURN_IF_FAILED(PlaceShiftRow(rowTop, 0, 8, keyStep, Row2));
  RETURN_IF_FAILED(keys.GetHeight(0, height0));
  RETURN_IF_FAILED(RoundToInt32((height0 + 20.0f) * 2.0f, rowTop));
  RETURN_IF_FAILED(PlaceShiftRow(rowTop, 0, 16, keyStep, Row3));
  RETURN_IF_FAILED(keys.GetHeight(0, height0));
  RETURN_IF_FAILED(RoundToInt32((height0 + 20.0f) * 3.0f, rowTop));
  RETURN_IF_FAILED(PlaceShiftRow(rowTop, 0, 24, keyStep, Row4));

  return panels::FitToKeys(panel, keys, 8.0f);  // eight keys a row
}

}  // namespace vexo
