// SPDX-License-Identifier: MIT
// A keyboard on the Qt toolkit in a window of its own, shown and active, and
// the means to wait for what Qt delivers.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include <QApplication>
#include <QTest>
#include <QWidget>

#include "hosting/qt/KeyBordWidgetInternals.h"

namespace vexo::testing {

// Waits until `condition` holds; fails naming `what` after five seconds.
template <typename Condition>
::testing::AssertionResult WaitFor(Condition condition, const std::string& what) {
  if (QTest::qWaitFor(condition, 5000)) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "gave up waiting for " << what;
}

// Makes `window` the active window, as the user's click on it would. The
// offscreen platform activates a window only on its first show.
inline void Activate(QWidget& window) {
  window.activateWindow();
  if (!QTest::qWaitForWindowActive(&window, 1000)) {
    QApplication::setActiveWindow(&window);
  }
  ASSERT_TRUE(WaitFor([&] { return window.isActiveWindow(); }, "the window to become active"));
}

inline std::u16string U16(const QString& text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
}

// The public widget, shown in its own active window.
struct Shown {
  KeyBordWidget widget;
  qt::QtToolkit& toolkit = ToolkitOf(widget);
  KeyBord& keybord = ComponentOf(widget);

  void Show() {
    widget.show();
    Activate(widget);
    ASSERT_TRUE(WaitFor([&] { return toolkit.Focused() == PanelId::picABC; }, "the letter panel's focus"));
  }
  qt::KeyPanelWidget& PanelWidget(PanelId panel) { return *toolkit.PanelOf(panel).Widget(); }
  const KeyElement& Key(KeyArrayId array, std::int16_t index) {
    return *toolkit.PanelOf(static_cast<PanelId>(array)).Keys().Element(index);
  }
  bool Marked(KeyArrayId array, std::int16_t index) {
    return toolkit.PanelOf(static_cast<PanelId>(array)).Keys().IsMarked(index);
  }
  // A click of the mouse in the middle of a key, as the user makes it.
  void Click(KeyArrayId array, std::int16_t index) {
    qt::KeyPanelWidget& panel = PanelWidget(static_cast<PanelId>(array));
    QTest::mouseClick(&panel, Qt::LeftButton, Qt::NoModifier, panel.KeyRect(index).center());
  }
  // A key press on whichever widget has the focus.
  void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr) << "no widget has the focus";
    QTest::keyClick(target, key, modifiers);
  }
  std::u16string Field() { return U16(toolkit.Field().Widget()->text()); }
  std::int32_t Caret() {
    std::int32_t start = 0;
    EXPECT_EQ(toolkit.Field().GetSelStart(start), hr::Ok);
    return start;
  }
};

}  // namespace vexo::testing
