#include "component/PropertyTable.h"

#include <array>
#include <string>
#include <utility>

#include "component/KeyBord.h"
#include "component/VariantConversion.h"

namespace vexo {

namespace {

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

constexpr ConstantValue Whole(VarType type, std::int32_t value) { return {type, value, {}}; }
constexpr ConstantValue Text(std::u16string_view text) { return {VarType::BSTR, 0, text}; }

// ChangeBord's bag default is text while its value is a number: the value
// never equals the default, so it is always written, and a missing key reads
// back as text that does not convert and leaves ChangeBord alone.
constexpr std::array<Property, 4> Table{{
    {u"ChangeBord", 0x68030002, VarType::I4, Whole(VarType::I4, 0), Startup::AsCreated, Saved::Yes, Text(u"ABCAct"),
     Held::InState, Loading::Plain, GetAs<VarType::I4, &KeyBord::get_ChangeBord>,
     PutAs<VarType::I4, &KeyBord::put_ChangeBord>},
    {u"Text", 0x68030001, VarType::BSTR, Text(u""), Startup::AsCreated, Saved::Yes, Text(u""), Held::InField,
     Loading::WithoutLimit, GetAs<VarType::BSTR, &KeyBord::get_Text>, PutAs<VarType::BSTR, &KeyBord::put_Text>},
    {u"MaxLength", 0x68030000, VarType::I2, Whole(VarType::I2, 0), Startup::AsCreated, Saved::Yes,
     Whole(VarType::I2, 0), Held::InState, Loading::LimitOrBefore, GetAs<VarType::I2, &KeyBord::get_MaxLength>,
     PutAs<VarType::I2, &KeyBord::put_MaxLength>},
    {u"CapsLock", 0x68030003, VarType::Bool, Whole(VarType::Bool, -1), Startup::Put, Saved::No, {}, Held::InState,
     Loading::Plain, GetAs<VarType::Bool, &KeyBord::get_CapsLock>, PutAs<VarType::Bool, &KeyBord::put_CapsLock>},
}};

}  // namespace

Variant ConstantValue::ToVariant() const {
  Variant value;
  value.type = type;
  value.integer = integer;
  value.text = std::u16string(text);
  return value;
}

std::span<const Property> Properties() { return Table; }

}  // namespace vexo
