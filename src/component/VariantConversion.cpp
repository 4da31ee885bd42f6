// SPDX-License-Identifier: MIT
#include "component/VariantConversion.h"

#include "component/DecimalDigits.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <string>
#include <string_view>
#include <utility>

namespace vexo {

namespace {

// --- Integers.

bool IsIntegerTarget(VarType target) { return target == VarType::I2 || target == VarType::I4; }

HResult FitInteger(std::int64_t value, VarType target, Variant& result) {
  if (target == VarType::I2) {
    if (!std::in_range<std::int16_t>(value)) {
      return hr::ConversionOverflow;
    }
    result = Variant::FromI2(static_cast<std::int16_t>(value));
    return hr::Ok;
  }
  if (!std::in_range<std::int32_t>(value)) {
    return hr::ConversionOverflow;
  }
  result = Variant::FromI4(static_cast<std::int32_t>(value));
  return hr::Ok;
}

// Nearest integer, ties to even. Anything that cannot be an integer of either
// target (NaN, the infinities, beyond 2^53) is an overflow.
HResult RealToInteger(double value, VarType target, Variant& result) {
  if (!std::isfinite(value) || std::fabs(value) > 9007199254740992.0) {
    return hr::ConversionOverflow;
  }
  const double nearest = value - std::remainder(value, 1.0);
  return FitInteger(static_cast<std::int64_t>(nearest), target, result);
}

// --- Reading text as a number.

// The platform's white space: the ASCII controls from tab to carriage return,
// the space, and the Unicode spaces (no-break, ideographic, the typographic
// spaces, line and paragraph separators), but not the zero-width ones.
constexpr bool IsBlank(char16_t c) {
  return c == u' ' || (c >= u'\t' && c <= u'\r') || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}
constexpr bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// The value of `c` as a digit of base 2^shift (hex 4, octal 3), or -1.
constexpr int BasedDigit(char16_t c, int shift) {
  int digit = -1;
  if (c >= u'0' && c <= u'9') {
    digit = c - u'0';
  } else if (c >= u'a' && c <= u'f') {
    digit = c - u'a' + 10;
  } else if (c >= u'A' && c <= u'F') {
    digit = c - u'A' + 10;
  }
  return digit < (1 << shift) ? digit : -1;
}

// Exponents are saturated here: far beyond any target's range, and far from
// overflowing the arithmetic on them.
constexpr std::int64_t ExponentLimit = std::int64_t{1} << 40;

// A number read from text. Decimal: `digits` × 10^`exponent`, the digits
// without leading or trailing zeros (none at all for zero). Hex and octal:
// the bits as written, which the target reads as a two's-complement value of
// its own width.
struct TextNumber {
  bool negative = false;
  bool based = false;
  std::uint64_t bits = 0;
  bool bitsOverflow = false;
  std::u16string digits;
  std::int64_t exponent = 0;
};

// Reads the digits of "&H..." or "&O..." from `i` on.
HResult ReadBased(std::u16string_view text, std::size_t& i, int shift, TextNumber& number) {
  number.based = true;
  const std::size_t first = i;
  for (; i < text.size(); ++i) {
    const int digit = BasedDigit(text[i], shift);
    if (digit < 0) {
      break;
    }
    if (number.bits > (std::numeric_limits<std::uint64_t>::max() >> shift)) {
      number.bitsOverflow = true;
    } else {
      number.bits = (number.bits << shift) | static_cast<std::uint64_t>(digit);
    }
  }
  return i > first ? hr::Ok : hr::TypeMismatch;
}

// Reads digits, "," thousands separators, one decimal point and, unless the
// number is an amount of money, an exponent from `i` on.
enum class Exponent { Allowed, Refused };
HResult ReadDecimal(std::u16string_view text, std::size_t& i, Exponent exponentForm, TextNumber& number) {
  bool sawDigit = false;
  bool sawPoint = false;
  for (; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (IsDigit(c)) {
      sawDigit = true;
      if (sawPoint) {
        --number.exponent;
      }
      if (!number.digits.empty() || c != u'0') {
        number.digits.push_back(c);
      }
    } else if (c == u',' && (sawDigit || sawPoint)) {
      // Separators are ignored wherever they stand once the number has begun,
      // in the fraction too: "1,0,0" is 100 and "1.2,5" is 1.25.
    } else if (c == u'.' && !sawPoint) {
      sawPoint = true;
    } else {
      break;
    }
  }
  if (!sawDigit) {
    return hr::TypeMismatch;
  }

  if (exponentForm == Exponent::Allowed && i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
    std::size_t k = i + 1;
    bool negativeExponent = false;
    if (k < text.size() && (text[k] == u'+' || text[k] == u'-')) {
      negativeExponent = text[k] == u'-';
      ++k;
    }
    if (k >= text.size() || !IsDigit(text[k])) {
      return hr::TypeMismatch;  // an exponent mark with no exponent
    }
    std::int64_t exponent = 0;
    for (; k < text.size() && IsDigit(text[k]); ++k) {
      exponent = std::min(exponent * 10 + (text[k] - u'0'), ExponentLimit);
    }
    number.exponent += negativeExponent ? -exponent : exponent;
    i = k;
  }

  while (!number.digits.empty() && number.digits.back() == u'0') {
    number.digits.pop_back();
    ++number.exponent;
  }
  return hr::Ok;
}

// Reads the whole text as a number; anything left over is a mismatch.
//
// In front: blanks, a "+", a "-", an opening parenthesis and a "$", each at
// most once, in any order. Behind: blanks, any number of "+" and "-" of a kind
// not used in front, ")" once a parenthesis is open (it must be closed, or the
// number carry a minus), and "$" and "," after a decimal number. A minus or
// the parentheses make the number negative, except a hex or octal one, which
// keeps its bits whatever the signs say. A "$" goes with neither a hex or
// octal number nor an exponent.
HResult ReadNumber(std::u16string_view text, TextNumber& number) {
  text = text.substr(0, text.find(u'\0'));
  std::size_t i = 0;
  bool plus = false;
  bool minus = false;
  bool parenthesis = false;
  bool currency = false;
  for (; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (IsBlank(c)) {
    } else if (c == u'+' && !plus) {
      plus = true;
    } else if (c == u'-' && !minus) {
      minus = true;
    } else if (c == u'(' && !parenthesis) {
      parenthesis = true;
    } else if (c == u'$' && !currency) {
      currency = true;
    } else {
      break;
    }
  }

  const auto at = [&](std::size_t k) { return k < text.size() ? text[k] : u'\0'; };
  const bool based = !currency && at(i) == u'&';
  if (based && (at(i + 1) == u'H' || at(i + 1) == u'h')) {
    i += 2;
    RETURN_IF_FAILED(ReadBased(text, i, 4, number));
  } else if (based && (at(i + 1) == u'O' || at(i + 1) == u'o')) {
    i += 2;
    RETURN_IF_FAILED(ReadBased(text, i, 3, number));
  } else {
    RETURN_IF_FAILED(ReadDecimal(text, i, currency ? Exponent::Refused : Exponent::Allowed, number));
  }

  const bool leadingPlus = plus;
  const bool leadingMinus = minus;
  bool closed = false;
  for (; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (IsBlank(c) || (c == u'+' && !leadingPlus) || ((c == u'$' || c == u',') && !number.based)) {
    } else if (c == u'-' && !leadingMinus) {
      minus = true;
    } else if (c == u')' && parenthesis) {
      closed = true;
    } else {
      return hr::TypeMismatch;
    }
  }
  // The platform takes a minus for the missing close: "(12-" is -12.
  if (parenthesis && !closed && !minus) {
    return hr::TypeMismatch;
  }
  number.negative = !number.based && (minus || parenthesis);
  return hr::Ok;
}

// A hex or octal number fills the target's width as two's complement:
// "&HFFFF" is -1 as a 16-bit integer and 65535 as a 32-bit one.
HResult BasedToInteger(const TextNumber& number, VarType target, Variant& result) {
  const int width = target == VarType::I2 ? 16 : 32;
  const std::uint64_t span = std::uint64_t{1} << width;
  if (number.bitsOverflow || number.bits >= span) {
    return hr::ConversionOverflow;
  }
  std::int64_t value = static_cast<std::int64_t>(number.bits);
  if (number.bits >= span / 2) {
    value -= static_cast<std::int64_t>(span);
  }
  return FitInteger(value, target, result);
}

// Rounds the decimal number exactly, ties to even: no detour through a real,
// whose rounding could move a value across a tie.
HResult DecimalToInteger(const TextNumber& number, VarType target, Variant& result) {
  const std::int64_t count = std::ssize(number.digits);
  if (count == 0) {
    return FitInteger(0, target, result);
  }
  const std::int64_t wholeDigits = count + number.exponent;
  if (wholeDigits > 18) {
    return hr::ConversionOverflow;  // at least 10^18, beyond every target
  }
  std::int64_t whole = 0;
  for (std::int64_t k = 0; k < wholeDigits; ++k) {
    whole = whole * 10 + (k < count ? number.digits[static_cast<std::size_t>(k)] - u'0' : 0);
  }
  // The fraction starts at digit `wholeDigits`; when that is negative it
  // starts with zeros and is below one half. The digits have no trailing
  // zeros, so a 5 followed by more digits is above one half.
  if (wholeDigits >= 0 && wholeDigits < count) {
    const char16_t first = number.digits[static_cast<std::size_t>(wholeDigits)];
    const bool moreFollow = wholeDigits + 1 < count;
    if (first > u'5' || (first == u'5' && (moreFollow || whole % 2 != 0))) {
      ++whole;
    }
  }
  return FitInteger(number.negative ? -whole : whole, target, result);
}

HResult TextToInteger(std::u16string_view text, VarType target, Variant& result) {
  TextNumber number;
  RETURN_IF_FAILED(ReadNumber(text, number));
  return number.based ? BasedToInteger(number, target, result) : DecimalToInteger(number, target, result);
}

// --- Numbers as text.

std::u16string Widen(std::string_view ascii) { return {ascii.begin(), ascii.end()}; }

// The shortest form with at most 15 significant digits: plain notation for
// decimal exponents from -4 to 14, otherwise a mantissa and an exponent of at
// least two digits ("1E+20", "1.5E-07"). Negative zero is "0".
std::u16string FormatReal(double value) {
  if (std::isnan(value)) {
    return std::signbit(value) ? u"-NAN(IND)" : u"NAN";
  }
  if (std::isinf(value)) {
    return value < 0 ? u"-INF" : u"INF";
  }
  if (value == 0) {
    return u"0";
  }
  const Decimal15 rounded = RoundTo15Digits(std::fabs(value));
  std::string digits(rounded.digits.begin(), rounded.digits.end());
  const int exponent = rounded.exponent;
  while (digits.size() > 1 && digits.back() == '0') {
    digits.pop_back();
  }

  std::string out = value < 0 ? "-" : "";
  if (exponent < -4 || exponent >= 15) {
    out += digits[0];
    if (digits.size() > 1) {
      out += '.';
      out += digits.substr(1);
    }
    std::string magnitude = std::to_string(std::abs(exponent));
    if (magnitude.size() < 2) {
      magnitude.insert(0, 1, '0');
    }
    out += exponent < 0 ? "E-" : "E+";
    out += magnitude;
  } else if (exponent >= 0) {
    const std::size_t whole = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= whole) {
      out += digits;
      out.append(whole - digits.size(), '0');
    } else {
      out += digits.substr(0, whole);
      out += '.';
      out += digits.substr(whole);
    }
  } else {
    out += "0.";
    out.append(static_cast<std::size_t>(-exponent - 1), '0');
    out += digits;
  }
  return Widen(out);
}

HResult ToInteger(const Variant& value, VarType target, Variant& result) {
  switch (value.type) {
    case VarType::Empty: return FitInteger(0, target, result);
    case VarType::Bool:
    case VarType::I2:
    case VarType::I4: return FitInteger(value.integer, target, result);
    case VarType::R8: return RealToInteger(value.real, target, result);
    case VarType::BSTR: return TextToInteger(value.text, target, result);
    case VarType::Null: break;
  }
  return hr::TypeMismatch;
}

HResult ToText(const Variant& value, Variant& result) {
  switch (value.type) {
    case VarType::Empty: result = Variant::FromText(u""); return hr::Ok;
    case VarType::Bool:
    case VarType::I2:
    case VarType::I4: result = Variant::FromText(Widen(std::to_string(value.integer))); return hr::Ok;
    case VarType::R8: result = Variant::FromText(FormatReal(value.real)); return hr::Ok;
    case VarType::BSTR: result = Variant::FromText(value.text); return hr::Ok;
    case VarType::Null: break;
  }
  return hr::TypeMismatch;
}

// True is any number but zero, whatever its size; text reads as "True" or
// "False" in any case, or as a number.
HResult ToBoolean(const Variant& value, Variant& result) {
  bool truth = false;
  switch (value.type) {
    case VarType::Empty: break;
    case VarType::Bool:
    case VarType::I2:
    case VarType::I4: truth = value.integer != 0; break;
    case VarType::R8: truth = value.real != 0; break;
    case VarType::BSTR: {
      std::u16string_view text = value.text;
      while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
      while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
      const auto is = [&](std::u16string_view word) {
        return std::ranges::equal(text, word, [](char16_t a, char16_t b) { return (a | 0x20) == (b | 0x20); });
      };
      if (is(u"true") || is(u"false")) {
        truth = is(u"true");
        break;
      }
      TextNumber number;
      RETURN_IF_FAILED(ReadNumber(value.text, number));
      truth = number.based ? number.bits != 0 || number.bitsOverflow : !number.digits.empty();
      break;
    }
    case VarType::Null: return hr::TypeMismatch;
  }
  result = Variant::FromBool(truth);
  return hr::Ok;
}

}  // namespace

HResult ChangeVariantType(const Variant& value, VarType target, Variant& result) {
  result = Variant::Empty();
  if (IsIntegerTarget(target)) {
    return ToInteger(value, target, result);
  }
  if (target == VarType::BSTR) {
    return ToText(value, result);
  }
  if (target == VarType::Bool) {
    return ToBoolean(value, result);
  }
  return hr::InvalidArg;
}

}  // namespace vexo
