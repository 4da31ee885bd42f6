// SPDX-License-Identifier: MIT
// A key panel and its keys: a child window of the surface that takes the
// keyboard focus, draws its labels and turns clicks on them into Click
// notifications. Keys are windowless labels held in the shared key store, so
// that a panel costs one window however many keys it holds.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "widgets/KeyLooks.h"
#include "widgets/KeyStore.h"
#include "widgets/Placement.h"
#include "widgets/Widgets.h"
#include "widgets/win32/AccessibleKeys.h"
#include "widgets/win32/PendingWork.h"
#include "widgets/win32/WidgetContext.h"

struct HDC__;
struct HINSTANCE__;

namespace vexo::win32 {

struct DrawnLabel;

// The system's colours as the screen draws them.
const SystemPalette& ScreenColours();

// Unregisters the panels' window class, which the first panel registered for
// the whole process, when the code in `module` is about to be unloaded and
// no panel exists.
void UnregisterPanelClass(HINSTANCE__* module);

class Win32Panel final : public PlacedPanel, private KeyObserver, private LabelPainter {
 public:
  Win32Panel(const WidgetContext& context, PanelId id);
  ~Win32Panel() override;
  Win32Panel(const Win32Panel&) = delete;
  Win32Panel& operator=(const Win32Panel&) = delete;

  // Makes the panel's window on the surface, where its box puts it.
  // Makes the window at `place` (parent client pixels), or where its bounds
  // say.
  HResult Create(std::optional<PixelRect> place = std::nullopt);

  // While the panel is hidden (also through its surface, as in a parking
  // window before activation) nothing moves and the call succeeds: a hidden
  // control that took the focus would swallow the user's keys unseen, and
  // the focus comes to the active panel when the component is shown. A
  // disabled or destroyed panel fails with the invalid-procedure-call error.
  HResult SetFocus() override;

  KeyStore& Keys() { return keys_; }
  PanelId Id() const { return id_; }
  // Does what a click on the key does.
  void PressKey(std::int16_t index);
  // Keeps the panel's owner alive while a client presses a key; see KeepAlive.
  KeepAlive Hold() const { return KeepAlive(context_.keepAlive); }
  PanelAccessibility& Accessibility() { return accessibility_; }
  // False while the control sits in a form designer.
  bool Interactive() const { return context_.interactive; }
  Hwnd Window() const { return window_; }
  // The label's rectangle in the panel's client pixels.
  PixelRect KeyPixels(const KeyElement& key) const;
  // The visible label under a client point, the highest index on top; -1 for none.
  std::int16_t HitTest(int x, int y) const;
  // Draws the panel's background and the labels that meet `clip` into `dc`.
  void Paint(HDC__* dc, const PixelRect& clip) const;
  // Paints the whole client area of `width` x `height` pixels, from the
  // image that panels looking the same share.
  void PaintWhole(HDC__* dc, int width, int height) const;
  // The body of the panel's window procedure.
  std::intptr_t Handle(Hwnd window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

 private:
  HResult Placed() override;
  // --- KeyObserver: a label whose look changed is repainted when the burst
  // ends (a click takes the mark off a label and puts one on).
  bool CanShow(Colour colour) const override;
  void KeyChanged(std::int16_t index, const KeyElement& before, const KeyElement& after) override;
  // --- LabelPainter.
  void RepaintLabel(std::int32_t index, const LabelLook& before) override;
  void RepaintLabelsNoted() override;
  void RepaintAll() override;
  void Repaint(const LabelLook& look);
  // Whether the window shows its labels on screen now. One hidden, or shown
  // but never painted since, waits for a paint of the whole of it (the system
  // invalidates all of a window it shows): drawing or invalidating a label
  // before that is a trip to the display's server for nothing.
  bool ShowsItsLabels();
  bool painted_ = false;  // painted since the window was last seen hidden
  // Whether the window has the focus, as its focus messages said: asking the
  // system is a trip to the display's server.
  bool focused_ = false;
  // The places RepaintLabel noted: a label that keeps its box but changes
  // its colours is one place.
  std::array<PixelRect, 16> noted_{};
  std::size_t notedCount_ = 0;
  // The visible labels that meet `clip`, lowest index first, as drawn now.
  std::vector<DrawnLabel> LabelsMeeting(const PixelRect& clip) const;

  const WidgetContext& context_;
  PanelId id_;
  KeyStore keys_;
  Hwnd window_ = nullptr;
  ArmedKey pressed_;  // the label the left button went down on
  std::intptr_t pressedAt_ = 0;  // where it went down (the press's lParam)
  bool capturing_ = false;       // the panel took the mouse for that press
  PanelAccessibility accessibility_{*this, context_};
};

}  // namespace vexo::win32
