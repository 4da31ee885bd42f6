// SPDX-License-Identifier: MIT
#include <span>

#include "component/KeyBord.h"
#include "component/PropertyTable.h"
#include "panels/PanelRecords.h"

namespace vexo {

// Lays the component out: the edit field on top, the panels side by side
// under it, each placed right of the one before from its final size. Sums are
// single-precision and stored as they come, unrounded. Last come the start
// values of the properties that the state is not created with.
HResult KeyBord::UserControl_Initialize() {
  RETURN_IF_FAILED(Text1().PutLeft(0.0f));
  RETURN_IF_FAILED(Text1().PutTop(10.0f));

  for (const PanelFace& face : PanelFaces) {
    RETURN_IF_FAILED(BuildPanel(face.panel));
  }
  Panel& first = Toolkit().Pane(PanelFaces.front().panel);
  for (const PanelFace& face : std::span(PanelFaces).subspan(1)) {
    float panelTop = 0;
    RETURN_IF_FAILED(first.GetTop(panelTop));
    RETURN_IF_FAILED(Toolkit().Pane(face.panel).PutTop(panelTop));
  }

  float spannedWidth = 0;
  float spannedLeft = 0;
  Panel& spanned = Toolkit().Pane(panels::FieldSpansTo);
  RETURN_IF_FAILED(spanned.GetWidth(spannedWidth));
  RETURN_IF_FAILED(spanned.GetLeft(spannedLeft));
  RETURN_IF_FAILED(Text1().PutWidth(spannedWidth + spannedLeft));

  RETURN_IF_FAILED(UserControl_Resize());
  for (const Property& property : Properties()) {
    if (property.startup == Startup::Put) RETURN_IF_FAILED(property.put(*this, property.start.ToVariant()));
  }
  return hr::Ok;
}

// The component's size is what its panels need, whatever the host asks for:
// as wide as the last panel reaches, as tall as the tallest.
HResult KeyBord::UserControl_Resize() {
  Panel& last = Toolkit().Pane(PanelFaces.back().panel);
  float lastWidth = 0;
  float lastLeft = 0;
  RETURN_IF_FAILED(last.GetWidth(lastWidth));
  RETURN_IF_FAILED(last.GetLeft(lastLeft));
  RETURN_IF_FAILED(UserControl().PutWidth(lastWidth + lastLeft + 100.0f));

  Panel& tallest = Toolkit().Pane(panels::TallestPanel);
  float tallestTop = 0;
  float tallestHeight = 0;
  RETURN_IF_FAILED(tallest.GetTop(tallestTop));
  RETURN_IF_FAILED(tallest.GetHeight(tallestHeight));
  return UserControl().PutHeight(tallestTop + 100.0f + tallestHeight);
}

// Each showing starts every panel's mark at its first key. The keys marked
// before are cleared first: a lookup may have marked a key on a panel without
// the focus, and that look must not outlive its index. The indexes stay reset
// even when the active panel cannot take the focus.
HResult KeyBord::UserControl_Show() {
  for (const PanelFace& face : PanelFaces) {
    RETURN_IF_FAILED(UnmarkKey(Toolkit().Keys(face.keys), KeyIndex(face.keys)));
  }
  KeyIndexes.fill(0);
  return FocusActivePanel();
}

// The surface passes the focus straight on; the active panel's mark stays
// where it was.
HResult KeyBord::UserControl_GotFocus() { return FocusActivePanel(); }

}  // namespace vexo
