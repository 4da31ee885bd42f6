// SPDX-License-Identifier: MIT
// The keys as assistive technologies see them: push buttons named by their
// captions, the marked key of the focused panel focused, a press action.
#include <gtest/gtest.h>

#include <QAccessible>

#include "Support.h"

namespace vexo::testing {
namespace {

QAccessibleInterface* Panel(Shown& shown, PanelId panel) {
  return QAccessible::queryAccessibleInterface(&shown.PanelWidget(panel));
}

struct Named {
  PanelId panel;
  int index;
  const char* name;
};

TEST(Accessibility, EveryKeyIsAPushButtonNamedByItsCaption) {
  Shown shown;
  shown.Show();
  for (const auto& [panel, count] : {std::pair{PanelId::picABC, 27}, std::pair{PanelId::picNumber, 12},
                                     std::pair{PanelId::picShift, 32}}) {
    QAccessibleInterface* pane = Panel(shown, panel);
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->childCount(), count);
    for (int i = 0; i < count; ++i) {
      QAccessibleInterface* key = pane->child(i);
      ASSERT_NE(key, nullptr);
      EXPECT_EQ(key->role(), QAccessible::Button);
      EXPECT_EQ(pane->indexOfChild(key), i);
      EXPECT_EQ(key->parent(), pane);
      const QRect r = shown.PanelWidget(panel).KeyRect(static_cast<std::int16_t>(i));
      EXPECT_EQ(key->rect(), QRect(shown.PanelWidget(panel).mapToGlobal(r.topLeft()), r.size()));
      EXPECT_EQ(pane->childAt(key->rect().center().x(), key->rect().center().y()), key);
    }
  }
  for (const Named& row : {Named{PanelId::picABC, 0, "Q"}, Named{PanelId::picABC, 26, "Space"},
                           Named{PanelId::picNumber, 10, "."}, Named{PanelId::picShift, 0, "~"},
                           Named{PanelId::picShift, 24, "\""}}) {
    EXPECT_EQ(Panel(shown, row.panel)->child(row.index)->text(QAccessible::Name), QString::fromUtf8(row.name));
  }
  shown.Press(Qt::Key_F1);  // CapsLock off: the names follow the captions
  EXPECT_EQ(Panel(shown, PanelId::picABC)->child(0)->text(QAccessible::Name), QStringLiteral("q"));
}

TEST(Accessibility, TheMarkedKeyOfTheFocusedPanelIsFocused) {
  Shown shown;
  shown.Show();
  shown.Click(KeyArrayId::cmdKey, 14);
  QAccessibleInterface* letters = Panel(shown, PanelId::picABC);
  EXPECT_EQ(letters->focusChild(), letters->child(14));
  for (int i = 0; i < letters->childCount(); ++i) {
    EXPECT_EQ(letters->child(i)->state().focused, i == 14) << "key " << i;
  }
  shown.widget.setActivePanel(KeyBordWidget::Numbers);
  ASSERT_TRUE(WaitFor([&] { return shown.toolkit.Focused() == PanelId::picNumber; }, "the number panel's focus"));
  EXPECT_EQ(letters->focusChild(), nullptr);
  EXPECT_EQ(Panel(shown, PanelId::picNumber)->focusChild(), Panel(shown, PanelId::picNumber)->child(0));
}

TEST(Accessibility, PressingAKeyTypesItsCaption) {
  Shown shown;
  shown.Show();
  QAccessibleInterface* key = Panel(shown, PanelId::picNumber)->child(7);
  QAccessibleActionInterface* actions = key->actionInterface();
  ASSERT_NE(actions, nullptr);
  EXPECT_EQ(actions->actionNames(), QStringList{QAccessibleActionInterface::pressAction()});
  actions->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_EQ(shown.widget.text(), QStringLiteral("2"));
  EXPECT_TRUE(WaitFor([&] { return key->state().focused; }, "the pressed key to be focused"));
}

TEST(Accessibility, TheWidgetItsPanelsAndItsFieldAreNamed) {
  Shown shown;
  shown.Show();
  EXPECT_EQ(QAccessible::queryAccessibleInterface(&shown.widget)->text(QAccessible::Name),
            QStringLiteral("On-screen keyboard"));
  for (const auto& [panel, name] : {std::pair{PanelId::picABC, "Letters"}, std::pair{PanelId::picNumber, "Numbers"},
                                    std::pair{PanelId::picShift, "Symbols"}}) {
    EXPECT_EQ(Panel(shown, panel)->text(QAccessible::Name), QString::fromUtf8(name));
  }
  QAccessibleInterface* field = QAccessible::queryAccessibleInterface(shown.toolkit.Field().Widget());
  EXPECT_EQ(field->text(QAccessible::Name), QStringLiteral("Typed text"));
  EXPECT_EQ(field->role(), QAccessible::EditableText);
}

// The field reads as the user's text, without the trailing space, with the
// caret where the block caret stands.
TEST(Accessibility, TheFieldReadsAsTheTypedTextWithItsCaret) {
  Shown shown;
  shown.Show();
  QAccessibleInterface* field = QAccessible::queryAccessibleInterface(shown.toolkit.Field().Widget());
  QAccessibleTextInterface* text = field->textInterface();
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(field->text(QAccessible::Value), QString());
  EXPECT_EQ(text->cursorPosition(), 0);

  shown.Click(KeyArrayId::cmdKey, 0);
  shown.Click(KeyArrayId::cmdKey, 1);
  ASSERT_EQ(shown.Field(), u"QW ");
  EXPECT_EQ(field->text(QAccessible::Value), QStringLiteral("QW"));
  EXPECT_EQ(text->characterCount(), 2);
  EXPECT_EQ(text->text(0, 2), QStringLiteral("QW"));
  EXPECT_EQ(text->cursorPosition(), 2);
  ASSERT_EQ(shown.toolkit.HostCall([&] { return shown.keybord.LeftPos(); }), hr::Ok);
  EXPECT_EQ(text->cursorPosition(), 1);
}

}  // namespace
}  // namespace vexo::testing
