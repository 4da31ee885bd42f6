// SPDX-License-Identifier: MIT
// The layout that start-up builds: every key, panel, the edit field and the
// surface, to the twip, for the design-time templates and for altered ones.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "panels/PanelRecords.h"
#include "support/Fixture.h"

namespace vexo::testing {
namespace {

struct KeyRow {
  const char* name;
  KeyArrayId array;
  std::int16_t firstIndex;
  std::vector<std::u16string> captions;
  std::vector<float> lefts;
  float top;
  float width;
  float height;
};

class KeyRowLayout : public ::testing::TestWithParam<KeyRow> {};

TEST_P(KeyRowLayout, StandsWhereTheDesignTemplatePutsIt) {
  const KeyRow& row = GetParam();
  Instance instance;
  ASSERT_EQ(instance.toolkit.Initialize(), hr::Ok);
  ASSERT_EQ(row.captions.size(), row.lefts.size());
  for (std::size_t k = 0; k < row.captions.size(); ++k) {
    const auto index = static_cast<std::int16_t>(row.firstIndex + k);
    SCOPED_TRACE(::testing::Message() << "element " << index);
    const KeyElement& key = instance.Key(row.array, index);
    EXPECT_EQ(key.caption, row.captions[k]);
    EXPECT_EQ(key.left, row.lefts[k]);
    EXPECT_EQ(key.top, row.top);
    EXPECT_EQ(key.width, row.width);
    EXPECT_EQ(key.height, row.height);
    EXPECT_TRUE(key.visible);
  }
}

std::vector<float> Steps(int count, float first, float step) {
  std::vector<float> lefts;
  for (int k = 0; k < count; ++k) lefts.push_back(first + step * static_cast<float>(k));
  return lefts;
}

INSTANTIATE_TEST_SUITE_P(
    DesignTemplates, KeyRowLayout,
    ::testing::Values(
        KeyRow{"LettersTop", KeyArrayId::cmdKey, 0,
               {u"Q", u"W", u"E", u"R", u"T", u"Y", u"U", u"I", u"O", u"P"}, Steps(10, 0, 395), 0, 375, 350},
        KeyRow{"LettersMiddle", KeyArrayId::cmdKey, 10,
               {u"A", u"S", u"D", u"F", u"G", u"H", u"J", u"K", u"L"}, Steps(9, 197, 395), 370, 375, 350},
        KeyRow{"LettersBottom", KeyArrayId::cmdKey, 19,
               {u"Z", u"X", u"C", u"V", u"B", u"N", u"M"}, Steps(7, 592, 395), 740, 375, 350},
        KeyRow{"SpaceBar", KeyArrayId::cmdKey, 26, {u""}, {987}, 1110, 1955, 350},
        KeyRow{"Keypad789", KeyArrayId::cmdNumber, 0, {u"7", u"8", u"9"}, {0, 395, 790}, 0, 375, 345},
        KeyRow{"Keypad456", KeyArrayId::cmdNumber, 3, {u"4", u"5", u"6"}, {0, 395, 790}, 365, 375, 345},
        KeyRow{"Keypad123", KeyArrayId::cmdNumber, 6, {u"1", u"2", u"3"}, {0, 395, 790}, 730, 375, 345},
        KeyRow{"Keypad0DotMinus", KeyArrayId::cmdNumber, 9, {u"0", u".", u"-"}, {0, 395, 790}, 1095, 375, 345},
        KeyRow{"Symbols1", KeyArrayId::cmdShift, 0, {u"~", u"!", u"@", u"#", u"$", u"%", u"^", u"&"},
               Steps(8, 0, 395), 0, 375, 350},
        KeyRow{"Symbols2", KeyArrayId::cmdShift, 8, {u"*", u"(", u")", u"-", u"_", u"=", u"+", u"\\"},
               Steps(8, 0, 395), 370, 375, 350},
        KeyRow{"Symbols3", KeyArrayId::cmdShift, 16, {u"|", u"[", u"]", u"{", u"}", u";", u":", u"'"},
               Steps(8, 0, 395), 740, 375, 350},
        KeyRow{"Symbols4", KeyArrayId::cmdShift, 24, {u"\"", u",", u"<", u".", u">", u"/", u"?", u"`"},
               Steps(8, 0, 395), 1110, 375, 350}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KeyArraysAfterStartUp, HoldExactlyTheirKeysAndNoMore) {
  Instance instance;
  ASSERT_EQ(instance.toolkit.Initialize(), hr::Ok);
  const struct {
    KeyArrayId array;
    std::int16_t count;
  } arrays[] = {{KeyArrayId::cmdKey, 27}, {KeyArrayId::cmdNumber, 12}, {KeyArrayId::cmdShift, 32}};
  for (const auto& [array, expected] : arrays) {
    std::int16_t count = 0;
    ASSERT_EQ(instance.toolkit.Keys(array).Count(count), hr::Ok);
    EXPECT_EQ(count, expected);
    EXPECT_EQ(instance.toolkit.KeysOf(array).Extent(), expected);
  }
}

// The rows a record gives (what a scan steps through) are the rows on screen:
// each row's keys carry its captions and share one top, each row stands below
// the one before, and together they are every key of the panel.
TEST(KeyArraysAfterStartUp, RecordRowsAreTheRowsOnScreen) {
  Instance instance;
  ASSERT_EQ(instance.toolkit.Initialize(), hr::Ok);
  for (const panels::PanelRecord& record : panels::PanelRecords) {
    SCOPED_TRACE(::testing::Message() << "panel " << static_cast<int>(record.panel));
    float rowTopBefore = -1;
    std::int16_t next = 0;
    for (const panels::KeyRow& row : record.rows) {
      EXPECT_EQ(row.first, next);
      const float rowTop = instance.Key(record.Keys(), row.first).top;
      EXPECT_GT(rowTop, rowTopBefore);
      for (std::size_t k = 0; k < row.captions.size(); ++k) {
        const KeyElement& key = instance.Key(record.Keys(), static_cast<std::int16_t>(row.first + k));
        EXPECT_EQ(key.caption, row.captions[k]);
        EXPECT_EQ(key.top, rowTop);
      }
      rowTopBefore = rowTop;
      next = static_cast<std::int16_t>(row.Last() + 1);
    }
    EXPECT_EQ(instance.toolkit.KeysOf(record.Keys()).Extent(), next);
  }
}

TEST(ComponentAfterStartUp, PanelsFieldAndSurfaceStandAsDesigned) {
  Instance instance;
  ASSERT_EQ(instance.toolkit.Initialize(), hr::Ok);
  const auto expectBox = [](const Box& box, float left, float top, float width, float height) {
    EXPECT_EQ(box.left, left);
    EXPECT_EQ(box.top, top);
    EXPECT_EQ(box.width, width);
    EXPECT_EQ(box.height, height);
  };
  {
    SCOPED_TRACE("Text1");
    expectBox(instance.toolkit.Field().Bounds(), 0, 10, 5295, 375);
  }
  {
    SCOPED_TRACE("picABC");
    expectBox(instance.toolkit.PanelOf(PanelId::picABC).Bounds(), 0, 485, 3980, 1600);
  }
  {
    SCOPED_TRACE("picNumber");
    expectBox(instance.toolkit.PanelOf(PanelId::picNumber).Bounds(), 4080, 485, 1215, 1480);
  }
  {
    SCOPED_TRACE("picShift");
    expectBox(instance.toolkit.PanelOf(PanelId::picShift).Bounds(), 5395, 485, 3190, 1500);
  }
  EXPECT_EQ(instance.toolkit.SurfaceOf().Width(), 8685);
  EXPECT_EQ(instance.toolkit.SurfaceOf().Height(), 2185);
  // Start-up ends in upper case and gives no panel the focus.
  ActivPanel active{};
  EXPECT_EQ(instance.keybord.get_ChangeBord(active), hr::Ok);
  EXPECT_EQ(active, ActivPanel::abcAct);
  EXPECT_EQ(instance.toolkit.Focused(), std::nullopt);
}

// Templates other than the design-time ones: what is read from the template,
// what is rounded where, and which rows follow the template's own place.
struct TemplateCase {
  const char* name;
  KeyArrayId array;
  enum class Property { Left, Top, Width } property;
  float value;
  std::int16_t probe;  // a key whose place shows the rule
  float left;
  float top;
  float width;
};

class TemplateVariant : public ::testing::TestWithParam<TemplateCase> {};

TEST_P(TemplateVariant, PlacesKeysFromTheTemplateReadBack) {
  const TemplateCase& c = GetParam();
  Instance instance;
  KeyArray& keys = instance.toolkit.Keys(c.array);
  switch (c.property) {
    case TemplateCase::Property::Left: ASSERT_EQ(keys.PutLeft(0, c.value), hr::Ok); break;
    case TemplateCase::Property::Top: ASSERT_EQ(keys.PutTop(0, c.value), hr::Ok); break;
    case TemplateCase::Property::Width: ASSERT_EQ(keys.PutWidth(0, c.value), hr::Ok); break;
  }
  ASSERT_EQ(instance.toolkit.Initialize(), hr::Ok);
  const KeyElement& key = instance.Key(c.array, c.probe);
  EXPECT_EQ(key.left, c.left);
  EXPECT_EQ(key.top, c.top);
  EXPECT_EQ(key.width, c.width);
}

using P = TemplateCase::Property;
INSTANTIATE_TEST_SUITE_P(
    Templates, TemplateVariant,
    ::testing::Values(
        // 374.5 + 20 = 394.5 rounds to the even 394; half of it is 197.
        TemplateCase{"HalfTwipWidthStepTiesToEven", KeyArrayId::cmdKey, P::Width, 374.5f, 9, 3546, 0, 374.5f},
        TemplateCase{"HalfTwipWidthMiddleRowAtHalf", KeyArrayId::cmdKey, P::Width, 374.5f, 10, 197, 370, 374.5f},
        TemplateCase{"HalfTwipWidthBottomRow", KeyArrayId::cmdKey, P::Width, 374.5f, 19, 591, 740, 374.5f},
        TemplateCase{"HalfTwipWidthSpaceBar", KeyArrayId::cmdKey, P::Width, 374.5f, 26, 985, 1110, 1952.5f},
        // Only the top row follows the template's Left; the others start
        // from the panel's edge.
        TemplateCase{"ShiftedLetterTopRow", KeyArrayId::cmdKey, P::Left, 100, 1, 495, 0, 375},
        TemplateCase{"ShiftedLetterMiddleRow", KeyArrayId::cmdKey, P::Left, 100, 10, 197, 370, 375},
        TemplateCase{"LoweredLetterRowsAddTop", KeyArrayId::cmdKey, P::Top, 30, 19, 592, 770, 375},
        // The keypad rounds width + Left + 20 as one sum (385.5 + 20 + 0 ties
        // to 406) and its lower rows round the Left of the key above.
        TemplateCase{"KeypadFirstRowRoundsOnce", KeyArrayId::cmdNumber, P::Left, 10.5f, 1, 406, 0, 375},
        TemplateCase{"KeypadColumnRoundsKeyAbove", KeyArrayId::cmdNumber, P::Left, 10.5f, 9, 10, 1095, 375},
        // The symbol rows ignore the template's place altogether.
        TemplateCase{"SymbolsIgnoreTemplateLeft", KeyArrayId::cmdShift, P::Left, 100, 8, 0, 370, 375},
        TemplateCase{"SymbolsIgnoreTemplateTop", KeyArrayId::cmdShift, P::Top, 30, 24, 0, 1110, 375}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TemplateVariant, PanelSizesFollowTheTemplate) {
  Instance instance;
  ASSERT_EQ(instance.toolkit.Keys(KeyArrayId::cmdKey).PutWidth(0, 374.5f), hr::Ok);
  ASSERT_EQ(instance.toolkit.Keys(KeyArrayId::cmdNumber).PutTop(0, 30), hr::Ok);
  ASSERT_EQ(instance.toolkit.Initialize(), hr::Ok);
  // The letter panel ends after the last top-row key, not the wider space bar.
  EXPECT_EQ(instance.toolkit.PanelOf(PanelId::picABC).Bounds().width, 374.5f + 3546 + 50);
  const Box& number = instance.toolkit.PanelOf(PanelId::picNumber).Bounds();
  EXPECT_EQ(number.left, 374.5f + 3546 + 50 + 100);
  EXPECT_EQ(number.height, 345 * 4 + 30 + 100);
  EXPECT_EQ(instance.Key(KeyArrayId::cmdNumber, 4).top, 395);  // 345 + 30 + 20
}

// A build that fails stops at that step with the failure; what was built stays.
TEST(BuildFailure, LoadingAnExistingKeyStopsTheBuild) {
  Instance instance;
  ASSERT_EQ(instance.toolkit.Keys(KeyArrayId::cmdKey).Load(5), hr::Ok);
  EXPECT_EQ(instance.toolkit.Initialize(), hr::AlreadyLoaded);
  EXPECT_EQ(instance.Key(KeyArrayId::cmdKey, 4).caption, u"T");
  EXPECT_TRUE(instance.Key(KeyArrayId::cmdKey, 4).visible);
  EXPECT_EQ(instance.toolkit.KeysOf(KeyArrayId::cmdKey).Element(6), nullptr);
  EXPECT_EQ(instance.toolkit.KeysOf(KeyArrayId::cmdNumber).Extent(), 1);
}

TEST(BuildFailure, PositionBeyondThirtyTwoBitsIsAnOverflow) {
  Instance instance;
  ASSERT_EQ(instance.toolkit.Keys(KeyArrayId::cmdShift).PutWidth(0, 3e9f), hr::Ok);
  EXPECT_EQ(instance.toolkit.Initialize(), hr::Overflow);
  EXPECT_EQ(instance.toolkit.KeysOf(KeyArrayId::cmdShift).Extent(), 1);
  EXPECT_EQ(instance.toolkit.KeysOf(KeyArrayId::cmdNumber).Extent(), 12);
}

TEST(RowPlacement, RowEndingBeyondTheLastIndexIsAnOverflow) {
  Instance instance;
  constexpr std::u16string_view captions[] = {u"a", u"b"};
  EXPECT_EQ(instance.probe.PlaceAbcRow(0, 0, 32767, 395, captions), hr::Overflow);
  EXPECT_EQ(instance.toolkit.KeysOf(KeyArrayId::cmdKey).Extent(), 1);
}

TEST(RowPlacement, RowOnTheLastIndexStops) {
  Instance instance;
  constexpr std::u16string_view captions[] = {u"z"};
  EXPECT_EQ(instance.probe.PlaceShiftRow(40, 7, 32767, 395, captions), hr::Ok);
  const KeyElement* key = instance.toolkit.KeysOf(KeyArrayId::cmdShift).Element(32767);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->caption, u"z");
  EXPECT_EQ(key->left, 7);
  EXPECT_EQ(key->top, 40);
}

}  // namespace
}  // namespace vexo::testing
