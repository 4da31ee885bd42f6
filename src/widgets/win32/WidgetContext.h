// SPDX-License-Identifier: MIT
// What the toolkit gives each of its widgets, and all a widget knows of it.
#pragma once

#include <functional>

#include "widgets/KeyStore.h"
#include "widgets/Widgets.h"
#include "widgets/ToolkitCore.h"
#include "widgets/win32/PendingWork.h"

struct HFONT__;
struct HINSTANCE__;

namespace vexo::win32 {

// The shared twips, pixels and capacity, by the names the hosting reaches
// them through.
using vexo::Dpi;
using vexo::PixelRect;
using vexo::TextCapacity;
using vexo::TwipsPerInch;
using vexo::TwipsToPixels;

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

// How the object that owns the widgets (an embedded control) is kept alive:
// `hold(owner, true)` takes a reference, `hold(owner, false)` gives it back.
// Empty for a toolkit that its owner never lets go of from inside its code.
struct KeepAliveHook {
  void (*hold)(void* owner, bool hold) = nullptr;
  void* owner = nullptr;
};

// A hold on the widgets' owner for the length of what a window or a client
// does to them. The host's code that a notification runs may destroy the
// windows or let go of the owner's last reference; the owner then goes when
// the hold does, which must be the very last thing its holder does.
class [[nodiscard]] KeepAlive {
 public:
  explicit KeepAlive(KeepAliveHook hook) : hook_(hook) {
    if (hook_.hold != nullptr) hook_.hold(hook_.owner, true);
  }
  ~KeepAlive() {
    if (hook_.hold != nullptr) hook_.hold(hook_.owner, false);
  }
  KeepAlive(const KeepAlive&) = delete;
  KeepAlive& operator=(const KeepAlive&) = delete;

 private:
  const KeepAliveHook hook_;  // a copy: the context may go with the owner
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
  // Taken at the entry of every window procedure and client call that can
  // reach the host's code (see Win32Toolkit::Options).
  KeepAliveHook keepAlive;
};

}  // namespace vexo::win32
