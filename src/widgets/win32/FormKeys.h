// SPDX-License-Identifier: MIT
// What the control's windows keep of the keys that a form uses: the panels
// and the field give a dialog manager one answer, so that the focus leaves
// the control the same way from either.
#pragma once

#include <windows.h>

namespace vexo::win32 {

// The WM_GETDLGCODE answer of every window of the control, as a list gives it
// in a form: the arrows and the characters are the window's (the editing and
// function keys pass a dialog manager anyway); Tab, Shift+Tab, Ctrl+Tab,
// Enter and Escape are the form's, to move the focus on and to press its
// default and cancel buttons. No DLGC_HASSETSEL: a dialog manager that
// selected the whole field would turn the block caret into a selection of
// the user's.
inline constexpr LRESULT DialogCode = DLGC_WANTARROWS | DLGC_WANTCHARS;

// The one key with Alt (WM_SYSKEYDOWN) that a panel takes: F7, the host's
// command with or without Shift, Ctrl or Alt, means nothing to the system.
// Every other key with Alt is the system's and the form's (mnemonics, the
// window menu, Alt+F4).
inline constexpr WPARAM SystemKeyOfThePanels = VK_F7;

}  // namespace vexo::win32
