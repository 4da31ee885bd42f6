// SPDX-License-Identifier: MIT
// What the user does on the Qt widgets: key presses on the focused panel and
// clicks on keys, through Qt's own event delivery, read back from the widgets.
#include <gtest/gtest.h>

#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QSignalSpy>
#include <QVBoxLayout>

#include "Support.h"

#include "component/KeyBordProbe.h"

namespace vexo::testing {
namespace {

struct Press {
  const char* name;
  PanelId panel;  // focused before the press
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
  std::u16string field;  // raw, with the trailing space once written
  PanelId focusAfter;
  KeyArrayId markedArray;
  std::int16_t markedIndex;
};

class KeyPress : public ::testing::TestWithParam<Press> {};

TEST_P(KeyPress, ReachesTheFocusedPanelAsItsVirtualKey) {
  const Press& row = GetParam();
  Shown shown;
  shown.Show();
  shown.widget.setActivePanel(static_cast<KeyBordWidget::Panel>(row.panel));
  ASSERT_TRUE(WaitFor([&] { return shown.toolkit.Focused() == row.panel; }, "the panel's focus"));

  shown.Press(row.key, row.modifiers);

  EXPECT_EQ(shown.toolkit.LastWidgetStatus(), hr::Ok);
  EXPECT_EQ(shown.Field(), row.field);
  EXPECT_TRUE(WaitFor([&] { return shown.toolkit.Focused() == row.focusAfter; }, "the focus after the press"));
  EXPECT_TRUE(shown.Marked(row.markedArray, row.markedIndex));
}

const Qt::KeyboardModifiers None = Qt::NoModifier;
const Qt::KeyboardModifiers Shift = Qt::ShiftModifier;
const Qt::KeyboardModifiers Keypad = Qt::KeypadModifier;
const PanelId Abc = PanelId::picABC;
const PanelId Num = PanelId::picNumber;
const PanelId Sym = PanelId::picShift;
const KeyArrayId Letters = KeyArrayId::cmdKey;
const KeyArrayId Numbers = KeyArrayId::cmdNumber;
const KeyArrayId Symbols = KeyArrayId::cmdShift;

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyPress,
    ::testing::Values(
        Press{"LetterOnLetters", Abc, Qt::Key_E, None, u"E ", Abc, Letters, 2},
        Press{"ShiftedLetter", Abc, Qt::Key_E, Shift, u"e ", Abc, Letters, 2},
        Press{"LetterOnSymbols", Sym, Qt::Key_M, None, u"M ", Abc, Letters, 25},
        Press{"SpaceOnLetters", Abc, Qt::Key_Space, None, u"  ", Abc, Letters, 26},
        Press{"SpaceOnNumbersIsTheSpaceBar", Num, Qt::Key_Space, None, u"  ", Abc, Letters, 26},
        Press{"DigitOnLetters", Abc, Qt::Key_7, None, u"7 ", Num, Numbers, 0},
        Press{"KeypadDigitOnSymbols", Sym, Qt::Key_5, Keypad, u"5 ", Num, Numbers, 4},
        // X11 reports Shift+1 as "!" with Shift held.
        Press{"ShiftedDigitOnLetters", Abc, Qt::Key_Exclam, Shift, u"! ", Sym, Symbols, 1},
        Press{"MinusOnLetters", Abc, Qt::Key_Minus, None, u"- ", Num, Numbers, 11},
        Press{"MinusOnSymbols", Sym, Qt::Key_Minus, None, u"- ", Sym, Symbols, 11},
        Press{"UnderscoreOnLetters", Abc, Qt::Key_Underscore, Shift, u"_ ", Sym, Symbols, 12},
        Press{"KeypadStarOnNumbers", Num, Qt::Key_Asterisk, Keypad, u"* ", Sym, Symbols, 8},
        Press{"RightArrowOnNumbers", Num, Qt::Key_Right, None, u"", Num, Numbers, 1},
        Press{"TabStaysOnThePanel", Abc, Qt::Key_Tab, None, u"", Abc, Letters, 0},
        Press{"F3ToNumbers", Abc, Qt::Key_F3, None, u"", Num, Numbers, 0},
        Press{"F4ToSymbols", Num, Qt::Key_F4, None, u"", Sym, Symbols, 0},
        Press{"F1TurnsCaptionsLower", Abc, Qt::Key_F1, None, u"", Abc, Letters, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// Words typed on the physical keyboard keep their spaces, whichever panel a
// digit or a symbol left the focus on; each key goes to the panel that has
// the focus when it is pressed.
TEST(KeyPress, TypedWordsKeepTheirSpacesOnEveryPanel) {
  for (const QString& typed : {QStringLiteral("ROOM 42 NORTH"), QStringLiteral("HI42. ")}) {
    Shown shown;
    shown.Show();
    for (const QChar c : typed) {
      shown.Press(static_cast<Qt::Key>(c.unicode()));
    }
    EXPECT_EQ(shown.widget.text(), typed);
  }
}

struct KeyClick {
  const char* name;
  KeyArrayId array;
  std::int16_t index;
  std::u16string field;
  PanelId focusAfter;
};

class Click : public ::testing::TestWithParam<KeyClick> {};

TEST_P(Click, InsertsTheCaptionMarksTheKeyAndMovesTheFocus) {
  const KeyClick& row = GetParam();
  Shown shown;
  shown.Show();
  shown.Click(row.array, row.index);
  EXPECT_EQ(shown.toolkit.LastWidgetStatus(), hr::Ok);
  EXPECT_EQ(shown.Field(), row.field);
  EXPECT_EQ(shown.Caret(), static_cast<std::int32_t>(row.field.size()) - 1);
  EXPECT_TRUE(WaitFor([&] { return shown.toolkit.Focused() == row.focusAfter; }, "the clicked panel's focus"));
  EXPECT_TRUE(shown.Marked(row.array, row.index));
  if (row.array != KeyArrayId::cmdKey) {
    EXPECT_FALSE(shown.Marked(KeyArrayId::cmdKey, 0)) << "the letter panel lost the focus but shows its mark";
  }
}

INSTANTIATE_TEST_SUITE_P(Keys, Click,
                         ::testing::Values(KeyClick{"Letter", KeyArrayId::cmdKey, 2, u"E ", PanelId::picABC},
                                           KeyClick{"SpaceBar", KeyArrayId::cmdKey, 26, u"  ", PanelId::picABC},
                                           KeyClick{"Number", KeyArrayId::cmdNumber, 7, u"2 ", PanelId::picNumber},
                                           KeyClick{"Symbol", KeyArrayId::cmdShift, 31, u"` ", PanelId::picShift}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Click, OnThePanelsBackgroundGivesThePanelTheFocusAndInsertsNothing) {
  Shown shown;
  shown.Show();
  qt::KeyPanelWidget& panel = shown.PanelWidget(PanelId::picNumber);
  QTest::mouseClick(&panel, Qt::LeftButton, Qt::NoModifier, QPoint(panel.width() - 2, panel.height() - 2));
  EXPECT_TRUE(WaitFor([&] { return shown.toolkit.Focused() == PanelId::picNumber; }, "the number panel's focus"));
  EXPECT_EQ(shown.Field(), u"");
}

TEST(Click, PressedOnOneKeyAndReleasedOnAnotherClicksNothing) {
  Shown shown;
  shown.Show();
  qt::KeyPanelWidget& panel = shown.PanelWidget(PanelId::picABC);
  QTest::mousePress(&panel, Qt::LeftButton, Qt::NoModifier, panel.KeyRect(1).center());
  QTest::mouseRelease(&panel, Qt::LeftButton, Qt::NoModifier, panel.KeyRect(2).center());
  EXPECT_EQ(shown.Field(), u"");
}

TEST(Focus, LeavingTheComponentUnmarksAndComingBackMarksAgain) {
  Shown shown;
  shown.Show();
  shown.Click(KeyArrayId::cmdKey, 14);
  ASSERT_TRUE(shown.Marked(KeyArrayId::cmdKey, 14));
  shown.toolkit.Field().Widget()->setFocus();  // the user clicks into the field
  ASSERT_TRUE(WaitFor([&] { return !shown.Marked(KeyArrayId::cmdKey, 14); }, "the mark to go"));
  // The field keeps its block caret while it has the focus and after.
  EXPECT_EQ(shown.toolkit.Field().SelLength(), 1);
  shown.widget.setFocus();  // Tab brings the focus back to the component
  EXPECT_TRUE(WaitFor([&] { return shown.Marked(KeyArrayId::cmdKey, 14); }, "the mark at the kept index"));
  EXPECT_EQ(shown.toolkit.Focused(), PanelId::picABC);
}

TEST(Focus, ShowingTheWidgetAgainMarksKeyZeroOfTheActivePanel) {
  // The host hides and shows the keyboard on its own, active, window.
  QWidget host;
  auto* widget = new KeyBordWidget(&host);
  host.show();
  Activate(host);
  ASSERT_TRUE(WaitFor([&] { return ToolkitOf(*widget).Focused() == PanelId::picABC; }, "the letter panel's focus"));
  qt::QtToolkit& toolkit = ToolkitOf(*widget);
  auto marked = [&](std::int16_t index) { return toolkit.PanelOf(PanelId::picShift).Keys().IsMarked(index); };
  widget->setActivePanel(KeyBordWidget::Symbols);
  QTest::mouseClick(toolkit.PanelOf(PanelId::picShift).Widget(), Qt::LeftButton, Qt::NoModifier,
                    toolkit.PanelOf(PanelId::picShift).Widget()->KeyRect(5).center());
  ASSERT_TRUE(marked(5));
  widget->hide();
  ASSERT_TRUE(WaitFor([&] { return !marked(5); }, "the hidden panel's mark to go"));
  widget->show();
  EXPECT_TRUE(WaitFor([&] { return marked(0); }, "key 0 of the symbol panel"));
  EXPECT_EQ(KeyBordProbe(ComponentOf(*widget)).KeyIndex(KeyArrayId::cmdShift), 0);
  EXPECT_EQ(toolkit.Focused(), PanelId::picShift);
}

// A form: a line edit before the keyboard, a line edit or a button "&After"
// behind it, and OK, the dialog's default button. It counts the key presses
// that reach it.
struct Form : QObject {
  enum class Behind { Button, LineEdit };
  QDialog dialog;
  QLineEdit* before = new QLineEdit(&dialog);
  KeyBordWidget* keyboard = new KeyBordWidget(&dialog);
  QWidget* after;
  QPushButton* ok = new QPushButton(QStringLiteral("OK"), &dialog);
  int keysHeard = 0;

  explicit Form(Behind behind = Behind::Button)
      : after(behind == Behind::Button ? static_cast<QWidget*>(new QPushButton(QStringLiteral("&After"), &dialog))
                                       : new QLineEdit(&dialog)) {
    auto* layout = new QVBoxLayout(&dialog);
    for (QWidget* child : {static_cast<QWidget*>(before), static_cast<QWidget*>(keyboard), after,
                           static_cast<QWidget*>(ok)}) {
      layout->addWidget(child);
    }
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    dialog.installEventFilter(this);
    dialog.show();
    Activate(dialog);
  }
  bool eventFilter(QObject*, QEvent* event) override {
    // Shift, Ctrl, Alt and Meta pressed on their own, as QTest presses them
    // before a key, are no key of the form's.
    if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      keysHeard += key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta ? 0 : 1;
    }
    return false;
  }
  std::optional<PanelId> Focused() { return ToolkitOf(*keyboard).Focused(); }
  void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
  }
};

TEST(Form, TabAndShiftTabLeaveTheKeyboardAndEnterItAtTheActivePanel) {
  for (const Form::Behind behind : {Form::Behind::Button, Form::Behind::LineEdit}) {
    SCOPED_TRACE(behind == Form::Behind::Button ? "a button behind" : "a line edit behind");
    Form form(behind);
    form.keyboard->setActivePanel(KeyBordWidget::Numbers);
    form.before->setFocus();
    ASSERT_TRUE(WaitFor([&] { return form.before->hasFocus(); }, "the line edit's focus"));
    form.Press(Qt::Key_Tab);
    EXPECT_EQ(form.Focused(), PanelId::picNumber) << "Tab from the line edit";
    form.Press(Qt::Key_Tab);
    EXPECT_TRUE(form.after->hasFocus()) << "Tab from the panel";
    form.Press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(form.Focused(), PanelId::picNumber) << "Shift+Tab from behind";
    form.Press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(form.before->hasFocus()) << "Shift+Tab from the panel";
    EXPECT_EQ(form.keyboard->text(), QString());
  }
}

// The host's shortcuts on F1 and F3: a focused panel keeps them for the
// keyboard (alone or with Shift); with Ctrl, or with the focus elsewhere,
// the host's shortcut fires and the keyboard hears nothing.
TEST(Form, FunctionKeysOnAPanelAreTheKeyboardsAndElsewhereTheHosts) {
  const struct {
    bool onPanel;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    bool hostHears;
  } rows[] = {
      {true, Qt::Key_F1, Qt::NoModifier, false},  {true, Qt::Key_F3, Qt::ShiftModifier, false},
      {true, Qt::Key_F1, Qt::ControlModifier, true}, {false, Qt::Key_F1, Qt::NoModifier, true},
      {false, Qt::Key_F3, Qt::NoModifier, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.onPanel << " " << row.key << " " << row.modifiers);
    Form form;
    int heard = 0;
    auto* shortcut = new QShortcut(QKeySequence(row.modifiers | row.key), &form.dialog);
    QObject::connect(shortcut, &QShortcut::activated, &form.dialog, [&heard] { ++heard; });
    QSignalSpy caps(form.keyboard, &KeyBordWidget::capsLockChanged);
    QSignalSpy panel(form.keyboard, &KeyBordWidget::activePanelChanged);
    ASSERT_TRUE(WaitFor([&] { return form.Focused() == PanelId::picABC; }, "the letter panel's focus"));
    if (!row.onPanel) {
      form.before->setFocus();
      ASSERT_TRUE(WaitFor([&] { return form.before->hasFocus(); }, "the line edit's focus"));
    }
    form.Press(row.key, row.modifiers);
    EXPECT_EQ(heard, row.hostHears ? 1 : 0);
    EXPECT_EQ(caps.count() + panel.count(), row.hostHears ? 0 : 1);
  }
}

TEST(Form, EnterEscapeAndCtrlTabOnAPanelGoToTheDialog) {
  const struct {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    bool open;  // the dialog after the press
    int result;
  } rows[] = {
      {Qt::Key_Return, Qt::NoModifier, false, QDialog::Accepted},
      {Qt::Key_Escape, Qt::NoModifier, false, QDialog::Rejected},
      {Qt::Key_Tab, Qt::ControlModifier, true, QDialog::Rejected},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.key);
    Form form;
    ASSERT_TRUE(WaitFor([&] { return form.Focused() == PanelId::picABC; }, "the letter panel's focus"));
    form.Press(row.key, row.modifiers);
    EXPECT_EQ(form.keysHeard, 1);
    EXPECT_EQ(form.dialog.isVisible(), row.open);
    EXPECT_EQ(form.dialog.result(), row.result);
    EXPECT_EQ(form.keyboard->text(), QString());
  }
}

// The field is no trap: Tab and Shift+Tab from it leave the keyboard for the
// line edits around it, as from a panel; Ctrl+Tab, Enter and Escape go on to
// the dialog as from any line edit (Ctrl+Tab moves nothing there).
TEST(Form, KeysInTheFieldLeaveTheKeyboardOrReachTheDialog) {
  enum class Goes { After, Before, Stays };
  const struct {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    Goes focus;
    int dialogHears;
    int result;  // the dialog's; -1: still open
  } rows[] = {
      {"Tab", Qt::Key_Tab, Qt::NoModifier, Goes::After, 0, -1},
      {"ShiftTab", Qt::Key_Backtab, Qt::ShiftModifier, Goes::Before, 0, -1},
      {"CtrlTab", Qt::Key_Tab, Qt::ControlModifier, Goes::Stays, 1, -1},
      {"CtrlShiftTab", Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, Goes::Stays, 1, -1},
      {"Enter", Qt::Key_Return, Qt::NoModifier, Goes::Stays, 1, QDialog::Accepted},
      {"Escape", Qt::Key_Escape, Qt::NoModifier, Goes::Stays, 1, QDialog::Rejected},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Form form(Form::Behind::LineEdit);
    QWidget* const field = ToolkitOf(*form.keyboard).Field().Widget();
    field->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(WaitFor([&] { return field->hasFocus(); }, "the field's focus"));

    form.Press(row.key, row.modifiers);

    EXPECT_EQ(form.keysHeard, row.dialogHears);
    EXPECT_EQ(form.dialog.isVisible(), row.result < 0);
    if (row.result >= 0) {
      EXPECT_EQ(form.dialog.result(), row.result);
    } else {
      QWidget* const expected = row.focus == Goes::After ? form.after : row.focus == Goes::Before ? form.before : field;
      EXPECT_EQ(QApplication::focusWidget(), expected);
    }
    EXPECT_EQ(form.keyboard->text(), QString());
  }
}

TEST(F7, ReachesTheHostAsASignalWhileTheWindowIsActive) {
  Shown shown;
  shown.Show();
  QSignalSpy f7(&shown.widget, &KeyBordWidget::f7Pressed);
  shown.Press(Qt::Key_F7);
  EXPECT_EQ(f7.count(), 1);
  shown.Press(Qt::Key_F8);
  EXPECT_EQ(f7.count(), 1);
  EXPECT_TRUE(shown.widget.forwardCommandKey(118));
  EXPECT_EQ(f7.count(), 2);

  QWidget other;
  other.show();
  Activate(other);
  EXPECT_EQ(shown.toolkit.ActiveWindow(), 0u);
  EXPECT_TRUE(shown.widget.forwardCommandKey(118));
  EXPECT_EQ(f7.count(), 2) << "no active window of ours, so no command";
}

TEST(F7, HostMayCallTheWidgetBackFromItsSlot) {
  Shown shown;
  shown.Show();
  QObject::connect(&shown.widget, &KeyBordWidget::f7Pressed, &shown.widget, [&] {
    shown.widget.typeLetter(QStringLiteral("k"));
  });
  shown.Press(Qt::Key_F7);
  EXPECT_EQ(shown.Field(), u"K ");
}

}  // namespace
}  // namespace vexo::testing

namespace vexo::testing {
namespace {

// A host may delete the widget from a slot of its signals, as it may destroy
// the control inside any callback on Windows: nothing of it is touched after.
TEST(Host, DeletesTheWidgetInsideItsSignals) {
  const struct {
    const char* name;
    void (*connect)(KeyBordWidget* widget);
    void (*act)(KeyBordWidget& widget);
  } rows[] = {
      {"F7", [](KeyBordWidget* w) { QObject::connect(w, &KeyBordWidget::f7Pressed, w, [w] { delete w; }); },
       [](KeyBordWidget&) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_F7); }},
      {"text by a key", [](KeyBordWidget* w) { QObject::connect(w, &KeyBordWidget::textChanged, w, [w] { delete w; }); },
       [](KeyBordWidget&) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Q); }},
      {"text by the host", [](KeyBordWidget* w) { QObject::connect(w, &KeyBordWidget::textChanged, w, [w] { delete w; }); },
       [](KeyBordWidget& w) { w.setText(QStringLiteral("gone")); }},
      {"capsLock by F1",
       [](KeyBordWidget* w) { QObject::connect(w, &KeyBordWidget::capsLockChanged, w, [w] { delete w; }); },
       [](KeyBordWidget&) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1); }},
      {"an error", [](KeyBordWidget* w) { QObject::connect(w, &KeyBordWidget::errorOccurred, w, [w] { delete w; }); },
       [](KeyBordWidget& w) { w.setMaxLength(-40000); }},
      {"keyTyped", [](KeyBordWidget* w) { QObject::connect(w, &KeyBordWidget::keyTyped, w, [w] { delete w; }); },
       [](KeyBordWidget&) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Q); }},
  };
  for (const auto& row : rows) {
    auto* widget = new KeyBordWidget;
    QPointer<KeyBordWidget> alive(widget);
    widget->show();
    Activate(*widget);
    ASSERT_TRUE(WaitFor([&] { return ToolkitOf(*widget).Focused() == PanelId::picABC; }, "the letter panel's focus"));
    row.connect(widget);
    row.act(*widget);
    EXPECT_TRUE(alive.isNull()) << row.name;
    delete alive.data();
  }
}

}  // namespace
}  // namespace vexo::testing
