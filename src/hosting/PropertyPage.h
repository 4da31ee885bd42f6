// SPDX-License-Identifier: MIT
// The control's property page: a small dialog with the three saved
// properties (the active panel as a choice of three, the limit and the text)
// that form designers show for the control. Its class has an identifier of
// its own and lives in the same library.
//
// The resource script reads the dialog's identifiers from here, so the rest
// is hidden from it.
#pragma once

#define VEXO_PAGE_DIALOG 200
#define VEXO_PAGE_LETTERS 201  // the panels' choices, in ActivPanel order
#define VEXO_PAGE_NUMBERS 202
#define VEXO_PAGE_SYMBOLS 203
#define VEXO_PAGE_LIMIT 204
#define VEXO_PAGE_TEXT 205

#ifndef RC_INVOKED

#include <windows.h>

#include "hosting/Identifiers.h"
#include "widgets/Status.h"

namespace vexo::hosting {

namespace page_identifier {
constexpr unsigned long Hex(const char* text, int digits) {
  unsigned long value = 0;
  for (int i = 0; i < digits; ++i) {
    const char c = text[i];
    value = value * 16 + static_cast<unsigned long>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
  }
  return value;
}
// A GUID from its text "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx".
constexpr GUID FromText(const char* t) {
  return GUID{Hex(t, 8), static_cast<unsigned short>(Hex(t + 9, 4)), static_cast<unsigned short>(Hex(t + 14, 4)),
              {static_cast<unsigned char>(Hex(t + 19, 2)), static_cast<unsigned char>(Hex(t + 21, 2)),
               static_cast<unsigned char>(Hex(t + 24, 2)), static_cast<unsigned char>(Hex(t + 26, 2)),
               static_cast<unsigned char>(Hex(t + 28, 2)), static_cast<unsigned char>(Hex(t + 30, 2)),
               static_cast<unsigned char>(Hex(t + 32, 2)), static_cast<unsigned char>(Hex(t + 34, 2))}};
}
#define VEXO_PAGE_QUOTE_(text) #text
#define VEXO_PAGE_QUOTE(text) VEXO_PAGE_QUOTE_(text)
}  // namespace page_identifier

// The page's class, written once in Identifiers.h.
inline constexpr GUID CLSID_KeyBordPage = page_identifier::FromText(VEXO_PAGE_QUOTE(VEXO_CLSID_KEYBORD_PAGE_TEXT));

// Creates a property page and asks it for `iid`.
HResult CreatePropertyPage(REFIID iid, void** object);

}  // namespace vexo::hosting

#endif  // RC_INVOKED
