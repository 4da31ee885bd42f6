// SPDX-License-Identifier: MIT
// Character lookup on the three panels and the two code maps: which key ends
// up marked, what the field receives and what the caller's string holds.

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "input/InputSupport.h"

namespace vexo::testing {
namespace {

enum class Lookup { FindABC, FindNumber, AfterFindImage, FindImage, FindImageNumber };

struct LookupRow {
  const char* name;
  Lookup lookup;
  std::u16string text;  // the string lookups
  std::int16_t keyCode = 0;  // the code maps
  std::int16_t shift = 0;
  bool capsOn = true;
  std::optional<KeyRef> found;  // the key the lookup marks, if any
  std::u16string field;         // the field afterwards, trailing space included
  std::u16string textAfter;     // the caller's string afterwards
};

LookupRow Find(const char* name, Lookup lookup, std::u16string text, std::optional<KeyRef> found,
               std::u16string field, std::u16string textAfter, bool capsOn = true) {
  return {name, lookup, std::move(text), 0, 0, capsOn, found, std::move(field), std::move(textAfter)};
}

LookupRow Map(const char* name, Lookup lookup, std::int16_t keyCode, std::int16_t shift,
              std::optional<KeyRef> found, std::u16string field) {
  return {name, lookup, u"", keyCode, shift, true, found, std::move(field), u""};
}

class LookupTable : public ::testing::TestWithParam<LookupRow> {};

TEST_P(LookupTable, MarksFoundKeyAndInsertsItsCaption) {
  const LookupRow& row = GetParam();
  ShownInstance instance;  // the letter panel has the focus; key Q is marked
  if (!row.capsOn) {
    ASSERT_EQ(instance.toolkit.HostCall([&] { return instance.keybord.put_CapsLock(VariantFalse); }), hr::Ok);
  }
  std::u16string text = row.text;
  KeyBord& keybord = instance.keybord;
  const std::function<HResult()> calls[] = {
      [&] { return keybord.FindABC(text); },
      [&] { return keybord.FindNumber(text); },
      [&] { return keybord.AfterFindImage(text); },
      [&] { return keybord.FindImage(row.keyCode, row.shift); },
      [&] { return keybord.FindImageNumber(row.keyCode); },
  };

  ASSERT_EQ(instance.toolkit.HostCall(calls[static_cast<int>(row.lookup)]), hr::Ok);

  std::vector<KeyRef> marked{Letter(0)};
  if (row.found) {
    if (row.found->array == KeyArrayId::cmdKey) {
      marked.clear();
    }
    marked.push_back(*row.found);
    EXPECT_EQ(instance.probe.KeyIndex(row.found->array), row.found->index);
  }
  EXPECT_EQ(MarkedKeys(instance), marked);
  EXPECT_EQ(Narrow(instance.Field()), Narrow(row.field));
  if (row.lookup <= Lookup::AfterFindImage) {
    EXPECT_EQ(Narrow(text), Narrow(row.textAfter));
  }
  // A lookup never moves the focus.
  EXPECT_EQ(instance.toolkit.Focused(), PanelId::picABC);
}

using enum Lookup;

INSTANTIATE_TEST_SUITE_P(
    Strings, LookupTable,
    ::testing::Values(
        Find("LowerLetterInsertsUpperCaption", FindABC, u"a", Letter(10), u"A ", u"A"),
        Find("UpperLetterInsertsLowerCaption", FindABC, u"Q", Letter(0), u"q ", u"q", false),
        Find("SpaceFindsSpaceBar", FindABC, u" ", Letter(26), u"  ", u" "),
        Find("EmptyFindsSpaceBar", FindABC, u"", Letter(26), u"  ", u" "),
        Find("SurroundingSpacesIgnored", FindABC, u" q ", Letter(0), u"Q ", u"Q"),
        Find("TwoLettersFindNothing", FindABC, u"ab", std::nullopt, u"", u"ab"),
        Find("DigitNotOnLetterPanel", FindABC, u"5", std::nullopt, u"", u"5"),
        Find("SurrogatePairFindsNothing", FindABC, u"\U0001F600", std::nullopt, u"", u"\U0001F600"),
        Find("NumberLetterFindsNothing", FindNumber, u"x", std::nullopt, u"", u"x"),
        Find("NumberSpaceFindsNothing", FindNumber, u" ", std::nullopt, u"", u" "),
        Find("NumberEmptyFindsNothing", FindNumber, u"", std::nullopt, u"", u""),
        Find("NumberDigitPadded", FindNumber, u" 0 ", Number(9), u"0 ", u"0"),
        Find("NumberMinus", FindNumber, u"-", Number(11), u"- ", u"-"),
        Find("NumberPoint", FindNumber, u".", Number(10), u". ", u"."),
        Find("SymbolMinus", AfterFindImage, u"-", Symbol(11), u"- ", u"-"),
        Find("SymbolPoint", AfterFindImage, u".", Symbol(27), u". ", u"."),
        Find("SymbolDigitNotOnPanel", AfterFindImage, u"1", std::nullopt, u"", u"1"),
        Find("SymbolEmptyHasNoBlankKey", AfterFindImage, u"", std::nullopt, u"", u""),
        Find("SymbolSpaceHasNoBlankKey", AfterFindImage, u" ", std::nullopt, u"", u" ")),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    CodeMaps, LookupTable,
    ::testing::Values(
        Map("ShiftBackslashIsBar", FindImage, 220, 1, Symbol(16), u"| "),
        Map("ApostropheUnshifted", FindImage, 222, 0, Symbol(23), u"' "),
        Map("ShiftQuoteIsDoubleQuote", FindImage, 222, 1, Symbol(24), u"\" "),
        Map("GraveUnshifted", FindImage, 192, 0, Symbol(31), u"` "),
        Map("ShiftGraveIsTilde", FindImage, 192, 1, Symbol(0), u"~ "),
        Map("ShiftMinusIsUnderscore", FindImage, 189, 1, Symbol(12), u"_ "),
        Map("ShiftCtrlMinusIsMinus", FindImage, 189, 3, Symbol(11), u"- "),
        Map("ShiftEqualsIsPlus", FindImage, 187, 1, Symbol(14), u"+ "),
        Map("KeypadStar", FindImage, 106, 0, Symbol(8), u"* "),
        Map("KeypadStarShiftedIsNothing", FindImage, 106, 1, std::nullopt, u""),
        Map("KeypadDecimal", FindImage, 110, 0, Symbol(27), u". "),
        Map("LetterCodeIsNothing", FindImage, 65, 0, std::nullopt, u""),
        Map("NegativeCodeIsNothing", FindImage, -189, 0, std::nullopt, u""),
        Map("ShiftedZero", FindImageNumber, 48, 0, Symbol(10), u") "),
        Map("ShiftedTwo", FindImageNumber, 50, 0, Symbol(2), u"@ "),
        Map("ShiftedNine", FindImageNumber, 57, 0, Symbol(9), u"( "),
        Map("DigitMapLetterIsNothing", FindImageNumber, 65, 0, std::nullopt, u""),
        Map("DigitMapBelowZeroIsNothing", FindImageNumber, 47, 0, std::nullopt, u"")),
    [](const auto& info) { return std::string(info.param.name); });

// Every key's own caption leads back to that key: no caption is shadowed by
// an earlier key of its panel, and every key is reachable by typing.
TEST(Lookup, EveryCaptionFindsItsOwnKey) {
  ShownInstance instance;
  KeyBord& keybord = instance.keybord;
  for (KeyArrayId array : AllArrays) {
    const KeyStore& keys = instance.toolkit.KeysOf(array);
    for (std::int32_t i = 0; i < keys.Extent(); ++i) {
      std::u16string caption = keys.Element(i)->caption;
      std::u16string text = caption;
      const HResult status = array == KeyArrayId::cmdKey      ? keybord.FindABC(text)
                             : array == KeyArrayId::cmdNumber ? keybord.FindNumber(text)
                                                              : keybord.AfterFindImage(text);
      ASSERT_EQ(status, hr::Ok);
      EXPECT_EQ(instance.probe.KeyIndex(array), i) << ArrayName(array) << " caption " << Narrow(caption);
    }
  }
}

// The code maps give something only for their own keys, and only symbols that
// a key of the symbol panel carries; that key is the one marked.
TEST(Lookup, CodeMapsInsertOnlySymbolsOfTheirMarkedKey) {
  ShownInstance instance;
  ASSERT_EQ(instance.keybord.put_Text(u""), hr::Ok);  // the trailing space in place
  int unshifted = 0;
  int shifted = 0;
  for (std::int16_t shift = 0; shift <= 7; ++shift) {
    for (std::int16_t code = 0; code <= 255; ++code) {
      const std::u16string before = instance.Field();
      ASSERT_EQ(instance.keybord.FindImage(code, shift), hr::Ok);
      const std::u16string& after = instance.Field();
      if (after == before) {
        continue;
      }
      ASSERT_EQ(after.size(), before.size() + 1) << code << "/" << shift;
      const std::int16_t marked = instance.probe.KeyIndex(KeyArrayId::cmdShift);
      const std::u16string& caption = instance.Key(KeyArrayId::cmdShift, marked).caption;
      EXPECT_EQ(after[static_cast<std::size_t>(instance.Caret()) - 1], caption[0]) << code << "/" << shift;
      (shift == 1 ? shifted : unshifted) += 1;
    }
  }
  EXPECT_EQ(shifted, 11);           // the punctuation keys only
  EXPECT_EQ(unshifted, 7 * 16);     // punctuation and keypad, with every other mask
}

TEST(Lookup, SameKeyAgainInsertsAgainAndStaysMarked) {
  ShownInstance instance;
  std::u16string w = u"w";
  ASSERT_EQ(instance.keybord.FindABC(w), hr::Ok);
  std::u16string upper = u"W";
  ASSERT_EQ(instance.keybord.FindABC(upper), hr::Ok);
  EXPECT_EQ(Narrow(instance.Field()), "WW ");
  EXPECT_EQ(MarkedKeys(instance), std::vector<KeyRef>{Letter(1)});
}

// A lookup marks its panel's key whether or not that panel has the focus;
// the focused panel keeps its own mark.
TEST(Lookup, MarksKeyOfPanelWithoutFocus) {
  ShownInstance instance;
  std::u16string five = u"5";
  ASSERT_EQ(instance.keybord.FindNumber(five), hr::Ok);
  EXPECT_EQ(MarkedKeys(instance), (std::vector<KeyRef>{Letter(0), Number(4)}));
  EXPECT_EQ(instance.toolkit.Focused(), PanelId::picABC);
}

TEST(Lookup, FullFieldStillMarksKeyAndBeeps) {
  ShownInstance instance;
  ASSERT_EQ(instance.keybord.put_MaxLength(1), hr::Ok);
  ASSERT_EQ(instance.keybord.put_Text(u"x"), hr::Ok);
  std::u16string a = u"a";
  ASSERT_EQ(instance.keybord.FindABC(a), hr::Ok);
  EXPECT_EQ(Narrow(instance.Field()), "x ");
  EXPECT_EQ(instance.toolkit.Beeps(), 1);
  EXPECT_EQ(MarkedKeys(instance), std::vector<KeyRef>{Letter(10)});
}

}  // namespace
}  // namespace vexo::testing
