// SPDX-License-Identifier: MIT
// The geometry every toolkit keeps alike: a widget's place held as twips that
// read back exactly as they were put. A toolkit with windows follows each
// change in its own way (moving a window now or when the burst ends); the
// in-memory toolkit has nothing more to do.
#pragma once

#include "widgets/KeyStore.h"
#include "widgets/Widgets.h"

namespace vexo {

// A panel or a field (`Widget`) whose box is held here.
template <typename Widget>
class Placement : public Widget {
 public:
  explicit Placement(Box box) : box_(box) {}

  HResult GetLeft(float& left) { left = box_.left; return hr::Ok; }
  HResult PutLeft(float left) { box_.left = left; return Placed(); }
  HResult GetTop(float& top) { top = box_.top; return hr::Ok; }
  HResult PutTop(float top) { box_.top = top; return Placed(); }
  HResult GetWidth(float& width) { width = box_.width; return hr::Ok; }
  HResult PutWidth(float width) { box_.width = width; return Placed(); }
  HResult GetHeight(float& height) { height = box_.height; return hr::Ok; }
  HResult PutHeight(float height) { box_.height = height; return Placed(); }

  const Box& Bounds() const { return box_; }

 protected:
  // The box changed.
  virtual HResult Placed() { return hr::Ok; }

 private:
  Box box_;
};

using PlacedPanel = Placement<Panel>;
using PlacedField = Placement<RichTextBox>;

class SizedSurface : public Surface {
 public:
  SizedSurface(float width, float height) : width_(width), height_(height) {}

  HResult GetWidth(float& width) final { width = width_; return hr::Ok; }
  HResult PutWidth(float width) final {
    RETURN_IF_FAILED(CanSize());
    width_ = width;
    return Resized();
  }
  HResult GetHeight(float& height) final { height = height_; return hr::Ok; }
  HResult PutHeight(float height) final {
    RETURN_IF_FAILED(CanSize());
    height_ = height;
    return Resized();
  }

  float Width() const { return width_; }
  float Height() const { return height_; }

 protected:
  // Whether a size may be put now; a refused one changes nothing.
  virtual HResult CanSize() { return hr::Ok; }
  // The size changed.
  virtual HResult Resized() { return hr::Ok; }
  // The toolkit's own news of the size, such as the host resizing a window.
  void Take(float width, float height) {
    width_ = width;
    height_ = height;
  }

 private:
  float width_;
  float height_;
};

}  // namespace vexo
