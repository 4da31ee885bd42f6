// SPDX-License-Identifier: MIT
// The field keeps every unit put into it and the block caret as placed (the
// contract every toolkit's field keeps, on this one); what the user types, pastes and deletes in it goes through the component's
// model; operations on widgets destroyed under the toolkit give a clear status.
#include <gtest/gtest.h>

#include <vector>

#include <QClipboard>
#include <QLineEdit>
#include <QSignalSpy>
#include <QWidget>

#include "Support.h"
#include "widgets/RichTextBoxContract.h"

namespace vexo::testing {
namespace {

struct QtField {
  static constexpr HResult TooLong = hr::OutOfMemory;
  RichTextBox& Field() { return toolkit.Text1(); }
  QWidget surface;
  qt::QtToolkit toolkit{surface};
};

TEST(DestroyedWidgets, GiveAClearStatusAndNoCrash) {
  Shown shown;
  shown.Show();
  shown.Click(KeyArrayId::cmdKey, 0);
  delete shown.toolkit.Field().Widget();
  delete shown.toolkit.PanelOf(PanelId::picNumber).Widget();

  QSignalSpy failures(&shown.widget, &KeyBordWidget::errorOccurred);
  static_cast<void>(shown.widget.typeLetter(QStringLiteral("a")));
  const QString gone = DescribeFailure(qt::WidgetGone);
  EXPECT_EQ(shown.widget.lastError(), gone);
  EXPECT_EQ(shown.widget.text(), QString());
  EXPECT_EQ(shown.widget.lastError(), gone);
  shown.widget.setActivePanel(KeyBordWidget::Numbers);
  EXPECT_EQ(shown.widget.lastError(), gone);
  EXPECT_EQ(failures.count(), 3);
  EXPECT_EQ(failures.at(0).at(0).toString(), gone);
  // The panels still there go on working.
  shown.widget.setActivePanel(KeyBordWidget::Symbols);
  EXPECT_EQ(shown.widget.lastError(), QString());
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
  EXPECT_EQ(toolkit.HostCall([&] { return keybord.OnResize(); }), qt::WidgetGone);
  EXPECT_EQ(toolkit.ActiveWindow(), 0u);
}

enum class Place { RightOfTheText, InFrontOf, AsTheFieldLeavesIt, SelectAll };
enum class Act { Type, Paste, Backspace };

struct Direct {
  const char* name;
  int maxLength;
  Place place;
  int at;  // InFrontOf: the character the click lands in front of
  Act act;
  std::vector<Qt::Key> keys;  // typed (letters come as lower case)
  QString pasted;
  std::u16string text;  // Text afterwards
  std::int32_t caret;   // where the block caret then stands
  int beeps;
  std::u16string next;  // Text after the keyboard's next key, a "q"
};

void PrintTo(const Direct& row, std::ostream* os) { *os << row.name; }

class TypedIntoTheField : public ::testing::TestWithParam<Direct> {};

TEST_P(TypedIntoTheField, GoesThroughTheModelAndTheNextKeyLosesNothing) {
  const Direct& row = GetParam();
  Shown shown;
  shown.Show();
  shown.widget.setMaxLength(row.maxLength);
  shown.widget.setText(QStringLiteral("ab"));
  QLineEdit& field = *shown.toolkit.Field().Widget();
  const int middle = field.height() / 2;
  const auto clickAt = [&](int x) { QTest::mouseClick(&field, Qt::LeftButton, Qt::NoModifier, QPoint(x, middle)); };
  switch (row.place) {
    case Place::RightOfTheText: clickAt(field.width() - 4); break;
    case Place::InFrontOf: {
      int x = 0;
      while (x < field.width() && field.cursorPositionAt(QPoint(x, middle)) < row.at) ++x;
      clickAt(x);
      break;
    }
    case Place::AsTheFieldLeavesIt: field.setFocus(); break;
    case Place::SelectAll:
      clickAt(field.width() - 4);
      QTest::keyClick(&field, Qt::Key_Home, Qt::ShiftModifier);
      break;
  }
  ASSERT_TRUE(WaitFor([&] { return field.hasFocus(); }, "the field's focus"));
  const int beeps = shown.toolkit.Beeps();

  switch (row.act) {
    case Act::Type:
      for (Qt::Key key : row.keys) shown.Press(key);
      break;
    case Act::Paste:
      QApplication::clipboard()->setText(row.pasted);
      shown.Press(Qt::Key_V, Qt::ControlModifier);
      break;
    case Act::Backspace: shown.Press(Qt::Key_Backspace); break;
  }
  EXPECT_EQ(U16(shown.widget.text()), row.text);
  EXPECT_EQ(shown.Field(), row.text + u" ") << "the field shows Text and its trailing space";
  EXPECT_EQ(shown.Caret(), row.caret);
  EXPECT_EQ(shown.toolkit.Field().SelLength(), 1) << "the block caret";
  EXPECT_EQ(shown.toolkit.Beeps() - beeps, row.beeps);

  static_cast<void>(shown.widget.typeLetter(QStringLiteral("q")));
  EXPECT_EQ(U16(shown.widget.text()), row.next);
}

INSTANTIATE_TEST_SUITE_P(
    Input, TypedIntoTheField,
    ::testing::Values(
        Direct{"ClickRightOfTheText", 0, Place::RightOfTheText, 0, Act::Type, {Qt::Key_Z}, {}, u"abz", 3, 0, u"abzQ"},
        Direct{"BlockCaretAsTheFieldLeavesIt", 0, Place::AsTheFieldLeavesIt, 0, Act::Type, {Qt::Key_Z}, {}, u"abz", 3,
               0, u"abzQ"},
        Direct{"ClickInFrontOfTheFirst", 0, Place::InFrontOf, 0, Act::Type, {Qt::Key_Z}, {}, u"zab", 1, 0, u"zQab"},
        Direct{"ClickBetweenTwo", 0, Place::InFrontOf, 1, Act::Type, {Qt::Key_Z, Qt::Key_Y}, {}, u"azyb", 3, 0,
               u"azyQb"},
        Direct{"SelectionReplaced", 0, Place::SelectAll, 0, Act::Type, {Qt::Key_Z}, {}, u"z", 1, 0, u"zQ"},
        Direct{"PastedAtTheEnd", 0, Place::RightOfTheText, 0, Act::Paste, {}, QStringLiteral("xy"), u"abxy", 4, 0,
               u"abxyQ"},
        Direct{"PasteCutAtTheLimit", 3, Place::RightOfTheText, 0, Act::Paste, {}, QStringLiteral("xyz"), u"abx", 3, 1,
               u"abx"},
        Direct{"PasteKeepsASurrogatePairWhole", 4, Place::RightOfTheText, 0, Act::Paste, {},
               QStringLiteral("x\U0001F600"), u"abx", 3, 1, u"abxQ"},
        Direct{"TypedIntoAFullField", 2, Place::RightOfTheText, 0, Act::Type, {Qt::Key_Z}, {}, u"ab", 2, 1, u"ab"},
        Direct{"BackspaceAtTheEnd", 0, Place::RightOfTheText, 0, Act::Backspace, {}, {}, u"a", 1, 0, u"aQ"},
        Direct{"BackspaceBetweenTwo", 0, Place::InFrontOf, 1, Act::Backspace, {}, {}, u"b", 0, 0, u"Qb"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vexo::testing

namespace vexo::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, RichTextBoxContract, ::testing::Types<testing::QtField>);
}  // namespace vexo::contract
