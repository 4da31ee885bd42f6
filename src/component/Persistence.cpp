// SPDX-License-Identifier: MIT
// Saving and restoring the saved properties of the property table with the
// host's form, in the table's order.
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

#include "component/KeyBord.h"
#include "component/PropertyTable.h"

namespace vexo {

namespace {

// The stored value of `property`, converted to its type.
HResult ReadAs(PropertyBag& bag, const Property& property, Variant& converted) {
  Variant stored;
  RETURN_IF_FAILED(bag.ReadProperty(property.name, property.bagDefault.ToVariant(), stored));
  return ChangeVariantType(stored, property.type, converted);
}

}  // namespace

HResult KeyBord::UserControl_ReadProperties(PropertyBag& PropBag) {
  std::int16_t limitBefore = 0;
  Discard(get_MaxLength(limitBefore), "reading the stored limit cannot fail");
  for (const Property& property : SavedProperties()) {
    Variant value;
    if (Failed(ReadAs(PropBag, property, value))) {
      if (property.loading == Loading::LimitOrBefore) {
        Discard(put_MaxLength(limitBefore), "putting a limit cannot fail");
      }
      continue;
    }
    if (property.loading == Loading::WithoutLimit) {
      Discard(put_MaxLength(0), "putting a limit cannot fail");
    }
    // A put that fails is a step skipped. ChangeBord's focus move may fail
    // (the panel cannot take the focus before the first show); the value is
    // stored all the same and the show moves it.
    Discard(property.put(*this, value), "a saved value the component refuses leaves the property as it was");
  }
  return hr::Ok;
}

HResult KeyBord::UserControl_WriteProperties(PropertyBag& PropBag) {
  for (const Property& property : SavedProperties()) {
    Variant value;
    RETURN_IF_FAILED(property.get(*this, value));
    RETURN_IF_FAILED(PropBag.WriteProperty(property.name, value, property.bagDefault.ToVariant()));
  }
  return hr::Ok;
}

}  // namespace vexo
