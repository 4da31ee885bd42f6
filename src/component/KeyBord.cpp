#include "component/KeyBord.h"

namespace vexo {

KeyBord::KeyBord(Widgets& widgets) : widgets_(widgets) { widgets_.Connect(*this); }

HResult KeyBord::OnInitialize() { return UserControl_Initialize(); }
HResult KeyBord::OnReadProperties(PropertyBag& bag) { return UserControl_ReadProperties(bag); }
HResult KeyBord::OnWriteProperties(PropertyBag& bag) { return UserControl_WriteProperties(bag); }
HResult KeyBord::OnResize() { return UserControl_Resize(); }
HResult KeyBord::OnShow() { return UserControl_Show(); }
HResult KeyBord::OnSurfaceGotFocus() { return UserControl_GotFocus(); }

HResult KeyBord::OnClick(KeyArrayId array, std::int16_t index) {
  switch (array) {
    case KeyArrayId::cmdKey: return cmdKey_Click(index);
    case KeyArrayId::cmdNumber: return cmdNumber_Click(index);
    case KeyArrayId::cmdShift: return cmdShift_Click(index);
  }
  return hr::InvalidArg;
}

HResult KeyBord::OnGotFocus(PanelId panel) {
  switch (panel) {
    case PanelId::picABC: return picABC_GotFocus();
    case PanelId::picNumber: return picNumber_GotFocus();
    case PanelId::picShift: return picShift_GotFocus();
  }
  return hr::InvalidArg;
}

HResult KeyBord::OnLostFocus(PanelId panel) {
  switch (panel) {
    case PanelId::picABC: return picABC_LostFocus();
    case PanelId::picNumber: return picNumber_LostFocus();
    case PanelId::picShift: return picShift_LostFocus();
  }
  return hr::InvalidArg;
}

HResult KeyBord::OnKeyDown(PanelId panel, std::int16_t& keyCode, std::int16_t& shift) {
  switch (panel) {
    case PanelId::picABC: return picABC_KeyDown(keyCode, shift);
    case PanelId::picNumber: return picNumber_KeyDown(keyCode, shift);
    case PanelId::picShift: return picShift_KeyDown(keyCode, shift);
  }
  return hr::InvalidArg;
}

HResult KeyBord::OnFieldEdit(FieldEdit edit, std::u16string_view text) { return Text1_Edit(edit, text); }

}  // namespace vexo
