// SPDX-License-Identifier: MIT
#include "component/KeyBord.h"

namespace vexo {

KeyBord::KeyBord(Widgets& widgets) : widgets_(widgets) { widgets_.Connect(*this); }

HResult KeyBord::OnInitialize() { return UserControl_Initialize(); }
HResult KeyBord::OnReadProperties(PropertyBag& bag) { return UserControl_ReadProperties(bag); }
HResult KeyBord::OnWriteProperties(PropertyBag& bag) { return UserControl_WriteProperties(bag); }
HResult KeyBord::OnResize() { return UserControl_Resize(); }
HResult KeyBord::OnShow() { return UserControl_Show(); }
HResult KeyBord::OnSurfaceGotFocus() { return UserControl_GotFocus(); }

// The notifications of the panels and their keys; an id outside the panels is
// refused.

HResult KeyBord::OnClick(KeyArrayId array, std::int16_t index) {
  return Slot(array) < PanelCount ? KeyClick(array, index) : hr::InvalidArg;
}

HResult KeyBord::OnGotFocus(PanelId panel) {
  return Slot(panel) < PanelCount ? PanelGotFocus(panel) : hr::InvalidArg;
}

HResult KeyBord::OnLostFocus(PanelId panel) {
  return Slot(panel) < PanelCount ? PanelLostFocus(panel) : hr::InvalidArg;
}

HResult KeyBord::OnKeyDown(PanelId panel, std::int16_t& keyCode, std::int16_t& shift) {
  return Slot(panel) < PanelCount ? PanelKeyDown(panel, keyCode, shift) : hr::InvalidArg;
}

HResult KeyBord::OnFieldEdit(FieldEdit edit, std::u16string_view text) { return Text1_Edit(edit, text); }

}  // namespace vexo
