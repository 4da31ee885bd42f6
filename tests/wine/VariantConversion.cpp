// SPDX-License-Identifier: MIT
// The core's conversion of property-bag values against the platform's own
// VariantChangeTypeEx (US English, no flags), on one table of inputs: a form
// saved anywhere must read back the same in the portable core and on Windows.
#include "Support.h"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "component/VariantConversion.h"

namespace vexo::wine {
namespace {

struct Input {
  const char* name;
  Variant value;
};

std::vector<Input> Inputs() {
  // Not-a-number is left out: Wine's conversion turns it into an integer
  // without complaint, where the core reports an overflow.
  std::vector<Input> inputs = {
      {"Empty", Variant::Empty()},
      {"Null", Variant::Null()},
      {"True", Variant::FromBool(true)},
      {"False", Variant::FromBool(false)},
      {"I2Min", Variant::FromI2(-32768)},
      {"I2Max", Variant::FromI2(32767)},
      {"I4Zero", Variant::FromI4(0)},
      {"I4InI2", Variant::FromI4(-32768)},
      {"I4PastI2", Variant::FromI4(32768)},
      {"I4BelowI2", Variant::FromI4(-32769)},
      {"I4Max", Variant::FromI4(std::numeric_limits<std::int32_t>::max())},
      {"R8Half", Variant::FromR8(0.5)},
      {"R8OneAndHalf", Variant::FromR8(1.5)},
      {"R8TwoAndHalf", Variant::FromR8(2.5)},
      {"R8MinusHalf", Variant::FromR8(-0.5)},
      {"R8MinusTwoAndHalf", Variant::FromR8(-2.5)},
      {"R8Fraction", Variant::FromR8(-0.1)},
      {"R8Edge", Variant::FromR8(32767.49)},
      {"R8PastEdge", Variant::FromR8(32767.5)},
      {"R8LowEdge", Variant::FromR8(-32768.5)},
      {"R8Big", Variant::FromR8(1e20)},
      {"R8Small", Variant::FromR8(1.25e-7)},
      {"R8Thirds", Variant::FromR8(1.0 / 3.0)},
      {"R8Large", Variant::FromR8(123456789012345678.0)},
      {"R8TieAtTheFifteenthDigit", Variant::FromR8(100000000000000.5)},
      {"R8TieInTheQuarters", Variant::FromR8(12345678901234.25)},
      {"R8NegativeTieInTheQuarters", Variant::FromR8(-12345678901234.25)},
      {"R8TieOnAnEvenDigit", Variant::FromR8(1000000000000005.0)},
      {"R8I4Edge", Variant::FromR8(2147483647.5)},
      {"R8Infinity", Variant::FromR8(std::numeric_limits<double>::infinity())},
  };
  const struct {
    const char* name;
    const char16_t* text;
  } texts[] = {
      {"TextEmpty", u""},          {"TextBlank", u"   "},        {"TextNumber", u"12"},
      {"TextPadded", u"  12  "},   {"TextTabs", u"\t12\t"},      {"TextMinus", u"-12"},
      {"TextPlus", u"+12"},        {"TextTrailingMinus", u"12-"}, {"TextParentheses", u"(12)"},
      {"TextCurrency", u"$12"},    {"TextThousands", u"1,234"},  {"TextBadThousands", u"1,2,3"},
      {"TextDecimal", u"1.5"},     {"TextTie", u"2.5"},          {"TextExponent", u"1e3"},
      {"TextBigExponent", u"1E+20"}, {"TextHex", u"&H10"},       {"TextHexNegative", u"&HFFFF"},
      {"TextHexLong", u"&H8000"},  {"TextOctal", u"&O17"},       {"TextCHex", u"0x10"},
      {"TextWord", u"abc"},        {"TextTrailingWord", u"12abc"}, {"TextI2Max", u"32767"},
      {"TextPastI2", u"32768"},    {"TextI2Min", u"-32768"},     {"TextBelowI2", u"-32769"},
      {"TextI4Past", u"2147483648"}, {"TextTrue", u"True"},      {"TextDot", u"."},
      {"TextDoubleSign", u"--1"},  {"TextSpaceInside", u"1 2"},  {"TextLeadingZeros", u"007"},
  };
  for (const auto& text : texts) inputs.push_back({text.name, Variant::FromText(text.text)});
  return inputs;
}

void ToPlatform(const Variant& value, VARIANT& out) {
  VariantInit(&out);
  switch (value.type) {
    case VarType::Empty: V_VT(&out) = VT_EMPTY; break;
    case VarType::Null: V_VT(&out) = VT_NULL; break;
    case VarType::I2: V_VT(&out) = VT_I2; V_I2(&out) = static_cast<SHORT>(value.integer); break;
    case VarType::I4: V_VT(&out) = VT_I4; V_I4(&out) = value.integer; break;
    case VarType::R8: V_VT(&out) = VT_R8; V_R8(&out) = value.real; break;
    case VarType::Bool: V_VT(&out) = VT_BOOL; V_BOOL(&out) = static_cast<VARIANT_BOOL>(value.integer); break;
    case VarType::BSTR:
      V_VT(&out) = VT_BSTR;
      V_BSTR(&out) = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(value.text.data()),
                                       static_cast<UINT>(value.text.size()));
      break;
  }
}

struct Target {
  const char* name;
  VarType core;
  VARTYPE platform;
};

class SameAsPlatform : public ::testing::TestWithParam<std::tuple<Input, Target>> {};

TEST_P(SameAsPlatform, Converts) {
  const auto& [input, target] = GetParam();
  Variant coreResult;
  const HResult coreStatus = ChangeVariantType(input.value, target.core, coreResult);

  Var in;
  ToPlatform(input.value, in);
  Var out;
  const HRESULT platformStatus = VariantChangeTypeEx(&out, &in, 0x0409, 0, target.platform);

  ASSERT_EQ(coreStatus, platformStatus);
  if (FAILED(platformStatus)) return;
  switch (target.platform) {
    case VT_I2: EXPECT_EQ(coreResult.integer, V_I2(&out)); break;
    case VT_I4: EXPECT_EQ(coreResult.integer, V_I4(&out)); break;
    case VT_BSTR: {
      const std::u16string platformText(reinterpret_cast<const char16_t*>(V_BSTR(&out)), SysStringLen(V_BSTR(&out)));
      EXPECT_EQ(std::string(coreResult.text.begin(), coreResult.text.end()),
                std::string(platformText.begin(), platformText.end()));
      break;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    PropertyBag, SameAsPlatform,
    ::testing::Combine(::testing::ValuesIn(Inputs()),
                       ::testing::Values(Target{"I2", VarType::I2, VT_I2}, Target{"I4", VarType::I4, VT_I4},
                                         Target{"BSTR", VarType::BSTR, VT_BSTR})),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) + "To" + std::get<1>(info.param).name;
    });

}  // namespace
}  // namespace vexo::wine
