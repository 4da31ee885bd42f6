#include "component/KeyBord.h"

namespace vexo {

HResult KeyBord::BuildAbcPanel() { return hr::NotImpl; }

HResult KeyBord::PlaceAbcRow(std::int32_t RowTop, std::int32_t RowLeft, std::int16_t FirstIndex, std::int32_t KeyStep, std::span<const std::u16string_view> Captions) { return hr::NotImpl; }

}  // namespace vexo
