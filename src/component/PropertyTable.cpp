// SPDX-License-Identifier: MIT
#include "component/PropertyTable.h"

#include <string>

namespace vexo {

Variant ConstantValue::ToVariant() const {
  Variant value;
  value.type = type;
  value.integer = integer;
  value.text = std::u16string(text);
  return value;
}

}  // namespace vexo
