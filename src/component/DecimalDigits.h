// SPDX-License-Identifier: MIT
#pragma once

#include <array>

namespace vexo {

// A positive finite double rounded to 15 significant decimal digits, exactly,
// from the binary value itself: a tie (a double exactly halfway) goes away
// from zero, as the platform's conversion that wrote saved forms rounds it.
// `digits` holds them with the first one non-zero, and the value is
// d.dddddddddddddd x 10^exponent.
struct Decimal15 {
  std::array<char, 15> digits{};
  int exponent = 0;
};

// `magnitude` must be finite and greater than zero.
Decimal15 RoundTo15Digits(double magnitude);

}  // namespace vexo
