// SPDX-License-Identifier: MIT
#include "panels/PanelRecords.h"

#include "widgets/VirtualKeys.h"

namespace vexo::panels {

namespace {

// The keys of each panel, row by row. Other parts of the component address
// keys by these indexes: a row's keys are numbered on from `first`.

// Letters in typewriter order: Q to P (0 to 9), A to L (10 to 18), Z to M
// (19 to 25) and the space bar (26), which spans five keys under the bottom
// row from its third column. Only the top row follows the template's Left;
// the lower rows are indented from the panel's edge by half a key step each.
constexpr std::array<std::u16string_view, 10> LetterTop{
    FaceOf(PanelId::picABC).templateCaption, u"W", u"E", u"R", u"T", u"Y", u"U", u"I", u"O", u"P"};
constexpr std::array<std::u16string_view, 9> LetterMiddle{u"A", u"S", u"D", u"F", u"G", u"H", u"J", u"K", u"L"};
constexpr std::array<std::u16string_view, 7> LetterBottom{u"Z", u"X", u"C", u"V", u"B", u"N", u"M"};
constexpr std::array<std::u16string_view, 1> SpaceBar{u""};
constexpr std::array<KeyRow, 4> LetterRows{{
    {.first = 0, .captions = LetterTop},
    {.first = 10, .captions = LetterMiddle, .top = RowTop::OneSum, .start = RowStart::Indent, .halves = 1},
    {.first = 19, .captions = LetterBottom, .pitches = 2, .start = RowStart::Indent, .steps = 1, .halves = 1},
    {.first = 26, .captions = SpaceBar, .pitches = 3, .start = RowStart::Indent, .steps = 2, .halves = 1,
     .stretchKeys = 5, .stretchExtra = 80},
}};

// The keypad, four rows of three; the lower rows line up with the first.
constexpr std::array<std::u16string_view, 3> Keypad789{FaceOf(PanelId::picNumber).templateCaption, u"8", u"9"};
constexpr std::array<std::u16string_view, 3> Keypad456{u"4", u"5", u"6"};
constexpr std::array<std::u16string_view, 3> Keypad123{u"1", u"2", u"3"};
constexpr std::array<std::u16string_view, 3> Keypad0{u"0", u".", u"-"};
constexpr std::array<KeyRow, 4> NumberRows{{
    {.first = 0, .captions = Keypad789},
    {.first = 3, .captions = Keypad456, .top = RowTop::OneSum, .start = RowStart::UnderRowAbove},
    {.first = 6, .captions = Keypad123, .pitches = 2, .start = RowStart::UnderRowAbove},
    {.first = 9, .captions = Keypad0, .pitches = 3, .start = RowStart::UnderRowAbove},
}};

// The symbols of a typewriter keyboard, four rows of eight, measured from the
// panel's own edges, not from the template's place.
constexpr std::array<std::u16string_view, 8> Symbols1{
    FaceOf(PanelId::picShift).templateCaption, u"!", u"@", u"#", u"$", u"%", u"^", u"&"};
constexpr std::array<std::u16string_view, 8> Symbols2{u"*", u"(", u")", u"-", u"_", u"=", u"+", u"\\"};
constexpr std::array<std::u16string_view, 8> Symbols3{u"|", u"[", u"]", u"{", u"}", u";", u":", u"'"};
constexpr std::array<std::u16string_view, 8> Symbols4{u"\"", u",", u"<", u".", u">", u"/", u"?", u"`"};
constexpr std::array<KeyRow, 4> SymbolRows{{
    {.first = 0, .captions = Symbols1, .start = RowStart::Indent, .steps = 1},
    {.first = 8, .captions = Symbols2, .pitches = 1, .start = RowStart::Indent},
    {.first = 16, .captions = Symbols3, .pitches = 2, .start = RowStart::Indent},
    {.first = 24, .captions = Symbols4, .pitches = 3, .start = RowStart::Indent},
}};

// Letters: Down from the top row goes to the row below, the space bar takes
// the rows' ends and the bottom row, and comes back to Q going down or to B
// going up.
constexpr std::array<RowRule, 7> LetterMoves{{
    {0, 8, By(10), To(26)},
    {9, 9, By(9), To(26)},
    {10, 10, By(9), By(-9)},
    {11, 17, By(8), By(-9)},
    {18, 18, To(25), By(-9)},
    {19, 25, To(26), By(-8)},
    {26, 26, To(0), To(22)},
}};

// Keypad and symbols: Down and Up keep the column and wrap.
constexpr std::array<RowRule, 3> NumberMoves{{
    {0, 2, By(3), By(9)},
    {3, 8, By(3), By(-3)},
    {9, 11, By(-9), By(-3)},
}};
constexpr std::array<RowRule, 3> SymbolMoves{{
    {0, 7, By(8), By(24)},
    {8, 23, By(8), By(-8)},
    {24, 31, By(-24), By(-8)},
}};

constexpr Then ToLetters = SwitchTo(ActivPanel::abcAct);
constexpr Then ToNumbers = SwitchTo(ActivPanel::NumberAct);
constexpr Then ToSymbols = SwitchTo(ActivPanel::ImageAct);

// A panel that looks a character up on another panel then gives that panel
// the focus. Space is typed on the space bar from every panel, as a letter
// is: words typed on the physical keyboard keep their spaces after a digit
// or a symbol. The symbol panel has its own "-", "_", ".", ">" keys and so
// takes Minus and Period through the punctuation row.
constexpr std::array<PanelRecord, PanelCount> Records{{
    {.panel = PanelId::picABC,
     .active = ActivPanel::abcAct,
     .functionKey = vk::F2,
     .indexName = "AbcKeyIndex",
     .rows = LetterRows,
     .step = KeyStep::Rounded,
     .origin = TopOrigin::Template,
     .fit = PanelFit::AfterWidestRow,
     .navigation = LetterMoves,
     .clickBlank = Blank::Space,
     .insertion = Insertion::Last,
     .lookupBlank = Blank::Space,
     //          Right Up    Left  Down  Cmd   Numpad     Keypad sym Letter Shift+dig  Digit      Sh-/.      -/.        Punct
     .dispatch = {Stay, Stay, Stay, Stay, Stay, ToNumbers, ToSymbols, Stay, ToSymbols, ToNumbers, ToSymbols, ToNumbers, ToSymbols}},
    {.panel = PanelId::picNumber,
     .active = ActivPanel::NumberAct,
     .functionKey = vk::F3,
     .indexName = "NumberKeyIndex",
     .rows = NumberRows,
     .step = KeyStep::WholeSum,
     .origin = TopOrigin::Template,
     .fit = PanelFit::ByColumns,
     .navigation = NumberMoves,
     .clickBlank = Blank::AsRead,
     .insertion = Insertion::Last,
     .lookupBlank = Blank::Space,
     .dispatch = {Stay, Stay, Stay, Stay, Stay, Stay, ToSymbols, ToLetters, ToSymbols, ToNumbers, ToSymbols, Stay, ToSymbols}},
    {.panel = PanelId::picShift,
     .active = ActivPanel::ImageAct,
     .functionKey = vk::F4,
     .indexName = "ShiftKeyIndex",
     .rows = SymbolRows,
     .step = KeyStep::Rounded,
     .origin = TopOrigin::PanelEdge,
     .fit = PanelFit::ByColumns,
     .navigation = SymbolMoves,
     .clickBlank = Blank::AsRead,
     .insertion = Insertion::First,
     .lookupBlank = Blank::AsRead,
     .dispatch = {Stay, Stay, Stay, Stay, Stay, ToNumbers, Stay, ToLetters, Stay, ToNumbers, Skip, Skip, Stay}},
}};

// What the layout and the moves take for granted of every record.
consteval bool RecordsHold() {
  for (std::size_t slot = 0; slot < Records.size(); ++slot) {
    const PanelRecord& record = Records[slot];
    if (Slot(record.panel) != slot || record.rows.empty() || record.rows.front().first != 0) return false;
    for (std::size_t r = 1; r < record.rows.size(); ++r) {
      // The rows number the keys on without a gap.
      if (record.rows[r].first != record.rows[r - 1].Last() + 1) return false;
      // A key under the row above has a key above it.
      if (record.rows[r].start == RowStart::UnderRowAbove &&
          record.rows[r].captions.size() > record.rows[r - 1].captions.size()) {
        return false;
      }
    }
    for (const KeyRow& row : record.rows) {
      // An indent is counted in the rounded key step.
      if (row.start == RowStart::Indent && record.step != KeyStep::Rounded) return false;
    }
    // Down and Up know every key.
    std::int16_t next = 0;
    for (const RowRule& rule : record.navigation) {
      if (rule.first != next || rule.last < rule.first) return false;
      next = static_cast<std::int16_t>(rule.last + 1);
    }
    if (next != record.KeyCount()) return false;
    for (std::size_t other = 0; other < slot; ++other) {
      if (Records[other].active == record.active || Records[other].functionKey == record.functionKey) return false;
    }
  }
  return true;
}
static_assert(RecordsHold());

}  // namespace

constinit const std::array<PanelRecord, PanelCount> PanelRecords = Records;

}  // namespace vexo::panels
