// SPDX-License-Identifier: MIT
#include "component/Characters.h"
#include "component/KeyBord.h"
#include "panels/PanelRecords.h"

namespace vexo {

namespace {

// The letter panel's keys: cmdKey 0 to 26, the space bar included.
constexpr std::int16_t LastLetterKey = 26;

}  // namespace

HResult KeyBord::get_CapsLock(std::int16_t& value) {
  value = CapsOn;
  return hr::Ok;
}

// The case lives in the captions themselves: every letter key is rewritten,
// whatever it holds. A key that cannot be reached ends the put there; the keys
// before it stay converted and CapsOn keeps the new value.
//
// Any non-zero value is True and is stored as True (-1): a caller that passes 1
// must not end up with a lock whose toggle (the complement, -2) is True again.
HResult KeyBord::put_CapsLock(std::int16_t vNewValue) {
  CapsOn = vNewValue != VariantFalse ? VariantTrue : VariantFalse;
  KeyArray& keys = cmdKey();
  for (std::int16_t index = 0; index <= LastLetterKey; ++index) {
    std::u16string caption;
    RETURN_IF_FAILED(keys.GetCaption(index, caption));
    RETURN_IF_FAILED(keys.PutCaption(index, vNewValue != VariantFalse ? ToUpper(caption) : ToLower(caption)));
  }
  return hr::Ok;
}

HResult KeyBord::get_ChangeBord(ActivPanel& value) {
  value = ActiveBord;
  return hr::Ok;
}

// Any value is kept, also one outside the enumeration; a failing focus move is
// the put's failure, with the new value already stored.
HResult KeyBord::put_ChangeBord(ActivPanel vNewValue) {
  ActiveBord = vNewValue;
  return FocusActivePanel();
}

HResult KeyBord::get_MaxLength(std::int16_t& value) {
  value = MaxChars;
  return hr::Ok;
}

// The limit applies to the next insertion; text already in the field stays.
HResult KeyBord::put_MaxLength(std::int16_t vNewValue) {
  MaxChars = vNewValue < 0 ? std::int16_t{0} : vNewValue;
  return hr::Ok;
}

HResult KeyBord::FocusActivePanel() {
  ActivPanel active = ActivPanel::abcAct;
  RETURN_IF_FAILED(get_ChangeBord(active));
  if (const panels::PanelRecord* record = panels::RecordOf(active)) {
    return Toolkit().Pane(record->panel).SetFocus();
  }
  return hr::Ok;  // no panel of that value: nothing takes the focus
}

}  // namespace vexo
