// SPDX-License-Identifier: MIT
#include <array>
#include <cstdint>
#include <span>

#include "component/KeyBord.h"
#include "component/Numbers.h"

namespace vexo {

namespace {

// Where one row move takes the mark: `value` added to the current index, or,
// when `absolute`, `value` itself.
struct Target {
  bool absolute;
  std::int16_t value;
};
constexpr Target By(std::int16_t offset) { return {false, offset}; }
constexpr Target To(std::int16_t index) { return {true, index}; }

// The Down and Up moves of the keys `first` to `last`. The rows are those the
// panel builders lay the keys out in; Down and Up need not be inverse moves.
struct RowRule {
  std::int16_t first;
  std::int16_t last;
  Target down;
  Target up;
};

// Letters: Q-P (0-9), A-L (10-18), Z-M (19-25), the space bar (26).
constexpr std::array<RowRule, 7> AbcRows{{
    {0, 8, By(10), To(26)},
    {9, 9, By(9), To(26)},
    {10, 10, By(9), By(-9)},
    {11, 17, By(8), By(-9)},
    {18, 18, To(25), By(-9)},
    {19, 25, To(26), By(-8)},
    {26, 26, To(0), To(22)},
}};

// Keypad: four rows of three; Down and Up keep the column and wrap.
constexpr std::array<RowRule, 3> NumberRows{{
    {0, 2, By(3), By(9)},
    {3, 8, By(3), By(-3)},
    {9, 11, By(-9), By(-3)},
}};

// Symbols: four rows of eight; Down and Up keep the column and wrap.
constexpr std::array<RowRule, 3> ImageRows{{
    {0, 7, By(8), By(24)},
    {8, 23, By(8), By(-8)},
    {24, 31, By(-24), By(-8)},
}};

enum class Direction { Down, Up };

HResult Apply(Target target, std::int16_t current, std::int16_t& next) {
  if (target.absolute) {
    next = target.value;
    return hr::Ok;
  }
  return ToInt16(std::int64_t{current} + target.value, next);
}

// A panel's keys as the moves of its mark see them.
struct PanelKeys {
  KeyArrayId array;
  std::span<const RowRule> rows;
  std::int16_t count;
};
constexpr PanelKeys Letters{KeyArrayId::cmdKey, AbcRows, 27};
constexpr PanelKeys Numbers{KeyArrayId::cmdNumber, NumberRows, 12};
constexpr PanelKeys Symbols{KeyArrayId::cmdShift, ImageRows, 32};

}  // namespace

struct KeyBord::NavigationSteps {
  // The one way a move changes the mark: unmark the old key, store the new
  // index, mark the new key. A failure stops there, and what is done stays done.
  template <typename Compute>
  static HResult Move(KeyBord& keybord, const PanelKeys& panel, Compute compute) {
    KeyArray& keys = keybord.Toolkit().Keys(panel.array);
    std::int16_t& markIndex = keybord.KeyIndex(panel.array);
    RETURN_IF_FAILED(keybord.UnmarkKey(keys, markIndex));
    std::int16_t next = 0;
    RETURN_IF_FAILED(compute(markIndex, next));
    markIndex = next;
    return keybord.MarkKey(keys, markIndex);
  }

  static HResult MoveRow(KeyBord& keybord, const PanelKeys& panel, Direction direction) {
    return Move(keybord, panel, [&](std::int16_t current, std::int16_t& next) {
      for (const RowRule& row : panel.rows) {
        if (current >= row.first && current <= row.last) {
          return Apply(direction == Direction::Down ? row.down : row.up, current, next);
        }
      }
      // Unreachable while the index names a key: unmarking it succeeded.
      return hr::InvalidProcedureCall;
    });
  }

  // Along the index order, wrapping from the last key to the first and back.
  static HResult MoveAcross(KeyBord& keybord, const PanelKeys& panel, std::int16_t step) {
    return Move(keybord, panel, [&](std::int16_t current, std::int16_t& next) {
      const std::int32_t wrapped = ((std::int32_t{current} + step) % panel.count + panel.count) % panel.count;
      return ToInt16(wrapped, next);
    });
  }
};

HResult KeyBord::MoveDownABC() { return NavigationSteps::MoveRow(*this, Letters, Direction::Down); }

HResult KeyBord::MoveUpABC() { return NavigationSteps::MoveRow(*this, Letters, Direction::Up); }

HResult KeyBord::MoveAcrossABC(std::int16_t& step) { return NavigationSteps::MoveAcross(*this, Letters, step); }

HResult KeyBord::MoveDownNumber() { return NavigationSteps::MoveRow(*this, Numbers, Direction::Down); }

HResult KeyBord::MoveUpNumber() { return NavigationSteps::MoveRow(*this, Numbers, Direction::Up); }

HResult KeyBord::MoveAcrossNumber(std::int16_t& step) { return NavigationSteps::MoveAcross(*this, Numbers, step); }

HResult KeyBord::MoveDownImage() { return NavigationSteps::MoveRow(*this, Symbols, Direction::Down); }

HResult KeyBord::MoveUpImage() { return NavigationSteps::MoveRow(*this, Symbols, Direction::Up); }

HResult KeyBord::MoveAcrossImage(std::int16_t& step) { return NavigationSteps::MoveAcross(*this, Symbols, step); }

}  // namespace vexo
