// SPDX-License-Identifier: MIT
// The conversion of bag values to property types, row by row. The answers are
// the platform's, odd ones included ("-&H10" is 16), except for NaN, which
// converts to no integer here.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "component/VariantConversion.h"

namespace vexo {
namespace {

struct ConversionRow {
  const char* name;
  Variant value;
  VarType target;
  HResult status;
  Variant expected;  // Empty whenever the conversion fails
};

void PrintTo(const ConversionRow& row, std::ostream* out) { *out << row.name; }

Variant Text(std::u16string text) { return Variant::FromText(std::move(text)); }
Variant I2(std::int16_t value) { return Variant::FromI2(value); }
Variant I4(std::int32_t value) { return Variant::FromI4(value); }
Variant R8(double value) { return Variant::FromR8(value); }

constexpr VarType ToI2 = VarType::I2;
constexpr VarType ToI4 = VarType::I4;
constexpr VarType ToText = VarType::BSTR;
constexpr HResult Mismatch = hr::TypeMismatch;
constexpr HResult Overflow = hr::ConversionOverflow;
const Variant Fails = Variant::Empty();

class VariantConversion : public ::testing::TestWithParam<ConversionRow> {};

TEST_P(VariantConversion, GivesThePlatformAnswer) {
  const ConversionRow& row = GetParam();
  Variant result = Text(u"sentinel");
  EXPECT_EQ(ChangeVariantType(row.value, row.target, result), row.status);
  EXPECT_EQ(result, row.expected);
}

std::string RowName(const ::testing::TestParamInfo<ConversionRow>& info) { return info.param.name; }

// --- Values that are not text.
INSTANTIATE_TEST_SUITE_P(Values, VariantConversion, ::testing::Values(
    ConversionRow{"EmptyToI2", Variant::Empty(), ToI2, hr::Ok, I2(0)},
    ConversionRow{"EmptyToI4", Variant::Empty(), ToI4, hr::Ok, I4(0)},
    ConversionRow{"EmptyToText", Variant::Empty(), ToText, hr::Ok, Text(u"")},
    ConversionRow{"NullToI2", Variant::Null(), ToI2, Mismatch, Fails},
    ConversionRow{"NullToI4", Variant::Null(), ToI4, Mismatch, Fails},
    ConversionRow{"NullToText", Variant::Null(), ToText, Mismatch, Fails},
    ConversionRow{"TrueToI2", Variant::FromBool(true), ToI2, hr::Ok, I2(-1)},
    ConversionRow{"TrueToI4", Variant::FromBool(true), ToI4, hr::Ok, I4(-1)},
    ConversionRow{"FalseToI4", Variant::FromBool(false), ToI4, hr::Ok, I4(0)},
    ConversionRow{"TrueToText", Variant::FromBool(true), ToText, hr::Ok, Text(u"-1")},
    ConversionRow{"FalseToText", Variant::FromBool(false), ToText, hr::Ok, Text(u"0")},
    ConversionRow{"I2ToI4", I2(-32768), ToI4, hr::Ok, I4(-32768)},
    ConversionRow{"I2ToText", I2(-32768), ToText, hr::Ok, Text(u"-32768")},
    ConversionRow{"I4HighestI2", I4(32767), ToI2, hr::Ok, I2(32767)},
    ConversionRow{"I4AboveI2", I4(32768), ToI2, Overflow, Fails},
    ConversionRow{"I4LowestI2", I4(-32768), ToI2, hr::Ok, I2(-32768)},
    ConversionRow{"I4BelowI2", I4(-32769), ToI2, Overflow, Fails},
    ConversionRow{"I4ToText", I4(INT32_MIN), ToText, hr::Ok, Text(u"-2147483648")},
    ConversionRow{"R8TieDownToEven", R8(2.5), ToI2, hr::Ok, I2(2)},
    ConversionRow{"R8TieUpToEven", R8(3.5), ToI2, hr::Ok, I2(4)},
    ConversionRow{"R8NegativeTie", R8(-0.5), ToI4, hr::Ok, I4(0)},
    ConversionRow{"R8NegativeTieOdd", R8(-1.5), ToI4, hr::Ok, I4(-2)},
    ConversionRow{"R8BelowTie", R8(0.4999999999999999), ToI4, hr::Ok, I4(0)},
    ConversionRow{"R8AboveTie", R8(2.5000000000000004), ToI4, hr::Ok, I4(3)},
    ConversionRow{"R8RoundsToHighestI2", R8(32767.4), ToI2, hr::Ok, I2(32767)},
    ConversionRow{"R8RoundsAboveI2", R8(32767.5), ToI2, Overflow, Fails},
    ConversionRow{"R8LowestI2Tie", R8(-32768.5), ToI2, hr::Ok, I2(-32768)},
    ConversionRow{"R8BelowI2", R8(-32768.6), ToI2, Overflow, Fails},
    ConversionRow{"R8HighestI4", R8(2147483647.4), ToI4, hr::Ok, I4(INT32_MAX)},
    ConversionRow{"R8AboveI4", R8(2147483647.5), ToI4, Overflow, Fails},
    ConversionRow{"R8LowestI4Tie", R8(-2147483648.5), ToI4, hr::Ok, I4(INT32_MIN)},
    ConversionRow{"R8Huge", R8(1e300), ToI4, Overflow, Fails},
    ConversionRow{"R8NaN", R8(std::nan("")), ToI4, Overflow, Fails},
    ConversionRow{"R8Infinity", R8(-std::numeric_limits<double>::infinity()), ToI2, Overflow, Fails},
    ConversionRow{"TextToText", Text(std::u16string(u"a\0b", 3)), ToText, hr::Ok,
                  Text(std::u16string(u"a\0b", 3))},
    ConversionRow{"UnknownType", Variant{static_cast<VarType>(7), 0, 0, u""}, ToI4, Mismatch, Fails}),
    RowName);

// --- Reals as text: 15 significant digits at most, plain from 1E-04 to below 1E+15.
INSTANTIATE_TEST_SUITE_P(RealText, VariantConversion, ::testing::Values(
    ConversionRow{"Zero", R8(0), ToText, hr::Ok, Text(u"0")},
    ConversionRow{"NegativeZero", R8(-0.0), ToText, hr::Ok, Text(u"0")},
    ConversionRow{"Whole", R8(42), ToText, hr::Ok, Text(u"42")},
    ConversionRow{"Fraction", R8(1.5), ToText, hr::Ok, Text(u"1.5")},
    ConversionRow{"NegativeFraction", R8(-0.1), ToText, hr::Ok, Text(u"-0.1")},
    ConversionRow{"FifteenDigits", R8(0.1 + 0.2), ToText, hr::Ok, Text(u"0.3")},
    ConversionRow{"Third", R8(1.0 / 3), ToText, hr::Ok, Text(u"0.333333333333333")},
    ConversionRow{"TieAwayFromZero", R8(100000000000000.5), ToText, hr::Ok, Text(u"100000000000001")},
    ConversionRow{"NegativeTieAwayFromZero", R8(-12345678901234.25), ToText, hr::Ok, Text(u"-12345678901234.3")},
    ConversionRow{"LargestPlain", R8(999999999999999), ToText, hr::Ok, Text(u"999999999999999")},
    ConversionRow{"RoundsIntoExponent", R8(9999999999999999), ToText, hr::Ok, Text(u"1E+16")},
    ConversionRow{"Exponent15", R8(1e15), ToText, hr::Ok, Text(u"1E+15")},
    ConversionRow{"Exponent20", R8(1e20), ToText, hr::Ok, Text(u"1E+20")},
    ConversionRow{"Exponent300", R8(-1.25e300), ToText, hr::Ok, Text(u"-1.25E+300")},
    ConversionRow{"SmallestPlain", R8(0.0001), ToText, hr::Ok, Text(u"0.0001")},
    ConversionRow{"SmallExponent", R8(0.00001), ToText, hr::Ok, Text(u"1E-05")},
    ConversionRow{"SmallMantissa", R8(1.5e-7), ToText, hr::Ok, Text(u"1.5E-07")},
    ConversionRow{"NaN", R8(std::nan("")), ToText, hr::Ok, Text(u"NAN")},
    ConversionRow{"Infinity", R8(std::numeric_limits<double>::infinity()), ToText, hr::Ok,
                  Text(u"INF")}),
    RowName);

// --- Text read as a number: the accepted forms.
INSTANTIATE_TEST_SUITE_P(TextNumbers, VariantConversion, ::testing::Values(
    ConversionRow{"Plain", Text(u"12"), ToI2, hr::Ok, I2(12)},
    ConversionRow{"LeadingZeros", Text(u"000000000000000000000000000007"), ToI2, hr::Ok, I2(7)},
    ConversionRow{"Blanks", Text(u" \t12\r\n "), ToI4, hr::Ok, I4(12)},
    ConversionRow{"LeadingPlus", Text(u"+12"), ToI4, hr::Ok, I4(12)},
    ConversionRow{"LeadingMinus", Text(u"-12"), ToI4, hr::Ok, I4(-12)},
    ConversionRow{"MinusThenBlank", Text(u"- 12"), ToI4, hr::Ok, I4(-12)},
    ConversionRow{"TrailingMinus", Text(u"12-"), ToI4, hr::Ok, I4(-12)},
    ConversionRow{"TrailingPlus", Text(u"12 +"), ToI4, hr::Ok, I4(12)},
    ConversionRow{"PlusAndMinus", Text(u"+12-"), ToI4, hr::Ok, I4(-12)},
    ConversionRow{"Parentheses", Text(u"(12)"), ToI4, hr::Ok, I4(-12)},
    ConversionRow{"ParenthesesAndMinus", Text(u"(-12)"), ToI4, hr::Ok, I4(-12)},
    ConversionRow{"Currency", Text(u"$12"), ToI4, hr::Ok, I4(12)},
    ConversionRow{"NegativeCurrency", Text(u"-$1,234"), ToI4, hr::Ok, I4(-1234)},
    ConversionRow{"TrailingCurrency", Text(u"12$"), ToI4, hr::Ok, I4(12)},
    ConversionRow{"Thousands", Text(u"1,234,567"), ToI4, hr::Ok, I4(1234567)},
    ConversionRow{"LooseThousands", Text(u"1,2,3"), ToI4, hr::Ok, I4(123)},
    ConversionRow{"Fraction", Text(u"1.4"), ToI4, hr::Ok, I4(1)},
    ConversionRow{"TieToEven", Text(u"2.5"), ToI4, hr::Ok, I4(2)},
    ConversionRow{"TieToEvenUp", Text(u"3.5"), ToI4, hr::Ok, I4(4)},
    ConversionRow{"NegativeTie", Text(u"-0.5"), ToI2, hr::Ok, I2(0)},
    ConversionRow{"JustAboveTie", Text(u"2.50000000000000000001"), ToI4, hr::Ok, I4(3)},
    ConversionRow{"PointOnly", Text(u"7."), ToI4, hr::Ok, I4(7)},
    ConversionRow{"NoWholePart", Text(u".6"), ToI4, hr::Ok, I4(1)},
    ConversionRow{"Exponent", Text(u"1.5E3"), ToI4, hr::Ok, I4(1500)},
    ConversionRow{"NegativeExponent", Text(u"25e-1"), ToI4, hr::Ok, I4(2)},
    ConversionRow{"HugeNegativeExponent", Text(u"1e-99999999999999999999"), ToI4, hr::Ok, I4(0)},
    ConversionRow{"ZeroHugeExponent", Text(u"0e99999999999999999999"), ToI4, hr::Ok, I4(0)},
    ConversionRow{"Hex", Text(u"&H1F"), ToI4, hr::Ok, I4(31)},
    ConversionRow{"HexLowerCase", Text(u"&hff"), ToI2, hr::Ok, I2(255)},
    ConversionRow{"HexAllBitsI2", Text(u"&HFFFF"), ToI2, hr::Ok, I2(-1)},
    ConversionRow{"HexAllBitsI4", Text(u"&HFFFF"), ToI4, hr::Ok, I4(65535)},
    ConversionRow{"HexSignBitI4", Text(u"&H80000000"), ToI4, hr::Ok, I4(INT32_MIN)},
    ConversionRow{"HexWiderThanI2", Text(u"&H10000"), ToI2, Overflow, Fails},
    ConversionRow{"HexWiderThanI4", Text(u"&H100000000"), ToI4, Overflow, Fails},
    ConversionRow{"HexBeyond64Bits", Text(u"&H1" + std::u16string(20, u'0')), ToI4, Overflow, Fails},
    ConversionRow{"SignsLeaveHexAlone", Text(u"-&H10"), ToI4, hr::Ok, I4(16)},
    ConversionRow{"ParenthesesLeaveHexAlone", Text(u"( &H10 )"), ToI4, hr::Ok, I4(16)},
    ConversionRow{"Octal", Text(u"&O17"), ToI2, hr::Ok, I2(15)},
    ConversionRow{"OctalAllBitsI4", Text(u"&O37777777777"), ToI4, hr::Ok, I4(-1)},
    ConversionRow{"SeparatorInFraction", Text(u"1.2,5"), ToI4, hr::Ok, I4(1)},
    ConversionRow{"SeparatorAfterPoint", Text(u".,6"), ToI4, hr::Ok, I4(1)},
    ConversionRow{"RepeatedTrailingSigns", Text(u"12-+-"), ToI4, hr::Ok, I4(-12)},
    ConversionRow{"RepeatedClose", Text(u"(12))"), ToI4, hr::Ok, I4(-12)},
    ConversionRow{"CurrencyInsideParentheses", Text(u"(12$)"), ToI4, hr::Ok, I4(-12)},
    ConversionRow{"MinusClosesParenthesis", Text(u"(12-"), ToI4, hr::Ok, I4(-12)},
    ConversionRow{"SeparatorsBehind", Text(u"12 $,"), ToI4, hr::Ok, I4(12)},
    ConversionRow{"NoBreakSpace", Text(u"\u00A05"), ToI4, hr::Ok, I4(5)},
    ConversionRow{"IdeographicSpaces", Text(u"\u3000(\u30005\u3000)\u3000"), ToI4, hr::Ok, I4(-5)},
    ConversionRow{"EndsAtNul", Text(std::u16string(u"7\0x", 3)), ToI4, hr::Ok, I4(7)}),
    RowName);

// --- Text at the edges of the ranges, and text that is no number.
INSTANTIATE_TEST_SUITE_P(TextLimits, VariantConversion, ::testing::Values(
    ConversionRow{"HighestI2", Text(u"32767"), ToI2, hr::Ok, I2(32767)},
    ConversionRow{"AboveI2", Text(u"32768"), ToI2, Overflow, Fails},
    ConversionRow{"LowestI2", Text(u"-32768"), ToI2, hr::Ok, I2(-32768)},
    ConversionRow{"BelowI2", Text(u"-32769"), ToI2, Overflow, Fails},
    ConversionRow{"RoundsAboveI2", Text(u"32767.5"), ToI2, Overflow, Fails},
    ConversionRow{"TieStaysInI2", Text(u"-32768.5"), ToI2, hr::Ok, I2(-32768)},
    ConversionRow{"HighestI4", Text(u"2147483647"), ToI4, hr::Ok, I4(INT32_MAX)},
    ConversionRow{"AboveI4", Text(u"2147483648"), ToI4, Overflow, Fails},
    ConversionRow{"LowestI4", Text(u"-2,147,483,648"), ToI4, hr::Ok, I4(INT32_MIN)},
    ConversionRow{"BelowI4", Text(u"-2147483649"), ToI4, Overflow, Fails},
    ConversionRow{"ExponentBeyondI4", Text(u"1E400"), ToI4, Overflow, Fails},
    ConversionRow{"ManyDigits", Text(std::u16string(40000, u'9')), ToI4, Overflow, Fails},
    ConversionRow{"Empty", Text(u""), ToI4, Mismatch, Fails},
    ConversionRow{"BlanksOnly", Text(u"   "), ToI2, Mismatch, Fails},
    ConversionRow{"Word", Text(u"ABCAct"), ToI4, Mismatch, Fails},
    ConversionRow{"NumberThenWord", Text(u"12abc"), ToI4, Mismatch, Fails},
    ConversionRow{"BlankInside", Text(u"1 2"), ToI4, Mismatch, Fails},
    ConversionRow{"TwoPoints", Text(u"1.2.3"), ToI4, Mismatch, Fails},
    ConversionRow{"TwoMinus", Text(u"--1"), ToI4, Mismatch, Fails},
    ConversionRow{"MinusOnBothSides", Text(u"-12-"), ToI4, Mismatch, Fails},
    ConversionRow{"ParenthesesTwice", Text(u"((12))"), ToI4, Mismatch, Fails},
    ConversionRow{"ZeroWidthSpace", Text(u"12\u200B"), ToI4, Mismatch, Fails},
    ConversionRow{"CurrencyBeforeHex", Text(u"$&H10"), ToI4, Mismatch, Fails},
    ConversionRow{"CurrencyAfterHex", Text(u"&H1F$"), ToI4, Mismatch, Fails},
    ConversionRow{"SeparatorAfterHex", Text(u"&H1F,"), ToI4, Mismatch, Fails},
    ConversionRow{"SeparatorBeforePoint", Text(u",.5"), ToI4, Mismatch, Fails},
    ConversionRow{"SignOnly", Text(u"-"), ToI4, Mismatch, Fails},
    ConversionRow{"PointAlone", Text(u"."), ToI4, Mismatch, Fails},
    ConversionRow{"OpenParenthesis", Text(u"(12"), ToI4, Mismatch, Fails},
    ConversionRow{"CurrencyWithExponent", Text(u"$2E2"), ToI4, Mismatch, Fails},
    ConversionRow{"CloseParenthesis", Text(u"12)"), ToI4, Mismatch, Fails},
    ConversionRow{"LeadingSeparator", Text(u",12"), ToI4, Mismatch, Fails},
    ConversionRow{"ExponentWithoutDigits", Text(u"1E"), ToI4, Mismatch, Fails},
    ConversionRow{"HexWithoutDigits", Text(u"&H"), ToI4, Mismatch, Fails},
    ConversionRow{"HexFraction", Text(u"&H1.5"), ToI4, Mismatch, Fails},
    ConversionRow{"NotOctal", Text(u"&O8"), ToI4, Mismatch, Fails},
    ConversionRow{"NulFirst", Text(std::u16string(u"\0" "7", 2)), ToI4, Mismatch, Fails},
    ConversionRow{"FullWidthDigit", Text(u"\uFF11"), ToI4, Mismatch, Fails},
    ConversionRow{"SurrogatePair", Text(u"1\U0001F600"), ToI4, Mismatch, Fails},
    ConversionRow{"UnsupportedTarget", I4(1), VarType::R8, hr::InvalidArg, Fails}),
    RowName);

// --- Booleans: any number but zero is True, whatever its size.
constexpr VarType ToBool = VarType::Bool;
const Variant True = Variant::FromBool(true);
const Variant False = Variant::FromBool(false);
INSTANTIATE_TEST_SUITE_P(Booleans, VariantConversion, ::testing::Values(
    ConversionRow{"EmptyToBool", Variant::Empty(), ToBool, hr::Ok, False},
    ConversionRow{"NullToBool", Variant::Null(), ToBool, Mismatch, Fails},
    ConversionRow{"OneToBool", I2(1), ToBool, hr::Ok, True},
    ConversionRow{"HugeToBool", R8(1e20), ToBool, hr::Ok, True},
    ConversionRow{"ZeroTextToBool", Text(u" 0.0 "), ToBool, hr::Ok, False},
    ConversionRow{"HexTextToBool", Text(u"&H10"), ToBool, hr::Ok, True},
    ConversionRow{"TrueWordToBool", Text(u" tRUE"), ToBool, hr::Ok, True},
    ConversionRow{"FalseWordToBool", Text(u"False"), ToBool, hr::Ok, False},
    ConversionRow{"WordToBool", Text(u"yes"), ToBool, Mismatch, Fails}),
    RowName);

}  // namespace
}  // namespace vexo
