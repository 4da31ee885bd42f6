// SPDX-License-Identifier: MIT
// Conversion of a property bag's self-describing values to a property's type.
//
// The rules are those of the automation platform's variant conversion with no
// flags, in the US English locale, so that a form saved by one build reads the
// same in every other:
//
// - Empty gives 0, or the empty text. Null converts to nothing (TypeMismatch).
// - A boolean is the integer -1 (True) or 0 (False), and as text "-1" or "0".
//   As a boolean, any number but zero is True, and so is the text "True".
// - An integer converts to an integer type when it is in range; otherwise the
//   conversion overflows (ConversionOverflow).
// - A real rounds to the nearest integer, ties to even; out of range, NaN and
//   the infinities overflow. As text it takes its shortest form with at most 15
//   significant digits ("1.5", "1E+20", "-0.1").
// - Text converts to an integer when it reads as a number: blanks around it,
//   signs in front or behind, parentheses for a negative, a "$", thousands
//   separated by ",", a decimal point, an exponent, or "&H" hex and "&O" octal
//   (whose bits fill the target's width: "&HFFFF" is -1 as I2). The number is
//   then rounded (ties to even) and range-checked. Text that is no number, the
//   empty text included, is a TypeMismatch. The text ends at its first NUL
//   character, as the platform's number reader sees it.
// - NaN converts to no integer, whatever some builds of the platform make of
//   it: a saved form must not turn into the largest value.
#pragma once

#include "widgets/Status.h"
#include "widgets/Variant.h"

namespace vexo {

// Converts `value` to `target`, which is VarType::I2, I4, Bool or BSTR (any other
// target is InvalidArg). On failure `result` is Empty.
HResult ChangeVariantType(const Variant& value, VarType target, Variant& result);

}  // namespace vexo
