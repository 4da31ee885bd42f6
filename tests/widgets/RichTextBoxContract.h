// SPDX-License-Identifier: MIT
// What every toolkit's field `Text1` promises, as one suite run against each
// of them: every UTF-16 unit read back exactly, selections placed and cut as
// the field does, and the capacity held without cutting.
//
// A toolkit takes part through a subject type with:
//   Subject();                          a fresh instance, design-time form
//   RichTextBox& Field();
//   static constexpr HResult TooLong;   what a text past the capacity gives
// and is instantiated with
//   INSTANTIATE_TYPED_TEST_SUITE_P(Name, RichTextBoxContract, ::testing::Types<Subject>);
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "widgets/ToolkitCore.h"

namespace vexo::contract {

template <typename Subject>
class RichTextBoxContract : public ::testing::Test {
 protected:
  std::u16string Text() {
    std::u16string text = u"sentinel";
    EXPECT_EQ(field.GetText(text), hr::Ok);
    return text;
  }
  std::int32_t Length() {
    std::int32_t length = -1;
    EXPECT_EQ(field.GetTextLength(length), hr::Ok);
    return length;
  }
  // Start and length.
  std::pair<std::int32_t, std::int32_t> Selection() {
    std::pair<std::int32_t, std::int32_t> selection{-1, -1};
    EXPECT_EQ(field.GetSelStart(selection.first), hr::Ok);
    EXPECT_EQ(field.GetSelLength(selection.second), hr::Ok);
    return selection;
  }

  Subject subject;
  RichTextBox& field = subject.Field();
};

TYPED_TEST_SUITE_P(RichTextBoxContract);

struct OddText {
  const char* name;
  std::u16string text;
};

inline const OddText oddTexts[] = {
    {"Plain", u"Shalom world"},
    {"CarriageReturn", u"a\rb"},
    {"LineFeed", u"a\nb"},
    {"CrLf", u"a\r\nb\r\n"},
    {"LoneCrAtBothEnds", u"\rab\r"},
    {"Nul", std::u16string(u"a\0b\0", 4)},
    {"OnlyNul", std::u16string(1, u'\0')},
    {"VerticalTabAndFormFeed", u"a\vb\fc"},
    {"Separators", u"a\u2028b\u2029c"},
    {"Tab", u"a\tb"},
    {"SurrogatePair", u"a\U0001F600b"},
    {"LoneHighSurrogate", u"a\xD83D" u"b"},
    {"LoneLowSurrogate", u"a\xDE00" u"b"},
    {"ByteOrderMarkFirst", u"\xFEFF" u"a"},
    {"PicturesThemselves", u"\u240D\u240A\u2400"},
    {"PicturesBesideWhatTheyShow", u"\u240D\r\n\u240A"},
    {"LooksLikeRichText", u"{\\rtf1 {\\b bold}}"},
    {"Hebrew", u"\u05E9\u05DC\u05D5\u05DD"},
};

// Each text reads back as put, with the caret at 0 and nothing selected; the
// component's own edit (the block caret on the second unit, replaced by a
// typed one) keeps every other unit, and positions are the text's.
TYPED_TEST_P(RichTextBoxContract, EveryUnitReadsBackExactly) {
  for (const OddText& row : oddTexts) {
    SCOPED_TRACE(row.name);
    ASSERT_EQ(this->field.PutText(row.text), hr::Ok);
    EXPECT_EQ(this->Text(), row.text);
    EXPECT_EQ(this->Length(), static_cast<std::int32_t>(row.text.size()));
    EXPECT_EQ(this->Selection(), std::make_pair(0, 0));

    std::u16string text = row.text + u" ";
    ASSERT_EQ(this->field.PutText(text), hr::Ok);
    ASSERT_EQ(this->field.PutSelStart(1), hr::Ok);
    ASSERT_EQ(this->field.PutSelLength(1), hr::Ok);
    ASSERT_EQ(this->field.PutSelText(u"#"), hr::Ok);
    text.replace(1, 1, u"#");
    EXPECT_EQ(this->Text(), text);
    EXPECT_EQ(this->Length(), static_cast<std::int32_t>(text.size()));
    EXPECT_EQ(this->Selection(), std::make_pair(2, 0));
  }
}

struct Edit {
  const char* name;
  std::function<HResult(RichTextBox&)> action;  // on "abcdef", caret 2, 3 selected
  HResult status;
  std::u16string text;
  std::pair<std::int32_t, std::int32_t> selection;  // start, length afterwards
};

// The caret placed, then that many characters selected from it.
inline HResult Select(RichTextBox& field, std::int32_t start, std::int32_t length) {
  const HResult status = field.PutSelStart(start);
  return status == hr::Ok ? field.PutSelLength(length) : status;
}

inline const Edit edits[] = {
    {"CaretOnly", [](RichTextBox& f) { return Select(f, 3, 0); }, hr::Ok, u"abcdef", {3, 0}},
    {"BlockCaret", [](RichTextBox& f) { return Select(f, 3, 1); }, hr::Ok, u"abcdef", {3, 1}},
    {"LengthPastTheEndIsCut", [](RichTextBox& f) { return Select(f, 4, 100); }, hr::Ok, u"abcdef", {4, 2}},
    {"StartPastTheEndIsTheEnd", [](RichTextBox& f) { return Select(f, 100, 1); }, hr::Ok, u"abcdef", {6, 0}},
    {"LargestLength", [](RichTextBox& f) { return Select(f, 0, 0x7FFFFFFF); }, hr::Ok, u"abcdef", {0, 6}},
    {"NegativeLengthAfterACaret", [](RichTextBox& f) { return Select(f, 1, -1); }, hr::InvalidPropertyValue,
     u"abcdef", {1, 0}},
    {"TextPutCaretToStart", [](RichTextBox& f) { return f.PutText(u"xyz "); }, hr::Ok, u"xyz ", {0, 0}},
    {"SelStartEmptiesSelection", [](RichTextBox& f) { return f.PutSelStart(4); }, hr::Ok, u"abcdef", {4, 0}},
    {"SelStartAtTheEnd", [](RichTextBox& f) { return f.PutSelStart(6); }, hr::Ok, u"abcdef", {6, 0}},
    {"SelStartBeyondEndClamps", [](RichTextBox& f) { return f.PutSelStart(99); }, hr::Ok, u"abcdef", {6, 0}},
    {"SelLengthFromCaret", [](RichTextBox& f) { return f.PutSelLength(1); }, hr::Ok, u"abcdef", {2, 1}},
    {"SelLengthClampsToEnd", [](RichTextBox& f) { return f.PutSelLength(50); }, hr::Ok, u"abcdef", {2, 4}},
    {"SelTextReplacesSelection", [](RichTextBox& f) { return f.PutSelText(u"XY"); }, hr::Ok, u"abXYf", {4, 0}},
    {"SelTextEmptyDeletes", [](RichTextBox& f) { return f.PutSelText(u""); }, hr::Ok, u"abf", {2, 0}},
    {"NegativeSelStartRefused", [](RichTextBox& f) { return f.PutSelStart(-1); }, hr::InvalidPropertyValue,
     u"abcdef", {2, 3}},
    {"NegativeSelLengthRefused", [](RichTextBox& f) { return f.PutSelLength(-1); }, hr::InvalidPropertyValue,
     u"abcdef", {2, 3}},
};

TYPED_TEST_P(RichTextBoxContract, SelectsAndEditsAsTheFieldDoes) {
  for (const Edit& row : edits) {
    SCOPED_TRACE(row.name);
    ASSERT_EQ(this->field.PutText(u"abcdef"), hr::Ok);
    ASSERT_EQ(this->field.PutSelStart(2), hr::Ok);
    ASSERT_EQ(this->field.PutSelLength(3), hr::Ok);
    EXPECT_EQ(row.action(this->field), row.status);
    EXPECT_EQ(this->Text(), row.text);
    EXPECT_EQ(this->Selection(), row.selection);
    EXPECT_EQ(this->Length(), static_cast<std::int32_t>(row.text.size()));
  }
}

// The most the component addresses fits with room to type; past the
// capacity a text is refused whole and the field kept, and exactly the
// capacity fits.
TYPED_TEST_P(RichTextBoxContract, HoldsItsCapacityWithoutCutting) {
  std::u16string text(32767, u'k');
  text[100] = u'\r';
  text[32766] = u' ';
  ASSERT_EQ(this->field.PutText(text), hr::Ok);
  EXPECT_EQ(this->Text(), text);
  ASSERT_EQ(this->field.PutSelStart(32766), hr::Ok);
  ASSERT_EQ(this->field.PutSelText(u"z"), hr::Ok);
  text.insert(32766, u"z");
  EXPECT_EQ(this->Text(), text);

  ASSERT_EQ(this->field.PutText(u"kept "), hr::Ok);
  EXPECT_EQ(this->field.PutText(std::u16string(TextCapacity + 1, u'x')), TypeParam::TooLong);
  EXPECT_EQ(this->Text(), u"kept ");
  const std::u16string almost(TextCapacity - 5, u'x');
  ASSERT_EQ(this->field.PutSelStart(5), hr::Ok);
  EXPECT_EQ(this->field.PutSelText(almost + u"y"), TypeParam::TooLong);
  EXPECT_EQ(this->Text(), u"kept ");
  EXPECT_EQ(this->field.PutSelText(almost), hr::Ok);
  EXPECT_EQ(this->Length(), TextCapacity);
}

REGISTER_TYPED_TEST_SUITE_P(RichTextBoxContract, EveryUnitReadsBackExactly, SelectsAndEditsAsTheFieldDoes,
                            HoldsItsCapacityWithoutCutting);

}  // namespace vexo::contract
