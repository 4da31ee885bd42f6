// The component's properties as data: each one's name, dispatch identifier,
// type, values at start-up and in a saved form, and its get and put over a
// self-describing value. Persistence, the hostings' change notifications and
// the headless host read their properties from here, so that a property is
// written down once.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "widgets/Status.h"
#include "widgets/Variant.h"

namespace vexo {

class KeyBord;

// The longest text, in UTF-16 units, that a saved form holds for a property.
inline constexpr std::int32_t MaxSavedTextUnits = 1 << 20;

// A value written as constant data.
struct ConstantValue {
  VarType type = VarType::Empty;
  std::int32_t integer = 0;  // I2, I4 and Bool (True is -1)
  std::u16string_view text;  // BSTR

  Variant ToVariant() const;
};

enum class Saved { No, Yes };
// Whether start-up puts the start value, or the state is created holding it.
enum class Startup { AsCreated, Put };
// Where the value lives: the text lives in the field, whose revision tells
// whether it can have changed since it was last read.
enum class Held { InState, InField };
// How a load applies the property. The text goes in with no limit, so that a
// stored text comes back whole; the limit comes after it, and one that cannot
// be read puts back the limit the component had before the load.
enum class Loading { Plain, WithoutLimit, LimitOrBefore };

struct Property {
  std::u16string_view name;
  std::int32_t dispatchId;  // as the type library gives it
  VarType type;             // I4 stands for the 32-bit enumeration ActivPanel
  ConstantValue start;      // what the property holds once start-up is over
  Startup startup;
  Saved saved;
  ConstantValue bagDefault;  // saved ones: what a save leaves out, and a missing key reads as
  Held held;
  Loading loading;
  // The value as `type`; the put converts whatever it is given to `type` first
  // (a value that does not convert fails with the conversion's status).
  HResult (*get)(KeyBord& keybord, Variant& value);
  HResult (*put)(KeyBord& keybord, const Variant& value);
};

// Every property, the saved ones in the order a save writes them.
std::span<const Property> Properties();

}  // namespace vexo
