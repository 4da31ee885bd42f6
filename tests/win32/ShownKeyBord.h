// SPDX-License-Identifier: MIT
// A keyboard on real windows, started and shown as a host shows it: what the
// tests of the component on screen and of its field both build on.
#pragma once

#include "Support.h"

#include "component/KeyBord.h"

namespace vexo::win32::testing {

class ShownKeyBord : public ::testing::Test {
 protected:
  explicit ShownKeyBord(Win32Toolkit::Options options = {}) : host(std::move(options)), keybord(*host.toolkit) {}

  void SetUp() override { host.StartShown(); }
  void TearDown() override { host.toolkit->Disconnect(); }

  // Text as the host reads it; the sentinel shows a read that set nothing.
  std::u16string Text() {
    std::u16string text = u"sentinel";
    EXPECT_EQ(keybord.get_Text(text), hr::Ok);
    return text;
  }

  Host host;
  KeyBord keybord;
};

}  // namespace vexo::win32::testing
