// SPDX-License-Identifier: MIT
// The on-screen keyboard as a widget for Qt hosts.
//
// An edit field above three key panels (letters, numbers, symbols). The user
// types by clicking keys or on the physical keyboard while a panel has the
// focus; the host reads and sets the typed text, bounds it, switches panels
// and toggles the letters' case through the properties below, and types
// through the slots.
//
// Every property has a NOTIFY signal, emitted once for each real change,
// whoever made it (a setter, a slot, a key the user clicked or typed, F1 to
// F4), once the call or key press that made it has done its work (before a
// setter returns), and not when a setter writes the value the property
// already holds. A slot of any signal may call the
// widget back or delete it.
//
// Failures come back as text: lastError() describes the last call's failure
// (empty after a success) and errorOccurred() tells of each failure as it
// happens. Nothing the user typed is lost to a failing call.
#pragma once

#include <memory>

#include <QString>
#include <QVariantMap>
#include <QWidget>

#include "vexo/Export.h"

namespace vexo {

class KeyBordWidgetPrivate;

class VEXO_KEYBORD_EXPORT KeyBordWidget : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
  Q_PROPERTY(bool capsLock READ capsLock WRITE setCapsLock NOTIFY capsLockChanged)
  Q_PROPERTY(int maxLength READ maxLength WRITE setMaxLength NOTIFY maxLengthChanged)
  Q_PROPERTY(Panel activePanel READ activePanel WRITE setActivePanel NOTIFY activePanelChanged)
  Q_PROPERTY(QString lastError READ lastError)

 public:
  // The panel that takes the keys and the focus.
  enum Panel { Letters, Numbers, Symbols };
  Q_ENUM(Panel)

  explicit KeyBordWidget(QWidget* parent = nullptr);
  ~KeyBordWidget() override;

  // The design size at the screen's DPI; the keyboard scales to any other
  // size, aspect kept, down to half of it.
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

  // The typed text, at most 32,767 UTF-16 units; every unit comes back as put.
  QString text() const;
  // Upper-case letter captions (true at start-up); F1 and Caps Lock toggle it.
  bool capsLock() const;
  // The most characters typing adds up to, 0 for no limit (0 to 32,767; a
  // negative value is taken as 0). Text already there is not shortened.
  int maxLength() const;
  // A value outside the three is kept as set and moves the focus nowhere.
  Panel activePanel() const;

  // The description of the last call's failure; empty after a success.
  QString lastError() const;

  // The saved properties under their saved names, every value written
  // (defaults included).
  QVariantMap saveProperties() const;
  // Applies a saved map: each value converts as a saved form's value does
  // (numbers, text, booleans; text that reads as a number); a value that does
  // not convert, or a type no form holds, is skipped and the others applied.
  bool loadProperties(const QVariantMap& properties);

 public Q_SLOTS:
  void setText(const QString& text);
  void setCapsLock(bool on);
  void setMaxLength(int length);
  void setActivePanel(vexo::KeyBordWidget::Panel panel);

  // Looks `character` up among the letter, number or symbol keys (case and
  // surrounding spaces ignored), marks the key and types its caption. Gives
  // what was typed (a blank finds the space bar and gives " "), or
  // `character` itself when no key carries it.
  QString typeLetter(const QString& character);
  QString typeNumber(const QString& character);
  QString typeSymbol(const QString& character);
  // Types the symbol of a key code (Windows virtual-key codes: 186 ";", 222
  // "'", ...), shifted when `modifiers` is 1 (Shift alone; 2 Ctrl, 4 Alt).
  bool typeSymbolOfKey(int keyCode, int modifiers);
  // Types the symbol on the shifted digit key `keyCode` (49 gives "!").
  bool typeShiftedDigit(int keyCode);
  // Types the marked key of the active panel.
  bool pressMarkedKey();
  // Carries out an editing or function key by its code: 8 Backspace, 46
  // Delete, 36 Home, 35 End, 20 and 112 (F1) toggle capsLock, 113 to 115
  // (F2 to F4) choose the panel, 116 (F5) and 117 (F6) move the caret.
  bool pressFunctionKey(int keyCode);
  // 118 (F7) emits f7Pressed() while this widget's window is the active one.
  bool forwardCommandKey(int keyCode);
  // Move the block caret one place and give the focus back to the active panel.
  bool moveCaretLeft();
  bool moveCaretRight();

 Q_SIGNALS:
  void textChanged(const QString& text);
  void capsLockChanged(bool on);
  void maxLengthChanged(int length);
  void activePanelChanged(vexo::KeyBordWidget::Panel panel);
  void errorOccurred(const QString& message);
  // The user pressed F7 while this widget's window was the active one.
  void f7Pressed();
  // A key was typed, by any means: a click, a key on a panel, a slot above
  // or typing into the field. `text` is what it typed; `accepted` is false
  // when the field refused it (maxLength reached). Emitted once per key, in
  // the order typed, after the change is done and after the textChanged it
  // caused; a paste that only partly fits is told as what went in, then what
  // was refused.
  void keyTyped(const QString& text, bool accepted);

 private:
  friend class KeyBordWidgetPrivate;
  std::unique_ptr<KeyBordWidgetPrivate> d_;
};

}  // namespace vexo
