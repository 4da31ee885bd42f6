// SPDX-License-Identifier: MIT
// What a hosting (the ActiveX library) may ask of the toolkit of real windows
// besides the host's drivers of Win32Toolkit. The hosting owns the surface
// window and speaks to its container; the toolkit owns every window on it.
// Through this interface the hosting never sends a message to one of the
// toolkit's windows nor reads how the toolkit measures: it asks in its own
// terms (pixels, HIMETRIC, design or run mode) and the toolkit answers.
#pragma once

#include <cstdint>

#include "widgets/Status.h"
#include "widgets/win32/PendingWork.h"

namespace vexo::win32 {

// A size in whole units, width and height.
struct Extent {
  int width = 0;
  int height = 0;
  friend bool operator==(const Extent&, const Extent&) = default;
};

class HostingLink {
 public:
  // In a form designer the control draws itself and keeps its properties,
  // but its panels take no focus, no click, key or focus change reaches the
  // component, and the field takes no typing of its own; the control's own
  // writes still reach it.
  enum class Mode { Run, Design };
  virtual void SetMode(Mode mode) = 0;

  // Counts the changes of the field's text (see Win32RichTextBox::Revision):
  // the same count means the same text, so a look costs nothing then.
  virtual std::uint64_t FieldRevision() const = 0;

  // Whether `window` is one of the component's key panels.
  virtual bool IsPanelWindow(Hwnd window) const = 0;

  // The size the component gives itself, in screen pixels and in HIMETRIC
  // units (hundredths of a millimetre), as containers measure extents.
  virtual Extent NaturalPixels() const = 0;
  virtual Extent NaturalHimetric() const = 0;
  // A container proposes an extent in HIMETRIC units: the component hears
  // of it as a resize of its surface (see Win32Toolkit::SurfaceSized).
  virtual HResult ProposeHimetric(int width, int height) = 0;

  // The surface window heard WM_COMMAND: a notification of the toolkit's own
  // windows is the toolkit's. A change that the user or another program made
  // in the field by the field's own hand is told through
  // Win32Toolkit::Options::fieldChanged.
  virtual void SurfaceCommand(std::uintptr_t wParam, std::intptr_t lParam) = 0;

 protected:
  ~HostingLink() = default;
};

}  // namespace vexo::win32
