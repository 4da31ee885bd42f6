// SPDX-License-Identifier: MIT
// The arrow keys move the mark of the focused panel along its rows.

#include <gtest/gtest.h>

#include <string>

#include "input/InputSupport.h"

namespace vexo::testing {
namespace {

constexpr std::int16_t Left = 37;
constexpr std::int16_t Up = 38;
constexpr std::int16_t Right = 39;
constexpr std::int16_t Down = 40;

struct MoveRow {
  const char* name;
  KeyRef from;
  std::int16_t arrow;
  std::int16_t to;
};

PanelId PanelOf(KeyArrayId array) { return static_cast<PanelId>(array); }

class ArrowKeys : public ::testing::TestWithParam<MoveRow> {};

// The user clicks the start key (which switches to its panel), then presses
// the arrow: the mark moves, and nothing is inserted.
TEST_P(ArrowKeys, MoveMarkOfFocusedPanel) {
  const MoveRow& row = GetParam();
  ShownInstance instance;
  ASSERT_EQ(instance.toolkit.Click(row.from.array, row.from.index), hr::Ok);
  const std::u16string field = instance.Field();
  std::int16_t keyCode = row.arrow;
  std::int16_t shift = 0;

  ASSERT_EQ(instance.toolkit.KeyDown(PanelOf(row.from.array), keyCode, shift), hr::Ok);

  EXPECT_EQ(MarkedKeys(instance), (std::vector<KeyRef>{{row.from.array, row.to}}));
  EXPECT_EQ(instance.probe.KeyIndex(row.from.array), row.to);
  EXPECT_EQ(Narrow(instance.Field()), Narrow(field));
}

INSTANTIATE_TEST_SUITE_P(
    Table, ArrowKeys,
    ::testing::Values(
        MoveRow{"LettersRightFromEndOfTopRow", Letter(9), Right, 10},
        MoveRow{"LettersRightFromSpaceBarWraps", Letter(26), Right, 0},
        MoveRow{"LettersLeftFromFirstWraps", Letter(0), Left, 26},
        MoveRow{"LettersLeftWithinRow", Letter(14), Left, 13},
        MoveRow{"LettersDownFromQ", Letter(0), Down, 10},
        MoveRow{"LettersDownFromO", Letter(8), Down, 18},
        MoveRow{"LettersDownFromP", Letter(9), Down, 18},
        MoveRow{"LettersDownFromA", Letter(10), Down, 19},
        MoveRow{"LettersDownFromS", Letter(11), Down, 19},
        MoveRow{"LettersDownFromK", Letter(17), Down, 25},
        MoveRow{"LettersDownFromL", Letter(18), Down, 25},
        MoveRow{"LettersDownFromZ", Letter(19), Down, 26},
        MoveRow{"LettersDownFromM", Letter(25), Down, 26},
        MoveRow{"LettersDownFromSpaceBar", Letter(26), Down, 0},
        MoveRow{"LettersUpFromQ", Letter(0), Up, 26},
        MoveRow{"LettersUpFromP", Letter(9), Up, 26},
        MoveRow{"LettersUpFromA", Letter(10), Up, 1},
        MoveRow{"LettersUpFromL", Letter(18), Up, 9},
        MoveRow{"LettersUpFromZ", Letter(19), Up, 11},
        MoveRow{"LettersUpFromM", Letter(25), Up, 17},
        MoveRow{"LettersUpFromSpaceBar", Letter(26), Up, 22},
        MoveRow{"NumbersDownFromBottomRowWraps", Number(10), Down, 1},
        MoveRow{"NumbersDownKeepsColumn", Number(2), Down, 5},
        MoveRow{"NumbersDownIntoBottomRow", Number(8), Down, 11},
        MoveRow{"NumbersUpFromTopRowWraps", Number(1), Up, 10},
        MoveRow{"NumbersUpIntoTopRow", Number(3), Up, 0},
        MoveRow{"NumbersUpFromBottomRow", Number(11), Up, 8},
        MoveRow{"NumbersLeftFromFirstWraps", Number(0), Left, 11},
        MoveRow{"NumbersRightFromLastWraps", Number(11), Right, 0},
        MoveRow{"SymbolsDownFromBottomRowWraps", Symbol(27), Down, 3},
        MoveRow{"SymbolsDownIntoBottomRow", Symbol(23), Down, 31},
        MoveRow{"SymbolsUpFromTopRowWraps", Symbol(3), Up, 27},
        MoveRow{"SymbolsUpIntoTopRow", Symbol(8), Up, 0},
        MoveRow{"SymbolsRightFromLastWraps", Symbol(31), Right, 0},
        MoveRow{"SymbolsRightToNextRow", Symbol(7), Right, 8},
        MoveRow{"SymbolsLeftFromFirstWraps", Symbol(0), Left, 31}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Navigation, DownThenUpIsNoRoundTripOnLetters) {
  ShownInstance instance;
  for (std::int16_t arrow : {Down, Up}) {
    std::int16_t keyCode = arrow;
    std::int16_t shift = 0;
    ASSERT_EQ(instance.toolkit.KeyDown(PanelId::picABC, keyCode, shift), hr::Ok);
  }
  EXPECT_EQ(MarkedKeys(instance), std::vector<KeyRef>{Letter(1)});  // Q, Down, Up ends on W
}

// Lookups and arrows share the mark: the arrows go on from a looked-up key.
TEST(Navigation, ArrowsContinueFromLookedUpKey) {
  ShownInstance instance;
  std::int16_t keyCode = 'G';
  std::int16_t shift = 0;
  ASSERT_EQ(instance.toolkit.KeyDown(PanelId::picABC, keyCode, shift), hr::Ok);
  keyCode = Right;
  ASSERT_EQ(instance.toolkit.KeyDown(PanelId::picABC, keyCode, shift), hr::Ok);
  EXPECT_EQ(MarkedKeys(instance), std::vector<KeyRef>{Letter(15)});  // H
  EXPECT_EQ(Narrow(instance.Field()), "G ");
}

}  // namespace
}  // namespace vexo::testing
