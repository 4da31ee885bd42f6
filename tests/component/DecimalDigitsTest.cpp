// SPDX-License-Identifier: MIT
// Rounding a double to 15 significant digits without the library's
// floating-point formatter (which would triple the Windows library's size):
// the digits must be those of the exact binary value, a tie away from zero as
// the platform's conversion rounds it. The reference rounds the exact decimal
// expansion that the standard formatter gives, on this build.

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include "component/DecimalDigits.h"

namespace vexo {
namespace {

// "d.dddddddddddddde±x" in both cases, for messages that show the value.
std::string Ours(double value) {
  const Decimal15 rounded = RoundTo15Digits(value);
  std::string text(1, rounded.digits[0]);
  text += '.';
  text.append(rounded.digits.begin() + 1, rounded.digits.end());
  text += rounded.exponent < 0 ? "e-" : "e+";
  const int magnitude = rounded.exponent < 0 ? -rounded.exponent : rounded.exponent;
  if (magnitude < 10) {
    text += '0';
  }
  text += std::to_string(magnitude);
  return text;
}

// Every double has a finite decimal expansion of at most 767 significant
// digits; rounded by hand from there, half away from zero.
std::string Reference(double value) {
  char buffer[900];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 800);
  const std::string exact(buffer, result.ptr);
  std::string digits = exact.substr(0, 1) + exact.substr(2, 14);
  int exponent = std::stoi(exact.substr(exact.find('e') + 1));
  if (exact[16] >= '5') {
    int i = 14;
    for (; i >= 0 && digits[i] == '9'; --i) {
      digits[i] = '0';
    }
    if (i < 0) {
      digits.insert(digits.begin(), '1');
      digits.pop_back();
      ++exponent;
    } else {
      ++digits[i];
    }
  }
  const int magnitude = exponent < 0 ? -exponent : exponent;
  return digits.substr(0, 1) + "." + digits.substr(1) + (exponent < 0 ? "e-" : "e+") + (magnitude < 10 ? "0" : "") +
         std::to_string(magnitude);
}

struct DigitsRow {
  const char* name;
  double value;
  const char* expected;
};

void PrintTo(const DigitsRow& row, std::ostream* out) { *out << row.name; }

class RoundTo15 : public ::testing::TestWithParam<DigitsRow> {};

TEST_P(RoundTo15, GivesTheExactDigits) {
  EXPECT_EQ(Ours(GetParam().value), GetParam().expected);
  EXPECT_EQ(Ours(GetParam().value), Reference(GetParam().value));
}

INSTANTIATE_TEST_SUITE_P(
    Values, RoundTo15,
    ::testing::Values(
        DigitsRow{"One", 1.0, "1.00000000000000e+00"},
        DigitsRow{"TieOnAnEvenDigitRoundsUp", 1000000000000005.0, "1.00000000000001e+15"},
        DigitsRow{"TieOnAnOddDigitRoundsUp", 1000000000000015.0, "1.00000000000002e+15"},
        DigitsRow{"TieInTheFraction", 100000000000000.5, "1.00000000000001e+14"},
        DigitsRow{"TieInTheQuarters", 12345678901234.25, "1.23456789012343e+13"},
        DigitsRow{"JustBelowATieInTheQuarters", 12345678901234.24, "1.23456789012342e+13"},
        DigitsRow{"TieCarriesIntoTheExponent", 999999999999999.5, "1.00000000000000e+15"},
        DigitsRow{"JustBelowATie", 0.1 + 0.2, "3.00000000000000e-01"},
        DigitsRow{"NotQuiteAPowerOfTen", 0.001, "1.00000000000000e-03"},
        DigitsRow{"SmallestSubnormal", std::numeric_limits<double>::denorm_min(), "4.94065645841247e-324"},
        DigitsRow{"LargestSubnormal", std::bit_cast<double>(std::uint64_t{0x000FFFFFFFFFFFFF}), "2.22507385850720e-308"},
        DigitsRow{"SmallestNormal", std::numeric_limits<double>::min(), "2.22507385850720e-308"},
        DigitsRow{"Largest", std::numeric_limits<double>::max(), "1.79769313486232e+308"},
        DigitsRow{"LargestExactInteger", 9007199254740993.0, "9.00719925474099e+15"}),
    [](const auto& info) { return std::string(info.param.name); });

// Every power of ten that a double can approach, and its neighbours: where the
// first guess at the exponent is most often off by one.
TEST(RoundTo15Digits, MatchesTheReferenceAroundEveryPowerOfTen) {
  for (int exponent = -323; exponent <= 308; ++exponent) {
    const double power = std::strtod(("1e" + std::to_string(exponent)).c_str(), nullptr);
    for (const double value : {std::nextafter(power, 0.0), power, std::nextafter(power, 2 * power)}) {
      if (value > 0 && value <= std::numeric_limits<double>::max()) {
        ASSERT_EQ(Ours(value), Reference(value)) << "near 1e" << exponent;
      }
    }
  }
}

TEST(RoundTo15Digits, MatchesTheReferenceOnRandomBitPatterns) {
  std::mt19937_64 random(20261207);
  int checked = 0;
  while (checked < 100'000) {
    const double value = std::bit_cast<double>(random() & 0x7FFFFFFFFFFFFFFF);
    if (value == 0 || !std::isfinite(value)) {
      continue;
    }
    ASSERT_EQ(Ours(value), Reference(value)) << std::bit_cast<std::uint64_t>(value);
    ++checked;
  }
}

}  // namespace
}  // namespace vexo
