// SPDX-License-Identifier: MIT
#include "widgets/qt/KeyCodes.h"

#include <array>

namespace vexo::qt {

namespace {

enum class Pad : std::uint8_t { Any, Main, Keypad };

struct KeyCode {
  int key;
  Pad pad;
  std::int16_t code;
};

// The one map from Qt's keys to virtual-key codes. Letters, digits and F-keys
// are ranges handled before it; a row marked Keypad or Main applies only to a
// press on (or off) the numeric keypad.
constexpr std::array KeyCodes{
    KeyCode{Qt::Key_Backspace, Pad::Any, 8},    KeyCode{Qt::Key_Tab, Pad::Any, 9},
    KeyCode{Qt::Key_Backtab, Pad::Any, 9},      KeyCode{Qt::Key_Clear, Pad::Any, 12},
    KeyCode{Qt::Key_Return, Pad::Any, 13},      KeyCode{Qt::Key_Enter, Pad::Any, 13},
    KeyCode{Qt::Key_Shift, Pad::Any, 16},       KeyCode{Qt::Key_Control, Pad::Any, 17},
    KeyCode{Qt::Key_Alt, Pad::Any, 18},         KeyCode{Qt::Key_Pause, Pad::Any, 19},
    KeyCode{Qt::Key_CapsLock, Pad::Any, 20},    KeyCode{Qt::Key_Escape, Pad::Any, 27},
    KeyCode{Qt::Key_Space, Pad::Any, 32},       KeyCode{Qt::Key_PageUp, Pad::Any, 33},
    KeyCode{Qt::Key_PageDown, Pad::Any, 34},    KeyCode{Qt::Key_End, Pad::Any, 35},
    KeyCode{Qt::Key_Home, Pad::Any, 36},        KeyCode{Qt::Key_Left, Pad::Any, 37},
    KeyCode{Qt::Key_Up, Pad::Any, 38},          KeyCode{Qt::Key_Right, Pad::Any, 39},
    KeyCode{Qt::Key_Down, Pad::Any, 40},        KeyCode{Qt::Key_Print, Pad::Any, 44},
    KeyCode{Qt::Key_Insert, Pad::Any, 45},      KeyCode{Qt::Key_Delete, Pad::Any, 46},
    KeyCode{Qt::Key_Meta, Pad::Any, 91},        KeyCode{Qt::Key_Menu, Pad::Any, 93},
    KeyCode{Qt::Key_NumLock, Pad::Any, 144},    KeyCode{Qt::Key_ScrollLock, Pad::Any, 145},
    // The keypad's operators.
    KeyCode{Qt::Key_Asterisk, Pad::Keypad, 106}, KeyCode{Qt::Key_Plus, Pad::Keypad, 107},
    KeyCode{Qt::Key_Minus, Pad::Keypad, 109},    KeyCode{Qt::Key_Period, Pad::Keypad, 110},
    KeyCode{Qt::Key_Comma, Pad::Keypad, 110},    KeyCode{Qt::Key_Slash, Pad::Keypad, 111},
    // The punctuation keys of the main block, unshifted and shifted.
    KeyCode{Qt::Key_Semicolon, Pad::Main, 186},  KeyCode{Qt::Key_Colon, Pad::Main, 186},
    KeyCode{Qt::Key_Equal, Pad::Main, 187},      KeyCode{Qt::Key_Plus, Pad::Main, 187},
    KeyCode{Qt::Key_Comma, Pad::Main, 188},      KeyCode{Qt::Key_Less, Pad::Main, 188},
    KeyCode{Qt::Key_Minus, Pad::Main, 189},      KeyCode{Qt::Key_Underscore, Pad::Main, 189},
    KeyCode{Qt::Key_Period, Pad::Main, 190},     KeyCode{Qt::Key_Greater, Pad::Main, 190},
    KeyCode{Qt::Key_Slash, Pad::Main, 191},      KeyCode{Qt::Key_Question, Pad::Main, 191},
    KeyCode{Qt::Key_QuoteLeft, Pad::Main, 192},  KeyCode{Qt::Key_AsciiTilde, Pad::Main, 192},
    KeyCode{Qt::Key_BracketLeft, Pad::Main, 219}, KeyCode{Qt::Key_BraceLeft, Pad::Main, 219},
    KeyCode{Qt::Key_Backslash, Pad::Main, 220},  KeyCode{Qt::Key_Bar, Pad::Main, 220},
    KeyCode{Qt::Key_BracketRight, Pad::Main, 221}, KeyCode{Qt::Key_BraceRight, Pad::Main, 221},
    KeyCode{Qt::Key_Apostrophe, Pad::Main, 222}, KeyCode{Qt::Key_QuoteDbl, Pad::Main, 222},
    // The shifted digits of the top row.
    KeyCode{Qt::Key_ParenRight, Pad::Main, 48},  KeyCode{Qt::Key_Exclam, Pad::Main, 49},
    KeyCode{Qt::Key_At, Pad::Main, 50},          KeyCode{Qt::Key_NumberSign, Pad::Main, 51},
    KeyCode{Qt::Key_Dollar, Pad::Main, 52},      KeyCode{Qt::Key_Percent, Pad::Main, 53},
    KeyCode{Qt::Key_AsciiCircum, Pad::Main, 54}, KeyCode{Qt::Key_Ampersand, Pad::Main, 55},
    KeyCode{Qt::Key_Asterisk, Pad::Main, 56},    KeyCode{Qt::Key_ParenLeft, Pad::Main, 57},
};

}  // namespace

std::int16_t VirtualKeyOf(int key, Qt::KeyboardModifiers modifiers) {
  const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
  if (key >= Qt::Key_A && key <= Qt::Key_Z) {
    return static_cast<std::int16_t>(65 + (key - Qt::Key_A));
  }
  if (key >= Qt::Key_0 && key <= Qt::Key_9) {
    return static_cast<std::int16_t>((keypad ? 96 : 48) + (key - Qt::Key_0));
  }
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) {
    return static_cast<std::int16_t>(112 + (key - Qt::Key_F1));
  }
  for (const KeyCode& row : KeyCodes) {
    if (row.key == key && (row.pad == Pad::Any || (row.pad == Pad::Keypad) == keypad)) {
      return row.code;
    }
  }
  return 0;
}

std::int16_t ModifierMaskOf(Qt::KeyboardModifiers modifiers) {
  std::int16_t mask = 0;
  if (modifiers.testFlag(Qt::ShiftModifier)) mask |= 1;
  if (modifiers.testFlag(Qt::ControlModifier)) mask |= 2;
  if (modifiers.testFlag(Qt::AltModifier)) mask |= 4;
  return mask;
}

}  // namespace vexo::qt
