// SPDX-License-Identifier: MIT
#include <string>

#include "component/Characters.h"
#include "component/KeyBord.h"

namespace vexo {

namespace {

// What a click inserts for a key whose caption is blank after trimming.
enum class BlankCaption { Space, AsRead };
// When a click inserts the caption: after the panel switch and the mark, or
// before both.
enum class Insertion { Last, First };

// How a click on one panel's keys behaves; the panels differ only in these.
struct ClickRule {
  KeyArrayId keys;
  ActivPanel panel;
  BlankCaption blank;
  Insertion insertion;
};

constexpr ClickRule LetterClick{KeyArrayId::cmdKey, ActivPanel::abcAct, BlankCaption::Space, Insertion::Last};
constexpr ClickRule NumberClick{KeyArrayId::cmdNumber, ActivPanel::NumberAct, BlankCaption::AsRead, Insertion::Last};
constexpr ClickRule SymbolClick{KeyArrayId::cmdShift, ActivPanel::ImageAct, BlankCaption::AsRead, Insertion::First};

}  // namespace

struct KeyBord::ClickSteps {
  // Switches to the clicked key's panel, moves the panel's mark to the key and
  // inserts its caption. The switch goes through ChangeBord, so the focus
  // handlers may run inside it or after the click; either way they act only on
  // the looks of the keys at the panels' indexes, so the end state is the same.
  static HResult Click(KeyBord& keybord, const ClickRule& rule, std::int16_t Index) {
    KeyArray& keys = keybord.Toolkit().Keys(rule.keys);
    if (rule.insertion == Insertion::Last) {
      RETURN_IF_FAILED(keybord.put_ChangeBord(rule.panel));
    }
    // Reading the caption first also proves the index names a key before the
    // mark index takes it.
    std::u16string text;
    RETURN_IF_FAILED(keys.GetCaption(Index, text));
    if (rule.blank == BlankCaption::Space && TrimSpaces(text).empty()) {
      text = u" ";
    }
    if (rule.insertion == Insertion::First) {
      RETURN_IF_FAILED(keybord.InsertChar(text));
      RETURN_IF_FAILED(keybord.put_ChangeBord(rule.panel));
    }
    RETURN_IF_FAILED(keybord.MoveMark(keys, keybord.KeyIndex(rule.keys), Index));
    if (rule.insertion == Insertion::Last) {
      return keybord.InsertChar(text);
    }
    return hr::Ok;
  }
};

HResult KeyBord::cmdKey_Click(std::int16_t Index) { return ClickSteps::Click(*this, LetterClick, Index); }

HResult KeyBord::cmdNumber_Click(std::int16_t Index) { return ClickSteps::Click(*this, NumberClick, Index); }

HResult KeyBord::cmdShift_Click(std::int16_t Index) { return ClickSteps::Click(*this, SymbolClick, Index); }

// A panel shows its marked key while it has the focus and hides it otherwise;
// the index itself stays, so the same key comes back with the focus.

HResult KeyBord::picABC_GotFocus() { return MarkKey(cmdKey(), AbcKeyIndex); }

HResult KeyBord::picNumber_GotFocus() { return MarkKey(cmdNumber(), NumberKeyIndex); }

HResult KeyBord::picShift_GotFocus() { return MarkKey(cmdShift(), ShiftKeyIndex); }

HResult KeyBord::picABC_LostFocus() { return UnmarkKey(cmdKey(), AbcKeyIndex); }

HResult KeyBord::picNumber_LostFocus() { return UnmarkKey(cmdNumber(), NumberKeyIndex); }

HResult KeyBord::picShift_LostFocus() { return UnmarkKey(cmdShift(), ShiftKeyIndex); }

}  // namespace vexo
