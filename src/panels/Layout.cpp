// SPDX-License-Identifier: MIT
#include <optional>

#include "component/KeyBord.h"
#include "component/Numbers.h"
#include "panels/PanelRecords.h"

namespace vexo {

namespace {

using panels::KeyRow;
using panels::KeyStep;
using panels::PanelRecord;

// How a key finds its Left from the keys placed before it.
struct Across {
  KeyStep step;
  std::int32_t keyStep = 0;  // KeyStep::Rounded
  float width = 0;           // KeyStep::WholeSum: the template's width
  std::int16_t above = 0;    // not 0: the key that many indexes back stands above, and gives the Left
};

// Each Left is read back from the widget before the step is added, so
// whatever snapping the toolkit does to positions carries along the row.
HResult LeftOf(KeyArray& keys, const Across& across, std::int16_t index, std::int32_t& left) {
  std::int16_t from = 0;
  RETURN_IF_FAILED(ToInt16(std::int32_t{index} - (across.above != 0 ? across.above : 1), from));
  float placed = 0;
  RETURN_IF_FAILED(keys.GetLeft(from, placed));
  if (across.above != 0) {
    return RoundToInt32(placed, left);
  }
  if (across.step == KeyStep::Rounded) {
    return RoundToInt32(placed + static_cast<float>(across.keyStep), left);
  }
  return RoundToInt32(across.width + placed + 20.0f, left);
}

// Loads and places the keys `FirstIndex` onwards, one per caption, at
// `RowTop`: the first at `RowLeft` when given, every other where `across`
// says.
HResult PlaceKeys(KeyArray& keys, std::int32_t RowTop, std::optional<std::int32_t> RowLeft, std::int16_t FirstIndex,
                  std::span<const std::u16string_view> Captions, const Across& across,
                  std::optional<float> width = std::nullopt) {
  std::int16_t lastIndex = 0;
  RETURN_IF_FAILED(ToInt16(std::int64_t{FirstIndex} + std::ssize(Captions) - 1, lastIndex));
  // The counter is wider than an index so that a row ending at the highest
  // index stops instead of wrapping.
  for (std::int32_t i = FirstIndex; i <= lastIndex; ++i) {
    const auto index = static_cast<std::int16_t>(i);  // FirstIndex <= i <= lastIndex
    std::int32_t left = 0;
    if (i == FirstIndex && RowLeft) {
      left = *RowLeft;
    } else {
      RETURN_IF_FAILED(LeftOf(keys, across, index, left));
    }
    RETURN_IF_FAILED(keys.Load(index));
    RETURN_IF_FAILED(keys.PutTop(index, static_cast<float>(RowTop)));
    RETURN_IF_FAILED(keys.PutLeft(index, static_cast<float>(left)));
    if (width) {
      RETURN_IF_FAILED(keys.PutWidth(index, *width));
    }
    RETURN_IF_FAILED(keys.PutCaption(index, Captions[static_cast<std::size_t>(i - FirstIndex)]));
    RETURN_IF_FAILED(keys.PutVisible(index, true));
  }
  return hr::Ok;
}

// The template, key 0, as the toolkit gives it back. Nothing the layout does
// moves it, so it is read once per panel.
struct Template {
  float left = 0;
  float top = 0;
  float width = 0;
  float height = 0;
};

HResult ReadTemplate(KeyArray& keys, Template& key) {
  RETURN_IF_FAILED(keys.GetLeft(0, key.left));
  RETURN_IF_FAILED(keys.GetTop(0, key.top));
  RETURN_IF_FAILED(keys.GetWidth(0, key.width));
  return keys.GetHeight(0, key.height);
}

// Lays one row out; `before` is the row above it, if any.
HResult LayRow(KeyArray& keys, const PanelRecord& record, const Template& key, std::int32_t keyStep,
                 const KeyRow& row, const KeyRow* before) {
  const float origin = record.origin == panels::TopOrigin::Template ? key.top : 0.0f;
  const float top = row.top == panels::RowTop::OneSum
                        ? key.height + origin + 20.0f
                        : (key.height + 20.0f) * static_cast<float>(row.pitches) + origin;
  std::int32_t rowTop = 0;
  RETURN_IF_FAILED(RoundToInt32(top, rowTop));

  Across across{record.step, keyStep, key.width};
  std::optional<std::int32_t> rowLeft;
  switch (row.start) {
    case panels::RowStart::AfterKeyBefore: break;
    case panels::RowStart::Indent: {
      // The step is rounded before it is halved, and halving truncates.
      std::int32_t left = 0;
      RETURN_IF_FAILED(ToInt32(std::int64_t{keyStep} * row.steps + std::int64_t{Halve(keyStep)} * row.halves, left));
      rowLeft = left;
      break;
    }
    case panels::RowStart::UnderRowAbove:
      if (before == nullptr) return hr::InvalidProcedureCall;
      across.above = static_cast<std::int16_t>(row.first - before->first);
      break;
  }
  std::optional<float> width;
  if (row.stretchKeys != 0) {
    width = key.width * row.stretchKeys + row.stretchExtra;
  }
  // Key 0, the template, is on the form from the start and stays put.
  const std::size_t skip = row.first == 0 ? 1 : 0;
  if (row.captions.size() <= skip) {
    return hr::Ok;
  }
  return PlaceKeys(keys, rowTop, rowLeft, static_cast<std::int16_t>(row.first + skip), row.captions.subspan(skip),
                   across, width);
}

HResult FitPanel(Panel& panel, KeyArray& keys, const PanelRecord& record, const Template& key) {
  const float rows = static_cast<float>(record.rows.size());
  const KeyRow& widest = record.WidestRow();
  switch (record.fit) {
    case panels::PanelFit::AfterWidestRow: {
      float lastWidth = 0;
      float lastLeft = 0;
      RETURN_IF_FAILED(keys.GetWidth(widest.Last(), lastWidth));
      RETURN_IF_FAILED(keys.GetLeft(widest.Last(), lastLeft));
      RETURN_IF_FAILED(panel.PutWidth(lastWidth + lastLeft + 50.0f));
      return panel.PutHeight((key.height + 50.0f) * rows + key.top);
    }
    case panels::PanelFit::ByColumns:
      RETURN_IF_FAILED(panel.PutHeight(key.height * rows + key.top + 100.0f));
      return panel.PutWidth((key.width + 20.0f) * static_cast<float>(widest.captions.size()) + 30.0f);
  }
  return hr::Ok;
}

}  // namespace

// Places the panel, the first under the field at the left edge and each later
// one right of the one before, from its final size; then lays its rows out
// from its template, and sizes it to its keys. Sums are single-precision.
HResult KeyBord::BuildPanel(PanelId id) {
  const PanelRecord& record = panels::RecordOf(id);
  Panel& panel = Toolkit().Pane(id);
  KeyArray& keys = Toolkit().Keys(record.Keys());

  const std::size_t slot = Slot(id);
  if (slot == 0) {
    RETURN_IF_FAILED(panel.PutLeft(0.0f));
    float fieldHeight = 0;
    float fieldTop = 0;
    RETURN_IF_FAILED(Text1().GetHeight(fieldHeight));
    RETURN_IF_FAILED(Text1().GetTop(fieldTop));
    RETURN_IF_FAILED(panel.PutTop(fieldHeight + fieldTop + 100.0f));
  } else {
    Panel& before = Toolkit().Pane(PanelFaces[slot - 1].panel);
    RETURN_IF_FAILED(panel.PutTop(0.0f));
    float beforeWidth = 0;
    float beforeLeft = 0;
    RETURN_IF_FAILED(before.GetWidth(beforeWidth));
    RETURN_IF_FAILED(before.GetLeft(beforeLeft));
    RETURN_IF_FAILED(panel.PutLeft(beforeWidth + beforeLeft + 100.0f));
  }

  Template key;
  RETURN_IF_FAILED(ReadTemplate(keys, key));
  std::int32_t keyStep = 0;
  if (record.step == KeyStep::Rounded) {
    RETURN_IF_FAILED(RoundToInt32(key.width + 20.0f, keyStep));
  }
  const KeyRow* before = nullptr;
  for (const KeyRow& row : record.rows) {
    RETURN_IF_FAILED(LayRow(keys, record, key, keyStep, row, before));
    before = &row;
  }
  return FitPanel(panel, keys, record, key);
}

HResult KeyBord::PlaceRow(KeyArrayId array, std::int32_t RowTop, std::int32_t RowLeft, std::int16_t FirstIndex,
                          std::int32_t KeyStep, std::span<const std::u16string_view> Captions) {
  return PlaceKeys(Toolkit().Keys(array), RowTop, RowLeft, FirstIndex, Captions, Across{panels::KeyStep::Rounded, KeyStep});
}

HResult KeyBord::BuildAbcPanel() { return BuildPanel(PanelId::picABC); }
HResult KeyBord::BuildNumberPanel() { return BuildPanel(PanelId::picNumber); }
HResult KeyBord::BuildShiftPanel() { return BuildPanel(PanelId::picShift); }

HResult KeyBord::PlaceAbcRow(std::int32_t RowTop, std::int32_t RowLeft, std::int16_t FirstIndex,
                             std::int32_t KeyStep, std::span<const std::u16string_view> Captions) {
  return PlaceRow(KeyArrayId::cmdKey, RowTop, RowLeft, FirstIndex, KeyStep, Captions);
}

HResult KeyBord::PlaceShiftRow(std::int32_t RowTop, std::int32_t RowLeft, std::int16_t FirstIndex,
                               std::int32_t KeyStep, std::span<const std::u16string_view> Captions) {
  return PlaceRow(KeyArrayId::cmdShift, RowTop, RowLeft, FirstIndex, KeyStep, Captions);
}

}  // namespace vexo
