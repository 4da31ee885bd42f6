// SPDX-License-Identifier: MIT
// A form with the keyboard between two line edits. It presses the keys of
// "hello" as assistive technology does and shows what the keyboard reports.
#include <cstdio>

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QVBoxLayout>

#include <vexo/KeyBordWidget.h>
#include <vexo/Version.h>

// The key captioned `caption` among the accessible descendants of `node`.
static QAccessibleInterface* FindKey(QAccessibleInterface* node, const QString& caption) {
  if (node->role() == QAccessible::Button && node->text(QAccessible::Name) == caption) return node;
  for (int i = 0; i < node->childCount(); ++i) {
    if (QAccessibleInterface* key = FindKey(node->child(i), caption)) return key;
  }
  return nullptr;
}

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QWidget form;
  auto* layout = new QVBoxLayout(&form);
  auto* name = new QLineEdit(&form);
  auto* keyboard = new vexo::KeyBordWidget(&form);
  auto* typed = new QLineEdit(&form);
  layout->addWidget(name);
  layout->addWidget(keyboard);
  layout->addWidget(typed);
  QObject::connect(keyboard, &vexo::KeyBordWidget::textChanged, typed, &QLineEdit::setText);
  form.show();

  // The letters start as capitals.
  keyboard->setCapsLock(false);
  QAccessibleInterface* keys = QAccessible::queryAccessibleInterface(keyboard);
  for (QChar letter : QString("hello")) {
    QAccessibleInterface* key = FindKey(keys, letter);
    if (!key) return 1;
    key->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  }

  std::printf("VexoKeyBord %s typed \"%s\"\n", VEXO_KEYBORD_VERSION_STRING, qPrintable(typed->text()));
  return typed->text() == "hello" ? 0 : 1;
}
