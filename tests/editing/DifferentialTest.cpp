// SPDX-License-Identifier: MIT
// The fast paths against the plain ones, on random fields, texts and limits:
// Text let in one write against one InsertChar per character, and insertion in
// place against a rewrite of the whole text. Every observable result must be
// the same: status, text, caret, selection, beeps, and the caller's string.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "editing/EditingSupport.h"

namespace vexo::testing {
namespace {

class RandomEdits {
 public:
  explicit RandomEdits(std::uint32_t seed) : random_(seed) {}

  int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

  // Letters, spaces, a non-ASCII letter and whole surrogate pairs.
  std::u16string Text(int length) {
    std::u16string text;
    while (static_cast<int>(text.size()) < length) {
      switch (Between(0, 5)) {
        case 0: text += u' '; break;
        case 1: text += u'\u00E9'; break;
        case 2: text += u"\U0001F600"; break;
        default: text += static_cast<char16_t>(u'a' + Between(0, 25)); break;
      }
    }
    text.resize(static_cast<std::size_t>(length));  // may cut a pair: a lone half is text too
    return text;
  }

  int Length() {
    switch (Between(0, 9)) {
      case 0: return 0;
      case 1: return Between(32760, 32769);
      case 2: return Between(1000, 5000);
      default: return Between(1, 40);
    }
  }

  std::int16_t Limit(int textLength) {
    switch (Between(0, 7)) {
      case 0: return 0;
      case 1: return 32766;
      case 2: return 32767;
      case 3: return static_cast<std::int16_t>(std::max(0, textLength - Between(1, 5)));  // lowered below
      case 4: return static_cast<std::int16_t>(std::min(32767, textLength + Between(0, 2)));
      default: return static_cast<std::int16_t>(Between(1, 12));
    }
  }

  // A field as earlier edits and the user's mouse could have left it: never
  // filled, or text with its trailing space and any caret and selection,
  // the caret behind the trailing space included.
  void Field(Instance& instance, int length) {
    if (Between(0, 15) == 0) {
      GivenField(instance, u"", 0, 0);
      return;
    }
    const std::u16string text = Text(length) + u" ";
    const int caret = Between(0, 9) == 0 ? static_cast<int>(text.size()) : Between(0, length);
    GivenField(instance, text, caret, Between(0, 3));
  }

 private:
  std::mt19937 random_;
};

// Both instances start from the same field state, limit and beep count.
struct Pair {
  Instance fast;
  Instance plain;
};

void Prepare(Pair& pair, std::uint32_t seed, int fieldLength, std::int16_t limit) {
  for (Instance* instance : {&pair.fast, &pair.plain}) {
    RandomEdits field(seed);
    field.Field(*instance, fieldLength);
    instance->probe.SetMaxChars(limit);
  }
}

void ExpectSameTextLet(std::u16string_view value, std::int16_t limit, std::uint32_t seed) {
  Pair pair;
  Prepare(pair, seed, static_cast<int>(seed % 31), limit);

  const HResult fast = pair.fast.keybord.put_Text(value);
  const HResult plain = PutTextOneAtATime(pair.plain, value);

  SCOPED_TRACE(::testing::Message() << "seed " << seed << ", length " << value.size() << ", limit " << limit);
  ASSERT_EQ(fast, plain);
  ASSERT_EQ(Look(pair.fast), Look(pair.plain));
  ASSERT_LE(pair.fast.toolkit.Field().CharactersWritten(), pair.plain.toolkit.Field().CharactersWritten());
}

TEST(Differential, TextLetMatchesOneCharacterAtATime) {
  RandomEdits random(20261207);
  for (std::uint32_t round = 0; round < 400; ++round) {
    const int length = std::min(random.Length(), random.Between(0, 5000));
    const std::u16string value = random.Text(length);
    ExpectSameTextLet(value, random.Limit(length), round);
  }
}

// The plain path is quadratic: the longest values are taken in pairs on both
// sides of the largest length, under the limits that matter there.
TEST(Differential, LongestTextLetMatchesOneCharacterAtATime) {
  RandomEdits random(32767);
  std::uint32_t seed = 0;
  for (int length : {32766, 32767, 32768}) {
    const std::u16string value = random.Text(length);
    for (std::int16_t limit : {0, 32766, 32767, 40}) {
      ExpectSameTextLet(value, limit, ++seed);
    }
  }
}

TEST(Differential, InsertInPlaceMatchesRewriteOfWholeText) {
  RandomEdits random(7);
  for (int round = 0; round < 3000; ++round) {
    const int fieldLength = random.Between(0, 9) == 0 ? random.Between(32760, 32767) : random.Between(0, 30);
    const std::int16_t limit = random.Limit(fieldLength);
    std::u16string inserted = random.Text(random.Between(0, 3));
    Pair pair;
    Prepare(pair, static_cast<std::uint32_t>(round) + 100000, fieldLength, limit);
    const std::uint64_t writtenBefore = pair.fast.toolkit.Field().CharactersWritten();
    std::u16string fastS = inserted;
    std::u16string plainS = inserted;

    const HResult fast = pair.fast.probe.InsertChar(fastS);
    const HResult plain = InsertCharByRewrite(pair.plain, plainS);

    SCOPED_TRACE(::testing::Message() << "round " << round << ", field " << fieldLength << ", limit " << limit
                                      << ", inserted " << inserted.size());
    ASSERT_EQ(fast, plain);
    ASSERT_EQ(Look(pair.fast), Look(pair.plain));
    ASSERT_EQ(fastS, plainS);
    // In place: what was inserted and the restored trailing space, unless
    // the field was never filled.
    if (fieldLength > 0 && pair.fast.toolkit.Field().Content().size() > fastS.size() + 1) {
      ASSERT_LE(pair.fast.toolkit.Field().CharactersWritten() - writtenBefore, fastS.size() + 1);
    }
  }
}

}  // namespace
}  // namespace vexo::testing
