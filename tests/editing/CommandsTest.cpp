// SPDX-License-Identifier: MIT
// Editing and function keys, Enter on the marked key, and F7 to the host.

#include <gtest/gtest.h>

#include <string>

#include "component/Characters.h"
#include "editing/EditingSupport.h"

namespace vexo::testing {
namespace {

// --- Editing keys through KeyF1ToF6: text and caret in, text and caret out.

struct KeyRow {
  const char* name;
  std::int16_t keyCode;
  std::u16string text;
  std::int32_t caret;
  std::u16string expectedText;
  std::int32_t expectedCaret;
};
void PrintTo(const KeyRow& row, std::ostream* os) { *os << row.name; }

class EditingKey : public ::testing::TestWithParam<KeyRow> {};

TEST_P(EditingKey, EditsTheField) {
  const KeyRow& row = GetParam();
  Instance instance;
  GivenField(instance, row.text, row.caret);
  std::int16_t code = row.keyCode;

  ASSERT_EQ(instance.toolkit.HostCall([&] { return instance.keybord.KeyF1ToF6(code); }), hr::Ok);

  const std::int32_t selection = row.expectedText.empty() ? 0 : 1;
  EXPECT_EQ(Look(instance), (FieldView{row.expectedText, row.expectedCaret, selection, 0}));
  EXPECT_EQ(code, row.keyCode);
  // A key needs the text's length, never a copy of the text.
  EXPECT_EQ(instance.toolkit.Field().CharactersRead(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Table, EditingKey,
    ::testing::Values(KeyRow{"Backspace", 8, u"abc ", 2, u"ac ", 1},
                      KeyRow{"BackspaceAtStartIsAnOrdinaryKeyPress", 8, u"abc ", 0, u"abc ", 0},
                      KeyRow{"BackspaceOnNeverFilledField", 8, u"", 0, u"", 0},
                      KeyRow{"Delete", 46, u"abc ", 1, u"ac ", 1},
                      KeyRow{"DeleteOnNeverFilledField", 46, u"", 0, u"", 0},
                      KeyRow{"Home", 36, u"abc ", 2, u"abc ", 0},
                      KeyRow{"End", 35, u"abc ", 1, u"abc ", 3},
                      KeyRow{"EndOnNeverFilledField", 35, u"", 0, u"", 0},
                      KeyRow{"F5Left", 116, u"abc ", 2, u"abc ", 1},
                      KeyRow{"UpLeft", 38, u"abc ", 2, u"abc ", 1},
                      KeyRow{"PageUpLeft", 33, u"abc ", 2, u"abc ", 1},
                      KeyRow{"F6Right", 117, u"abc ", 1, u"abc ", 2},
                      KeyRow{"DownRight", 40, u"abc ", 1, u"abc ", 2},
                      KeyRow{"PageDownRight", 34, u"abc ", 1, u"abc ", 2},
                      KeyRow{"LetterAIsNotOurs", 65, u"abc ", 1, u"abc ", 1},
                      KeyRow{"F7IsNotOurs", 118, u"abc ", 1, u"abc ", 1}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Case and panel keys, on a started keyboard.

class FunctionKey : public ::testing::TestWithParam<FocusDelivery> {
 protected:
  HResult Press(std::int16_t code) {
    return instance.toolkit.HostCall([&] { return instance.keybord.KeyF1ToF6(code); });
  }
  HResult Enter() {
    return instance.toolkit.HostCall([&] { return instance.keybord.EnterKey(); });
  }
  HResult ChangeBord(ActivPanel panel) {
    return instance.toolkit.HostCall([&] { return instance.keybord.put_ChangeBord(panel); });
  }
  // Enter on "ab " with the block caret on the trailing space; the field afterwards.
  FieldView EnterBehindAb() {
    GivenField(instance, u"ab ", 2);
    EXPECT_EQ(Enter(), hr::Ok);
    return Look(instance);
  }
  Instance instance{GetParam()};
};

TEST_P(FunctionKey, CapsLockAndF1EachToggleCase) {
  instance.StartAndShow();
  const std::u16string upper = instance.Key(KeyArrayId::cmdKey, 0).caption;

  ASSERT_EQ(Press(20), hr::Ok);
  std::int16_t caps = 0;
  ASSERT_EQ(instance.keybord.get_CapsLock(caps), hr::Ok);
  EXPECT_EQ(caps, VariantFalse);
  EXPECT_EQ(instance.Key(KeyArrayId::cmdKey, 0).caption, vexo::ToLower(upper));

  ASSERT_EQ(Press(112), hr::Ok);
  ASSERT_EQ(instance.keybord.get_CapsLock(caps), hr::Ok);
  EXPECT_EQ(caps, VariantTrue);
  EXPECT_EQ(instance.Key(KeyArrayId::cmdKey, 0).caption, upper);
}

TEST_P(FunctionKey, F2ToF4SwitchPanelAndFocus) {
  instance.StartAndShow();
  struct Step {
    std::int16_t code;
    ActivPanel panel;
    PanelId focused;
  };
  for (const Step& step : {Step{114, ActivPanel::NumberAct, PanelId::picNumber},
                           Step{115, ActivPanel::ImageAct, PanelId::picShift},
                           Step{113, ActivPanel::abcAct, PanelId::picABC}}) {
    ASSERT_EQ(Press(step.code), hr::Ok) << step.code;
    ActivPanel active{};
    ASSERT_EQ(instance.keybord.get_ChangeBord(active), hr::Ok);
    EXPECT_EQ(active, step.panel) << step.code;
    EXPECT_EQ(instance.toolkit.Focused(), step.focused) << step.code;
  }
}

// --- EnterKey.

TEST_P(FunctionKey, EnterInsertsMarkedLetterAtCaretAndKeepsFocus) {
  instance.StartAndShow();
  GivenField(instance, u"xy ", 1);
  instance.probe.SetKeyIndex(KeyArrayId::cmdKey, 2);
  const std::u16string caption = instance.Key(KeyArrayId::cmdKey, 2).caption;
  ASSERT_EQ(caption.size(), 1u);

  ASSERT_EQ(Enter(), hr::Ok);

  EXPECT_EQ(Look(instance), (FieldView{u"x" + caption + u"y ", 2, 1, 0}));
  EXPECT_EQ(instance.toolkit.Focused(), PanelId::picABC);
}

TEST_P(FunctionKey, EnterInsertsMarkedKeyOfNumberPanel) {
  instance.StartAndShow();
  ASSERT_EQ(ChangeBord(ActivPanel::NumberAct), hr::Ok);
  GivenField(instance, u" ", 0);
  instance.probe.SetKeyIndex(KeyArrayId::cmdNumber, 5);
  const std::u16string caption = instance.Key(KeyArrayId::cmdNumber, 5).caption;

  ASSERT_EQ(Enter(), hr::Ok);

  EXPECT_EQ(instance.Field(), caption + u" ");
  EXPECT_EQ(instance.toolkit.Focused(), PanelId::picNumber);
}

TEST_P(FunctionKey, EnterOnSpaceBarInsertsOneSpace) {
  instance.StartAndShow();
  instance.probe.SetKeyIndex(KeyArrayId::cmdKey, 26);
  EXPECT_EQ(EnterBehindAb(), (FieldView{u"ab  ", 3, 1, 0}));
}

TEST_P(FunctionKey, EnterWithNoActivePanelInsertsOneSpace) {
  instance.StartAndShow();
  ASSERT_EQ(ChangeBord(static_cast<ActivPanel>(7)), hr::Ok);
  EXPECT_EQ(EnterBehindAb(), (FieldView{u"ab  ", 3, 1, 0}));
}

// A full field stays silent under Enter, where other insertions beep.
TEST_P(FunctionKey, EnterIntoFullFieldDoesNothingSilently) {
  instance.StartAndShow();
  ASSERT_EQ(instance.keybord.put_MaxLength(2), hr::Ok);
  EXPECT_EQ(EnterBehindAb(), (FieldView{u"ab ", 2, 1, 0}));
}

TEST_P(FunctionKey, EnterFillsLastPlaceUnderLimit) {
  instance.StartAndShow();
  ASSERT_EQ(instance.keybord.put_MaxLength(3), hr::Ok);
  GivenField(instance, u"ab ", 2);
  instance.probe.SetKeyIndex(KeyArrayId::cmdKey, 0);
  const std::uint64_t readBefore = instance.toolkit.Field().CharactersRead();

  ASSERT_EQ(Enter(), hr::Ok);

  EXPECT_EQ(instance.Field().size(), 4u);
  EXPECT_EQ(instance.toolkit.Beeps(), 0);
  EXPECT_EQ(instance.toolkit.Field().CharactersRead(), readBefore);  // the limit needs only the length
}

TEST_P(FunctionKey, EnterStopsBeforeInsertingWhenFocusFails) {
  instance.StartAndShow();
  GivenField(instance, u"ab ", 2);
  instance.toolkit.FailSetFocus(PanelId::picABC);
  instance.toolkit.Blur();

  EXPECT_EQ(Enter(), hr::InvalidProcedureCall);

  EXPECT_EQ(instance.Field(), u"ab ");
}

INSTANTIATE_TEST_SUITE_P(Delivery, FunctionKey,
                         ::testing::Values(FocusDelivery::Sync, FocusDelivery::Deferred), DeliveryName);

// --- F7 to the host.

TEST(GetMessage, F7SendsCommand118ToActiveWindowWithNoControlHandle) {
  Instance instance;
  instance.toolkit.SetActiveWindow(0x2A0C4);
  std::int16_t code = 118;

  ASSERT_EQ(instance.keybord.GetMessage(code), hr::Ok);

  ASSERT_EQ(instance.toolkit.Messages().size(), 1u);
  const SentMessage& sent = instance.toolkit.Messages()[0];
  EXPECT_EQ(sent.window, 0x2A0C4u);
  EXPECT_EQ(sent.message, 0x0111u);
  EXPECT_EQ(sent.wParam, 118u);
  EXPECT_EQ(sent.lParam, 0);
  EXPECT_EQ(code, 118);
}

TEST(GetMessage, NothingSentForOtherKeysOrWithoutActiveWindow) {
  Instance instance;
  std::int16_t f6 = 117;
  ASSERT_EQ(instance.keybord.GetMessage(f6), hr::Ok);
  instance.toolkit.SetActiveWindow(0);
  std::int16_t f7 = 118;
  ASSERT_EQ(instance.keybord.GetMessage(f7), hr::Ok);
  EXPECT_TRUE(instance.toolkit.Messages().empty());
}

}  // namespace
}  // namespace vexo::testing
