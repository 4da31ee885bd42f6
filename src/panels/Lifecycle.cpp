// SPDX-License-Identifier: MIT
#include "component/KeyBord.h"
#include "component/PropertyTable.h"

namespace vexo {

// Lays the component out: the edit field on top, the three panels side by side
// under it, each placed right of the one before from its final size. Sums are
// single-precision and stored as they come, unrounded. Last come the start
// values of the properties that the state is not created with.
HResult KeyBord::UserControl_Initialize() {
  RETURN_IF_FAILED(Text1().PutLeft(0.0f));
  RETURN_IF_FAILED(Text1().PutTop(10.0f));

  float fieldHeight = 0;
  float fieldTop = 0;
  RETURN_IF_FAILED(picABC().PutLeft(0.0f));
  RETURN_IF_FAILED(Text1().GetHeight(fieldHeight));
  RETURN_IF_FAILED(Text1().GetTop(fieldTop));
  RETURN_IF_FAILED(picABC().PutTop(fieldHeight + fieldTop + 100.0f));

  RETURN_IF_FAILED(BuildAbcPanel());
  RETURN_IF_FAILED(BuildNumberPanel());
  RETURN_IF_FAILED(BuildShiftPanel());

  float panelTop = 0;
  RETURN_IF_FAILED(picABC().GetTop(panelTop));
  RETURN_IF_FAILED(picNumber().PutTop(panelTop));
  RETURN_IF_FAILED(picABC().GetTop(panelTop));
  RETURN_IF_FAILED(picShift().PutTop(panelTop));

  // The field spans the letter and number panels, not the symbol panel.
  float numberWidth = 0;
  float numberLeft = 0;
  RETURN_IF_FAILED(picNumber().GetWidth(numberWidth));
  RETURN_IF_FAILED(picNumber().GetLeft(numberLeft));
  RETURN_IF_FAILED(Text1().PutWidth(numberWidth + numberLeft));

  RETURN_IF_FAILED(UserControl_Resize());
  for (const Property& property : Properties()) {
    if (property.startup == Startup::Put) RETURN_IF_FAILED(property.put(*this, property.start.ToVariant()));
  }
  return hr::Ok;
}

// The component's size is what its panels need, whatever the host asks for.
// Its height follows the letter panel, the tallest.
HResult KeyBord::UserControl_Resize() {
  float shiftWidth = 0;
  float shiftLeft = 0;
  RETURN_IF_FAILED(picShift().GetWidth(shiftWidth));
  RETURN_IF_FAILED(picShift().GetLeft(shiftLeft));
  RETURN_IF_FAILED(UserControl().PutWidth(shiftWidth + shiftLeft + 100.0f));

  float letterTop = 0;
  float letterHeight = 0;
  RETURN_IF_FAILED(picABC().GetTop(letterTop));
  RETURN_IF_FAILED(picABC().GetHeight(letterHeight));
  return UserControl().PutHeight(letterTop + 100.0f + letterHeight);
}

// Each showing starts every panel's mark at its first key. The keys marked
// before are cleared first: a lookup may have marked a key on a panel without
// the focus, and that look must not outlive its index. The indexes stay reset
// even when the active panel cannot take the focus.
HResult KeyBord::UserControl_Show() {
  RETURN_IF_FAILED(UnmarkKey(cmdKey(), AbcKeyIndex));
  RETURN_IF_FAILED(UnmarkKey(cmdShift(), ShiftKeyIndex));
  RETURN_IF_FAILED(UnmarkKey(cmdNumber(), NumberKeyIndex));
  AbcKeyIndex = 0;
  ShiftKeyIndex = 0;
  NumberKeyIndex = 0;
  return FocusActivePanel();
}

// The surface passes the focus straight on; the active panel's mark stays
// where it was.
HResult KeyBord::UserControl_GotFocus() { return FocusActivePanel(); }

}  // namespace vexo
