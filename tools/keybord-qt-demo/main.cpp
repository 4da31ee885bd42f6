// SPDX-License-Identifier: MIT
// keybord-qt-demo: the keyboard widget on a small host window.
//
//   keybord-qt-demo                    on a display: the window, to type on
//   keybord-qt-demo --screenshot FILE  types "hello 42!" and writes a PNG
//
// With no display it runs on Qt's offscreen platform and writes the
// screenshot to keybord-qt-demo.png unless told another file.
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <utility>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <QWidget>

#include <vexo/KeyBordWidget.h>

namespace {

struct Press {
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
  const char* text;
};

// "hello 42!" as a user types it: CapsLock is on at start-up, so F1 turns it
// off first; "!" is Shift and the 1 key.
constexpr Press Typing[] = {
    {Qt::Key_F1, Qt::NoModifier, ""},   {Qt::Key_H, Qt::NoModifier, "h"},    {Qt::Key_E, Qt::NoModifier, "e"},
    {Qt::Key_L, Qt::NoModifier, "l"},   {Qt::Key_L, Qt::NoModifier, "l"},    {Qt::Key_O, Qt::NoModifier, "o"},
    {Qt::Key_Space, Qt::NoModifier, " "}, {Qt::Key_4, Qt::NoModifier, "4"},  {Qt::Key_2, Qt::NoModifier, "2"},
    {Qt::Key_Exclam, Qt::ShiftModifier, "!"},
};

// A key press and release on whichever widget has the focus, as the window
// system would deliver them.
void Type(const Press& press) {
  QWidget* target = QApplication::focusWidget();
  if (target == nullptr) {
    return;
  }
  const QString text = QString::fromLatin1(press.text);
  QKeyEvent down(QEvent::KeyPress, press.key, press.modifiers, text);
  QKeyEvent up(QEvent::KeyRelease, press.key, press.modifiers, text);
  QApplication::sendEvent(target, &down);
  QApplication::sendEvent(target, &up);
}

bool HasDisplay() {
  return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

}  // namespace

int main(int argc, char** argv) {
  QString screenshot;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--screenshot" && i + 1 < argc) {
      screenshot = QString::fromLocal8Bit(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: keybord-qt-demo [--screenshot FILE]\n");
      return 2;
    }
  }
  const bool headless = !screenshot.isEmpty() || !HasDisplay();
  if (headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  if (headless && screenshot.isEmpty()) {
    screenshot = QStringLiteral("keybord-qt-demo.png");
  }
  QApplication application(argc, argv);

  QWidget window;
  window.setWindowTitle(QStringLiteral("VexoKeyBord on Qt"));
  auto* layout = new QVBoxLayout(&window);
  auto* typed = new QLabel(QStringLiteral("Typed text: \"\""), &window);
  auto* commands = new QLabel(QStringLiteral("F7 commands: 0"), &window);
  auto* keyboard = new vexo::KeyBordWidget(&window);
  layout->addWidget(typed);
  layout->addWidget(keyboard);
  layout->addWidget(commands);
  QObject::connect(keyboard, &vexo::KeyBordWidget::textChanged, typed,
                   [typed](const QString& text) { typed->setText(QStringLiteral("Typed text: \"%1\"").arg(text)); });
  int f7 = 0;
  QObject::connect(keyboard, &vexo::KeyBordWidget::f7Pressed, commands,
                   [&f7, commands] { commands->setText(QStringLiteral("F7 commands: %1").arg(++f7)); });
  window.show();
  window.activateWindow();
  if (!headless) {
    return application.exec();
  }

  // Let the window become active so that the letter panel holds the focus.
  const auto panelFocused = [keyboard] { return keyboard->isAncestorOf(QApplication::focusWidget()); };
  for (int round = 0; round < 1000 && !panelFocused(); ++round) {
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  if (!panelFocused()) {
    std::fprintf(stderr, "keybord-qt-demo: no panel took the focus\n");
    return 1;
  }
  for (const Press& press : Typing) {
    Type(press);
  }
  QApplication::processEvents();
  const QString text = keyboard->text();
  std::printf("Typed text: \"%s\"\n", text.toUtf8().constData());
  if (!window.grab().save(screenshot, "PNG")) {
    std::fprintf(stderr, "keybord-qt-demo: cannot write %s\n", screenshot.toLocal8Bit().constData());
    return 1;
  }
  std::printf("Screenshot: %s\n", screenshot.toLocal8Bit().constData());
  return text == QStringLiteral("hello 42!") ? 0 : 1;
}
