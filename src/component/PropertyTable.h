// SPDX-License-Identifier: MIT
// The component's properties as data: each one's name, dispatch identifier,
// type, values at start-up and in a saved form, and its get and put over a
// self-describing value. Persistence, the hostings' change notifications and
// the headless host read their properties from here, so that a property is
// written down once.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <utility>

#include "component/KeyBord.h"
#include "component/VariantConversion.h"

namespace vexo {

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

namespace property_access {

// The value type of a get's out-parameter or of a put's argument.
template <typename>
struct Argument;
template <typename T>
struct Argument<HResult (KeyBord::*)(T&)> {
  using Type = T;
};
template <typename T>
struct Argument<HResult (KeyBord::*)(T)> {
  using Type = T;
};

template <VarType type, auto Get>
HResult GetAs(KeyBord& keybord, Variant& value) {
  typename Argument<decltype(Get)>::Type held{};
  RETURN_IF_FAILED((keybord.*Get)(held));
  if constexpr (type == VarType::BSTR) {
    value = Variant::FromText(std::move(held));
  } else if constexpr (type == VarType::Bool) {
    value = Variant::FromBool(held != VariantFalse);
  } else if constexpr (type == VarType::I2) {
    value = Variant::FromI2(held);
  } else {
    value = Variant::FromI4(static_cast<std::int32_t>(held));
  }
  return hr::Ok;
}

template <VarType type, auto Put>
HResult PutAs(KeyBord& keybord, const Variant& value) {
  using Type = typename Argument<decltype(Put)>::Type;
  Variant converted;
  RETURN_IF_FAILED(ChangeVariantType(value, type, converted));
  if constexpr (type == VarType::BSTR) {
    return (keybord.*Put)(converted.text);
  } else if constexpr (type == VarType::Bool) {
    return (keybord.*Put)(converted.integer != 0 ? VariantTrue : VariantFalse);
  } else {
    return (keybord.*Put)(static_cast<Type>(converted.integer));  // in range: converted to `type`
  }
}

inline constexpr ConstantValue Whole(VarType type, std::int32_t value) { return {type, value, {}}; }
inline constexpr ConstantValue Text(std::u16string_view text) { return {VarType::BSTR, 0, text}; }

// ChangeBord's bag default is text while its value is a number: the value
// never equals the default, so it is always written, and a missing key reads
// back as text that does not convert and leaves ChangeBord alone.
inline constexpr auto Rows = std::to_array<Property>({
    {u"ChangeBord", 0x68030002, VarType::I4, Whole(VarType::I4, 0), Startup::AsCreated, Saved::Yes, Text(u"ABCAct"),
     Held::InState, Loading::Plain, GetAs<VarType::I4, &KeyBord::get_ChangeBord>,
     PutAs<VarType::I4, &KeyBord::put_ChangeBord>},
    {u"Text", 0x68030001, VarType::BSTR, Text(u""), Startup::AsCreated, Saved::Yes, Text(u""), Held::InField,
     Loading::WithoutLimit, GetAs<VarType::BSTR, &KeyBord::get_Text>, PutAs<VarType::BSTR, &KeyBord::put_Text>},
    {u"MaxLength", 0x68030000, VarType::I2, Whole(VarType::I2, 0), Startup::AsCreated, Saved::Yes,
     Whole(VarType::I2, 0), Held::InState, Loading::LimitOrBefore, GetAs<VarType::I2, &KeyBord::get_MaxLength>,
     PutAs<VarType::I2, &KeyBord::put_MaxLength>},
    {u"CapsLock", 0x68030003, VarType::Bool, Whole(VarType::Bool, -1), Startup::Put, Saved::No, ConstantValue{},
     Held::InState, Loading::Plain, GetAs<VarType::Bool, &KeyBord::get_CapsLock>,
     PutAs<VarType::Bool, &KeyBord::put_CapsLock>},
});

}  // namespace property_access

// Every property: the saved ones first, in the order a save writes them.
inline std::span<const Property> Properties() { return property_access::Rows; }

inline constexpr std::size_t SavedPropertyCount =
    static_cast<std::size_t>(std::ranges::count(property_access::Rows, Saved::Yes, &Property::saved));
static_assert(std::ranges::all_of(property_access::Rows.begin(), property_access::Rows.begin() + SavedPropertyCount,
                                  [](const Property& property) { return property.saved == Saved::Yes; }),
              "the saved properties come first");

inline std::span<const Property, SavedPropertyCount> SavedProperties() {
  return std::span(property_access::Rows).first<SavedPropertyCount>();
}

}  // namespace vexo
