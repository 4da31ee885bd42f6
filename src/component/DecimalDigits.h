#pragma once

#include <array>

namespace vexo {

// A positive finite double rounded to 15 significant decimal digits, exactly
// (from the binary value itself, ties to even): `digits` holds them with the
// first one non-zero, and the value is d.dddddddddddddd x 10^exponent.
struct Decimal15 {
  std::array<char, 15> digits{};
  int exponent = 0;
};

// `magnitude` must be finite and greater than zero.
Decimal15 RoundTo15Digits(double magnitude);

}  // namespace vexo
