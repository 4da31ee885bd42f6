// SPDX-License-Identifier: MIT
// The size of the number and symbol panels, which follows their keys.
#pragma once

#include "widgets/Widgets.h"

namespace vexo::panels {

// Sizes a panel of four rows of `columns` keys from its template, key 0, read
// afresh: four key heights below the template's top, and `columns` key pitches
// across, each with its margin.
inline HResult FitToKeys(Panel& panel, KeyArray& keys, float columns) {
  float top0 = 0;
  float width0 = 0;
  float height0 = 0;
  RETURN_IF_FAILED(keys.GetHeight(0, height0));
  RETURN_IF_FAILED(keys.GetTop(0, top0));
  RETURN_IF_FAILED(panel.PutHeight(height0 * 4.0f + top0 + 100.0f));
  RETURN_IF_FAILED(keys.GetWidth(0, width0));
  return panel.PutWidth((width0 + 20.0f) * columns + 30.0f);
}

}  // namespace vexo::panels
