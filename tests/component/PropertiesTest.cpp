// SPDX-License-Identifier: MIT
// ChangeBord, CapsLock and MaxLength as the host sees them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "component/PropertyTable.h"
#include "support/Fixture.h"

namespace vexo::testing {
namespace {

std::vector<std::u16string> Captions(Instance& instance, KeyArrayId array) {
  std::vector<std::u16string> captions;
  const KeyStore& keys = instance.toolkit.KeysOf(array);
  for (std::int32_t i = 0; i < keys.Extent(); ++i) captions.push_back(keys.Element(i)->caption);
  return captions;
}

class ChangeBordFocus : public ::testing::TestWithParam<FocusDelivery> {
 protected:
  void SetUp() override { instance.StartAndShow(); }
  HResult Put(std::int32_t value) {
    return instance.toolkit.HostCall(
        [&] { return instance.keybord.put_ChangeBord(static_cast<ActivPanel>(value)); });
  }
  std::int32_t Get() {
    ActivPanel value{};
    EXPECT_EQ(instance.keybord.get_ChangeBord(value), hr::Ok);
    return static_cast<std::int32_t>(value);
  }
  Instance instance{GetParam()};
};

TEST_P(ChangeBordFocus, EachPanelValueMovesTheFocusThere) {
  EXPECT_EQ(Put(1), hr::Ok);
  EXPECT_EQ(Get(), 1);
  EXPECT_EQ(instance.toolkit.Focused(), PanelId::picNumber);
  EXPECT_EQ(Put(2), hr::Ok);
  EXPECT_EQ(instance.toolkit.Focused(), PanelId::picShift);
  EXPECT_EQ(Put(0), hr::Ok);
  EXPECT_EQ(instance.toolkit.Focused(), PanelId::picABC);
}

TEST_P(ChangeBordFocus, ValueOutsideThePanelsIsKeptAndMovesNothing) {
  ASSERT_EQ(Put(1), hr::Ok);
  EXPECT_EQ(Put(5), hr::Ok);
  EXPECT_EQ(Get(), 5);
  EXPECT_EQ(instance.toolkit.Focused(), PanelId::picNumber);
  // Later focus requests of the component give the focus to no panel.
  instance.toolkit.Blur();
  EXPECT_EQ(instance.toolkit.SurfaceGotFocus(), hr::Ok);
  EXPECT_EQ(instance.toolkit.Focused(), std::nullopt);
}

TEST_P(ChangeBordFocus, FailingFocusIsReportedAfterTheValueIsStored) {
  instance.toolkit.FailSetFocus(PanelId::picShift);
  EXPECT_EQ(Put(2), hr::InvalidProcedureCall);
  EXPECT_EQ(Get(), 2);
  EXPECT_EQ(instance.toolkit.Focused(), PanelId::picABC);
}

INSTANTIATE_TEST_SUITE_P(Delivery, ChangeBordFocus,
                         ::testing::Values(FocusDelivery::Sync, FocusDelivery::Deferred), DeliveryName);

// --- CapsLock: the letter captions carry the case; the other panels keep theirs.

const std::vector<std::u16string> UpperLetters{u"Q", u"W", u"E", u"R", u"T", u"Y", u"U", u"I", u"O", u"P",
                                               u"A", u"S", u"D", u"F", u"G", u"H", u"J", u"K", u"L",
                                               u"Z", u"X", u"C", u"V", u"B", u"N", u"M", u""};
const std::vector<std::u16string> LowerLetters{u"q", u"w", u"e", u"r", u"t", u"y", u"u", u"i", u"o", u"p",
                                               u"a", u"s", u"d", u"f", u"g", u"h", u"j", u"k", u"l",
                                               u"z", u"x", u"c", u"v", u"b", u"n", u"m", u""};

struct CapsCase {
  const char* name;
  std::vector<std::int16_t> puts;
  std::int16_t stored;
  const std::vector<std::u16string>* letters;
};

class CapsLockCase : public ::testing::TestWithParam<CapsCase> {};

TEST_P(CapsLockCase, RewritesTheLetterCaptionsOnly) {
  const CapsCase& c = GetParam();
  Instance instance;
  ASSERT_EQ(instance.toolkit.Initialize(), hr::Ok);
  const auto numbers = Captions(instance, KeyArrayId::cmdNumber);
  const auto symbols = Captions(instance, KeyArrayId::cmdShift);
  for (const std::int16_t value : c.puts) {
    ASSERT_EQ(instance.keybord.put_CapsLock(value), hr::Ok);
  }
  std::int16_t stored = 0;
  EXPECT_EQ(instance.keybord.get_CapsLock(stored), hr::Ok);
  EXPECT_EQ(stored, c.stored);
  EXPECT_EQ(Captions(instance, KeyArrayId::cmdKey), *c.letters);
  EXPECT_EQ(Captions(instance, KeyArrayId::cmdNumber), numbers);
  EXPECT_EQ(Captions(instance, KeyArrayId::cmdShift), symbols);
}

INSTANTIATE_TEST_SUITE_P(
    Puts, CapsLockCase,
    ::testing::Values(CapsCase{"AfterStartUp", {}, VariantTrue, &UpperLetters},
                      CapsCase{"False", {VariantFalse}, VariantFalse, &LowerLetters},
                      CapsCase{"FalseThenTrue", {VariantFalse, VariantTrue}, VariantTrue, &UpperLetters},
                      CapsCase{"FalseTwice", {VariantFalse, VariantFalse}, VariantFalse, &LowerLetters},
                      CapsCase{"TrueTwice", {VariantTrue, VariantTrue}, VariantTrue, &UpperLetters}),
    [](const auto& info) { return std::string(info.param.name); });

// A caller passing 1 for True (as C and C++ clients do) gets a lock that the
// toggle of the function keys turns off again.
TEST(CapsLock, AnyNonZeroIsStoredAsTrue) {
  Instance instance;
  ASSERT_EQ(instance.toolkit.Initialize(), hr::Ok);
  ASSERT_EQ(instance.keybord.put_CapsLock(1), hr::Ok);
  std::int16_t stored = 0;
  EXPECT_EQ(instance.keybord.get_CapsLock(stored), hr::Ok);
  EXPECT_EQ(stored, VariantTrue);
  std::int16_t capsLockKey = 20;
  ASSERT_EQ(instance.keybord.KeyF1ToF6(capsLockKey), hr::Ok);
  EXPECT_EQ(instance.keybord.get_CapsLock(stored), hr::Ok);
  EXPECT_EQ(stored, VariantFalse);
  EXPECT_EQ(Captions(instance, KeyArrayId::cmdKey), LowerLetters);
}

// Without the built letter panel the put fails at the first missing key; the
// keys before it are converted and the new value is stored.
TEST(CapsLock, StopsAtTheFirstMissingKey) {
  Instance instance;
  ASSERT_EQ(instance.toolkit.Keys(KeyArrayId::cmdKey).PutCaption(0, u"q"), hr::Ok);
  EXPECT_EQ(instance.keybord.put_CapsLock(VariantTrue), hr::ElementMissing);
  EXPECT_EQ(instance.Key(KeyArrayId::cmdKey, 0).caption, u"Q");
  std::int16_t stored = 0;
  EXPECT_EQ(instance.keybord.get_CapsLock(stored), hr::Ok);
  EXPECT_EQ(stored, VariantTrue);
}

// --- MaxLength: never negative.

struct MaxLengthCase {
  const char* name;
  std::int16_t put;
  std::int16_t read;
};

class MaxLength : public ::testing::TestWithParam<MaxLengthCase> {};

TEST_P(MaxLength, ReadsBackNeverNegative) {
  Instance instance;
  ASSERT_EQ(instance.keybord.put_MaxLength(GetParam().put), hr::Ok);
  std::int16_t read = -7;
  EXPECT_EQ(instance.keybord.get_MaxLength(read), hr::Ok);
  EXPECT_EQ(read, GetParam().read);
}

INSTANTIATE_TEST_SUITE_P(Values, MaxLength,
                         ::testing::Values(MaxLengthCase{"Lowest", -32768, 0}, MaxLengthCase{"MinusFive", -5, 0},
                                           MaxLengthCase{"MinusOne", -1, 0}, MaxLengthCase{"Zero", 0, 0},
                                           MaxLengthCase{"One", 1, 1}, MaxLengthCase{"Highest", 32767, 32767}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(NewInstance, ReportsItsInitialProperties) {
  Instance instance;
  ActivPanel active = ActivPanel::ImageAct;
  std::int16_t maxLength = -7;
  std::int16_t caps = -7;
  EXPECT_EQ(instance.keybord.get_ChangeBord(active), hr::Ok);
  EXPECT_EQ(active, ActivPanel::abcAct);
  EXPECT_EQ(instance.keybord.get_MaxLength(maxLength), hr::Ok);
  EXPECT_EQ(maxLength, 0);
  EXPECT_EQ(instance.keybord.get_CapsLock(caps), hr::Ok);
  EXPECT_EQ(caps, VariantFalse);
  ASSERT_EQ(instance.toolkit.Initialize(), hr::Ok);
  EXPECT_EQ(instance.keybord.get_CapsLock(caps), hr::Ok);
  EXPECT_EQ(caps, VariantTrue);
  EXPECT_EQ(instance.keybord.get_ChangeBord(active), hr::Ok);
  EXPECT_EQ(active, ActivPanel::abcAct);
  for (const Property& property : Properties()) {
    SCOPED_TRACE(std::string(property.name.begin(), property.name.end()));
    Variant value;
    EXPECT_EQ(property.get(instance.keybord, value), hr::Ok);
    EXPECT_EQ(value, property.start.ToVariant()) << "the table's start value";
  }
}

}  // namespace
}  // namespace vexo::testing
