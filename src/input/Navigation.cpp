// SPDX-License-Identifier: MIT
#include <cstdint>

#include "component/KeyBord.h"
#include "component/Numbers.h"
#include "panels/PanelRecords.h"

namespace vexo {

namespace {

using panels::PanelRecord;

enum class Direction { Down, Up };

HResult Apply(panels::Target target, std::int16_t current, std::int16_t& next) {
  if (target.absolute) {
    next = target.value;
    return hr::Ok;
  }
  return ToInt16(std::int64_t{current} + target.value, next);
}

}  // namespace

struct KeyBord::NavigationSteps {
  // The one way a move changes the mark: unmark the old key, store the new
  // index, mark the new key. A failure stops there, and what is done stays done.
  template <typename Compute>
  static HResult Move(KeyBord& keybord, const PanelRecord& panel, Compute compute) {
    KeyArray& keys = keybord.Toolkit().Keys(panel.Keys());
    std::int16_t& markIndex = keybord.KeyIndex(panel.Keys());
    RETURN_IF_FAILED(keybord.UnmarkKey(keys, markIndex));
    std::int16_t next = 0;
    RETURN_IF_FAILED(compute(markIndex, next));
    markIndex = next;
    return keybord.MarkKey(keys, markIndex);
  }

  // Down and Up follow the panel's navigation rules.
  static HResult MoveRow(KeyBord& keybord, const PanelRecord& panel, Direction direction) {
    return Move(keybord, panel, [&](std::int16_t current, std::int16_t& next) {
      for (const panels::RowRule& row : panel.navigation) {
        if (current >= row.first && current <= row.last) {
          return Apply(direction == Direction::Down ? row.down : row.up, current, next);
        }
      }
      // Unreachable while the index names a key: unmarking it succeeded.
      return hr::InvalidProcedureCall;
    });
  }

  // Along the index order, wrapping from the last key to the first and back.
  static HResult MoveAcross(KeyBord& keybord, const PanelRecord& panel, std::int16_t step) {
    return Move(keybord, panel, [&](std::int16_t current, std::int16_t& next) {
      const std::int32_t count = panel.KeyCount();
      const std::int32_t wrapped = ((std::int32_t{current} + step) % count + count) % count;
      return ToInt16(wrapped, next);
    });
  }
};

HResult KeyBord::MoveDown(PanelId panel) {
  return NavigationSteps::MoveRow(*this, panels::RecordOf(panel), Direction::Down);
}

HResult KeyBord::MoveUp(PanelId panel) { return NavigationSteps::MoveRow(*this, panels::RecordOf(panel), Direction::Up); }

HResult KeyBord::MoveAcross(PanelId panel, std::int16_t& step) {
  return NavigationSteps::MoveAcross(*this, panels::RecordOf(panel), step);
}

HResult KeyBord::MoveDownABC() { return MoveDown(PanelId::picABC); }

HResult KeyBord::MoveUpABC() { return MoveUp(PanelId::picABC); }

HResult KeyBord::MoveAcrossABC(std::int16_t& step) { return MoveAcross(PanelId::picABC, step); }

HResult KeyBord::MoveDownNumber() { return MoveDown(PanelId::picNumber); }

HResult KeyBord::MoveUpNumber() { return MoveUp(PanelId::picNumber); }

HResult KeyBord::MoveAcrossNumber(std::int16_t& step) { return MoveAcross(PanelId::picNumber, step); }

HResult KeyBord::MoveDownImage() { return MoveDown(PanelId::picShift); }

HResult KeyBord::MoveUpImage() { return MoveUp(PanelId::picShift); }

HResult KeyBord::MoveAcrossImage(std::int16_t& step) { return MoveAcross(PanelId::picShift, step); }

}  // namespace vexo
