// SPDX-License-Identifier: MIT
// The control in a real container: Wine's own ActiveX host window class
// "AtlAxWin" (atl.dll) on a frame window, driven with the system's input as a
// person drives it, and read back from the screen.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "windows/ContainerDoubles.h"
#include "windows/HostedControl.h"
#include "windows/TestHarness.h"

namespace vexo::container {

using harness::AtlFunctions;
using harness::ComPtr;
using harness::KeyPlace;
using harness::Panel;
using harness::PlaceOf;
using harness::ProgId;
using enum harness::Panel;

// The one frame window of the run, shown once: without a window manager the
// display is slow to hide and destroy top-level windows. It records the
// commands it receives, hands each to the handler a test installs, and counts
// the closes asked of it, which it refuses.
HWND Frame();
std::vector<WPARAM>& FrameCommands();
std::function<void(WPARAM)>& FrameCommandHandler();
int& FrameCloses();

// The message loop (key presses go to the UI-active control's
// TranslateAccelerator first, as in an application's loop), waits, input
// through the system and reading the screen.
// As an application's loop: the control whose user interface is active sees
// key presses before the window they are for; true when it took one.
bool OfferToTheActiveControl(MSG& message);
using harness::ClickAt;
using harness::PixelOf;
using harness::Press;
using harness::Pump;
using harness::WaitFor;
using harness::WaitForPaint;

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

// One control in an AtlAxWin window on the frame; the test fails when it is
// not created, shown and painted.
class Hosted : public harness::HostedControl {
 public:
  // Creates the host window, which creates the control by its programmatic
  // identifier. With `stream`, the control is created by the container from
  // it instead.
  explicit Hosted(int x = 10, int y = 10, int width = 900, int height = 240, IStream* stream = nullptr);

  std::wstring Text();
  // The centre of a key, in screen pixels; the key's box in its panel.
  POINT KeyCentre(Panel panel, int index);
  Box KeyBox(Panel panel, int index);
  // The colour just inside the key's border, left of its caption, on screen.
  COLORREF KeyColour(Panel panel, int index);
};

inline constexpr COLORREF MarkedBack = RGB(0, 0, 255);
inline COLORREF UnmarkedBack() { return GetSysColor(COLOR_BTNFACE); }

}  // namespace vexo::container
