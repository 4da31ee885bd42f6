// SPDX-License-Identifier: MIT
// A component that hears every notification of its toolkit and does nothing;
// a test derives from it and overrides what it watches.
#pragma once

#include "widgets/Widgets.h"

namespace vexo::testing {

class QuietEvents : public WidgetEvents {
 public:
  HResult OnInitialize() override { return hr::Ok; }
  HResult OnReadProperties(PropertyBag&) override { return hr::Ok; }
  HResult OnWriteProperties(PropertyBag&) override { return hr::Ok; }
  HResult OnResize() override { return hr::Ok; }
  HResult OnShow() override { return hr::Ok; }
  HResult OnSurfaceGotFocus() override { return hr::Ok; }
  HResult OnClick(KeyArrayId, std::int16_t) override { return hr::Ok; }
  HResult OnGotFocus(PanelId) override { return hr::Ok; }
  HResult OnLostFocus(PanelId) override { return hr::Ok; }
  HResult OnKeyDown(PanelId, std::int16_t&, std::int16_t&) override { return hr::Ok; }
  HResult OnFieldEdit(FieldEdit, std::u16string_view) override { return hr::Ok; }
};

}  // namespace vexo::testing
