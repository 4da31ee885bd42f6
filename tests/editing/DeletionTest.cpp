// SPDX-License-Identifier: MIT
// Backspace, Delete, Home, End and the one-step caret moves.

#include <gtest/gtest.h>

#include <string>

#include "editing/EditingSupport.h"

namespace vexo::testing {
namespace {

struct DeleteRow {
  const char* name;
  FieldView given;
  DeleteKey key;
  FieldView expected;  // never a beep
};
void PrintTo(const DeleteRow& row, std::ostream* os) { *os << row.name; }

class DeleteChar : public ::testing::TestWithParam<DeleteRow> {};

TEST_P(DeleteChar, LeavesTextAndBlockCaret) {
  const DeleteRow& row = GetParam();
  Instance instance;
  GivenField(instance, row.given);

  ASSERT_EQ(instance.probe.DeleteChar(row.key), hr::Ok);

  EXPECT_EQ(Look(instance), row.expected);
}

constexpr DeleteKey Back = DeleteKey::Backspace;
constexpr DeleteKey Del = DeleteKey::Delete;

INSTANTIATE_TEST_SUITE_P(
    Table, DeleteChar,
    ::testing::Values(
        DeleteRow{"BackspaceOnTrailingSpace", {u"abc ", 3, 1}, Back, {u"ab ", 2, 1}},
        DeleteRow{"DeleteOnTrailingSpaceRemovesCharacterInFront", {u"abc ", 3, 1}, Del, {u"ab ", 2, 1}},
        DeleteRow{"DeleteInMiddle", {u"abc ", 1, 1}, Del, {u"ac ", 1, 1}},
        DeleteRow{"BackspaceInMiddle", {u"abc ", 1, 1}, Back, {u"bc ", 0, 1}},
        DeleteRow{"DeleteAtStart", {u"abc ", 0, 1}, Del, {u"bc ", 0, 1}},
        // Nothing in front of the first character: an ordinary key press that
        // changes nothing, not an error.
        DeleteRow{"BackspaceAtStartDoesNothing", {u"abc ", 0, 1}, Back, {u"abc ", 0, 1}},
        DeleteRow{"BackspaceLastCharacter", {u"a ", 1, 1}, Back, {u" ", 0, 1}},
        DeleteRow{"DeleteLastCharacter", {u"a ", 0, 1}, Del, {u" ", 0, 1}},
        DeleteRow{"BackspaceOnlySpace", {u" ", 0, 1}, Back, {u" ", 0, 1}},
        DeleteRow{"DeleteOnlySpace", {u" ", 0, 1}, Del, {u" ", 0, 1}},
        DeleteRow{"BackspaceNeverFilled", {u"", 0, 0}, Back, {u"", 0, 0}},
        DeleteRow{"DeleteNeverFilled", {u"", 0, 0}, Del, {u"", 0, 0}},
        DeleteRow{"DeleteRemovesOneOfSeveralSelected", {u"abcd ", 1, 3}, Del, {u"acd ", 1, 1}},
        // A caret behind the trailing space counts as standing on it: the
        // trailing space stays and the user's last character goes.
        DeleteRow{"BackspaceBehindTrailingSpace", {u"abc ", 4, 0}, Back, {u"ab ", 2, 1}},
        DeleteRow{"DeleteBehindTrailingSpace", {u"abc ", 4, 0}, Del, {u"ab ", 2, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Caret moves.

enum class Move { Home, End, Left, Right };

struct MoveRow {
  const char* name;
  Move move;
  std::u16string text;
  std::int32_t caret;
  std::int32_t selection;
  std::int32_t expectedCaret;
  std::int32_t expectedSelection;
};
void PrintTo(const MoveRow& row, std::ostream* os) { *os << row.name; }

HResult Perform(Instance& instance, Move move) {
  switch (move) {
    case Move::Home: return instance.probe.HomeEndPos(FieldEnd::Start);
    case Move::End: return instance.probe.HomeEndPos(FieldEnd::End);
    case Move::Left: return instance.keybord.LeftPos();
    case Move::Right: return instance.keybord.RightPos();
  }
  return hr::Fail;
}

class CaretMove : public ::testing::TestWithParam<MoveRow> {};

TEST_P(CaretMove, LeavesTextAndPlacesCaret) {
  const MoveRow& row = GetParam();
  Instance instance;
  GivenField(instance, row.text, row.caret, row.selection);

  ASSERT_EQ(Perform(instance, row.move), hr::Ok);

  EXPECT_EQ(Look(instance), (FieldView{row.text, row.expectedCaret, row.expectedSelection, 0}));
}

INSTANTIATE_TEST_SUITE_P(
    Table, CaretMove,
    ::testing::Values(
        MoveRow{"HomeFromEnd", Move::Home, u"abc ", 3, 1, 0, 1},
        MoveRow{"HomeFromUserSelection", Move::Home, u"abc ", 1, 2, 0, 1},
        MoveRow{"EndFromStart", Move::End, u"abc ", 0, 1, 3, 1},
        MoveRow{"EndFromBehindTrailingSpace", Move::End, u"abc ", 4, 0, 3, 1},
        MoveRow{"EndOnOnlySpace", Move::End, u" ", 0, 0, 0, 1},
        // No text, no trailing space: the caret goes to 0 rather than before it.
        MoveRow{"EndOnNeverFilledField", Move::End, u"", 0, 0, 0, 0},
        MoveRow{"HomeOnNeverFilledField", Move::Home, u"", 0, 0, 0, 0},
        MoveRow{"LeftFromMiddle", Move::Left, u"abc ", 2, 1, 1, 1},
        MoveRow{"LeftAtStartStays", Move::Left, u"abc ", 0, 1, 0, 1},
        MoveRow{"LeftFromBehindTrailingSpace", Move::Left, u"abc ", 4, 0, 3, 1},
        MoveRow{"RightFromMiddle", Move::Right, u"abc ", 1, 1, 2, 1},
        MoveRow{"RightOnTrailingSpaceStays", Move::Right, u"abc ", 3, 1, 3, 1},
        MoveRow{"RightBehindTrailingSpaceStays", Move::Right, u"abc ", 4, 0, 4, 0},
        MoveRow{"RightOnNeverFilledField", Move::Right, u"", 0, 0, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CaretMove, EndOnFieldFilledToLimit32767) {
  Instance instance;
  instance.probe.SetMaxChars(32767);
  ASSERT_EQ(instance.keybord.put_Text(std::u16string(32767, u'k')), hr::Ok);
  ASSERT_EQ(instance.probe.HomeEndPos(FieldEnd::Start), hr::Ok);
  ASSERT_EQ(instance.probe.HomeEndPos(FieldEnd::End), hr::Ok);
  EXPECT_EQ(instance.Caret(), 32767);
  ASSERT_EQ(instance.keybord.RightPos(), hr::Ok);
  EXPECT_EQ(instance.Caret(), 32767);
}

// The host calls LeftPos and RightPos from its own buttons, which take the
// focus: the focus goes back to the active panel whether or not the caret moved.
class CaretMoveFocus : public ::testing::TestWithParam<FocusDelivery> {};

TEST_P(CaretMoveFocus, GivesFocusToActivePanelEvenWhenCaretStays) {
  for (Move move : {Move::Left, Move::Right}) {
    Instance instance(GetParam());
    GivenField(instance, u"abc ", move == Move::Left ? 0 : 3);
    instance.probe.SetActiveBord(ActivPanel::NumberAct);

    ASSERT_EQ(instance.toolkit.HostCall([&] { return Perform(instance, move); }), hr::Ok);

    EXPECT_EQ(instance.toolkit.Focused(), PanelId::picNumber);
    EXPECT_EQ(instance.Caret(), move == Move::Left ? 0 : 3);
  }
}

TEST_P(CaretMoveFocus, FocusFailureReportedAfterCaretMoved) {
  Instance instance(GetParam());
  GivenField(instance, u"abc ", 2);
  instance.toolkit.FailSetFocus(PanelId::picABC);

  EXPECT_EQ(instance.toolkit.HostCall([&] { return instance.keybord.RightPos(); }),
            hr::InvalidProcedureCall);

  EXPECT_EQ(Look(instance), (FieldView{u"abc ", 3, 1, 0}));
}

INSTANTIATE_TEST_SUITE_P(Delivery, CaretMoveFocus,
                         ::testing::Values(FocusDelivery::Sync, FocusDelivery::Deferred), DeliveryName);

}  // namespace
}  // namespace vexo::testing
