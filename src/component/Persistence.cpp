// Saving and restoring ChangeBord, Text and MaxLength with the host's form.
//
// A saved form is a file that users copy, edit by hand and carry between
// versions, so the bag may hold anything under these keys. Reading therefore
// never fails: each value is converted to its property's type and applied
// through the property's put, and a step whose conversion or put fails is
// skipped whole while the others still run. The puts guard the field: a text
// the field cannot hold is refused before anything is written.
//
// The text is applied before the limit and without one, so a stored text
// comes back whole: longer than the stored limit, or than the limit the
// component had before (a container reloads a live control to revert it).
// The limit then governs what is typed next; a stored limit that cannot be
// read leaves the one the component had.

#include <string>
#include <string_view>
#include <utility>

#include "component/KeyBord.h"
#include "component/Numbers.h"
#include "component/VariantConversion.h"

namespace vexo {

namespace {

constexpr std::u16string_view ChangeBordKey = u"ChangeBord";
constexpr std::u16string_view TextKey = u"Text";
constexpr std::u16string_view MaxLengthKey = u"MaxLength";

// ChangeBord's default is text while its value is a number: the value never
// equals the default, so it is always written, and a missing key reads back
// as text that does not convert and leaves ChangeBord alone.
Variant ChangeBordDefault() { return Variant::FromText(u"ABCAct"); }
Variant TextDefault() { return Variant::FromText(u""); }
Variant MaxLengthDefault() { return Variant::FromI2(0); }

// The stored value of `key`, converted to `target`.
HResult ReadAs(PropertyBag& bag, std::u16string_view key, const Variant& defaultValue, VarType target,
               Variant& converted) {
  Variant stored;
  RETURN_IF_FAILED(bag.ReadProperty(key, defaultValue, stored));
  return ChangeVariantType(stored, target, converted);
}

}  // namespace

HResult KeyBord::UserControl_ReadProperties(PropertyBag& PropBag) {
  Variant value;
  // The focus move of the put may fail (the panel cannot take the focus before
  // the first show); the value is stored all the same and the show moves it.
  if (Succeeded(ReadAs(PropBag, ChangeBordKey, ChangeBordDefault(), VarType::I4, value))) {
    (void)put_ChangeBord(static_cast<ActivPanel>(value.integer));
  }
  std::int16_t limitBefore = 0;
  (void)get_MaxLength(limitBefore);
  if (Succeeded(ReadAs(PropBag, TextKey, TextDefault(), VarType::BSTR, value))) {
    (void)put_MaxLength(0);
    (void)put_Text(value.text);
  }
  std::int16_t limit = limitBefore;
  if (Succeeded(ReadAs(PropBag, MaxLengthKey, MaxLengthDefault(), VarType::I2, value))) {
    std::int16_t stored = 0;
    if (Succeeded(ToInt16(value.integer, stored))) {
      limit = stored;
    }
  }
  (void)put_MaxLength(limit);
  return hr::Ok;
}

HResult KeyBord::UserControl_WriteProperties(PropertyBag& PropBag) {
  ActivPanel active = ActivPanel::abcAct;
  RETURN_IF_FAILED(get_ChangeBord(active));
  RETURN_IF_FAILED(PropBag.WriteProperty(ChangeBordKey, Variant::FromI4(static_cast<std::int32_t>(active)),
                                         ChangeBordDefault()));

  std::u16string text;
  RETURN_IF_FAILED(get_Text(text));
  RETURN_IF_FAILED(PropBag.WriteProperty(TextKey, Variant::FromText(std::move(text)), TextDefault()));

  std::int16_t limit = 0;
  RETURN_IF_FAILED(get_MaxLength(limit));
  return PropBag.WriteProperty(MaxLengthKey, Variant::FromI2(limit), MaxLengthDefault());
}

}  // namespace vexo
