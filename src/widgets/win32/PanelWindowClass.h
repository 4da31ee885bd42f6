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

// Moves a child window to `r` (parent client pixels, width and height at
// least 0). `quietly`: the window is not repainted, nor what it uncovers, and
// nothing happens when it is there already; the caller repaints the parent
// and its children once after moving several. True when it was moved.
inline bool MoveChild(HWND window, int left, int top, int width, int height, bool quietly) {
  if (!quietly) {
    SetWindowPos(window, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
  }
  RECT now{};
  GetWindowRect(window, &now);
  MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&now), 2);
  if (now.left == left && now.top == top && now.right - now.left == width && now.bottom - now.top == height) {
    return false;
  }
  SetWindowPos(window, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  return true;
}

}  // namespace vexo::win32
