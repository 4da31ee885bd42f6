// SPDX-License-Identifier: MIT
// Insertion at the block caret under the length limit, the Text property, and
// what the user types, pastes and deletes in the field itself.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "editing/EditingSupport.h"

namespace vexo::testing {
namespace {

struct InsertRow {
  const char* name;
  std::u16string text;  // field before, trailing space included
  std::int32_t caret;
  std::int32_t selection;  // as the user left it
  std::int16_t limit;
  std::u16string inserted;
  std::u16string expectedText;
  std::int32_t expectedCaret;
  int expectedBeeps;
  std::u16string expectedInserted;  // the caller's string afterwards
};
void PrintTo(const InsertRow& row, std::ostream* os) { *os << row.name; }

class InsertChar : public ::testing::TestWithParam<InsertRow> {};

TEST_P(InsertChar, LeavesTextCaretAndBeeps) {
  const InsertRow& row = GetParam();
  Instance instance;
  GivenField(instance, row.text, row.caret, row.selection);
  instance.probe.SetMaxChars(row.limit);
  std::u16string S = row.inserted;

  ASSERT_EQ(instance.probe.InsertChar(S), hr::Ok);

  const bool unchanged = row.expectedText == row.text;
  const std::int32_t selection = unchanged && row.expectedBeeps > 0 ? row.selection : 1;
  EXPECT_EQ(Look(instance), (FieldView{row.expectedText, row.expectedCaret, selection, row.expectedBeeps}));
  EXPECT_EQ(S, row.expectedInserted);
  // A key needs the text's length, never a copy of the text.
  EXPECT_EQ(instance.toolkit.Field().CharactersRead(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Table, InsertChar,
    ::testing::Values(
        InsertRow{"IntoEmptyField", u"", 0, 0, 0, u"a", u"a ", 1, 0, u"a"},
        InsertRow{"InFrontOfMiddleCharacter", u"ab ", 1, 1, 0, u"x", u"axb ", 2, 0, u"x"},
        InsertRow{"AtStart", u"ab ", 0, 1, 0, u"x", u"xab ", 1, 0, u"x"},
        InsertRow{"OnTrailingSpace", u"ab ", 2, 1, 0, u"c", u"abc ", 3, 0, u"c"},
        InsertRow{"EmptyStringIsSpace", u"ab ", 2, 1, 0, u"", u"ab  ", 3, 0, u" "},
        InsertRow{"EmptyStringIntoEmptyField", u"", 0, 0, 0, u"", u"  ", 1, 0, u" "},
        InsertRow{"TwoCharactersMoveCaretByOne", u"ab ", 2, 1, 0, u"xy", u"abxy ", 3, 0, u"xy"},
        InsertRow{"TwoCharactersIntoEmptyField", u"", 0, 0, 0, u"xy", u"xy ", 2, 0, u"xy"},
        InsertRow{"SurrogatePairAsOneString", u"a ", 1, 1, 0, u"\U0001F600", u"a\U0001F600 ", 2, 0,
                  u"\U0001F600"},
        InsertRow{"SelectionOfSeveralIsNotReplaced", u"abcd ", 1, 2, 0, u"x", u"axbcd ", 2, 0, u"x"},
        InsertRow{"OneBelowLimit", u"ab ", 2, 1, 3, u"c", u"abc ", 3, 0, u"c"},
        InsertRow{"FullFieldBeeps", u"abc ", 1, 1, 3, u"x", u"abc ", 1, 1, u"x"},
        InsertRow{"FullFieldLeavesEmptyString", u"abc ", 3, 1, 3, u"", u"abc ", 3, 1, u""},
        InsertRow{"SeveralJustBelowLimitGoIn", u"ab ", 2, 1, 3, u"xy", u"abxy ", 3, 0, u"xy"},
        // The limit was lowered after typing: the field stays as it is and
        // takes nothing more.
        InsertRow{"OverFullFieldBeeps", u"abcd ", 1, 1, 2, u"x", u"abcd ", 1, 1, u"x"},
        InsertRow{"OverFullByOneBeeps", u"abxy ", 4, 1, 3, u"z", u"abxy ", 4, 1, u"z"},
        // A caret behind the trailing space counts as standing on it: the
        // user's last character stays and the field keeps its shape.
        InsertRow{"CaretBehindTrailingSpace", u"ab ", 3, 0, 0, u"c", u"abc ", 3, 0, u"c"},
        InsertRow{"CaretBehindTrailingSpaceTwoCharacters", u"ab ", 3, 0, 0, u"xy", u"abxy ", 3, 0, u"xy"},
        InsertRow{"CaretBehindOnlySpace", u" ", 1, 0, 0, u"a", u"a ", 1, 0, u"a"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Limits at the top of the 16-bit range, in pairs on both sides.

struct LimitRow {
  const char* name;
  std::int16_t limit;
  std::int32_t userLength;  // characters before the trailing space
  bool accepts;
};
void PrintTo(const LimitRow& row, std::ostream* os) { *os << row.name; }

class InsertNearTopLimit : public ::testing::TestWithParam<LimitRow> {};

TEST_P(InsertNearTopLimit, AcceptsUpToTheLimitThenBeeps) {
  const LimitRow& row = GetParam();
  Instance instance;
  const std::u16string text = TypedText(row.userLength);
  GivenField(instance, text, row.userLength);
  instance.probe.SetMaxChars(row.limit);
  std::u16string S = u"z";

  ASSERT_EQ(instance.probe.InsertChar(S), hr::Ok);

  if (row.accepts) {
    std::u16string expected(static_cast<std::size_t>(row.userLength), u'k');
    expected += u"z ";
    EXPECT_EQ(Look(instance), (FieldView{expected, row.userLength + 1, 1, 0}));
  } else {
    EXPECT_EQ(Look(instance), (FieldView{text, row.userLength, 1, 1}));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, InsertNearTopLimit,
    ::testing::Values(LimitRow{"Limit32767With32766", 32767, 32766, true},
                      LimitRow{"Limit32767Full", 32767, 32767, false},
                      LimitRow{"Limit32766With32765", 32766, 32765, true},
                      LimitRow{"Limit32766Full", 32766, 32766, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(InsertChar, LimitOf32767FillsTheFieldToExactly32767Characters) {
  Instance instance;
  instance.probe.SetMaxChars(32767);
  ASSERT_EQ(instance.keybord.put_Text(std::u16string(32766, u'k')), hr::Ok);
  std::u16string S = u"a";
  ASSERT_EQ(instance.probe.InsertChar(S), hr::Ok);
  ASSERT_EQ(instance.probe.InsertChar(S), hr::Ok);

  std::u16string value;
  ASSERT_EQ(instance.keybord.get_Text(value), hr::Ok);
  EXPECT_EQ(value.size(), 32767u);
  EXPECT_EQ(value.back(), u'a');
  EXPECT_EQ(instance.Caret(), 32767);
  EXPECT_EQ(instance.toolkit.Beeps(), 1);
}

// Without a limit, positions still end at 32767: an insertion that would go
// past fails with the overflow error and writes nothing.
TEST(InsertChar, PastTheLastPositionFailsWithFieldUnchanged) {
  for (std::int32_t caret : {0, 32767}) {
    Instance instance;
    const std::u16string text = TypedText(32767);
    GivenField(instance, text, caret);
    std::u16string S = u"z";

    EXPECT_EQ(instance.probe.InsertChar(S), hr::Overflow) << "caret " << caret;
    EXPECT_EQ(Look(instance), (FieldView{text, caret, 1, 0})) << "caret " << caret;
  }
}

TEST(InsertChar, WritesOnlyTheInsertedCharactersIntoALongField) {
  Instance instance;
  GivenField(instance, TypedText(32000), 32000);
  const std::uint64_t before = instance.toolkit.Field().CharactersWritten();
  std::u16string S = u"z";

  ASSERT_EQ(instance.probe.InsertChar(S), hr::Ok);

  // The character itself and the restored trailing space.
  EXPECT_LE(instance.toolkit.Field().CharactersWritten() - before, 2u);
}

// --- Text let and get.

struct TextRow {
  const char* name;
  std::u16string value;
  std::int16_t limit;
  std::u16string expectedField;
  int expectedBeeps;
  std::u16string expectedValue;  // Text get afterwards
};
void PrintTo(const TextRow& row, std::ostream* os) { *os << row.name; }

class TextLet : public ::testing::TestWithParam<TextRow> {};

TEST_P(TextLet, FieldHoldsValueUnderLimitWithCaretOnTrailingSpace) {
  const TextRow& row = GetParam();
  Instance instance;
  GivenField(instance, u"old text ", 2);
  instance.probe.SetMaxChars(row.limit);

  ASSERT_EQ(instance.keybord.put_Text(row.value), hr::Ok);

  const auto end = static_cast<std::int32_t>(row.expectedField.size()) - 1;
  EXPECT_EQ(Look(instance), (FieldView{row.expectedField, end, 1, row.expectedBeeps}));
  std::u16string value = u"sentinel";
  ASSERT_EQ(instance.keybord.get_Text(value), hr::Ok);
  EXPECT_EQ(value, row.expectedValue);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TextLet,
    ::testing::Values(
        TextRow{"Plain", u"abc", 0, u"abc ", 0, u"abc"},
        TextRow{"Empty", u"", 0, u" ", 0, u""},
        TextRow{"EmptyUnderLimit", u"", 3, u" ", 0, u""},
        TextRow{"CutToLimitWithBeepPerCharacter", u"abcdef", 3, u"abc ", 3, u"abc"},
        TextRow{"ExactlyLimit", u"abc", 3, u"abc ", 0, u"abc"},
        TextRow{"SpacesKept", u" a  ", 0, u" a   ", 0, u" a  "},
        TextRow{"SurrogatePair", u"a\U0001F600b", 0, u"a\U0001F600b ", 0, u"a\U0001F600b"},
        TextRow{"Longest", std::u16string(32767, u'q'), 0, std::u16string(32767, u'q') + u" ", 0,
                std::u16string(32767, u'q')},
        TextRow{"LongestUnderLimit32767", std::u16string(32767, u'q'), 32767,
                std::u16string(32767, u'q') + u" ", 0, std::u16string(32767, u'q')}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextLet, TooLongFailsBeforeTheFieldIsTouched) {
  Instance instance;
  GivenField(instance, u"keep me ", 2);

  EXPECT_EQ(instance.keybord.put_Text(std::u16string(32768, u'x')), hr::Overflow);

  EXPECT_EQ(Look(instance), (FieldView{u"keep me ", 2, 1, 0}));
  EXPECT_EQ(instance.toolkit.Field().CharactersWritten(), 8u);  // only the given text
}

TEST(TextLet, WritesEachCharacterOnce) {
  Instance instance;
  const std::uint64_t before = instance.toolkit.Field().CharactersWritten();
  ASSERT_EQ(instance.keybord.put_Text(std::u16string(32766, u'x')), hr::Ok);
  // The text and its trailing space.
  EXPECT_EQ(instance.toolkit.Field().CharactersWritten() - before, 32767u);
}

struct TextGetRow {
  const char* name;
  std::u16string field;
  std::u16string expectedValue;
};
void PrintTo(const TextGetRow& row, std::ostream* os) { *os << row.name; }

class TextGet : public ::testing::TestWithParam<TextGetRow> {};

TEST_P(TextGet, DropsTheLastCharacter) {
  Instance instance;
  GivenField(instance, GetParam().field, 0);
  std::u16string value = u"sentinel";
  ASSERT_EQ(instance.keybord.get_Text(value), hr::Ok);
  EXPECT_EQ(value, GetParam().expectedValue);
}

INSTANTIATE_TEST_SUITE_P(Table, TextGet,
                         ::testing::Values(TextGetRow{"NeverFilled", u"", u""},
                                           TextGetRow{"OnlyTrailingSpace", u" ", u""},
                                           TextGetRow{"SingleCharacter", u"x", u""},
                                           TextGetRow{"Text", u"ab ", u"ab"}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- The user's own input in the field, with the caret and selection the
// user left there.

struct DirectRow {
  const char* name;
  std::u16string text;  // field before, trailing space included
  std::int32_t caret;
  std::int32_t selection;
  std::int16_t limit;
  FieldEdit edit;
  std::u16string input;
  std::u16string expectedText;  // field afterwards
  std::int32_t expectedCaret;
  int expectedBeeps;
};
void PrintTo(const DirectRow& row, std::ostream* os) { *os << row.name; }

class TypedIntoTheField : public ::testing::TestWithParam<DirectRow> {};

TEST_P(TypedIntoTheField, GoesThroughTheModelAndTheNextKeyLosesNothing) {
  const DirectRow& row = GetParam();
  ShownInstance instance;
  GivenField(instance, row.text, row.caret, row.selection);
  ASSERT_EQ(instance.keybord.put_MaxLength(row.limit), hr::Ok);
  const int beeps = instance.toolkit.Beeps();

  ASSERT_EQ(instance.toolkit.EditField(row.edit, row.input), hr::Ok);

  EXPECT_EQ(Look(instance), (FieldView{row.expectedText, row.expectedCaret, row.expectedText.empty() ? 0 : 1,
                                       beeps + row.expectedBeeps}));
  std::u16string text;
  ASSERT_EQ(instance.keybord.get_Text(text), hr::Ok);
  if (!row.expectedText.empty()) {
    EXPECT_EQ(text + u" ", row.expectedText) << "Text is the field without its trailing space";
  }
  // The keyboard's next key goes in at the block caret, with room or a beep.
  std::u16string q = u"q";
  ASSERT_EQ(instance.toolkit.HostCall([&] { return instance.keybord.FindABC(q); }), hr::Ok);
  std::u16string next = row.expectedText.empty() ? u" " : row.expectedText;
  if (row.limit == 0 || std::ssize(next) - 1 < row.limit) {
    next.insert(static_cast<std::size_t>(row.expectedCaret), u"Q");
  }
  EXPECT_EQ(instance.Field(), next);
}

using enum FieldEdit;

INSTANTIATE_TEST_SUITE_P(
    Table, TypedIntoTheField,
    ::testing::Values(
        DirectRow{"BlockCaretOnTrailingSpace", u"ab ", 2, 1, 0, Insert, u"z", u"abz ", 3, 0},
        DirectRow{"ClickRightOfTrailingSpace", u"ab ", 3, 0, 0, Insert, u"z", u"abz ", 3, 0},
        DirectRow{"ClickInFrontOfTrailingSpace", u"ab ", 2, 0, 0, Insert, u"z", u"abz ", 3, 0},
        DirectRow{"ClickInTheMiddle", u"ab ", 1, 0, 0, Insert, u"z", u"azb ", 2, 0},
        DirectRow{"BlockCaretOnFirst", u"ab ", 0, 1, 0, Insert, u"z", u"zab ", 1, 0},
        DirectRow{"IntoEmptyField", u"", 0, 0, 0, Insert, u"z", u"z ", 1, 0},
        DirectRow{"UserSelectionReplaced", u"abcd ", 1, 2, 0, Insert, u"z", u"azd ", 2, 0},
        DirectRow{"SelectAllKeepsTrailingSpace", u"abc ", 0, 4, 0, Insert, u"z", u"z ", 1, 0},
        DirectRow{"PasteMovesCaretBehindIt", u"ab ", 1, 0, 0, Insert, u"xyz", u"axyzb ", 4, 0},
        DirectRow{"PasteIntoEmptyField", u"", 0, 0, 0, Insert, u"xy", u"xy ", 2, 0},
        DirectRow{"PasteCutAtLimit", u"ab ", 2, 1, 4, Insert, u"xyz", u"abxy ", 4, 1},
        DirectRow{"PasteKeepsPairWhole", u"ab ", 2, 1, 4, Insert, u"x\U0001F600", u"abx ", 3, 1},
        DirectRow{"PasteOfAPairThatFits", u"ab ", 2, 1, 4, Insert, u"\U0001F600", u"ab\U0001F600 ", 4, 0},
        DirectRow{"FullFieldRefusesWithOneBeep", u"abc ", 3, 0, 3, Insert, u"xy", u"abc ", 3, 1},
        DirectRow{"FullFieldTakesAReplacement", u"abc ", 0, 2, 3, Insert, u"xy", u"xyc ", 2, 0},
        DirectRow{"PairReplacedInAFullField", u"a\U0001F600 ", 1, 2, 3, Insert, u"x\U0001F600", u"ax ", 2, 1},
        DirectRow{"OverFullFieldKeepsTheSelection", u"abcd ", 0, 2, 2, Insert, u"x", u"abcd ", 0, 1},
        DirectRow{"BackspaceAfterClickInTheMiddle", u"abc ", 1, 0, 0, Backspace, u"", u"bc ", 0, 0},
        DirectRow{"BackspaceAtStartRestoresBlock", u"abc ", 0, 0, 0, Backspace, u"", u"abc ", 0, 0},
        DirectRow{"BackspaceBehindTrailingSpace", u"abc ", 4, 0, 0, Backspace, u"", u"ab ", 2, 0},
        DirectRow{"DeleteAfterClickInTheMiddle", u"abc ", 1, 0, 0, Delete, u"", u"ac ", 1, 0},
        DirectRow{"DeleteTakesUserSelection", u"abcd ", 1, 3, 0, Delete, u"", u"a ", 1, 0},
        DirectRow{"EraseWithBlockCaretOnlyChangesNothing", u"abc ", 1, 1, 0, EraseSelection, u"", u"abc ", 1, 0},
        DirectRow{"EraseTakesUserSelection", u"abc ", 0, 2, 0, EraseSelection, u"", u"c ", 0, 0},
        DirectRow{"OthersSetATextWithoutSpace", u"typed", 0, 0, 0, ChangedByOthers, u"", u"typed ", 0, 0},
        DirectRow{"OthersLeftItsSpace", u"ab ", 3, 0, 0, ChangedByOthers, u"", u"ab ", 2, 0},
        DirectRow{"OthersEmptiedIt", u"", 0, 0, 0, ChangedByOthers, u"", u"", 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// The key that carries a character typed in the field is marked, on the
// active panel first, and the focus stays where it was.
TEST(TypedIntoTheField, MarksTheKeyCarryingTheCharacterWithoutMovingTheFocus) {
  ShownInstance instance;
  ASSERT_EQ(instance.keybord.put_ChangeBord(ActivPanel::ImageAct), hr::Ok);
  GivenField(instance, u" ", 0);
  const auto indexOf = [&](KeyArrayId array, std::u16string_view caption) {
    std::int16_t count = 0;
    EXPECT_EQ(instance.toolkit.Keys(array).Count(count), hr::Ok);
    for (std::int16_t i = 0; i < count; ++i) {
      if (instance.Key(array, i).caption == caption) return i;
    }
    return std::int16_t{-1};
  };

  ASSERT_EQ(instance.toolkit.EditField(FieldEdit::Insert, u"-"), hr::Ok);
  EXPECT_EQ(instance.probe.KeyIndex(KeyArrayId::cmdShift), indexOf(KeyArrayId::cmdShift, u"-"))
      << "the active panel's own";
  EXPECT_EQ(instance.probe.KeyIndex(KeyArrayId::cmdNumber), 0);
  ASSERT_EQ(instance.toolkit.EditField(FieldEdit::Insert, u"ke"), hr::Ok);
  EXPECT_EQ(instance.probe.KeyIndex(KeyArrayId::cmdKey), indexOf(KeyArrayId::cmdKey, u"E"))
      << "the last character's";
  EXPECT_TRUE(instance.Marked(KeyArrayId::cmdKey, instance.probe.KeyIndex(KeyArrayId::cmdKey)));

  EXPECT_EQ(instance.probe.ActiveBord(), ActivPanel::ImageAct);
  EXPECT_EQ(instance.toolkit.Focused(), PanelId::picShift);
  EXPECT_EQ(instance.Field(), u"-ke ");
}


// --- Every way of typing tells the host of each key once: what it typed and
// whether the field took it. The field holds "ab" with the caret at its end;
// a limit of 2 makes it full.

using Told = std::vector<ToolkitCore::TypedKey>;

struct ToldRow {
  const char* name;
  std::int16_t limit;
  std::function<HResult(Instance&)> type;
  Told told;
};
void PrintTo(const ToldRow& row, std::ostream* os) { *os << row.name; }

class KeyTyped : public ::testing::TestWithParam<std::tuple<ToldRow, FocusDelivery>> {};

TEST_P(KeyTyped, TellsEachKeyOnce) {
  const auto& [row, delivery] = GetParam();
  ShownInstance instance(delivery);
  GivenField(instance, u"ab ", 2);
  ASSERT_EQ(instance.keybord.put_MaxLength(row.limit), hr::Ok);
  instance.toolkit.ListenForTypedKeys();

  ASSERT_EQ(row.type(instance), hr::Ok);

  EXPECT_EQ(instance.toolkit.TakeTypedKeys(), row.told);
}

// A host's call of a member that takes a string.
std::function<HResult(Instance&)> Call(HResult (KeyBord::*member)(std::u16string&), std::u16string text) {
  return [=](Instance& instance) {
    std::u16string argument = text;
    return instance.toolkit.HostCall([&] { return (instance.keybord.*member)(argument); });
  };
}

HResult Press(Instance& instance, PanelId panel, std::int16_t code, std::int16_t mask = 0) {
  return instance.toolkit.KeyDown(panel, code, mask);
}

INSTANTIATE_TEST_SUITE_P(
    Table, KeyTyped,
    ::testing::Combine(
        ::testing::Values(
            ToldRow{"Click", 0, [](Instance& i) { return i.toolkit.Click(KeyArrayId::cmdKey, 2); }, {{u"E", true}}},
            ToldRow{"ClickIntoFullField", 2, [](Instance& i) { return i.toolkit.Click(KeyArrayId::cmdNumber, 0); },
                    {{u"7", false}}},
            ToldRow{"KeyOnPanel", 0, [](Instance& i) { return Press(i, PanelId::picABC, 'A', 1); }, {{u"a", true}}},
            ToldRow{"SpaceFromNumbers", 0, [](Instance& i) { return Press(i, PanelId::picNumber, 32); },
                    {{u" ", true}}},
            ToldRow{"KeyIntoFullField", 2, [](Instance& i) { return Press(i, PanelId::picABC, 190, 1); },
                    {{u">", false}}},
            ToldRow{"KeyTypingNothing", 0, [](Instance& i) { return Press(i, PanelId::picABC, 39); }, {}},
            ToldRow{"FindABC", 0, Call(&KeyBord::FindABC, u"q"), {{u"Q", true}}},
            ToldRow{"FindABCBlank", 0, Call(&KeyBord::FindABC, u""), {{u" ", true}}},
            ToldRow{"FindNumber", 0, Call(&KeyBord::FindNumber, u"5"), {{u"5", true}}},
            ToldRow{"FindNumberIntoFullField", 2, Call(&KeyBord::FindNumber, u"5"), {{u"5", false}}},
            ToldRow{"AfterFindImage", 0, Call(&KeyBord::AfterFindImage, u"?"), {{u"?", true}}},
            ToldRow{"LookupFindingNoKey", 0, Call(&KeyBord::FindABC, u"\u00e9"), {}},
            ToldRow{"FindImage", 0,
                    [](Instance& i) { return i.toolkit.HostCall([&] { return i.keybord.FindImage(186, 1); }); },
                    {{u":", true}}},
            ToldRow{"FindImageNumber", 0,
                    [](Instance& i) { return i.toolkit.HostCall([&] { return i.keybord.FindImageNumber(49); }); },
                    {{u"!", true}}},
            ToldRow{"EnterKey", 0, [](Instance& i) { return i.toolkit.HostCall([&] { return i.keybord.EnterKey(); }); },
                    {{u"Q", true}}},
            ToldRow{"EnterKeyIntoFullField", 2,
                    [](Instance& i) { return i.toolkit.HostCall([&] { return i.keybord.EnterKey(); }); },
                    {{u"Q", false}}},
            ToldRow{"TypedInField", 0, [](Instance& i) { return i.toolkit.EditField(FieldEdit::Insert, u"z"); },
                    {{u"z", true}}},
            ToldRow{"TypedInFullField", 2, [](Instance& i) { return i.toolkit.EditField(FieldEdit::Insert, u"z"); },
                    {{u"z", false}}},
            ToldRow{"PasteCutAtLimitInOrder", 3,
                    [](Instance& i) { return i.toolkit.EditField(FieldEdit::Insert, u"xyz"); },
                    {{u"x", true}, {u"yz", false}}},
            ToldRow{"TextPutTypesNoKey", 1,
                    [](Instance& i) { return i.toolkit.HostCall([&] { return i.keybord.put_Text(u"xyz"); }); },
                    {}}),
        ::testing::Values(FocusDelivery::Sync, FocusDelivery::Deferred)),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) +
             (std::get<1>(info.param) == FocusDelivery::Sync ? "_Sync" : "_Deferred");
    });

// A toolkit whose host does not listen keeps no key at all.
TEST(KeyTyped, AToolkitNobodyListensToKeepsNoKey) {
  ShownInstance instance;
  ASSERT_EQ(instance.toolkit.Click(KeyArrayId::cmdKey, 1), hr::Ok);
  EXPECT_EQ(instance.toolkit.TakeTypedKeys(), Told{});
}

// Keys no host takes are kept only until a later burst types: a toolkit
// whose host never asks for them runs for ever in bounded memory.
TEST(KeyTyped, KeysNobodyTookGoWhenALaterBurstTypes) {
  ShownInstance instance;
  instance.toolkit.ListenForTypedKeys();
  for (int i = 0; i < 100; ++i) {
    ASSERT_EQ(instance.toolkit.Click(KeyArrayId::cmdKey, 1), hr::Ok);
  }
  ASSERT_EQ(instance.toolkit.EditField(FieldEdit::Insert, u"ok"), hr::Ok);
  EXPECT_EQ(instance.toolkit.TakeTypedKeys(), (Told{{u"ok", true}}));
  EXPECT_EQ(instance.toolkit.TakeTypedKeys(), Told{});
}

}  // namespace
}  // namespace vexo::testing
