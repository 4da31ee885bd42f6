// SPDX-License-Identifier: MIT
// Replacing a selection with what it already holds moves only the caret (the
// control is spared a new layout of its line): the field must end exactly as
// a real replacement leaves it, here the in-memory field's, and keep doing so
// on the next edit, also where the control shows a unit differently.
#include "Support.h"

#include "widgets/memory/MemoryToolkit.h"

namespace vexo::win32::testing {
namespace {

struct Replacement {
  const char* name;
  std::u16string text;
  std::int32_t start;
  std::int32_t length;
  std::u16string with;
};

void PrintTo(const Replacement& row, std::ostream* out) { *out << row.name; }

class SameText : public ::testing::TestWithParam<Replacement> {
 protected:
  Host host;
  Win32RichTextBox& field = host.toolkit->Field();
  MemoryToolkit memory;
  MemoryRichTextBox& reference = memory.Field();

  // The same edit on both fields.
  void Edit(auto&& step) {
    ASSERT_EQ(step(field), hr::Ok);
    ASSERT_EQ(step(reference), hr::Ok);
  }
  void ExpectSame() {
    std::u16string text;
    ASSERT_EQ(field.GetText(text), hr::Ok);
    EXPECT_EQ(text, reference.Content());
    EXPECT_EQ(field.Selection(), std::make_pair(reference.SelStart(), reference.SelLength()));
  }
};

TEST_P(SameText, EndsAsARealReplacementAndTheNextEditToo) {
  const Replacement& row = GetParam();
  Edit([&](RichTextBox& f) { return f.PutText(row.text); });
  Edit([&](RichTextBox& f) { return f.PutSelStart(row.start); });
  Edit([&](RichTextBox& f) { return f.PutSelLength(row.length); });
  Edit([&](RichTextBox& f) { return f.PutSelText(row.with); });
  ExpectSame();
  Edit([&](RichTextBox& f) { return f.PutSelText(u"Z"); });
  ExpectSame();
  EXPECT_EQ(field.Shown().size(), reference.Content().size());
}

INSTANTIATE_TEST_SUITE_P(
    Field, SameText,
    ::testing::Values(Replacement{"TrailingSpaceBySpace", u"abc ", 3, 1, u" "},
                      Replacement{"LetterByItself", u"abc ", 1, 1, u"b"},
                      Replacement{"WordByItself", u"hello ", 0, 5, u"hello"},
                      Replacement{"NothingByNothing", u"abc ", 2, 0, u""},
                      Replacement{"NulByItself", std::u16string(u"a\0b ", 4), 1, 1, std::u16string(1, u'\0')},
                      Replacement{"LoneSurrogateByItself", u"a\xD800" u"b ", 1, 1, u"\xD800"},
                      Replacement{"LetterByAnother", u"abc ", 1, 1, u"x"},
                      Replacement{"SpaceByLetterAtTheEnd", u"abc ", 3, 1, u"d"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vexo::win32::testing
