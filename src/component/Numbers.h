// SPDX-License-Identifier: MIT
// Checked arithmetic of the component's 16- and 32-bit numbers.
//
// Indexes, lengths, caret positions and limits are 16-bit signed integers, and
// panel positions are 32-bit; a value that does not fit is the runtime overflow
// error, never a silent wrap.
#pragma once

#include <cmath>
#include <cstdint>
#include <utility>

#include "widgets/Status.h"

namespace vexo {

template <typename Narrow>
HResult CheckedNarrow(std::int64_t value, Narrow& out) {
  if (!std::in_range<Narrow>(value)) {
    return hr::Overflow;
  }
  out = static_cast<Narrow>(value);
  return hr::Ok;
}

inline HResult ToInt16(std::int64_t value, std::int16_t& out) { return CheckedNarrow(value, out); }
inline HResult ToInt32(std::int64_t value, std::int32_t& out) { return CheckedNarrow(value, out); }

// Rounds to the nearest integer, ties to even (2.5 gives 2, 3.5 gives 4).
// NaN and values outside the 32-bit range are an overflow.
inline HResult RoundToInt32(double value, std::int32_t& out) {
  const double nearest = value - std::remainder(value, 1.0);
  if (!(nearest >= -2147483648.0 && nearest <= 2147483647.0)) {
    return hr::Overflow;
  }
  out = static_cast<std::int32_t>(nearest);
  return hr::Ok;
}

// Halves with truncation toward zero.
constexpr std::int32_t Halve(std::int32_t value) { return value / 2; }

}  // namespace vexo
