// SPDX-License-Identifier: MIT
// What a toolkit knows of each key panel: its ids, its name and its
// design-time form. The number of panels is the number of these rows; every
// toolkit builds and loops over them, so none writes the count down. What the
// panels do (their keys, rows and rules) is the component's, in
// panels/PanelRecords.h, which refers back to these rows.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>
#include <utility>

#include "widgets/KeyStore.h"
#include "widgets/Widgets.h"

namespace vexo {

struct PanelFace {
  PanelId panel;
  KeyArrayId keys;  // the key array the panel holds
  std::string_view panelName;  // the widgets' own names, as the component calls them
  std::string_view keysName;
  // The name an assistive technology gives the panel, as a user calls it. A
  // literal, so the view ends in a NUL and may be passed on as a C string.
  std::u16string_view name;
  std::u16string_view templateCaption;  // key 0, which the form holds from the start
  float templateHeight;
  Box box;  // where the panel stands before start-up moves it
};

// In PanelId order, which is also KeyArrayId order.
inline constexpr std::array PanelFaces{
    PanelFace{PanelId::picABC, KeyArrayId::cmdKey, "picABC", "cmdKey", u"Letters", u"Q", 350, {480, 240, 1215, 1335}},
    PanelFace{PanelId::picNumber, KeyArrayId::cmdNumber, "picNumber", "cmdNumber", u"Numbers", u"7", 345,
              {2640, 360, 1800, 2055}},
    PanelFace{PanelId::picShift, KeyArrayId::cmdShift, "picShift", "cmdShift", u"Symbols", u"~", 350,
              {600, 1680, 1575, 855}},
};
inline constexpr std::size_t PanelCount = PanelFaces.size();

constexpr std::size_t Slot(PanelId panel) { return static_cast<std::size_t>(panel); }
constexpr std::size_t Slot(KeyArrayId array) { return static_cast<std::size_t>(array); }
constexpr const PanelFace& FaceOf(PanelId panel) { return PanelFaces[Slot(panel)]; }

consteval bool FacesInIdOrder() {
  for (std::size_t slot = 0; slot < PanelCount; ++slot) {
    if (Slot(PanelFaces[slot].panel) != slot || Slot(PanelFaces[slot].keys) != slot) return false;
  }
  return true;
}
static_assert(FacesInIdOrder(), "a panel's slot is its PanelId and its KeyArrayId");

// One T per panel, in PanelId order, each made by `make(face)`; the elements
// are built in place, so T need not be movable.
template <typename T, typename Make>
std::array<T, PanelCount> PerPanel(Make&& make) {
  return [&]<std::size_t... Slots>(std::index_sequence<Slots...>) {
    return std::array<T, PanelCount>{make(PanelFaces[Slots])...};
  }(std::make_index_sequence<PanelCount>{});
}

}  // namespace vexo
