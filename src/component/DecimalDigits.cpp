// SPDX-License-Identifier: MIT
#include "component/DecimalDigits.h"

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vexo {

namespace {

constexpr int SignificantDigits = 15;

constexpr std::uint64_t PowerOf10(int n) {
  std::uint64_t power = 1;
  for (; n > 0; --n) {
    power *= 10;
  }
  return power;
}

// An unsigned integer of any size, least significant 32 bits first, with no
// leading zero limbs (so that the longer number is the larger).
class BigNumber {
 public:
  explicit BigNumber(std::uint64_t value)
      : limbs_{static_cast<std::uint32_t>(value), static_cast<std::uint32_t>(value >> 32)} {
    Trim();
  }

  void MultiplyBy(std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (std::uint32_t& limb : limbs_) {
      const std::uint64_t product = std::uint64_t{limb} * factor + carry;
      limb = static_cast<std::uint32_t>(product);
      carry = product >> 32;
    }
    if (carry != 0) {
      limbs_.push_back(static_cast<std::uint32_t>(carry));
    }
  }

  void MultiplyByPowerOf10(int n) {
    for (; n >= 9; n -= 9) {
      MultiplyBy(1'000'000'000);
    }
    if (n > 0) {
      MultiplyBy(static_cast<std::uint32_t>(PowerOf10(n)));
    }
  }

  void ShiftLeft(int bits) {
    const int words = bits / 32;
    bits %= 32;
    if (bits != 0) {
      std::uint32_t carry = 0;
      for (std::uint32_t& limb : limbs_) {
        const std::uint32_t out = limb >> (32 - bits);
        limb = (limb << bits) | carry;
        carry = out;
      }
      if (carry != 0) {
        limbs_.push_back(carry);
      }
    }
    limbs_.insert(limbs_.begin(), static_cast<std::size_t>(words), 0);
    Trim();
  }

  void ShiftRightByOne() {
    for (std::size_t i = 0; i < limbs_.size(); ++i) {
      const std::uint32_t high = i + 1 < limbs_.size() ? limbs_[i + 1] << 31 : 0;
      limbs_[i] = (limbs_[i] >> 1) | high;
    }
    Trim();
  }

  // Requires *this >= other.
  void Subtract(const BigNumber& other) {
    std::uint64_t borrow = 0;
    for (std::size_t i = 0; i < limbs_.size(); ++i) {
      const std::uint64_t take = (i < other.limbs_.size() ? other.limbs_[i] : 0) + borrow;
      borrow = take > limbs_[i] ? 1 : 0;
      limbs_[i] = static_cast<std::uint32_t>((std::uint64_t{limbs_[i]} + (borrow << 32)) - take);
    }
    Trim();
  }

  friend int Compare(const BigNumber& a, const BigNumber& b) {
    if (a.limbs_.size() != b.limbs_.size()) {
      return a.limbs_.size() < b.limbs_.size() ? -1 : 1;
    }
    for (std::size_t i = a.limbs_.size(); i-- > 0;) {
      if (a.limbs_[i] != b.limbs_[i]) {
        return a.limbs_[i] < b.limbs_[i] ? -1 : 1;
      }
    }
    return 0;
  }

 private:
  void Trim() {
    while (!limbs_.empty() && limbs_.back() == 0) {
      limbs_.pop_back();
    }
  }

  std::vector<std::uint32_t> limbs_;
};

// The quotient (which must be below 2^61), leaving the remainder in `numerator`.
std::uint64_t Divide(BigNumber& numerator, BigNumber denominator) {
  constexpr int TopBit = 60;
  denominator.ShiftLeft(TopBit);
  std::uint64_t quotient = 0;
  for (int bit = TopBit; bit >= 0; --bit) {
    if (Compare(numerator, denominator) >= 0) {
      numerator.Subtract(denominator);
      quotient |= std::uint64_t{1} << bit;
    }
    denominator.ShiftRightByOne();
  }
  return quotient;
}

}  // namespace

// The double is mantissa x 2^binaryExponent exactly; scaled by a power of ten
// so that 15 digits stand before the point, it is a ratio of two integers,
// and the digits are their quotient, rounded by the remainder.
Decimal15 RoundTo15Digits(double magnitude) {
  const auto bits = std::bit_cast<std::uint64_t>(magnitude);
  const int biasedExponent = static_cast<int>((bits >> 52) & 0x7FF);
  std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
  int binaryExponent = -1074;  // subnormal
  if (biasedExponent != 0) {
    mantissa |= std::uint64_t{1} << 52;
    binaryExponent = biasedExponent - 1075;
  }

  constexpr std::uint64_t Lowest = PowerOf10(SignificantDigits - 1);
  constexpr std::uint64_t Beyond = PowerOf10(SignificantDigits);
  // A first guess, off by one at most near powers of ten; the quotient tells.
  int exponent = static_cast<int>(std::floor(std::log10(magnitude)));
  for (;;) {
    const int scale = exponent - (SignificantDigits - 1);
    BigNumber numerator(mantissa);
    BigNumber denominator(1);
    if (binaryExponent > 0) {
      numerator.ShiftLeft(binaryExponent);
    } else {
      denominator.ShiftLeft(-binaryExponent);
    }
    if (scale < 0) {
      numerator.MultiplyByPowerOf10(-scale);
    } else {
      denominator.MultiplyByPowerOf10(scale);
    }
    std::uint64_t quotient = Divide(numerator, denominator);
    if (quotient >= Beyond) {
      ++exponent;
      continue;
    }
    if (quotient < Lowest) {
      --exponent;
      continue;
    }
    numerator.ShiftLeft(1);  // twice the remainder, against the denominator
    if (Compare(numerator, denominator) >= 0) {  // half or more, the exact half included
      ++quotient;
    }
    if (quotient == Beyond) {  // 9.99...95 rounds up to the next power of ten
      quotient = Lowest;
      ++exponent;
    }
    Decimal15 result;
    result.exponent = exponent;
    for (int i = SignificantDigits - 1; i >= 0; --i) {
      result.digits[static_cast<std::size_t>(i)] = static_cast<char>('0' + quotient % 10);
      quotient /= 10;
    }
    return result;
  }
}

}  // namespace vexo
