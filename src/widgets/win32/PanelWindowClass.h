// The window class of the key panels, shared by every instance in the process.
#pragma once

#include <windows.h>

namespace vexo::win32 {

// Registers the class on the first call; each successful call is matched by
// one ReleasePanelClass. The class goes with the last instance, so that a
// library that is unloaded leaves no class behind that points into it.
bool AcquirePanelClass(HINSTANCE module);
void ReleasePanelClass(HINSTANCE module);
extern const wchar_t PanelClassName[];

// Posted to a panel: settle the field after a burst of changes.
inline constexpr UINT SettleFieldMessage = WM_APP + 0x4B;

}  // namespace vexo::win32
