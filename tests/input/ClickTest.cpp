// SPDX-License-Identifier: MIT
// Clicks on keys and the focus marking, in both ways a toolkit may deliver the
// focus notifications: inside the ChangeBord put or after the click handler.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "input/InputSupport.h"

namespace vexo::testing {
namespace {

class Clicks : public ::testing::TestWithParam<FocusDelivery> {
 protected:
  Clicks() : instance(GetParam()) {}
  void SetUp() override { instance.StartAndShow(); }
  void Click(KeyRef key) { ASSERT_EQ(instance.toolkit.Click(key.array, key.index), hr::Ok); }
  Instance instance;
};

TEST_P(Clicks, SwitchPanelsMovingEachPanelsMark) {
  Click(Letter(3));  // R
  EXPECT_EQ(MarkedKeys(instance), std::vector<KeyRef>{Letter(3)});

  Click(Number(7));  // 2
  EXPECT_EQ(MarkedKeys(instance), std::vector<KeyRef>{Number(7)});
  EXPECT_EQ(instance.probe.ActiveBord(), ActivPanel::NumberAct);
  EXPECT_EQ(instance.toolkit.Focused(), PanelId::picNumber);
  const KeyElement& r = instance.Key(KeyArrayId::cmdKey, 3);
  EXPECT_EQ(r.foreColor, UnmarkedForeColor);  // black on the button face again
  EXPECT_EQ(r.backColor, UnmarkedBackColor);

  Click(Letter(5));  // Y
  EXPECT_EQ(MarkedKeys(instance), std::vector<KeyRef>{Letter(5)});
  EXPECT_EQ(instance.probe.KeyIndex(KeyArrayId::cmdNumber), 7);  // kept while the panel is away

  Click(Symbol(5));  // %
  EXPECT_EQ(MarkedKeys(instance), std::vector<KeyRef>{Symbol(5)});
  EXPECT_EQ(instance.toolkit.Focused(), PanelId::picShift);
  EXPECT_EQ(Narrow(instance.Field()), "R2Y% ");
  EXPECT_EQ(instance.Caret(), 4);
}

TEST_P(Clicks, MarkedKeyClickedAgainStaysMarkedAndInsertsAgain) {
  Click(Number(4));
  Click(Number(4));
  EXPECT_EQ(MarkedKeys(instance), std::vector<KeyRef>{Number(4)});
  EXPECT_EQ(Narrow(instance.Field()), "55 ");
}

// The focus leaves the component and comes back: the panel hides its mark
// meanwhile and shows the same key again.
TEST_P(Clicks, FocusHidesAndRestoresMarkAtKeptIndex) {
  Click(Symbol(20));
  instance.toolkit.Blur();
  EXPECT_EQ(MarkedKeys(instance), std::vector<KeyRef>{});
  ASSERT_EQ(instance.toolkit.SurfaceGotFocus(), hr::Ok);
  EXPECT_EQ(MarkedKeys(instance), std::vector<KeyRef>{Symbol(20)});
}

TEST_P(Clicks, ShowMarksKeyZeroOfActivePanel) {
  Instance fresh(GetParam());
  ASSERT_EQ(fresh.toolkit.Initialize(), hr::Ok);
  ASSERT_EQ(PutChangeBord(fresh, 2), hr::Ok);
  ASSERT_EQ(fresh.toolkit.Show(), hr::Ok);
  EXPECT_EQ(MarkedKeys(fresh), std::vector<KeyRef>{Symbol(0)});
  EXPECT_EQ(fresh.toolkit.Focused(), PanelId::picShift);
}

// A letter or number click whose panel switch fails stops before the mark and
// the insertion; a symbol click has inserted its caption by then.
TEST_P(Clicks, FailedPanelSwitchStopsLetterAndNumberClicksFirst) {
  instance.toolkit.FailSetFocus(PanelId::picNumber);
  EXPECT_EQ(instance.toolkit.Click(KeyArrayId::cmdNumber, 4), hr::InvalidProcedureCall);
  EXPECT_EQ(Narrow(instance.Field()), "");
  EXPECT_EQ(MarkedKeys(instance), std::vector<KeyRef>{Letter(0)});
  EXPECT_EQ(instance.probe.KeyIndex(KeyArrayId::cmdNumber), 0);

  instance.toolkit.FailSetFocus(PanelId::picShift);
  EXPECT_EQ(instance.toolkit.Click(KeyArrayId::cmdShift, 5), hr::InvalidProcedureCall);
  EXPECT_EQ(Narrow(instance.Field()), "% ");
  EXPECT_EQ(MarkedKeys(instance), std::vector<KeyRef>{Letter(0)});
  EXPECT_EQ(instance.probe.KeyIndex(KeyArrayId::cmdShift), 0);
}

// A click handler raised for an element that does not exist fails with the
// toolkit's error and changes neither the field nor any mark index.
TEST_P(Clicks, MissingElementFailsWithoutMovingMark) {
  const View before = Look(instance);
  KeyBord& keybord = instance.keybord;
  EXPECT_EQ(instance.toolkit.HostCall([&] { return keybord.OnClick(KeyArrayId::cmdKey, 27); }), hr::ElementMissing);
  EXPECT_EQ(instance.toolkit.HostCall([&] { return keybord.OnClick(KeyArrayId::cmdShift, -1); }), hr::ElementMissing);
  EXPECT_EQ(instance.toolkit.HostCall([&] { return keybord.OnClick(KeyArrayId::cmdShift, 32); }), hr::ElementMissing);
  const View after = Look(instance);
  EXPECT_EQ(after.field, before.field);
  EXPECT_EQ(after.shiftIndex, before.shiftIndex);
  EXPECT_EQ(after.abcIndex, before.abcIndex);
  EXPECT_EQ(MarkedKeys(instance), std::vector<KeyRef>{Letter(0)});
}

INSTANTIATE_TEST_SUITE_P(Delivery, Clicks, ::testing::Values(FocusDelivery::Sync, FocusDelivery::Deferred),
                         DeliveryName);

// --- What a click inserts, by caption.

struct CaptionRow {
  const char* name;
  KeyRef key;
  std::optional<std::u16string> caption;  // given to the key first, as a design could
  std::u16string field;
};

class ClickCaption : public ::testing::TestWithParam<CaptionRow> {};

TEST_P(ClickCaption, InsertsCaptionOrOneSpace) {
  const CaptionRow& row = GetParam();
  ShownInstance instance;
  if (row.caption) {
    ASSERT_EQ(instance.toolkit.Keys(row.key.array).PutCaption(row.key.index, *row.caption), hr::Ok);
  }
  ASSERT_EQ(instance.toolkit.Click(row.key.array, row.key.index), hr::Ok);
  EXPECT_EQ(Narrow(instance.Field()), Narrow(row.field));
  EXPECT_EQ(MarkedKeys(instance), std::vector<KeyRef>{row.key});
}

INSTANTIATE_TEST_SUITE_P(
    Table, ClickCaption,
    ::testing::Values(CaptionRow{"SpaceBar", Letter(26), std::nullopt, u"  "},
                      CaptionRow{"LetterOnlySpacesGivesOneSpace", Letter(4), u"   ", u"  "},
                      CaptionRow{"LetterPaddedCaptionKeepsSpaces", Letter(4), u" t ", u" t  "},
                      CaptionRow{"LetterLowerCase", Letter(4), u"t", u"t "},
                      // An empty caption reaches the insertion as it is, which
                      // puts a space for it.
                      CaptionRow{"NumberEmptyCaption", Number(2), u"", u"  "},
                      CaptionRow{"SymbolEmptyCaption", Symbol(2), u"", u"  "},
                      CaptionRow{"NumberMinus", Number(11), std::nullopt, u"- "},
                      CaptionRow{"SymbolBackslash", Symbol(15), std::nullopt, u"\\ "}),
    [](const auto& info) { return std::string(info.param.name); });

// --- The same clicks, focus moves and key presses end in the same state
// whichever way the focus notifications arrive.

View RunScript(FocusDelivery delivery) {
  Instance instance(delivery);
  instance.StartAndShow();
  MemoryToolkit& toolkit = instance.toolkit;
  const KeyRef clicks[] = {Letter(3), Number(7), Number(7), Letter(26), Symbol(31), Letter(3),
                           Symbol(0), Number(0), Symbol(12), Number(11)};
  for (const KeyRef& key : clicks) {
    EXPECT_EQ(toolkit.Click(key.array, key.index), hr::Ok);
    if (key.index == 26) {
      toolkit.Blur();
      EXPECT_EQ(toolkit.SurfaceGotFocus(), hr::Ok);
    }
    std::int16_t keyCode = 40;  // Down on the focused panel
    std::int16_t shift = 0;
    EXPECT_EQ(toolkit.KeyDown(*toolkit.Focused(), keyCode, shift), hr::Ok);
  }
  for (std::int16_t code : {65, 189, 50, 110, 114, 222}) {
    std::int16_t keyCode = code;
    std::int16_t shift = code % 2;
    EXPECT_EQ(toolkit.KeyDown(*toolkit.Focused(), keyCode, shift), hr::Ok);
  }
  return Look(instance);
}

TEST(ClickDelivery, SyncAndDeferredEndInSameState) {
  const View sync = RunScript(FocusDelivery::Sync);
  const View deferred = RunScript(FocusDelivery::Deferred);
  EXPECT_EQ(sync, deferred);
  EXPECT_EQ(sync.marked.size(), 1u);
  EXPECT_EQ(sync.focus, PanelId::picShift);  // the apostrophe, last
  EXPECT_EQ(sync.marked, std::vector<KeyRef>{Symbol(23)});
}

}  // namespace
}  // namespace vexo::testing
