// SPDX-License-Identifier: MIT
// The toolkit's side of HostingLink: what the hosting may ask of it.
#include <windows.h>
#include <richedit.h>

#include <algorithm>

#include "widgets/win32/Win32Toolkit.h"

namespace vexo::win32 {

namespace {

constexpr int HimetricPerInch = 2540;

}  // namespace

void Win32Toolkit::SetMode(Mode mode) {
  SetInteractive(mode == Mode::Run);
  if (const HWND field = text1_->Window()) SendMessageW(field, EM_SETREADONLY, mode == Mode::Design, 0);
  // Assistive technology hears that the panels became unavailable, or available again.
  for (const auto& panel : panels_) {
    NotifyWinEvent(EVENT_OBJECT_STATECHANGE, panel->Window(), OBJID_CLIENT, CHILDID_SELF);
  }
}

std::uint64_t Win32Toolkit::FieldRevision() const { return text1_->Revision(); }

bool Win32Toolkit::IsPanelWindow(HWND window) const {
  if (!window) return false;
  return std::any_of(panels_.begin(), panels_.end(), [&](const auto& panel) { return panel->Window() == window; });
}

Extent Win32Toolkit::NaturalPixels() const {
  return {TwipsToPixels(surface_->Width(), context_.dpi.x), TwipsToPixels(surface_->Height(), context_.dpi.y)};
}

Extent Win32Toolkit::NaturalHimetric() const {
  const auto himetric = [](float twips) {
    return static_cast<int>(static_cast<double>(twips) * HimetricPerInch / TwipsPerInch + 0.5);
  };
  return {himetric(surface_->Width()), himetric(surface_->Height())};
}

HResult Win32Toolkit::ProposeHimetric(int width, int height) {
  return SurfaceSized(MulDiv(width, context_.dpi.x, HimetricPerInch), MulDiv(height, context_.dpi.y, HimetricPerInch));
}

// The field tells its changes only to its parent, the surface, and only
// when asked to: a host that wants to hear of them asks here.
void Win32Toolkit::ListenToField() {
  if (!options_.fieldChanged) return;
  const HWND field = text1_->Window();
  const auto mask = static_cast<LPARAM>(SendMessageW(field, EM_GETEVENTMASK, 0, 0));
  SendMessageW(field, EM_SETEVENTMASK, 0, mask | ENM_CHANGE);
}

void Win32Toolkit::SurfaceCommand(std::uintptr_t wParam, std::intptr_t lParam) {
  if (reinterpret_cast<HWND>(lParam) != text1_->Window() || HIWORD(wParam) != EN_CHANGE) return;
  text1_->ChangedByOthers();
  if (!options_.fieldChanged) return;
  if (InBurst()) {
    // Told once, as the burst ends: a keystroke changes the field more than
    // once, and the host's code must not run inside the field's own message.
    fieldChangedInBurst_ = true;
    SettleWhenOver();
    return;
  }
  options_.fieldChanged(false);
}

}  // namespace vexo::win32
