// SPDX-License-Identifier: MIT
// Resize, Show and GotFocus of the component surface: the size it keeps, the
// indexes a show resets and the panel that receives the focus.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "support/Fixture.h"

namespace vexo::testing {
namespace {

TEST(Resize, ReimposesTheSizeThePanelsNeed) {
  Instance instance;
  ASSERT_EQ(instance.toolkit.Initialize(), hr::Ok);
  const struct {
    float width;
    float height;
  } requests[] = {{100, 100}, {20000, 9000}, {8685, 2185}, {0, 0}};
  for (const auto& [width, height] : requests) {
    SCOPED_TRACE(::testing::Message() << width << " x " << height);
    EXPECT_EQ(instance.toolkit.Resize(width, height), hr::Ok);
    EXPECT_EQ(instance.toolkit.SurfaceOf().Width(), 8685);
    EXPECT_EQ(instance.toolkit.SurfaceOf().Height(), 2185);
  }
}

// Setting the size may raise Resize again at once; the second pass must land
// on the same size and leave the layout alone.
TEST(Resize, RunningAgainRightAfterItselfChangesNothing) {
  Instance instance;
  ASSERT_EQ(instance.toolkit.Initialize(), hr::Ok);
  ASSERT_EQ(instance.toolkit.Resize(5000, 5000), hr::Ok);
  const Box abc = instance.toolkit.PanelOf(PanelId::picABC).Bounds();
  const Box shift = instance.toolkit.PanelOf(PanelId::picShift).Bounds();
  EXPECT_EQ(instance.keybord.OnResize(), hr::Ok);
  EXPECT_EQ(instance.toolkit.SurfaceOf().Width(), 8685);
  EXPECT_EQ(instance.toolkit.SurfaceOf().Height(), 2185);
  EXPECT_EQ(instance.toolkit.PanelOf(PanelId::picABC).Bounds().top, abc.top);
  EXPECT_EQ(instance.toolkit.PanelOf(PanelId::picShift).Bounds().left, shift.left);
  EXPECT_EQ(instance.Key(KeyArrayId::cmdKey, 26).left, 987);
}

// --- Show: every panel's index restarts at 0, the active panel gets the focus.

struct ShowCase {
  const char* name;
  std::int32_t changeBord;
  std::optional<PanelId> focused;
};

class ShowFocus : public ::testing::TestWithParam<std::tuple<ShowCase, FocusDelivery>> {};

TEST_P(ShowFocus, ResetsIndexesAndFocusesTheActivePanel) {
  const auto& [c, delivery] = GetParam();
  Instance instance(delivery);
  ASSERT_EQ(instance.toolkit.Initialize(), hr::Ok);
  ASSERT_EQ(instance.toolkit.HostCall([&] {
    return instance.keybord.put_ChangeBord(static_cast<ActivPanel>(c.changeBord));
  }), hr::Ok);
  instance.toolkit.Blur();  // the component was hidden: no panel holds the focus
  instance.probe.SetKeyIndex(KeyArrayId::cmdKey, 14);
  instance.probe.SetKeyIndex(KeyArrayId::cmdNumber, 11);
  instance.probe.SetKeyIndex(KeyArrayId::cmdShift, 31);

  EXPECT_EQ(instance.toolkit.Show(), hr::Ok);
  EXPECT_EQ(instance.toolkit.Focused(), c.focused);
  EXPECT_EQ(instance.probe.KeyIndex(KeyArrayId::cmdKey), 0);
  EXPECT_EQ(instance.probe.KeyIndex(KeyArrayId::cmdNumber), 0);
  EXPECT_EQ(instance.probe.KeyIndex(KeyArrayId::cmdShift), 0);
  ActivPanel active{};
  EXPECT_EQ(instance.keybord.get_ChangeBord(active), hr::Ok);
  EXPECT_EQ(static_cast<std::int32_t>(active), c.changeBord);
}

INSTANTIATE_TEST_SUITE_P(
    ChangeBord, ShowFocus,
    ::testing::Combine(::testing::Values(ShowCase{"Letters", 0, PanelId::picABC},
                                         ShowCase{"Numbers", 1, PanelId::picNumber},
                                         ShowCase{"Symbols", 2, PanelId::picShift},
                                         ShowCase{"OutOfRange", 5, std::nullopt},
                                         ShowCase{"Negative", -1, std::nullopt}),
                       ::testing::Values(FocusDelivery::Sync, FocusDelivery::Deferred)),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) +
             (std::get<1>(info.param) == FocusDelivery::Sync ? "Sync" : "Deferred");
    });

class SurfaceFocus : public ::testing::TestWithParam<FocusDelivery> {
 protected:
  HResult ChangeBord(ActivPanel panel) {
    return instance.toolkit.HostCall([&] { return instance.keybord.put_ChangeBord(panel); });
  }
  // Marks `index` in `array`, takes the focus away, and gives it back to the surface.
  void ExpectGotFocusOn(PanelId panel, KeyArrayId array, std::int16_t index) {
    instance.probe.SetKeyIndex(array, index);
    instance.toolkit.Blur();
    EXPECT_EQ(instance.toolkit.SurfaceGotFocus(), hr::Ok);
    EXPECT_EQ(instance.toolkit.Focused(), panel);
    EXPECT_EQ(instance.probe.KeyIndex(array), index);
  }
  Instance instance{GetParam()};
};

// The surface hands the focus on to the active panel, whose mark stays where
// the user left it.
TEST_P(SurfaceFocus, GotFocusKeepsTheIndex) {
  instance.StartAndShow();
  ExpectGotFocusOn(PanelId::picABC, KeyArrayId::cmdKey, 14);
}

TEST_P(SurfaceFocus, GotFocusFollowsChangeBord) {
  instance.StartAndShow();
  ASSERT_EQ(ChangeBord(ActivPanel::ImageAct), hr::Ok);
  ExpectGotFocusOn(PanelId::picShift, KeyArrayId::cmdShift, 9);
}

// A panel that cannot take the focus: the failure reaches the host, and Show
// has reset the indexes all the same.
TEST_P(SurfaceFocus, FocusFailureIsReturnedFromShowAndGotFocus) {
  ASSERT_EQ(instance.toolkit.Initialize(), hr::Ok);
  ASSERT_EQ(ChangeBord(ActivPanel::NumberAct), hr::Ok);
  instance.toolkit.Blur();
  instance.toolkit.FailSetFocus(PanelId::picNumber);
  instance.probe.SetKeyIndex(KeyArrayId::cmdKey, 3);
  instance.probe.SetKeyIndex(KeyArrayId::cmdNumber, 4);

  EXPECT_EQ(instance.toolkit.Show(), hr::InvalidProcedureCall);
  EXPECT_EQ(instance.probe.KeyIndex(KeyArrayId::cmdKey), 0);
  EXPECT_EQ(instance.probe.KeyIndex(KeyArrayId::cmdNumber), 0);
  EXPECT_EQ(instance.toolkit.Focused(), std::nullopt);

  EXPECT_EQ(instance.toolkit.SurfaceGotFocus(), hr::InvalidProcedureCall);
  EXPECT_EQ(instance.toolkit.Focused(), std::nullopt);

  instance.toolkit.FailSetFocus(std::nullopt);
  EXPECT_EQ(instance.toolkit.SurfaceGotFocus(), hr::Ok);
  EXPECT_EQ(instance.toolkit.Focused(), PanelId::picNumber);
}

// Showing the control again while its panel still held the focus: the panel
// loses it on the way (a hidden control has none), so the key marked before is
// cleared and only key 0 shows the mark.
TEST_P(SurfaceFocus, ShowAgainLeavesOneMarkedKey) {
  instance.StartAndShow();
  ASSERT_EQ(instance.toolkit.Click(KeyArrayId::cmdKey, 14), hr::Ok);
  ASSERT_TRUE(instance.Marked(KeyArrayId::cmdKey, 14));
  EXPECT_EQ(instance.toolkit.Show(), hr::Ok);
  EXPECT_EQ(instance.toolkit.Focused(), PanelId::picABC);
  EXPECT_TRUE(instance.Marked(KeyArrayId::cmdKey, 0));
  EXPECT_FALSE(instance.Marked(KeyArrayId::cmdKey, 14));
}

// A lookup marks its key on a panel that need not have the focus; a show
// restarts that panel's index at 0 and must take the old mark away with it.
TEST_P(SurfaceFocus, ShowClearsAMarkOnAnUnfocusedPanel) {
  instance.StartAndShow();
  std::u16string five = u"5";
  ASSERT_EQ(instance.toolkit.HostCall([&] { return instance.keybord.FindNumber(five); }), hr::Ok);
  ASSERT_TRUE(instance.Marked(KeyArrayId::cmdNumber, 4));
  EXPECT_EQ(instance.toolkit.Show(), hr::Ok);
  EXPECT_EQ(instance.probe.KeyIndex(KeyArrayId::cmdNumber), 0);
  EXPECT_FALSE(instance.Marked(KeyArrayId::cmdNumber, 4));
  EXPECT_TRUE(instance.Marked(KeyArrayId::cmdKey, 0));
}

INSTANTIATE_TEST_SUITE_P(Delivery, SurfaceFocus,
                         ::testing::Values(FocusDelivery::Sync, FocusDelivery::Deferred), DeliveryName);

}  // namespace
}  // namespace vexo::testing
