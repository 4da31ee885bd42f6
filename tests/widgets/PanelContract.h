// SPDX-License-Identifier: MIT
// What every toolkit's panels promise, as one suite run against each of them:
// bounds read back exactly as put, and a focus move raising LostFocus of the
// panel that had the focus, then GotFocus of the new one; nothing when the
// panel has it already.
//
// A toolkit takes part through a subject type with:
//   Subject();                       a fresh toolkit whose panels can take the focus,
//                                    its notifications going to `log`
//   Panel& PanelOf(PanelId);
//   HResult Focus(PanelId);          SetFocus as the host calls it
//   bool Settled(std::size_t count); whether `log` holds `count` notices once
//                                    the toolkit has delivered what it owes
//   FocusLog log;
// and is instantiated with
//   INSTANTIATE_TYPED_TEST_SUITE_P(Name, PanelContract, ::testing::Types<Subject>);
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/QuietEvents.h"
#include "widgets/Widgets.h"

namespace vexo::contract {

class FocusLog final : public testing::QuietEvents {
 public:
  std::vector<std::string> notices;
  HResult OnGotFocus(PanelId panel) override { return Note("GotFocus ", panel); }
  HResult OnLostFocus(PanelId panel) override { return Note("LostFocus ", panel); }

 private:
  HResult Note(const char* what, PanelId panel) {
    constexpr const char* names[] = {"picABC", "picNumber", "picShift"};
    notices.push_back(what + std::string(names[static_cast<int>(panel)]));
    return hr::Ok;
  }
};

template <typename Subject>
class PanelContract : public ::testing::Test {
 protected:
  Subject subject;
};

TYPED_TEST_SUITE_P(PanelContract);

// Single-precision twips, read back bit for bit.
TYPED_TEST_P(PanelContract, BoundsReadBackAsPut) {
  Panel& panel = this->subject.PanelOf(PanelId::picShift);
  for (const float value : {374.5f, 0.1f, 1e-3f, 12345.678f, -20.25f, 16777217.0f}) {
    SCOPED_TRACE(value);
    for (const auto& [put, get] : {std::pair{&Panel::PutLeft, &Panel::GetLeft}, std::pair{&Panel::PutTop, &Panel::GetTop},
                                   std::pair{&Panel::PutWidth, &Panel::GetWidth},
                                   std::pair{&Panel::PutHeight, &Panel::GetHeight}}) {
      float read = 0;
      ASSERT_EQ((panel.*put)(value), hr::Ok);
      ASSERT_EQ((panel.*get)(read), hr::Ok);
      EXPECT_EQ(read, value);
    }
  }
}

TYPED_TEST_P(PanelContract, AFocusMoveRaisesLostThenGot) {
  auto& subject = this->subject;
  ASSERT_EQ(subject.Focus(PanelId::picABC), hr::Ok);
  ASSERT_TRUE(subject.Settled(1));
  EXPECT_EQ(subject.log.notices, std::vector<std::string>{"GotFocus picABC"});
  subject.log.notices.clear();

  ASSERT_EQ(subject.Focus(PanelId::picShift), hr::Ok);
  ASSERT_TRUE(subject.Settled(2));
  EXPECT_EQ(subject.log.notices, (std::vector<std::string>{"LostFocus picABC", "GotFocus picShift"}));

  // Giving the focus to the panel that has it raises nothing.
  subject.log.notices.clear();
  ASSERT_EQ(subject.Focus(PanelId::picShift), hr::Ok);
  EXPECT_TRUE(subject.Settled(0));
}

REGISTER_TYPED_TEST_SUITE_P(PanelContract, BoundsReadBackAsPut, AFocusMoveRaisesLostThenGot);

}  // namespace vexo::contract
