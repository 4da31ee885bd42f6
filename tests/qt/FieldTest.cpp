// The field keeps every unit put into it and the block caret as placed;
// operations on widgets destroyed under the toolkit give a clear status.
#include <gtest/gtest.h>

#include <QWidget>

#include "Support.h"

namespace vexo::testing {
namespace {

struct Odd {
  const char* name;
  std::u16string text;
};

class FieldText : public ::testing::TestWithParam<Odd> {};

TEST_P(FieldText, ReadsBackExactlyWithItsBlockCaret) {
  QWidget surface;
  qt::QtToolkit toolkit(surface);
  RichTextBox& field = toolkit.Text1();
  const std::u16string& text = GetParam().text;
  ASSERT_EQ(field.PutText(u" "), hr::Ok);
  ASSERT_EQ(field.PutSelLength(1), hr::Ok);
  ASSERT_EQ(field.PutSelText(text + u"x"), hr::Ok);  // typed in front of the trailing space
  ASSERT_EQ(field.PutSelStart(static_cast<std::int32_t>(text.size())), hr::Ok);
  ASSERT_EQ(field.PutSelLength(1), hr::Ok);

  std::u16string back;
  ASSERT_EQ(field.GetText(back), hr::Ok);
  EXPECT_EQ(back, text + u"x");
  std::int32_t length = 0;
  ASSERT_EQ(field.GetTextLength(length), hr::Ok);
  EXPECT_EQ(length, static_cast<std::int32_t>(text.size()) + 1);
  std::int32_t start = -1;
  ASSERT_EQ(field.GetSelStart(start), hr::Ok);
  EXPECT_EQ(start, static_cast<std::int32_t>(text.size()));
  EXPECT_EQ(toolkit.Field().SelLength(), 1);

  ASSERT_EQ(field.PutText(text), hr::Ok);  // a put leaves the caret at 0
  ASSERT_EQ(field.GetText(back), hr::Ok);
  EXPECT_EQ(back, text);
  ASSERT_EQ(field.GetSelStart(start), hr::Ok);
  EXPECT_EQ(start, 0);
  EXPECT_EQ(toolkit.Field().SelLength(), 0);
}

INSTANTIATE_TEST_SUITE_P(Units, FieldText,
                         ::testing::Values(Odd{"Nul", std::u16string(u"a\0b", 3)},
                                           Odd{"LoneHighSurrogate", u"a\xD83D"}, Odd{"LoneLowSurrogate", u"\xDE00z"},
                                           Odd{"ByteOrderMarkFirst", u"\xFEFF" u"a"}, Odd{"LineBreaks", u"a\r\nb\n"},
                                           Odd{"Tab", u"\t"}, Odd{"Longest16Bit", std::u16string(32767, u'k')}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FieldText, RefusesOutOfRangeCaretsAndTextPastItsCapacity) {
  QWidget surface;
  qt::QtToolkit toolkit(surface);
  RichTextBox& field = toolkit.Text1();
  EXPECT_EQ(field.PutSelStart(-1), hr::InvalidPropertyValue);
  EXPECT_EQ(field.PutSelLength(-1), hr::InvalidPropertyValue);
  EXPECT_EQ(field.PutText(std::u16string(qt::TextCapacity + 1, u'x')), hr::OutOfMemory);
  std::int32_t length = -1;
  ASSERT_EQ(field.GetTextLength(length), hr::Ok);
  EXPECT_EQ(length, 0) << "a refused text is not cut and written";
}

TEST(DestroyedWidgets, GiveAClearStatusAndNoCrash) {
  Shown shown;
  shown.Show();
  shown.Click(KeyArrayId::cmdKey, 0);
  delete shown.toolkit.Field().Widget();
  delete shown.toolkit.PanelOf(PanelId::picNumber).Widget();

  QString letter = QStringLiteral("a");
  EXPECT_EQ(shown.widget.FindABC(letter), qt::WidgetGone);
  EXPECT_EQ(shown.widget.lastError(), qt::WidgetGone);
  EXPECT_EQ(shown.widget.Text(), QString());
  EXPECT_EQ(shown.widget.lastError(), qt::WidgetGone);
  shown.widget.setChangeBord(1);
  EXPECT_EQ(shown.widget.lastError(), qt::WidgetGone);
  EXPECT_FALSE(shown.widget.lastErrorText().isEmpty());
  // The panels still there go on working.
  shown.widget.setChangeBord(2);
  EXPECT_EQ(shown.widget.lastError(), hr::Ok);
  EXPECT_TRUE(WaitFor([&] { return shown.toolkit.Focused() == PanelId::picShift; }, "the symbol panel's focus"));
}

TEST(DestroyedWidgets, TheSurfaceGoingFirstLeavesTheToolkitSafe) {
  auto surface = std::make_unique<QWidget>();
  qt::QtToolkit toolkit(*surface);
  KeyBord keybord(toolkit);
  toolkit.Connect(keybord);
  ASSERT_EQ(toolkit.Initialize(), hr::Ok);
  surface.reset();
  EXPECT_EQ(toolkit.HostCall([&] { return keybord.put_Text(u"abc"); }), qt::WidgetGone);
  EXPECT_EQ(toolkit.HostCall([&] { return keybord.put_ChangeBord(ActivPanel::NumberAct); }), qt::WidgetGone);
  EXPECT_EQ(toolkit.HostCall([&] { return keybord.UserControl_Resize(); }), qt::WidgetGone);
  EXPECT_EQ(toolkit.ActiveWindow(), 0u);
}

}  // namespace
}  // namespace vexo::testing
