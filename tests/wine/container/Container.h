// The control in a real container: Wine's own ActiveX host window class
// "AtlAxWin" (atl.dll) on a frame window, driven with the system's input as a
// person drives it, and read back from the screen.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <olectl.h>
#include <wrl/client.h>

#ifdef GetMessage
#undef GetMessage
#endif

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "VexoKeyBord_h.h"

namespace vexo::container {

using Microsoft::WRL::ComPtr;

inline constexpr wchar_t ProgId[] = L"VexoKeyBord.KeyBord";

// atl.dll, loaded and initialised once by the test program.
struct Atl {
  BOOL(WINAPI* WinInit)() = nullptr;
  HRESULT(WINAPI* GetControl)(HWND, IUnknown**) = nullptr;
  HRESULT(WINAPI* CreateControl)(LPCOLESTR, HWND, IStream*, IUnknown**) = nullptr;
};
const Atl& AtlFunctions();

// The one frame window of the run, shown once: without a window manager the
// display is slow to hide and destroy top-level windows. It records the
// commands it receives.
HWND Frame();
std::vector<WPARAM>& FrameCommands();

// Handles waiting messages as an application's loop does: a key press goes to
// the UI-active control's TranslateAccelerator first.
void Pump();
void PumpFor(DWORD milliseconds);

// Input through the system, as from the physical devices.
void ClickAt(POINT screen);
void Press(WORD virtualKey, bool shift = false);

// The screen colour of a client pixel.
COLORREF PixelOf(HWND window, int x, int y);

// Rectangles in pixels, right and bottom exclusive.
struct Box {
  int left = 0, top = 0, right = 0, bottom = 0;
  friend bool operator==(const Box&, const Box&) = default;
};
std::ostream& operator<<(std::ostream& out, const Box& box);
// Twips to pixels as the screen shows them: each edge to the nearest pixel.
Box Pixels(float left, float top, float width, float height, int dpiX, int dpiY);
// A window's rectangle in the client pixels of `relativeTo`.
Box PlacedIn(HWND window, HWND relativeTo);
int ScreenDpiX();
int ScreenDpiY();

enum Panel { Letters = 0, Numbers = 1, Symbols = 2 };

// One control in an AtlAxWin window on the frame.
class Hosted {
 public:
  // Creates the host window, which creates the control by its programmatic
  // identifier. With `stream`, the control is created by the container from
  // it instead.
  explicit Hosted(int x = 10, int y = 10, int width = 900, int height = 240, IStream* stream = nullptr);
  ~Hosted();
  Hosted(const Hosted&) = delete;
  Hosted& operator=(const Hosted&) = delete;

  HWND host = nullptr;
  ComPtr<IUnknown> control;
  ComPtr<_KeyBord> keybord;
  HWND surface = nullptr;
  std::array<HWND, 3> panels{};  // in the order of Panel
  HWND field = nullptr;

  std::wstring Text();
  // The centre of a key, in screen pixels; the key's box in its panel.
  POINT KeyCentre(Panel panel, int index);
  Box KeyBox(Panel panel, int index);
  // The colour just inside the key's border, left of its caption, on screen.
  COLORREF KeyColour(Panel panel, int index);
  // The panel that holds the focus, or -1.
  int FocusedPanel();
};

// The key's place in its panel in twips, as start-up lays the panels out.
struct KeyPlace {
  float left, top, width, height;
};
KeyPlace PlaceOf(Panel panel, int index);

inline constexpr COLORREF MarkedBack = RGB(0, 0, 255);
inline COLORREF UnmarkedBack() { return GetSysColor(COLOR_BTNFACE); }

}  // namespace vexo::container
