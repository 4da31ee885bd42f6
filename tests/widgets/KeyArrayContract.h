// SPDX-License-Identifier: MIT
// What every toolkit's key arrays promise, as one suite run against each of
// them: elements loaded as hidden copies of element 0, errors for indexes
// that hold no element, values read back exactly, a count of the loaded
// elements that holds up at the highest index.
//
// A toolkit takes part through a subject type with:
//   Subject();                                    a fresh instance, design-time form
//   KeyArray& Keys(KeyArrayId);
//   std::optional<KeyElement> Seen(KeyArrayId, std::int32_t index);  what it holds, empty when not loaded
//   std::int32_t Extent(KeyArrayId);              highest loaded index + 1
// and is instantiated with
//   INSTANTIATE_TYPED_TEST_SUITE_P(Name, KeyArrayContract, ::testing::Types<Subject>);
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "widgets/KeyLooks.h"
#include "widgets/KeyStore.h"

namespace vexo::contract {

// What a toolkit's store holds at `index`, for its subject's Seen.
inline std::optional<KeyElement> SeenIn(const KeyStore& keys, std::int32_t index) {
  const KeyElement* key = keys.Element(index);
  return key != nullptr ? std::optional<KeyElement>(*key) : std::nullopt;
}

template <typename Subject>
class KeyArrayContract : public ::testing::Test {
 protected:
  std::int16_t CountOf(KeyArrayId array) {
    std::int16_t count = -1;
    EXPECT_EQ(subject.Keys(array).Count(count), hr::Ok);
    return count;
  }

  Subject subject;
};

TYPED_TEST_SUITE_P(KeyArrayContract);

TYPED_TEST_P(KeyArrayContract, LoadCopiesElementZeroHiddenAndApart) {
  KeyArray& keys = this->subject.Keys(KeyArrayId::cmdKey);
  ASSERT_EQ(keys.PutCaption(0, u"Ж"), hr::Ok);
  ASSERT_EQ(keys.PutLeft(0, 12.25f), hr::Ok);
  ASSERT_EQ(keys.PutTop(0, 7.5f), hr::Ok);
  ASSERT_EQ(keys.PutWidth(0, 400), hr::Ok);
  ASSERT_EQ(keys.PutForeColor(0, 0x123456), hr::Ok);

  ASSERT_EQ(keys.Load(3), hr::Ok);
  const auto copy = this->subject.Seen(KeyArrayId::cmdKey, 3);
  const auto original = this->subject.Seen(KeyArrayId::cmdKey, 0);
  ASSERT_TRUE(copy && original);
  EXPECT_EQ(copy->caption, u"Ж");
  EXPECT_EQ(copy->left, 12.25f);
  EXPECT_EQ(copy->top, 7.5f);
  EXPECT_EQ(copy->width, 400);
  EXPECT_EQ(copy->height, 350);
  EXPECT_EQ(copy->look, original->look);
  EXPECT_EQ(copy->foreColor, 0x123456u);
  EXPECT_FALSE(copy->visible);
  EXPECT_TRUE(original->visible);

  // The copy is its own key, and the gap below it holds no element.
  ASSERT_EQ(keys.PutCaption(3, u"x"), hr::Ok);
  EXPECT_EQ(this->subject.Seen(KeyArrayId::cmdKey, 0)->caption, u"Ж");
  EXPECT_EQ(this->subject.Seen(KeyArrayId::cmdKey, 2), std::nullopt);
  EXPECT_EQ(this->CountOf(KeyArrayId::cmdKey), 2);
}

// The template of each array as the design-time form holds it.
TYPED_TEST_P(KeyArrayContract, LoadCopiesTheDesignTimeTemplate) {
  KeyArray& keys = this->subject.Keys(KeyArrayId::cmdShift);
  ASSERT_EQ(keys.Load(5), hr::Ok);
  std::u16string caption;
  ASSERT_EQ(keys.GetCaption(5, caption), hr::Ok);
  EXPECT_EQ(caption, u"~");
  EXPECT_FALSE(this->subject.Seen(KeyArrayId::cmdShift, 5)->visible);
  float height = 0;
  ASSERT_EQ(this->subject.Keys(KeyArrayId::cmdNumber).GetHeight(0, height), hr::Ok);
  EXPECT_EQ(height, 345);
}

TYPED_TEST_P(KeyArrayContract, LoadingAnExistingIndexOrTouchingAMissingOneFails) {
  KeyArray& keys = this->subject.Keys(KeyArrayId::cmdShift);
  ASSERT_EQ(keys.Load(1), hr::Ok);
  EXPECT_EQ(keys.Load(0), hr::AlreadyLoaded);
  EXPECT_EQ(keys.Load(1), hr::AlreadyLoaded);
  EXPECT_EQ(keys.Load(-1), hr::ElementMissing);
  EXPECT_EQ(keys.Load(-32768), hr::ElementMissing);

  for (const std::int16_t missing : {std::int16_t{-1}, std::int16_t{2}, std::int16_t{32767}}) {
    SCOPED_TRACE(missing);
    std::u16string caption = u"kept";
    float value = 42;
    EXPECT_EQ(keys.GetCaption(missing, caption), hr::ElementMissing);
    EXPECT_EQ(keys.PutCaption(missing, u"a"), hr::ElementMissing);
    EXPECT_EQ(keys.PutForeColor(missing, 0), hr::ElementMissing);
    EXPECT_EQ(keys.PutBackColor(missing, 0), hr::ElementMissing);
    EXPECT_EQ(keys.GetLeft(missing, value), hr::ElementMissing);
    EXPECT_EQ(keys.PutLeft(missing, 1), hr::ElementMissing);
    EXPECT_EQ(keys.GetTop(missing, value), hr::ElementMissing);
    EXPECT_EQ(keys.PutTop(missing, 1), hr::ElementMissing);
    EXPECT_EQ(keys.GetWidth(missing, value), hr::ElementMissing);
    EXPECT_EQ(keys.PutWidth(missing, 1), hr::ElementMissing);
    EXPECT_EQ(keys.GetHeight(missing, value), hr::ElementMissing);
    EXPECT_EQ(keys.PutVisible(missing, true), hr::ElementMissing);
    EXPECT_EQ(caption, u"kept");
    EXPECT_EQ(value, 42);
  }
  EXPECT_EQ(this->CountOf(KeyArrayId::cmdShift), 2);
}

TYPED_TEST_P(KeyArrayContract, CaptionsReadBackExactly) {
  KeyArray& keys = this->subject.Keys(KeyArrayId::cmdNumber);
  ASSERT_EQ(keys.Load(1), hr::Ok);
  const std::u16string captions[] = {u"", u"\U0001F600", u"a b", std::u16string(1, u'\xD800'),
                                     std::u16string(u"x\0y", 3), std::u16string(300, u'w')};
  for (const std::u16string& written : captions) {
    for (const std::int16_t index : {std::int16_t{0}, std::int16_t{1}}) {
      std::u16string read = u"before";
      ASSERT_EQ(keys.PutCaption(index, written), hr::Ok);
      ASSERT_EQ(keys.GetCaption(index, read), hr::Ok);
      EXPECT_EQ(read, written) << "element " << index;
    }
  }
}

// Positions are single-precision twips, read back bit for bit.
TYPED_TEST_P(KeyArrayContract, PositionsReadBackExactly) {
  KeyArray& keys = this->subject.Keys(KeyArrayId::cmdNumber);
  for (const float value : {374.5f, 0.1f, 1e-3f, 12345.678f, -20.25f, 16777217.0f}) {
    SCOPED_TRACE(value);
    float read = 0;
    ASSERT_EQ(keys.PutLeft(0, value), hr::Ok);
    ASSERT_EQ(keys.GetLeft(0, read), hr::Ok);
    EXPECT_EQ(read, value);
    ASSERT_EQ(keys.PutTop(0, value), hr::Ok);
    ASSERT_EQ(keys.GetTop(0, read), hr::Ok);
    EXPECT_EQ(read, value);
    ASSERT_EQ(keys.PutWidth(0, value), hr::Ok);
    ASSERT_EQ(keys.GetWidth(0, read), hr::Ok);
    EXPECT_EQ(read, value);
  }
}

// Plain colours (0x00BBGGRR) and system colours (high bit, index in the low
// byte) are both held as given, on the template and on a loaded element; a
// key is marked while it has both of the mark's colours, and only then.
TYPED_TEST_P(KeyArrayContract, PlainAndSystemColoursAreHeldAsGiven) {
  KeyArray& keys = this->subject.Keys(KeyArrayId::cmdKey);
  ASSERT_EQ(keys.Load(1), hr::Ok);
  const struct {
    Colour fore;
    Colour back;
    bool marked;
  } looks[] = {{MarkedForeColor, MarkedBackColor, true},     {UnmarkedForeColor, UnmarkedBackColor, false},
               {MarkedForeColor, UnmarkedBackColor, false},  {0x80000012, 0x0000FF, false},
               {MarkedForeColor, MarkedBackColor, true},     {UnmarkedForeColor, MarkedBackColor, false},
               {0x80000008, 0x80000005, false}};
  for (const auto& look : looks) {
    for (const std::int16_t index : {std::int16_t{0}, std::int16_t{1}}) {
      ASSERT_EQ(keys.PutForeColor(index, look.fore), hr::Ok);
      ASSERT_EQ(keys.PutBackColor(index, look.back), hr::Ok);
      const auto seen = this->subject.Seen(KeyArrayId::cmdKey, index);
      ASSERT_TRUE(seen);
      EXPECT_EQ(seen->foreColor, look.fore) << "element " << index;
      EXPECT_EQ(seen->backColor, look.back) << "element " << index;
      EXPECT_EQ(seen->marked, look.marked) << "element " << index;
    }
  }
}

TYPED_TEST_P(KeyArrayContract, CountHoldsTheLoadedElementsOnly) {
  EXPECT_EQ(this->CountOf(KeyArrayId::cmdNumber), 1);
  EXPECT_EQ(this->subject.Extent(KeyArrayId::cmdNumber), 1);
  KeyArray& keys = this->subject.Keys(KeyArrayId::cmdNumber);
  for (const std::int16_t index : {1, 2, 7}) {
    ASSERT_EQ(keys.Load(index), hr::Ok);
  }
  EXPECT_EQ(keys.Load(7), hr::AlreadyLoaded);
  EXPECT_EQ(this->CountOf(KeyArrayId::cmdNumber), 4);
  EXPECT_EQ(this->subject.Extent(KeyArrayId::cmdNumber), 8);
  // The other arrays are their own.
  EXPECT_EQ(this->CountOf(KeyArrayId::cmdKey), 1);
  EXPECT_EQ(this->CountOf(KeyArrayId::cmdShift), 1);
}

// The two highest indexes: the extent reaches 32768, past what a 16-bit
// number holds, and must neither wrap nor hide the keys below it.
TYPED_TEST_P(KeyArrayContract, TheHighestIndexesLoadAndCount) {
  KeyArray& keys = this->subject.Keys(KeyArrayId::cmdShift);
  ASSERT_EQ(keys.Load(32766), hr::Ok);
  EXPECT_EQ(this->CountOf(KeyArrayId::cmdShift), 2);
  EXPECT_EQ(this->subject.Extent(KeyArrayId::cmdShift), 32767);
  ASSERT_EQ(keys.Load(32767), hr::Ok);
  EXPECT_EQ(keys.Load(32767), hr::AlreadyLoaded);
  EXPECT_EQ(this->CountOf(KeyArrayId::cmdShift), 3);
  EXPECT_EQ(this->subject.Extent(KeyArrayId::cmdShift), 32768);
  std::u16string caption;
  ASSERT_EQ(keys.PutCaption(32767, u"z"), hr::Ok);
  ASSERT_EQ(keys.GetCaption(32767, caption), hr::Ok);
  EXPECT_EQ(caption, u"z");
  ASSERT_EQ(keys.GetCaption(32766, caption), hr::Ok);
  EXPECT_EQ(caption, u"~");
  EXPECT_EQ(this->subject.Seen(KeyArrayId::cmdShift, 32767)->caption, u"z");
  EXPECT_EQ(keys.GetCaption(32765, caption), hr::ElementMissing);
}

REGISTER_TYPED_TEST_SUITE_P(KeyArrayContract, LoadCopiesElementZeroHiddenAndApart, LoadCopiesTheDesignTimeTemplate,
                            LoadingAnExistingIndexOrTouchingAMissingOneFails, CaptionsReadBackExactly,
                            PositionsReadBackExactly, PlainAndSystemColoursAreHeldAsGiven,
                            CountHoldsTheLoadedElementsOnly, TheHighestIndexesLoadAndCount);

}  // namespace vexo::contract
