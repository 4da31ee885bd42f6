// SPDX-License-Identifier: MIT
// What assistive technology sees of a key panel: screen readers, magnifiers
// and switch access reach the windowless keys through the panel window's
// accessible object, whose children are the keys as push buttons named by
// their captions, and hear where the mark goes.
//
// The object is made when a client first asks the window for it, and lives as
// long as any client holds it; once the panel's window is gone every call on
// it fails with the disconnected status, whoever still holds it.
#pragma once

#include <cstdint>
#include <vector>

#include "widgets/KeyLooks.h"
#include "widgets/KeyStore.h"
#include "widgets/win32/PendingWork.h"
#include "widgets/win32/WidgetContext.h"

namespace vexo::win32 {

class Win32Panel;
class AccessibleKeyPanel;

// Whether the system (or the toolkit's options, for tests) asks for high
// contrast now, in which keys take the system's colours (see DrawnColours).
bool HighContrast(const WidgetContext& context);

// --- The accessible side of one panel.
class PanelAccessibility final : private Announcing {
 public:
  PanelAccessibility(Win32Panel& panel, const WidgetContext& context);
  ~PanelAccessibility();
  PanelAccessibility(const PanelAccessibility&) = delete;
  PanelAccessibility& operator=(const PanelAccessibility&) = delete;

  // The answer to WM_GETOBJECT: the panel's object for its client area,
  // made now if no client holds it; 0 for what the window answers itself.
  std::intptr_t Answer(std::uintptr_t wParam, std::intptr_t lParam);
  // The panel's window is going: every client's object is cut off.
  void Disconnect();

  // What the panel tells of its keys and its focus, announced when the
  // burst ends.
  void KeyChanged(std::int16_t index, const KeyElement& before, const KeyElement& after);
  void FocusChanged();

  // The key that shows the mark, while the panel holds the focus; -1 for none.
  std::int16_t FocusedKey() const;

 private:
  void Announce() override;

  Win32Panel& panel_;
  PendingWork& pending_;
  void (*holdModule_)(bool);
  AccessibleKeyPanel* object_ = nullptr;  // one reference of ours while it lives
  std::int16_t announcedFocus_ = -1;     // the focused key clients last heard of
  std::vector<std::int16_t> renamed_;    // keys whose captions changed, unannounced
};

}  // namespace vexo::win32
