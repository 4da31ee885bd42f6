// SPDX-License-Identifier: MIT
#include "component/KeyBord.h"

#include <array>

namespace vexo {

namespace {

// Calls the handler of the panel or key array `id` names, in enum order; an
// id outside the three is refused.
template <typename Id, typename Handler, typename... Args>
HResult Route(KeyBord& keybord, Id id, const std::array<Handler, 3>& handlers, Args&... args) {
  const auto slot = static_cast<std::size_t>(id);
  if (slot >= handlers.size()) {
    return hr::InvalidArg;
  }
  return (keybord.*handlers[slot])(args...);
}

}  // namespace

KeyBord::KeyBord(Widgets& widgets) : widgets_(widgets) { widgets_.Connect(*this); }

HResult KeyBord::OnInitialize() { return UserControl_Initialize(); }
HResult KeyBord::OnReadProperties(PropertyBag& bag) { return UserControl_ReadProperties(bag); }
HResult KeyBord::OnWriteProperties(PropertyBag& bag) { return UserControl_WriteProperties(bag); }
HResult KeyBord::OnResize() { return UserControl_Resize(); }
HResult KeyBord::OnShow() { return UserControl_Show(); }
HResult KeyBord::OnSurfaceGotFocus() { return UserControl_GotFocus(); }

HResult KeyBord::OnClick(KeyArrayId array, std::int16_t index) {
  static constexpr std::array Handlers{&KeyBord::cmdKey_Click, &KeyBord::cmdNumber_Click, &KeyBord::cmdShift_Click};
  return Route(*this, array, Handlers, index);
}

HResult KeyBord::OnGotFocus(PanelId panel) {
  static constexpr std::array Handlers{&KeyBord::picABC_GotFocus, &KeyBord::picNumber_GotFocus,
                                       &KeyBord::picShift_GotFocus};
  return Route(*this, panel, Handlers);
}

HResult KeyBord::OnLostFocus(PanelId panel) {
  static constexpr std::array Handlers{&KeyBord::picABC_LostFocus, &KeyBord::picNumber_LostFocus,
                                       &KeyBord::picShift_LostFocus};
  return Route(*this, panel, Handlers);
}

HResult KeyBord::OnKeyDown(PanelId panel, std::int16_t& keyCode, std::int16_t& shift) {
  static constexpr std::array Handlers{&KeyBord::picABC_KeyDown, &KeyBord::picNumber_KeyDown,
                                       &KeyBord::picShift_KeyDown};
  return Route(*this, panel, Handlers, keyCode, shift);
}

HResult KeyBord::OnFieldEdit(FieldEdit edit, std::u16string_view text) { return Text1_Edit(edit, text); }

}  // namespace vexo
