// What the toolkit gives each of its widgets, and all a widget knows of it.
#pragma once

#include <functional>

#include "widgets/KeyStore.h"
#include "widgets/Widgets.h"
#include "widgets/win32/PendingWork.h"
#include "widgets/win32/Twips.h"

struct HFONT__;
struct HINSTANCE__;

namespace vexo::win32 {

// How a widget's window tells the component what the user did.
class WindowNotifications {
 public:
  // Raises a notification that a window caused (a click, a key, a focus
  // change) inside a burst; no caller waits for its status.
  virtual void RaiseFromWindow(const std::function<HResult(WidgetEvents&)>& notification) = 0;
  // A panel window received the focus, before the component hears of it: an
  // embedded control activates itself then.
  virtual void PanelFocused(PanelId panel) = 0;

 protected:
  ~WindowNotifications() = default;
};

// Filled in by the toolkit before any widget makes its window; the same for
// every widget of one instance.
struct WidgetContext {
  Hwnd surface = nullptr;
  HINSTANCE__* module = nullptr;  // the code that owns the windows
  Dpi dpi;
  HFONT__* keyFont = nullptr;  // of the keys and the field
  PendingWork& pending;
  WindowNotifications& notifications;
  // Whether keys are drawn in the system's high-contrast colours; empty asks the system.
  std::function<bool()> highContrast;
  // Keeps the code loaded while a client holds an object of it (see Win32Toolkit::Options).
  void (*holdModule)(bool hold) = nullptr;

  PixelRect Pixels(const Box& box) const { return ToPixels(box.left, box.top, box.width, box.height, dpi); }

  // False while the control sits in a form designer: the panels take no
  // focus and the user's input reaches no handler.
  bool interactive = true;
};

}  // namespace vexo::win32
