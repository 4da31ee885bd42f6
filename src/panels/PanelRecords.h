// SPDX-License-Identifier: MIT
// The key panels as records: what each panel is, which keys it holds row by
// row, where the layout puts them, and how its keys are clicked, looked up,
// moved between and dispatched. One routine of each kind reads these rows;
// the routines the component names per panel (picABC_KeyDown, MoveDownABC,
// FindABC, ...) are one-line entries into them. The number of panels is the
// number of faces in widgets/PanelFaces.h, which every record names.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "component/KeyBord.h"
#include "widgets/PanelFaces.h"

namespace vexo::panels {

// --- Layout. Every place is read from the panel's template, key 0, as the
// toolkit gives it back, and rounded where the record says.

// Where a row stands down the panel, from the template's height h and top t
// (t is 0 when the panel measures from its own edge).
enum class RowTop : std::uint8_t {
  Pitches,  // (h + 20) * pitches + t
  OneSum,   // h + t + 20, summed in that order: the second row of the letters and the keypad
};

// Where a row's keys stand across.
enum class RowStart : std::uint8_t {
  AfterKeyBefore,  // every key a step after the key before it; a top row steps on from the template
  Indent,          // the first key `steps` key steps and `halves` half steps from the panel's edge,
                   // the others a step after the key before
  UnderRowAbove,   // every key at the Left of the key above it, in the row before, rounded
};

// One row of keys: the keys `first` onwards, one per caption, in order. Key 0
// is the template, which the form holds from the start: the layout leaves it
// where it stands.
struct KeyRow {
  std::int16_t first;
  std::span<const std::u16string_view> captions;
  RowTop top = RowTop::Pitches;
  std::int16_t pitches = 0;
  RowStart start = RowStart::AfterKeyBefore;
  std::int16_t steps = 0;
  std::int16_t halves = 0;  // the half step is truncated before it is added
  // A key wider than the template (the space bar) spans this many template
  // widths plus `stretchExtra`; 0 keeps the template's width.
  float stretchKeys = 0;
  float stretchExtra = 0;

  constexpr std::int16_t Last() const { return static_cast<std::int16_t>(first + std::ssize(captions) - 1); }
};

// How a key steps on from the key before it.
enum class KeyStep : std::uint8_t {
  Rounded,   // Left before + round(width + 20): the step is rounded first
  WholeSum,  // round(width + Left before + 20): rounded once, as a whole
};

// Which edge the rows' tops are measured from.
enum class TopOrigin : std::uint8_t { Template, PanelEdge };

// How the panel's size follows its keys, h, t and w being the template's.
enum class PanelFit : std::uint8_t {
  AfterWidestRow,  // the widest row's last key's right + 50 across; (h + 50) * rows + t down
  ByColumns,       // (w + 20) * keys of the widest row + 30 across; h * rows + t + 100 down
};

// --- Navigation: where Down and Up take the mark.

// Where one move takes the mark: `value` added to the current index, or,
// when `absolute`, `value` itself.
struct Target {
  bool absolute;
  std::int16_t value;
};
constexpr Target By(std::int16_t offset) { return {false, offset}; }
constexpr Target To(std::int16_t index) { return {true, index}; }

// The Down and Up moves of the keys `first` to `last`; Down and Up need not
// be inverse moves.
struct RowRule {
  std::int16_t first;
  std::int16_t last;
  Target down;
  Target up;
};

// --- Clicks and lookups.

// What a blank caption or argument inserts: one space, or what was read.
enum class Blank : std::uint8_t { Space, AsRead };
// When a click inserts the caption: after the panel switch and the mark, or
// before both.
enum class Insertion : std::uint8_t { Last, First };

// --- Key dispatch: what a panel does with each row of the key table
// (input/KeyDispatch.cpp), whose rows are, in order: Right, Up, Left, Down,
// the command keys, the keypad digits, the keypad symbols, the letters and
// Space, Shift + digit, digit, Shift + Minus to Period, Minus to Period, the
// other punctuation.
inline constexpr std::size_t KeyTableRows = 13;

enum class After : std::uint8_t {
  Skip,    // the panel does not test the row at all
  Stay,    // carry it out; the focus stays
  Switch,  // carry it out, then give the focus to `to` through ChangeBord
};
struct Then {
  After after;
  ActivPanel to;
};
inline constexpr Then Skip{After::Skip, ActivPanel::abcAct};
inline constexpr Then Stay{After::Stay, ActivPanel::abcAct};
constexpr Then SwitchTo(ActivPanel panel) { return {After::Switch, panel}; }

// --- The record.
struct PanelRecord {
  PanelId panel;
  ActivPanel active;         // the ChangeBord value that brings it forward
  std::int16_t functionKey;  // the key that brings it forward from any panel
  std::string_view indexName;  // the name of its marked key's index, KeyBord::KeyIndex

  std::span<const KeyRow> rows;  // top to bottom; also what a scan steps through
  KeyStep step;
  TopOrigin origin;
  PanelFit fit;

  std::span<const RowRule> navigation;
  Blank clickBlank;
  Insertion insertion;
  Blank lookupBlank;
  std::array<Then, KeyTableRows> dispatch;

  constexpr const PanelFace& Face() const { return FaceOf(panel); }
  constexpr KeyArrayId Keys() const { return Face().keys; }
  constexpr std::int16_t KeyCount() const { return static_cast<std::int16_t>(rows.back().Last() + 1); }
  // The row with the most keys; the first of them when several tie.
  constexpr const KeyRow& WidestRow() const {
    const KeyRow* widest = &rows.front();
    for (const KeyRow& row : rows) {
      if (row.captions.size() > widest->captions.size()) widest = &row;
    }
    return *widest;
  }
};

// In PanelId order, one per face.
extern const std::array<PanelRecord, PanelCount> PanelRecords;

// A panel the records hold; the callers refuse any other id first.
inline const PanelRecord& RecordOf(PanelId panel) { return PanelRecords[Slot(panel)]; }
inline const PanelRecord& RecordOf(KeyArrayId array) { return PanelRecords[Slot(array)]; }
// The panel that ChangeBord's `value` names, or none.
inline const PanelRecord* RecordOf(ActivPanel value) {
  for (const PanelRecord& record : PanelRecords) {
    if (record.active == value) return &record;
  }
  return nullptr;
}

// The field spans the panels up to this one; the component is as tall as
// this one, the tallest.
inline constexpr PanelId FieldSpansTo = PanelId::picNumber;
inline constexpr PanelId TallestPanel = PanelId::picABC;

}  // namespace vexo::panels
