// SPDX-License-Identifier: MIT
#include "widgets/ToolkitCore.h"

namespace vexo {

ToolkitCore::~ToolkitCore() {
  if (gone_ != nullptr) {
    *gone_ = true;
  }
}

HResult ToolkitCore::Initialize() { return Raise([this] { return events_->OnInitialize(); }); }

HResult ToolkitCore::ReadProperties(PropertyBag& bag) {
  return Raise([&] { return events_->OnReadProperties(bag); });
}

HResult ToolkitCore::WriteProperties(PropertyBag& bag) {
  return Raise([&] { return events_->OnWriteProperties(bag); });
}

HResult ToolkitCore::Show() { return Raise([this] { return events_->OnShow(); }); }

HResult ToolkitCore::SurfaceGotFocus() { return Raise([this] { return events_->OnSurfaceGotFocus(); }); }

}  // namespace vexo
