// SPDX-License-Identifier: MIT
#include <string>

#include "component/Characters.h"
#include "component/KeyBord.h"
#include "panels/PanelRecords.h"

namespace vexo {

struct KeyBord::ClickSteps {
  // Switches to the clicked key's panel, moves the panel's mark to the key and
  // inserts its caption, in the order the panel's record says. The switch goes
  // through ChangeBord, so the focus handlers may run inside it or after the
  // click; either way they act only on the looks of the keys at the panels'
  // indexes, so the end state is the same.
  static HResult Click(KeyBord& keybord, const panels::PanelRecord& record, std::int16_t Index) {
    using panels::Insertion;
    KeyArray& keys = keybord.Toolkit().Keys(record.Keys());
    if (record.insertion == Insertion::Last) {
      RETURN_IF_FAILED(keybord.put_ChangeBord(record.active));
    }
    // Reading the caption first also proves the index names a key before the
    // mark index takes it.
    std::u16string text;
    RETURN_IF_FAILED(keys.GetCaption(Index, text));
    if (record.clickBlank == panels::Blank::Space && TrimSpaces(text).empty()) {
      text = u" ";
    }
    if (record.insertion == Insertion::First) {
      RETURN_IF_FAILED(keybord.InsertChar(text));
      RETURN_IF_FAILED(keybord.put_ChangeBord(record.active));
    }
    RETURN_IF_FAILED(keybord.MoveMark(keys, keybord.KeyIndex(record.Keys()), Index));
    if (record.insertion == Insertion::Last) {
      return keybord.InsertChar(text);
    }
    return hr::Ok;
  }
};

HResult KeyBord::KeyClick(KeyArrayId array, std::int16_t Index) {
  return ClickSteps::Click(*this, panels::RecordOf(array), Index);
}

HResult KeyBord::cmdKey_Click(std::int16_t Index) { return KeyClick(KeyArrayId::cmdKey, Index); }

HResult KeyBord::cmdNumber_Click(std::int16_t Index) { return KeyClick(KeyArrayId::cmdNumber, Index); }

HResult KeyBord::cmdShift_Click(std::int16_t Index) { return KeyClick(KeyArrayId::cmdShift, Index); }

// A panel shows its marked key while it has the focus and hides it otherwise;
// the index itself stays, so the same key comes back with the focus.

HResult KeyBord::PanelGotFocus(PanelId panel) {
  const KeyArrayId array = FaceOf(panel).keys;
  return MarkKey(Toolkit().Keys(array), KeyIndex(array));
}

HResult KeyBord::PanelLostFocus(PanelId panel) {
  const KeyArrayId array = FaceOf(panel).keys;
  return UnmarkKey(Toolkit().Keys(array), KeyIndex(array));
}

HResult KeyBord::picABC_GotFocus() { return PanelGotFocus(PanelId::picABC); }

HResult KeyBord::picNumber_GotFocus() { return PanelGotFocus(PanelId::picNumber); }

HResult KeyBord::picShift_GotFocus() { return PanelGotFocus(PanelId::picShift); }

HResult KeyBord::picABC_LostFocus() { return PanelLostFocus(PanelId::picABC); }

HResult KeyBord::picNumber_LostFocus() { return PanelLostFocus(PanelId::picNumber); }

HResult KeyBord::picShift_LostFocus() { return PanelLostFocus(PanelId::picShift); }

}  // namespace vexo
