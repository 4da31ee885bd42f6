// SPDX-License-Identifier: MIT
#include <array>
#include <cstdint>
#include <string>

#include "component/KeyBord.h"
#include "panels/PanelRecords.h"
#include "widgets/VirtualKeys.h"

namespace vexo {

namespace {

// What a row does with the key.
enum class Action : std::uint8_t {
  Right,         // move the panel's mark one key on
  Up,            // one row up
  Left,          // one key back
  Down,          // one row down
  Command,       // KeyF1ToF6: editing, CapsLock, panel switch, caret moves
  Number,        // FindNumber with the character KeyCode - offset
  Symbol,        // FindImage(KeyCode, Shift)
  Letter,        // the letter step: FindABC, with Shift alone in the opposite case
  ShiftedDigit,  // FindImageNumber(KeyCode)
};

// Only Shift alone counts as shifted; Shift with Ctrl or Alt does not.
enum class ShiftTest : std::uint8_t { Any, Alone, NotAlone };

struct CodeRange {
  std::int16_t first;
  std::int16_t last;
};

struct Row {
  CodeRange codes[5];  // unused slots are None, which matches nothing
  ShiftTest shift;
  Action action;
  std::int16_t offset;  // Number only

  constexpr bool Matches(std::int16_t keyCode, std::int16_t modifiers) const {
    if ((shift == ShiftTest::Alone && modifiers != 1) || (shift == ShiftTest::NotAlone && modifiers == 1)) {
      return false;
    }
    for (const CodeRange& range : codes) {
      if (keyCode >= range.first && keyCode <= range.last) {
        return true;
      }
    }
    return false;
  }
};

constexpr CodeRange None{1, 0};
constexpr CodeRange Code(std::int16_t code) { return {code, code}; }

using enum Action;
using enum ShiftTest;

// The key table of the panels, tested top down; the first row that a panel
// tests and that matches is carried out, and no later one. Which rows a panel
// tests, and where the focus goes after each, is the panel's dispatch column
// in its record (panels/PanelRecords.h), one entry per row of this table.
//
// The letter row's second range holds the codes of 'a' to 'z', which a host's
// call may pass; the keypad's digits and symbols and F1-F11 share those codes
// and are taken by earlier rows, so of them only the keypad separator reaches
// the letter row, as "l".
constexpr std::array<Row, panels::KeyTableRows> Rows{{
    // codes                                                                    shift     action        offset
    {{Code(vk::Right), None, None, None, None},                                Any,      Right,        0},
    {{Code(vk::Up), None, None, None, None},                                   Any,      Up,           0},
    {{Code(vk::Left), None, None, None, None},                                 Any,      Left,         0},
    {{Code(vk::Down), None, None, None, None},                                 Any,      Down,         0},
    {{{vk::F1, vk::F12}, Code(vk::CapsLock), {vk::PageUp, vk::Home}, Code(vk::Delete), Code(vk::Backspace)},
                                                                               Any,      Command,      0},
    {{{vk::Numpad0, vk::Numpad9}, None, None, None, None},                     Any,      Number,       vk::Numpad0 - u'0'},
    {{{vk::Multiply, vk::Add}, {vk::Subtract, vk::Divide}, None, None, None},  Any,      Symbol,       0},
    {{{vk::LetterA, vk::LetterZ}, {u'a', u'z'}, Code(vk::Space), None, None},  Any,      Letter,       0},
    {{{vk::Digit0, vk::Digit9}, None, None, None, None},                       Alone,    ShiftedDigit, 0},
    {{{vk::Digit0, vk::Digit9}, None, None, None, None},                       NotAlone, Number,       0},
    {{{vk::Minus, vk::Period}, None, None, None, None},                        Alone,    Symbol,       0},
    // Minus and Period without Shift alone type the keypad's "-" and ".".
    {{{vk::Minus, vk::Period}, None, None, None, None},                        NotAlone, Number,       vk::Minus - u'-'},
    {{{vk::Semicolon, vk::Backquote}, {vk::OpenBracket, vk::Quote}, None, None, None},
                                                                               Any,      Symbol,       0},
}};
// Any other code: nothing, as for a panel that skips every matching row.

std::u16string CharacterOf(std::int32_t code) { return std::u16string(1, static_cast<char16_t>(code)); }

// Looks the letter up; with Shift alone, in the case opposite to CapsLock, by
// flipping CapsLock (and so the captions) around the lookup. CapsLock is put
// back whatever the lookup did: left flipped, every later letter would come
// out in the wrong case.
HResult LetterStep(KeyBord& keybord, std::int16_t keyCode, std::int16_t modifiers) {
  std::u16string letter = CharacterOf(keyCode);
  if (modifiers != 1) {
    return keybord.FindABC(letter);
  }
  std::int16_t capsLock = VariantFalse;
  RETURN_IF_FAILED(keybord.get_CapsLock(capsLock));
  HResult status = keybord.put_CapsLock(static_cast<std::int16_t>(~capsLock));
  if (Succeeded(status)) {
    status = keybord.FindABC(letter);
  }
  const HResult restored = keybord.put_CapsLock(capsLock);
  RETURN_IF_FAILED(status);
  return restored;
}

}  // namespace

struct KeyBord::DispatchSteps {
  static HResult Carry(KeyBord& keybord, const Row& row, PanelId panel, std::int16_t& keyCode,
                       std::int16_t& modifiers) {
    switch (row.action) {
      case Right: {
        std::int16_t step = 1;
        return keybord.MoveAcross(panel, step);
      }
      case Left: {
        std::int16_t step = -1;
        return keybord.MoveAcross(panel, step);
      }
      case Up: return keybord.MoveUp(panel);
      case Down: return keybord.MoveDown(panel);
      case Command: return keybord.KeyF1ToF6(keyCode);
      case Number: {
        std::u16string digit = CharacterOf(std::int32_t{keyCode} - row.offset);
        return keybord.FindNumber(digit);
      }
      case Symbol: return keybord.FindImage(keyCode, modifiers);
      case Letter: return LetterStep(keybord, keyCode, modifiers);
      case ShiftedDigit: return keybord.FindImageNumber(keyCode);
    }
    return hr::Ok;
  }

  static HResult Dispatch(KeyBord& keybord, PanelId panel, std::int16_t& keyCode, std::int16_t& modifiers) {
    const std::array<panels::Then, panels::KeyTableRows>& column = panels::RecordOf(panel).dispatch;
    for (std::size_t i = 0; i < Rows.size(); ++i) {
      const panels::Then then = column[i];
      if (then.after == panels::After::Skip || !Rows[i].Matches(keyCode, modifiers)) {
        continue;
      }
      RETURN_IF_FAILED(Carry(keybord, Rows[i], panel, keyCode, modifiers));
      if (then.after == panels::After::Switch) {
        return keybord.put_ChangeBord(then.to);
      }
      return hr::Ok;
    }
    return hr::Ok;
  }

  // A key press is never refused: a failure of the dispatch ends only the
  // matched row, what it did stays done, and the user is not told (the
  // component shows no messages). The F7 check runs after every key; KeyCode
  // and Shift go back to the toolkit unchanged.
  static HResult KeyDown(KeyBord& keybord, PanelId panel, std::int16_t& KeyCode, std::int16_t& Shift) {
    std::int16_t keyCode = KeyCode;
    std::int16_t modifiers = Shift;
    Discard(Dispatch(keybord, panel, keyCode, modifiers), "a key press is never refused; what the row did stays done");
    std::int16_t forwarded = KeyCode;
    return keybord.GetMessage(forwarded);
  }
};

HResult KeyBord::PanelKeyDown(PanelId panel, std::int16_t& KeyCode, std::int16_t& Shift) {
  return DispatchSteps::KeyDown(*this, panel, KeyCode, Shift);
}

HResult KeyBord::picABC_KeyDown(std::int16_t& KeyCode, std::int16_t& Shift) {
  return PanelKeyDown(PanelId::picABC, KeyCode, Shift);
}

HResult KeyBord::picNumber_KeyDown(std::int16_t& KeyCode, std::int16_t& Shift) {
  return PanelKeyDown(PanelId::picNumber, KeyCode, Shift);
}

HResult KeyBord::picShift_KeyDown(std::int16_t& KeyCode, std::int16_t& Shift) {
  return PanelKeyDown(PanelId::picShift, KeyCode, Shift);
}

}  // namespace vexo
