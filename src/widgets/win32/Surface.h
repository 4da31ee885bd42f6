// SPDX-License-Identifier: MIT
// The component's own surface: the window the host gives it, sized in twips.
#pragma once

#include <functional>
#include <utility>

#include "widgets/Placement.h"
#include "widgets/win32/WidgetContext.h"

namespace vexo::win32 {

class Win32Surface final : public SizedSurface, private Sizing {
 public:
  // Carries out a size the component gave itself, in pixels; empty: the
  // window is resized directly. An embedded control asks its container.
  using Resizer = std::function<void(int width, int height)>;

  // Takes the size the window has.
  Win32Surface(const WidgetContext& context, Resizer resize);

  // The host gave the window this size in pixels. A size that the twips
  // already held give is kept in twips as it was, so that the component's
  // own size reads back exactly.
  void Sized(int widthPixels, int heightPixels);
  // Whether the window is being given a size the component set: the host's
  // news of it is no Resize.
  bool ApplyingSize() const { return applying_; }

 private:
  // The component sets width and height one after the other; the window
  // changes once, when the burst ends.
  HResult Resized() override;
  void ApplySize() override;

  const WidgetContext& context_;
  Resizer resize_;
  bool applying_ = false;
};

}  // namespace vexo::win32
