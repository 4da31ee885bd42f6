// SPDX-License-Identifier: MIT
// The harness every Windows test and the benchmark wait with: a wait that
// runs out fails the test and names what it waited for; input through the
// system is over once its releases came through the message loop.
#include <gtest/gtest-spi.h>

#include "Support.h"

namespace vexo::win32::testing {
namespace {

TEST(Harness, AWaitThatRunsOutFailsTheTestNamingWhatItWaitedFor) {
  EXPECT_NONFATAL_FAILURE(harness::WaitFor("the impossible", [] { return false; }, 20),
                          "waiting for the impossible");
}

TEST(Harness, AWaitEndsAsSoonAsItsConditionHolds) {
  int polls = 0;
  EXPECT_TRUE(harness::WaitFor("the third look", [&] { return ++polls == 3; }));
  EXPECT_EQ(polls, 3);
}

TEST(Harness, PressAndClickReturnOnceTheirReleasesCameThroughTheLoop) {
  Host host;
  host.ShowFrame();
  SetFocus(host.surface);
  const harness::Releases before = harness::Released();
  ASSERT_TRUE(harness::Press('A', harness::Shift | harness::Ctrl));
  EXPECT_EQ(harness::Released().keys['A'], before.keys['A'] + 1);
  EXPECT_EQ(harness::Released().keys[VK_SHIFT], before.keys[VK_SHIFT] + 1);
  EXPECT_EQ(harness::Released().keys[VK_CONTROL], before.keys[VK_CONTROL] + 1);

  POINT centre{160, 119};
  ClientToScreen(host.surface, &centre);
  ASSERT_TRUE(harness::ClickAt(centre));
  EXPECT_EQ(harness::Released().leftButton, before.leftButton + 1);
  POINT at{};
  GetCursorPos(&at);
  EXPECT_EQ(at.x, centre.x);
  EXPECT_EQ(at.y, centre.y);
}

}  // namespace
}  // namespace vexo::win32::testing
