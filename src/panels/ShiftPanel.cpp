#include "component/KeyBord.h"

namespace vexo {

HResult KeyBord::BuildShiftPanel() { return hr::NotImpl; }

HResult KeyBord::PlaceShiftRow(std::int32_t RowTop, std::int32_t RowLeft, std::int16_t FirstIndex, std::int32_t KeyStep, std::span<const std::u16string_view> Captions) { return hr::NotImpl; }

}  // namespace vexo
