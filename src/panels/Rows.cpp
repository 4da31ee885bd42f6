// SPDX-License-Identifier: MIT
#include "component/KeyBord.h"
#include "component/Numbers.h"

namespace vexo {

namespace {

// Loads and places one row of keys, `FirstIndex` onwards, one per caption.
// Each key's Left is read back from the widget before the next step is added,
// so whatever snapping the toolkit does to positions carries along the row.
HResult PlaceRow(KeyArray& keys, std::int32_t RowTop, std::int32_t RowLeft, std::int16_t FirstIndex,
                 std::int32_t KeyStep, std::span<const std::u16string_view> Captions) {
  std::int16_t lastIndex = 0;
  RETURN_IF_FAILED(ToInt16(std::int64_t{FirstIndex} + std::ssize(Captions) - 1, lastIndex));
  // The counter is wider than an index so that a row ending at the highest
  // index stops instead of wrapping.
  for (std::int32_t i = FirstIndex; i <= lastIndex; ++i) {
    const auto index = static_cast<std::int16_t>(i);  // FirstIndex <= i <= lastIndex
    RETURN_IF_FAILED(keys.Load(index));
    RETURN_IF_FAILED(keys.PutTop(index, static_cast<float>(RowTop)));
    RETURN_IF_FAILED(keys.PutLeft(index, static_cast<float>(RowLeft)));
    RETURN_IF_FAILED(keys.PutCaption(index, Captions[static_cast<std::size_t>(i - FirstIndex)]));
    RETURN_IF_FAILED(keys.PutVisible(index, true));
    float left = 0;
    RETURN_IF_FAILED(keys.GetLeft(index, left));
    RETURN_IF_FAILED(RoundToInt32(left + static_cast<float>(KeyStep), RowLeft));
  }
  return hr::Ok;
}

}  // namespace

HResult KeyBord::PlaceAbcRow(std::int32_t RowTop, std::int32_t RowLeft, std::int16_t FirstIndex,
                             std::int32_t KeyStep, std::span<const std::u16string_view> Captions) {
  return PlaceRow(cmdKey(), RowTop, RowLeft, FirstIndex, KeyStep, Captions);
}

HResult KeyBord::PlaceShiftRow(std::int32_t RowTop, std::int32_t RowLeft, std::int16_t FirstIndex,
                               std::int32_t KeyStep, std::span<const std::u16string_view> Captions) {
  return PlaceRow(cmdShift(), RowTop, RowLeft, FirstIndex, KeyStep, Captions);
}

}  // namespace vexo
