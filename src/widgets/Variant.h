// SPDX-License-Identifier: MIT
// A self-describing value, as a property bag stores it: a type tag and a value.
#pragma once

#include <cstdint>
#include <string>

namespace vexo {

// The tags carry the platform's variant type numbers, so that a value crosses
// to the Windows library without translation.
enum class VarType : std::uint16_t {
  Empty = 0,
  Null = 1,
  I2 = 2,
  I4 = 3,
  R8 = 5,
  BSTR = 8,
  Bool = 11,
};

struct Variant {
  VarType type = VarType::Empty;
  std::int32_t integer = 0;  // I2, I4 and Bool (True is -1, False 0)
  double real = 0;           // R8
  std::u16string text;       // BSTR

  static Variant Empty() { return {}; }
  static Variant Null() { return Tagged(VarType::Null); }
  static Variant FromBool(bool value) { return Whole(VarType::Bool, value ? -1 : 0); }
  static Variant FromI2(std::int16_t value) { return Whole(VarType::I2, value); }
  static Variant FromI4(std::int32_t value) { return Whole(VarType::I4, value); }
  static Variant FromR8(double value) {
    Variant v = Tagged(VarType::R8);
    v.real = value;
    return v;
  }
  static Variant FromText(std::u16string value) {
    Variant v = Tagged(VarType::BSTR);
    v.text = std::move(value);
    return v;
  }

  friend bool operator==(const Variant&, const Variant&) = default;

 private:
  static Variant Tagged(VarType type) {
    Variant v;
    v.type = type;
    return v;
  }
  static Variant Whole(VarType type, std::int32_t value) {
    Variant v = Tagged(type);
    v.integer = value;
    return v;
  }
};

}  // namespace vexo
