// SPDX-License-Identifier: MIT
// Physical key presses on the three panels: which key ends up marked, which
// panel has the focus, what ChangeBord holds and what the field received.

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "input/InputSupport.h"

namespace vexo::testing {
namespace {

// Where the user is when the key goes down.
enum class Start { Letters, Numbers, Symbols, NumbersUnderBord5 };

PanelId PanelAt(Start start) {
  switch (start) {
    case Start::Letters: return PanelId::picABC;
    case Start::Symbols: return PanelId::picShift;
    default: return PanelId::picNumber;
  }
}

void Prepare(Instance& instance, Start start) {
  instance.StartAndShow();
  switch (start) {
    case Start::Letters: break;
    case Start::Numbers: ASSERT_EQ(PutChangeBord(instance, 1), hr::Ok); break;
    case Start::Symbols: ASSERT_EQ(PutChangeBord(instance, 2), hr::Ok); break;
    case Start::NumbersUnderBord5:
      // The number panel keeps the focus while ChangeBord names no panel.
      ASSERT_EQ(PutChangeBord(instance, 1), hr::Ok);
      ASSERT_EQ(PutChangeBord(instance, 5), hr::Ok);
      break;
  }
}

struct KeyRow {
  const char* name;
  Start start;
  std::int16_t keyCode;
  std::int16_t shift;
  std::vector<KeyRef> marked;  // every key showing the marked look afterwards
  std::int32_t changeBord;
  PanelId focus;
  std::u16string field;
};


class KeyDown : public ::testing::TestWithParam<std::tuple<KeyRow, FocusDelivery>> {};

TEST_P(KeyDown, MarksFocusesAndInserts) {
  const auto& [row, delivery] = GetParam();
  Instance instance(delivery);
  Prepare(instance, row.start);
  std::int16_t keyCode = row.keyCode;
  std::int16_t shift = row.shift;

  ASSERT_EQ(instance.toolkit.KeyDown(PanelAt(row.start), keyCode, shift), hr::Ok);

  const View view = Look(instance);
  EXPECT_EQ(view.marked, row.marked);
  EXPECT_EQ(view.changeBord, row.changeBord);
  EXPECT_EQ(view.focus, row.focus);
  EXPECT_EQ(Narrow(view.field), Narrow(row.field));
  // No key is swallowed or altered, and only CapsLock keys change the case.
  EXPECT_EQ(keyCode, row.keyCode);
  EXPECT_EQ(shift, row.shift);
  EXPECT_EQ(view.capsLock, VariantTrue);
  EXPECT_EQ(Narrow(view.letterCaptions[10]), "A");
}

using enum Start;
constexpr PanelId ABC = PanelId::picABC;
constexpr PanelId NUM = PanelId::picNumber;
constexpr PanelId SYM = PanelId::picShift;

const KeyRow Rows[] = {
    // name                                start              code shift marked        Bord focus field
    {"CtrlShiftOneLooksUpDigit",           Letters,           49,  3,   {Number(6)},   1, NUM, u"1 "},
    {"SpaceOnLettersIsSpaceBar",           Letters,           32,  0,   {Letter(26)},  0, ABC, u"  "},
    {"SpaceFromNumbersIsSpaceBar",         Numbers,           32,  0,   {Letter(26)},  0, ABC, u"  "},
    {"ShiftSpaceFromSymbolsIsSpaceBar",    Symbols,           32,  1,   {Letter(26)},  0, ABC, u"  "},
    {"EnterDoesNothing",                   Letters,           13,  0,   {Letter(0)},   0, ABC, u""},
    {"InsertDoesNothing",                  Numbers,           45,  0,   {Number(0)},   1, NUM, u""},
    {"CodeAboveTableDoesNothing",          Letters,           300, 0,   {Letter(0)},   0, ABC, u""},
    {"NegativeCodeDoesNothing",            Letters,           -40, 0,   {Letter(0)},   0, ABC, u""},
    {"ShiftF12DoesNothing",                Symbols,           123, 1,   {Symbol(0)},   2, SYM, u""},
    {"ShiftKeypadStarOnlySwitchesPanel",   Letters,           106, 1,   {Symbol(0)},   2, SYM, u""},
    {"ShiftKeypadSlashOnlySwitchesPanel",  Numbers,           111, 1,   {Symbol(0)},   2, SYM, u""},
    {"KeypadSeparatorIsLetterL",           Letters,           108, 0,   {Letter(18)},  0, ABC, u"L "},
    {"KeypadSeparatorFromNumbers",         Numbers,           108, 0,   {Letter(18)},  0, ABC, u"L "},
    {"KeypadSeparatorFromSymbols",         Symbols,           108, 0,   {Letter(18)},  0, ABC, u"L "},
    {"TopRowDigitOnNumbersSetsBord",       NumbersUnderBord5, 50,  0,   {Number(7)},   1, NUM, u"2 "},
    {"KeypadDigitOnNumbersLeavesBord",     NumbersUnderBord5, 98,  0,   {Number(7)},   5, NUM, u"2 "},
    {"PointOnNumbersLeavesBord",           NumbersUnderBord5, 190, 0,   {Number(10)},  5, NUM, u". "},
    {"ShiftMinusFromLetters",              Letters,           189, 1,   {Symbol(12)},  2, SYM, u"_ "},
    {"MinusFromLetters",                   Letters,           189, 0,   {Number(11)},  1, NUM, u"- "},
    {"ShiftMinusOnSymbols",                Symbols,           189, 1,   {Symbol(12)},  2, SYM, u"_ "},
    {"MinusOnSymbols",                     Symbols,           189, 0,   {Symbol(11)},  2, SYM, u"- "},
    {"PointOnSymbols",                     Symbols,           190, 0,   {Symbol(27)},  2, SYM, u". "},
    {"ShiftLetterInOppositeCase",          Letters,           65,  1,   {Letter(10)},  0, ABC, u"a "},
    {"LetterInCapsCase",                   Letters,           65,  0,   {Letter(10)},  0, ABC, u"A "},
    {"CtrlShiftLetterIsUnshifted",         Letters,           65,  3,   {Letter(10)},  0, ABC, u"A "},
    {"ShiftLetterFromNumbers",             Numbers,           90,  1,   {Letter(19)},  0, ABC, u"z "},
    {"LetterFromSymbols",                  Symbols,           90,  0,   {Letter(19)},  0, ABC, u"Z "},
    {"ShiftDigitFromLetters",              Letters,           50,  1,   {Symbol(2)},   2, SYM, u"@ "},
    {"ShiftDigitOnSymbols",                Symbols,           48,  1,   {Symbol(10)},  2, SYM, u") "},
    {"DigitFromSymbols",                   Symbols,           50,  0,   {Number(7)},   1, NUM, u"2 "},
    {"KeypadDigitFromLetters",             Letters,           101, 0,   {Number(4)},   1, NUM, u"5 "},
    {"KeypadDecimalFromLetters",           Letters,           110, 0,   {Symbol(27)},  2, SYM, u". "},
    {"KeypadMinusOnSymbols",               Symbols,           109, 0,   {Symbol(11)},  2, SYM, u"- "},
    {"SemicolonFromNumbers",               Numbers,           186, 0,   {Symbol(21)},  2, SYM, u"; "},
    {"ShiftSemicolonIsColon",              Numbers,           186, 1,   {Symbol(22)},  2, SYM, u": "},
    {"ShiftQuoteFromLetters",              Letters,           222, 1,   {Symbol(24)},  2, SYM, u"\" "},
    {"DownOnLetters",                      Letters,           40,  0,   {Letter(10)},  0, ABC, u""},
    {"UpOnNumbers",                        Numbers,           38,  0,   {Number(9)},   1, NUM, u""},
    {"LeftOnSymbols",                      Symbols,           37,  0,   {Symbol(31)},  2, SYM, u""},
    {"ShiftRightStillMoves",               Letters,           39,  1,   {Letter(1)},   0, ABC, u""},
    {"F3SwitchesToNumbers",                Letters,           114, 0,   {Number(0)},   1, NUM, u""},
    {"F4SwitchesToSymbols",                Numbers,           115, 0,   {Symbol(0)},   2, SYM, u""},
    {"F2SwitchesToLetters",                Symbols,           113, 0,   {Letter(0)},   0, ABC, u""},
};

INSTANTIATE_TEST_SUITE_P(Table, KeyDown,
                         ::testing::Combine(::testing::ValuesIn(Rows),
                                            ::testing::Values(FocusDelivery::Sync, FocusDelivery::Deferred)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) == FocusDelivery::Sync ? "_Sync" : "_Deferred");
                         });

// --- The rows that pass to the editing commands.

HResult Press(Instance& instance, PanelId panel, std::int16_t code, std::int16_t mask = 0) {
  std::int16_t keyCode = code;
  std::int16_t shift = mask;
  return instance.toolkit.KeyDown(panel, keyCode, shift);
}

TEST(KeyDispatch, UpMovesMarkPageUpMovesCaret) {
  ShownInstance instance;
  ASSERT_EQ(instance.keybord.put_Text(u"ab"), hr::Ok);
  ASSERT_EQ(instance.Caret(), 2);
  ASSERT_EQ(Press(instance, PanelId::picABC, 38), hr::Ok);
  EXPECT_EQ(instance.Caret(), 2);
  EXPECT_EQ(MarkedKeys(instance), std::vector<KeyRef>{Letter(26)});
  ASSERT_EQ(Press(instance, PanelId::picABC, 33), hr::Ok);
  EXPECT_EQ(instance.Caret(), 1);
  ASSERT_EQ(Press(instance, PanelId::picABC, 8), hr::Ok);  // Backspace
  EXPECT_EQ(Narrow(instance.Field()), "b ");
}

TEST(KeyDispatch, CapsLockKeyTurnsCaptionsAndLetters) {
  ShownInstance instance;
  ASSERT_EQ(Press(instance, PanelId::picNumber, 20), hr::Ok);
  EXPECT_EQ(instance.probe.CapsOn(), VariantFalse);
  EXPECT_EQ(Narrow(instance.Key(KeyArrayId::cmdKey, 0).caption), "q");
  ASSERT_EQ(Press(instance, PanelId::picABC, 'Q'), hr::Ok);
  ASSERT_EQ(Press(instance, PanelId::picABC, 'Q', 1), hr::Ok);
  EXPECT_EQ(Narrow(instance.Field()), "qQ ");
  EXPECT_EQ(Narrow(instance.Key(KeyArrayId::cmdKey, 0).caption), "q");
}

// Every key press ends in the F7 check, on every panel, whatever it did.
TEST(KeyDispatch, F7ReachesHostFromEveryPanel) {
  ShownInstance instance;
  for (PanelId panel : {PanelId::picABC, PanelId::picNumber, PanelId::picShift}) {
    ASSERT_EQ(Press(instance, panel, 118), hr::Ok);
    ASSERT_EQ(Press(instance, panel, 117), hr::Ok);
    ASSERT_EQ(Press(instance, panel, 'A'), hr::Ok);
  }
  ASSERT_EQ(instance.toolkit.Messages().size(), 3u);
  for (const SentMessage& message : instance.toolkit.Messages()) {
    EXPECT_EQ(message.message, 0x0111u);
    EXPECT_EQ(message.wParam, 118u);
  }
}

// --- Failures inside the dispatch.

// Puts a long pasted text into the field with the caret on its trailing
// space, beyond the 16-bit caret range: the next insertion overflows and the
// field stays as it is.
void GivenFieldBeyondCaretRange(Instance& instance) {
  std::u16string text(40000, u'x');
  text.push_back(u' ');
  ASSERT_EQ(instance.toolkit.Field().PutText(text), hr::Ok);
  ASSERT_EQ(instance.toolkit.Field().Select(40000, 1), hr::Ok);
}

// A started keyboard with CapsLock as the row sets it.
class LetterStep : public ::testing::TestWithParam<std::int16_t> {
 protected:
  void SetUp() override {
    instance.StartAndShow();
    ASSERT_EQ(instance.keybord.put_CapsLock(capsLock), hr::Ok);
  }
  // Letter captions and CapsLock come back as they were before the press.
  void ExpectCaseRestored(const View& before, const View& after) const {
    EXPECT_EQ(after.capsLock, capsLock);
    EXPECT_EQ(after.letterCaptions, before.letterCaptions);
  }
  const std::int16_t capsLock = GetParam();
  Instance instance;
};

// With Shift the letter step flips CapsLock around the lookup. When the
// insertion fails in between, CapsLock and the captions still come back, and
// later letters keep their case.
TEST_P(LetterStep, RestoresCapsLockWhenInsertionFails) {
  GivenFieldBeyondCaretRange(instance);
  const View before = Look(instance);

  ASSERT_EQ(Press(instance, PanelId::picABC, 'A', 1), hr::Ok);

  const View after = Look(instance);
  ExpectCaseRestored(before, after);
  EXPECT_EQ(after.field, before.field);
  EXPECT_EQ(after.caret, before.caret);
  EXPECT_EQ(after.marked, std::vector<KeyRef>{Letter(10)});  // marked before the insertion failed
  EXPECT_EQ(instance.toolkit.Beeps(), 0);
  // The failure was real: the same insertion called by a host reports it.
  std::u16string a = u"a";
  EXPECT_EQ(instance.keybord.FindABC(a), hr::Overflow);
}

TEST_P(LetterStep, RestoresCapsLockWhenInsertionFailsOnOtherPanel) {
  ASSERT_EQ(PutChangeBord(instance, 1), hr::Ok);
  GivenFieldBeyondCaretRange(instance);
  const View before = Look(instance);

  ASSERT_EQ(Press(instance, PanelId::picNumber, 'Z', 1), hr::Ok);

  const View after = Look(instance);
  ExpectCaseRestored(before, after);
  // The rest of the row, the switch to the letter panel, is skipped.
  EXPECT_EQ(after.changeBord, 1);
  EXPECT_EQ(after.focus, PanelId::picNumber);
  EXPECT_EQ(after.field, before.field);
}

INSTANTIATE_TEST_SUITE_P(CapsLock, LetterStep, ::testing::Values(VariantTrue, VariantFalse),
                         [](const auto& info) { return info.param ? "On" : "Off"; });

// A failed dispatch is absorbed without a word to the user: the key press
// succeeds, what was done before the failure stays, nothing beeps and no
// message goes out; the next key works as usual.
TEST(KeyDispatch, FailedDispatchIsAbsorbedSilently) {
  ShownInstance instance;
  instance.toolkit.FailSetFocus(PanelId::picNumber);

  ASSERT_EQ(Press(instance, PanelId::picABC, '5'), hr::Ok);

  EXPECT_EQ(Narrow(instance.Field()), "5 ");
  EXPECT_EQ(MarkedKeys(instance), (std::vector<KeyRef>{Letter(0), Number(4)}));
  EXPECT_EQ(instance.probe.ActiveBord(), ActivPanel::NumberAct);  // stored before the focus failed
  EXPECT_EQ(instance.toolkit.Focused(), PanelId::picABC);
  EXPECT_EQ(instance.toolkit.Beeps(), 0);
  EXPECT_TRUE(instance.toolkit.Messages().empty());

  instance.toolkit.FailSetFocus(std::nullopt);
  ASSERT_EQ(Press(instance, PanelId::picABC, 'W'), hr::Ok);
  EXPECT_EQ(Narrow(instance.Field()), "5W ");
  EXPECT_EQ(MarkedKeys(instance), (std::vector<KeyRef>{Letter(1), Number(4)}));
}

}  // namespace
}  // namespace vexo::testing
