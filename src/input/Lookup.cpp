// SPDX-License-Identifier: MIT
#include <array>
#include <string>
#include <string_view>

#include "component/Characters.h"
#include "component/KeyBord.h"
#include "panels/PanelRecords.h"
#include "widgets/VirtualKeys.h"

namespace vexo {

namespace {

// The key of `keys` whose caption equals `ChrStr`, ignoring case and
// surrounding spaces; the first match in index order wins, and `caption` is
// its caption. `found` is -1 when no key matches.
HResult FindKey(KeyArray& keys, std::u16string_view ChrStr, std::int16_t& found, std::u16string& caption) {
  found = -1;
  std::int16_t count = 0;
  RETURN_IF_FAILED(keys.Count(count));
  const std::u16string wanted = ToUpper(TrimSpaces(ChrStr));
  for (std::int16_t i = 0; i < count; ++i) {
    RETURN_IF_FAILED(keys.GetCaption(i, caption));
    if (ToUpper(TrimSpaces(caption)) == wanted) {
      found = i;
      return hr::Ok;
    }
  }
  return hr::Ok;
}

}  // namespace

struct KeyBord::LookupSteps {
  // Finds the key that carries `ChrStr` (see FindKey), moves the panel's mark
  // to it and inserts the key's caption as displayed, which also goes back to
  // the caller in `ChrStr`. Finding nothing is no error and changes nothing.
  // An argument blank after trimming inserts one space or the caption of the
  // blank key it found, as the panel's record says.
  static HResult LookUp(KeyBord& keybord, KeyArray& keys, std::int16_t& markIndex, std::u16string& ChrStr,
                        panels::Blank blankRule) {
    std::int16_t found = -1;
    std::u16string caption;
    RETURN_IF_FAILED(FindKey(keys, ChrStr, found, caption));
    if (found < 0) {
      return hr::Ok;
    }
    RETURN_IF_FAILED(keybord.MoveMark(keys, markIndex, found));
    if (blankRule == panels::Blank::Space && TrimSpaces(ChrStr).empty()) {
      ChrStr.assign(1, u' ');
    } else {
      ChrStr = std::move(caption);
    }
    return keybord.InsertChar(ChrStr);
  }
};

namespace {

// The symbol of a punctuation or keypad key, with Shift alone and otherwise.
struct SymbolKey {
  std::int16_t keyCode;
  char16_t shifted;  // 0: the key has no symbol with Shift
  char16_t unshifted;
};

constexpr std::array<SymbolKey, 16> SymbolKeys{{
    {vk::Semicolon, u':', u';'},
    {vk::Equals, u'+', u'='},
    {vk::Comma, u'<', u','},
    {vk::Minus, u'_', u'-'},
    {vk::Period, u'>', u'.'},
    {vk::Slash, u'?', u'/'},
    {vk::Backquote, u'~', u'`'},
    {vk::OpenBracket, u'{', u'['},
    {vk::Backslash, u'|', u'\\'},
    {vk::CloseBracket, u'}', u']'},
    {vk::Quote, u'"', u'\''},
    {vk::Multiply, 0, u'*'},
    {vk::Add, 0, u'+'},
    {vk::Subtract, 0, u'-'},
    {vk::Decimal, 0, u'.'},
    {vk::Divide, 0, u'/'},
}};

// The symbols above the top-row digits 0 to 9.
constexpr std::array<char16_t, 10> ShiftedDigits{u')', u'!', u'@', u'#', u'$',
                                                 u'%', u'^', u'&', u'*', u'('};

// The symbol as a string of its own; a key with no symbol gives "", which no
// symbol key carries, so the lookup then finds nothing.
std::u16string SymbolText(char16_t symbol) {
  return symbol == 0 ? std::u16string() : std::u16string(1, symbol);
}

}  // namespace

HResult KeyBord::FindOnPanel(PanelId panel, std::u16string& ChrStr) {
  const panels::PanelRecord& record = panels::RecordOf(panel);
  return LookupSteps::LookUp(*this, Toolkit().Keys(record.Keys()), KeyIndex(record.Keys()), ChrStr,
                             record.lookupBlank);
}

HResult KeyBord::FindABC(std::u16string& ChrStr) { return FindOnPanel(PanelId::picABC, ChrStr); }

HResult KeyBord::FindNumber(std::u16string& ChrStr) { return FindOnPanel(PanelId::picNumber, ChrStr); }

HResult KeyBord::AfterFindImage(std::u16string& ChrStr) { return FindOnPanel(PanelId::picShift, ChrStr); }

// The active panel first: "-" and "." are on two panels, and the one in
// front of the user is the one to show it; then the others in their order.
HResult KeyBord::MarkCarrier(std::u16string_view character) {
  const panels::PanelRecord* active = panels::RecordOf(ActiveBord);
  std::int16_t found = -1;
  std::u16string caption;
  const auto markOn = [&](const panels::PanelRecord& record) -> HResult {
    KeyArray& keys = Toolkit().Keys(record.Keys());
    RETURN_IF_FAILED(FindKey(keys, character, found, caption));
    return found >= 0 ? MoveMark(keys, KeyIndex(record.Keys()), found) : hr::Ok;
  };
  if (active != nullptr) {
    RETURN_IF_FAILED(markOn(*active));
    if (found >= 0) return hr::Ok;
  }
  for (const panels::PanelRecord& record : panels::PanelRecords) {
    if (&record == active) continue;
    RETURN_IF_FAILED(markOn(record));
    if (found >= 0) return hr::Ok;
  }
  return hr::Ok;
}

HResult KeyBord::FindImage(std::int16_t KeyCode, std::int16_t Shift) {
  char16_t symbol = 0;
  for (const SymbolKey& key : SymbolKeys) {
    if (key.keyCode == KeyCode) {
      // Only Shift alone counts as shifted; with Ctrl or Alt the key gives its plain symbol.
      symbol = Shift == 1 ? key.shifted : key.unshifted;
      break;
    }
  }
  std::u16string text = SymbolText(symbol);
  return AfterFindImage(text);
}

HResult KeyBord::FindImageNumber(std::int16_t KeyCode) {
  char16_t symbol = 0;
  if (KeyCode >= vk::Digit0 && KeyCode <= vk::Digit9) {
    symbol = ShiftedDigits[static_cast<std::size_t>(KeyCode - vk::Digit0)];
  }
  std::u16string text = SymbolText(symbol);
  return AfterFindImage(text);
}

}  // namespace vexo
