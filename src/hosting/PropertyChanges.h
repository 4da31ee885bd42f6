// How the control learns that a saved property (ChangeBord, Text, MaxLength)
// changed: after each call of the host, and a moment after each burst of the
// user's clicks and keys, it compares them with what it saw last.
#pragma once

#include "hosting/Com.h"

namespace vexo::hosting {

// The dispatch identifiers of the saved properties, as sinks hear them.
inline constexpr DISPID MaxLengthId = 0x68030000;
inline constexpr DISPID TextId = 0x68030001;
inline constexpr DISPID ChangeBordId = 0x68030002;

// Posted to the control's surface after a burst of the user's input: the
// saved properties are compared once the burst is over.
inline constexpr UINT ChangeCheckMessage = WM_APP + 0x62;

}  // namespace vexo::hosting
