// SPDX-License-Identifier: MIT
#include "component/KeyBord.h"
#include "widgets/KeyLooks.h"

namespace vexo {

// The look is the only record of the mark on the screen; the panel's index is
// the record in the data. Both colours go on one after the other, ForeColor
// first, so a failure between them leaves a half-changed key and says so.

HResult KeyBord::MarkKey(KeyArray& keys, std::int16_t index) {
  RETURN_IF_FAILED(keys.PutForeColor(index, MarkedForeColor));
  return keys.PutBackColor(index, MarkedBackColor);
}

HResult KeyBord::UnmarkKey(KeyArray& keys, std::int16_t index) {
  RETURN_IF_FAILED(keys.PutForeColor(index, UnmarkedForeColor));
  return keys.PutBackColor(index, UnmarkedBackColor);
}

}  // namespace vexo
