// SPDX-License-Identifier: MIT
// Saving and restoring ChangeBord, Text and MaxLength through a property bag:
// hostile bags, the order of the steps, round trips and failing writes.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "component/PropertyTable.h"
#include "support/Fixture.h"

namespace vexo {
namespace {

using testing::DeliveryName;
using testing::Instance;

constexpr std::u16string_view ChangeBordKey = u"ChangeBord";
constexpr std::u16string_view TextKey = u"Text";
constexpr std::u16string_view MaxLengthKey = u"MaxLength";

// What the host reads back through the public interface.
struct Properties {
  std::int32_t changeBord = 0;
  std::u16string text;
  std::int16_t maxLength = 0;
  friend bool operator==(const Properties&, const Properties&) = default;
};

void PrintTo(const Properties& p, std::ostream* out) {
  *out << "{ChangeBord " << p.changeBord << ", Text of " << p.text.size() << " characters, MaxLength "
       << p.maxLength << "}";
}

Properties Read(KeyBord& keybord) {
  Properties p;
  ActivPanel active{};
  EXPECT_EQ(keybord.get_ChangeBord(active), hr::Ok);
  p.changeBord = static_cast<std::int32_t>(active);
  EXPECT_EQ(keybord.get_Text(p.text), hr::Ok);
  EXPECT_EQ(keybord.get_MaxLength(p.maxLength), hr::Ok);
  return p;
}

// Puts the properties as a host does, text before limit so that the text stays whole.
void Apply(Instance& instance, const Properties& p) {
  KeyBord& k = instance.keybord;
  ASSERT_EQ(instance.toolkit.HostCall([&] { return k.put_Text(p.text); }), hr::Ok);
  ASSERT_EQ(instance.toolkit.HostCall([&] { return k.put_MaxLength(p.maxLength); }), hr::Ok);
  ASSERT_EQ(instance.toolkit.HostCall([&] { return k.put_ChangeBord(static_cast<ActivPanel>(p.changeBord)); }),
            hr::Ok);
}

// --- The hostile bag: every kind of value under every key.

enum class Key { ChangeBord, Text, MaxLength };

struct BagValue {
  const char* name;
  Variant value;
  std::optional<std::int32_t> changeBord;  // ChangeBord afterwards; none: it stays
  std::optional<std::u16string> text;      // Text afterwards; none: the field stays as it was
  std::optional<std::int16_t> maxLength;   // MaxLength afterwards; none: it stays
};

std::u16string Repeat(char16_t c, std::size_t count) { return std::u16string(count, c); }
std::u16string WithNul(std::u16string_view before, std::u16string_view after) {
  std::u16string text(before);
  text.push_back(u'\0');
  text += after;
  return text;
}

const std::vector<BagValue>& BagValues() {
  static const std::vector<BagValue> values = {
      {"Empty", Variant::Empty(), 0, u"", 0},
      {"Null", Variant::Null(), {}, {}, {}},
      {"True", Variant::FromBool(true), -1, u"-1", 0},
      {"False", Variant::FromBool(false), 0, u"0", 0},
      {"I2Two", Variant::FromI2(2), 2, u"2", 2},
      {"I4HighestI2", Variant::FromI4(32767), 32767, u"32767", 32767},
      {"I4AboveI2", Variant::FromI4(32768), 32768, u"32768", {}},
      {"I4BelowI2", Variant::FromI4(-32769), -32769, u"-32769", {}},
      {"I4Highest", Variant::FromI4(INT32_MAX), INT32_MAX, u"2147483647", {}},
      {"I4Lowest", Variant::FromI4(INT32_MIN), INT32_MIN, u"-2147483648", {}},
      {"R8Tie", Variant::FromR8(2.5), 2, u"2.5", 2},
      {"R8AboveI4", Variant::FromR8(2147483647.5), {}, u"2147483647.5", {}},
      {"R8Huge", Variant::FromR8(1e20), {}, u"1E+20", {}},
      {"R8NaN", Variant::FromR8(std::nan("")), {}, u"NAN", {}},
      {"TextNumber", Variant::FromText(u"2"), 2, u"2", 2},
      {"TextSpacesAndSign", Variant::FromText(u"  -3 "), -3, u"  -3 ", 0},
      {"TextPlusAndBlanks", Variant::FromText(u"\t+12 "), 12, u"\t+12 ", 12},
      {"TextHighestI2", Variant::FromText(u"32767"), 32767, u"32767", 32767},
      {"TextAboveI2", Variant::FromText(u"32768"), 32768, u"32768", {}},
      {"TextBelowI2", Variant::FromText(u"-32769"), -32769, u"-32769", {}},
      {"TextHighestI4", Variant::FromText(u"2147483647"), INT32_MAX, u"2147483647", {}},
      {"TextAboveI4", Variant::FromText(u"2147483648"), {}, u"2147483648", {}},
      {"TextBelowI4", Variant::FromText(u"-2147483649"), {}, u"-2147483649", {}},
      {"TextFraction", Variant::FromText(u"1.5"), 2, u"1.5", 2},
      {"TextWord", Variant::FromText(u"ABCAct"), {}, u"ABCAct", {}},
      {"TextEmpty", Variant::FromText(u""), {}, u"", {}},
      {"TextBlanks", Variant::FromText(u"   "), {}, u"   ", {}},
      {"TextNul", Variant::FromText(WithNul(u"a", u"b")), {}, WithNul(u"a", u"b"), {}},
      // The number reader stops at the NUL, as the platform's does.
      {"TextNumberNul", Variant::FromText(WithNul(u"5", u"x")), 5, WithNul(u"5", u"x"), 5},
      {"TextSurrogatePair", Variant::FromText(u"a\U0001F600b"), {}, u"a\U0001F600b", {}},
      {"TextLoneSurrogate", Variant::FromText(u"\xD800x"), {}, u"\xD800x", {}},
      {"TextLongest", Variant::FromText(Repeat(u'x', 32767)), {}, Repeat(u'x', 32767), {}},
      {"TextTooLong", Variant::FromText(Repeat(u'x', 32768)), {}, {}, {}},
      {"TextFarTooLong", Variant::FromText(Repeat(u'1', 100000)), {}, {}, {}},
  };
  return values;
}

class HostileBag : public ::testing::TestWithParam<std::tuple<Key, BagValue>> {};

TEST_P(HostileBag, ReadSucceedsAndLeavesAUsableComponent) {
  const auto& [key, row] = GetParam();
  Instance instance;
  KeyBord& k = instance.keybord;
  ASSERT_EQ(instance.toolkit.Initialize(), hr::Ok);
  // A state that differs from every default, so that "left as it was" shows.
  const Properties before{1, u"keep", std::int16_t(key == Key::MaxLength ? 9 : 0)};
  Apply(instance, before);

  MemoryPropertyBag bag;
  const std::u16string_view name = key == Key::ChangeBord ? ChangeBordKey : key == Key::Text ? TextKey : MaxLengthKey;
  bag.Set(std::u16string(name), row.value);
  ASSERT_EQ(instance.toolkit.ReadProperties(bag), hr::Ok);

  // The keys that are absent give an empty field and no limit.
  Properties expected{before.changeBord, u"", 0};
  switch (key) {
    case Key::ChangeBord: expected.changeBord = row.changeBord.value_or(before.changeBord); break;
    case Key::Text: expected.text = row.text.value_or(before.text); break;
    case Key::MaxLength: expected.maxLength = row.maxLength.value_or(before.maxLength); break;
  }
  EXPECT_EQ(Read(k), expected);
  // Whole, with the trailing space, and the block caret on that space.
  ASSERT_EQ(instance.Field(), expected.text + u" ");
  EXPECT_EQ(instance.Caret(), static_cast<std::int32_t>(expected.text.size()));

  // Still usable: shown, a click on E types E, unless the field is at its size.
  ASSERT_EQ(instance.toolkit.Show(), hr::Ok);
  const HResult click = instance.toolkit.Click(KeyArrayId::cmdKey, 2);
  if (expected.text.size() < 32767) {
    EXPECT_EQ(click, hr::Ok);
    EXPECT_EQ(instance.Field(), expected.text + u"E ");
  } else {
    EXPECT_EQ(click, hr::Overflow);
    EXPECT_EQ(instance.Field(), expected.text + u" ");
  }
  EXPECT_EQ(instance.toolkit.Focused(), PanelId::picABC);
}

std::string HostileName(const ::testing::TestParamInfo<std::tuple<Key, BagValue>>& info) {
  const Key key = std::get<0>(info.param);
  const char* prefix = key == Key::ChangeBord ? "ChangeBord_" : key == Key::Text ? "Text_" : "MaxLength_";
  return prefix + std::string(std::get<1>(info.param).name);
}

INSTANTIATE_TEST_SUITE_P(EveryKeyEveryValue, HostileBag,
                         ::testing::Combine(::testing::Values(Key::ChangeBord, Key::Text, Key::MaxLength),
                                            ::testing::ValuesIn(BagValues())),
                         HostileName);

// --- Reading.

class PersistenceRead : public ::testing::TestWithParam<FocusDelivery> {};

TEST_P(PersistenceRead, EmptyBagKeepsChangeBordAndEmptiesFieldAndLimit) {
  Instance instance(GetParam());
  ASSERT_EQ(instance.toolkit.Initialize(), hr::Ok);
  Apply(instance, {2, u"typed", 5});
  MemoryPropertyBag bag;
  ASSERT_EQ(instance.toolkit.ReadProperties(bag), hr::Ok);
  EXPECT_EQ(Read(instance.keybord), (Properties{2, u"", 0}));
  EXPECT_EQ(instance.Field(), u" ");
  EXPECT_EQ(instance.Caret(), 0);
}

TEST_P(PersistenceRead, ChangeBordIsRestoredWhenItsPanelRefusesTheFocus) {
  Instance instance(GetParam());
  ASSERT_EQ(instance.toolkit.Initialize(), hr::Ok);
  instance.toolkit.FailSetFocus(PanelId::picShift);
  MemoryPropertyBag bag;
  bag.Set(u"ChangeBord", Variant::FromI4(2));
  bag.Set(u"Text", Variant::FromText(u"hi"));
  bag.Set(u"MaxLength", Variant::FromI2(4));
  ASSERT_EQ(instance.toolkit.ReadProperties(bag), hr::Ok);
  EXPECT_EQ(Read(instance.keybord), (Properties{2, u"hi", 4}));

  // The focus follows at the first show.
  instance.toolkit.FailSetFocus(std::nullopt);
  ASSERT_EQ(instance.toolkit.Show(), hr::Ok);
  EXPECT_EQ(instance.toolkit.Focused(), PanelId::picShift);
  EXPECT_TRUE(instance.Marked(KeyArrayId::cmdShift, 0));
}

TEST_P(PersistenceRead, UnreadableChangeBordStillRestoresTheOthers) {
  Instance instance(GetParam());
  ASSERT_EQ(instance.toolkit.Initialize(), hr::Ok);
  MemoryPropertyBag bag;
  bag.Set(u"ChangeBord", Variant::FromText(u"NumberAct"));
  bag.Set(u"Text", Variant::FromText(u"abc"));
  bag.Set(u"MaxLength", Variant::FromText(u"3"));
  ASSERT_EQ(instance.toolkit.ReadProperties(bag), hr::Ok);
  EXPECT_EQ(Read(instance.keybord), (Properties{0, u"abc", 3}));
  ASSERT_EQ(instance.toolkit.Show(), hr::Ok);
  EXPECT_EQ(instance.toolkit.Focused(), PanelId::picABC);
}

INSTANTIATE_TEST_SUITE_P(Delivery, PersistenceRead,
                         ::testing::Values(FocusDelivery::Sync, FocusDelivery::Deferred), DeliveryName);

// The limit is applied after the text: a stored text longer than the stored
// limit comes back whole, and the full field then refuses more with a beep.
TEST(PersistenceLimit, TextLongerThanTheLimitIsRestoredWhole) {
  Instance instance;
  ASSERT_EQ(instance.toolkit.Initialize(), hr::Ok);
  MemoryPropertyBag bag;
  bag.Set(u"Text", Variant::FromText(u"abcdef"));
  bag.Set(u"MaxLength", Variant::FromI2(3));
  ASSERT_EQ(instance.toolkit.ReadProperties(bag), hr::Ok);
  ASSERT_EQ(instance.toolkit.Show(), hr::Ok);
  EXPECT_EQ(Read(instance.keybord), (Properties{0, u"abcdef", 3}));
  EXPECT_EQ(instance.toolkit.Beeps(), 0);

  EXPECT_EQ(instance.toolkit.Click(KeyArrayId::cmdKey, 2), hr::Ok);
  EXPECT_EQ(instance.Field(), u"abcdef ");
  EXPECT_EQ(instance.toolkit.Beeps(), 1);
}

// --- Writing.

TEST(PersistenceWrite, WritesEachPropertyWithItsType) {
  Instance instance;
  instance.StartAndShow();
  Apply(instance, {2, u"hello", 7});
  MemoryPropertyBag bag;
  ASSERT_EQ(instance.toolkit.WriteProperties(bag), hr::Ok);
  const std::vector<std::pair<std::u16string, Variant>> expected = {
      {u"ChangeBord", Variant::FromI4(2)},
      {u"Text", Variant::FromText(u"hello")},
      {u"MaxLength", Variant::FromI2(7)},
  };
  EXPECT_EQ(bag.Entries(), expected);
}

// The property table's saved properties are what a save writes, in its
// order and with the table's types.
TEST(PersistenceWrite, WritesTheSavedRowsOfThePropertyTableInItsOrder) {
  Instance instance;
  instance.StartAndShow();
  MemoryPropertyBag bag;
  ASSERT_EQ(instance.toolkit.WriteProperties(bag), hr::Ok);
  std::vector<std::pair<std::u16string, VarType>> saved;
  for (const Property& property : SavedProperties()) saved.emplace_back(property.name, property.type);
  std::vector<std::pair<std::u16string, VarType>> written;
  for (const auto& [name, value] : bag.Entries()) written.emplace_back(name, value.type);
  EXPECT_EQ(written, saved);
}

TEST(PersistenceWrite, DefaultsAreLeftOutExceptChangeBord) {
  Instance instance;
  instance.StartAndShow();
  MemoryPropertyBag bag(MemoryPropertyBag::Defaults::Omit);
  ASSERT_EQ(instance.toolkit.WriteProperties(bag), hr::Ok);
  // ChangeBord's default is text, so abcAct (0) is still written.
  const std::vector<std::pair<std::u16string, Variant>> expected = {{u"ChangeBord", Variant::FromI4(0)}};
  EXPECT_EQ(bag.Entries(), expected);

  MemoryPropertyBag full;
  ASSERT_EQ(instance.toolkit.WriteProperties(full), hr::Ok);
  ASSERT_NE(full.Find(u"Text"), nullptr);
  EXPECT_EQ(*full.Find(u"Text"), Variant::FromText(u""));
}

struct FailingKey {
  const char* name;
  std::u16string key;
  std::vector<std::u16string> written;  // the keys in the bag afterwards
};

class PersistenceWriteFailure : public ::testing::TestWithParam<FailingKey> {};

TEST_P(PersistenceWriteFailure, StopsAtTheFailingKey) {
  Instance instance;
  instance.StartAndShow();
  Apply(instance, {1, u"abc", 4});
  MemoryPropertyBag bag;
  bag.FailWritesOf(GetParam().key, hr::OutOfMemory);
  EXPECT_EQ(instance.toolkit.WriteProperties(bag), hr::OutOfMemory);
  std::vector<std::u16string> written;
  for (const auto& entry : bag.Entries()) written.push_back(entry.first);
  EXPECT_EQ(written, GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, PersistenceWriteFailure,
    ::testing::Values(FailingKey{"ChangeBord", u"ChangeBord", {}},
                      FailingKey{"Text", u"Text", {u"ChangeBord"}},
                      FailingKey{"MaxLength", u"MaxLength", {u"ChangeBord", u"Text"}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Save, then load into a fresh instance.

std::u16string RandomText(std::mt19937& random) {
  // Letters, blanks, digits and signs, NULs, surrogate halves, anything.
  static constexpr char16_t Pool[] = u"aZ 09-+.,$(&H\t";
  std::uniform_int_distribution<int> kind(0, 9);
  const std::size_t length = std::uniform_int_distribution<std::size_t>(0, kind(random) == 0 ? 2000 : 40)(random);
  std::u16string text;
  for (std::size_t i = 0; i < length; ++i) {
    switch (kind(random)) {
      case 0: text.push_back(u'\0'); break;
      case 1: text.push_back(static_cast<char16_t>(std::uniform_int_distribution<int>(0xD800, 0xDFFF)(random))); break;
      case 2: text.push_back(static_cast<char16_t>(std::uniform_int_distribution<int>(0, 0xFFFF)(random))); break;
      default: text.push_back(Pool[std::uniform_int_distribution<std::size_t>(0, std::size(Pool) - 2)(random)]);
    }
  }
  return text;
}

Properties RandomProperties(std::mt19937& random) {
  Properties p;
  const int panel = std::uniform_int_distribution<int>(0, 4)(random);
  p.changeBord = panel < 3 ? panel : std::uniform_int_distribution<std::int32_t>(INT32_MIN, INT32_MAX)(random);
  p.text = RandomText(random);
  p.maxLength = std::uniform_int_distribution<int>(0, 2)(random) == 0
                    ? std::int16_t{0}
                    : static_cast<std::int16_t>(std::uniform_int_distribution<int>(1, 32767)(random));
  return p;
}

void ExpectRoundTrip(const Properties& saved, MemoryPropertyBag::Defaults defaults) {
  Instance source;
  source.StartAndShow();
  Apply(source, saved);
  MemoryPropertyBag bag(defaults);
  ASSERT_EQ(source.toolkit.WriteProperties(bag), hr::Ok);

  Instance loaded;
  ASSERT_EQ(loaded.toolkit.Initialize(), hr::Ok);
  ASSERT_EQ(loaded.toolkit.ReadProperties(bag), hr::Ok);
  ASSERT_EQ(loaded.toolkit.Show(), hr::Ok);
  EXPECT_EQ(Read(loaded.keybord), saved);
  EXPECT_EQ(loaded.Field(), saved.text + u" ");
}

TEST(PersistenceRoundTrip, RandomValuesComeBack) {
  std::mt19937 random(20261207);
  for (int round = 0; round < 300; ++round) {
    const Properties saved = RandomProperties(random);
    SCOPED_TRACE(::testing::Message() << "round " << round);
    ExpectRoundTrip(saved, round % 2 == 0 ? MemoryPropertyBag::Defaults::Store : MemoryPropertyBag::Defaults::Omit);
    if (::testing::Test::HasFailure()) return;
  }
}

TEST(PersistenceRoundTrip, TextLongerThanTheLimitComesBackWhole) {
  ExpectRoundTrip({1, u"longer than three", 3}, MemoryPropertyBag::Defaults::Store);
  ExpectRoundTrip({5, Repeat(u'q', 32767), 1}, MemoryPropertyBag::Defaults::Omit);
  ExpectRoundTrip({0, u"", 32767}, MemoryPropertyBag::Defaults::Omit);
}

}  // namespace
}  // namespace vexo
