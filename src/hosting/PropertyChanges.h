// SPDX-License-Identifier: MIT
// How the control learns that a saved property changed: after each call of the
// host, and a moment after each burst of the user's clicks and keys, it
// compares the saved properties of the property table with what it saw last.
// Property sinks hear of each change by the property's dispatch identifier;
// in the same round the sinks of __KeyBord hear KeyTyped for each key typed,
// then Change and PanelChanged for a change of the text and of the panel.
#pragma once

#include "hosting/Com.h"

namespace vexo::hosting {

// Posted to the control's surface after a burst of the user's input: the
// saved properties are compared once the burst is over.
inline constexpr UINT ChangeCheckMessage = WM_APP + 0x62;

}  // namespace vexo::hosting
