// The on-screen keyboard as a widget for Qt hosts.
//
// One instance is one KeyBord on the Qt toolkit, with this widget as its
// surface. The four properties of the public interface are Qt properties and
// its ten methods are slots of the same names and arguments (16-bit values as
// int, checked on the way in). Every property access and slot leaves its
// status code in `lastError` (0 when it succeeded); the slots also return it.
//
// The component raises no events of its own. The widget adds two signals:
// `textChanged`, after anything (the keyboard, the host or the user typing
// into the field) changed the text the host reads, and `f7Pressed`, the F7
// command, which a Windows host receives as a command message to its active
// window: it is emitted only while this widget's window is the active one,
// synchronously, so a slot may call the widget back.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <QString>
#include <QVariantMap>
#include <QWidget>

#include "vexo/Export.h"

#include "widgets/Status.h"

namespace vexo {

class KeyBord;
namespace qt {
class QtToolkit;
}

class VEXO_KEYBORD_EXPORT KeyBordWidget : public QWidget {
  Q_OBJECT
  Q_PROPERTY(bool CapsLock READ CapsLock WRITE setCapsLock)
  Q_PROPERTY(int ChangeBord READ ChangeBord WRITE setChangeBord)
  Q_PROPERTY(QString Text READ Text WRITE setText NOTIFY textChanged)
  Q_PROPERTY(int MaxLength READ MaxLength WRITE setMaxLength)
  Q_PROPERTY(int lastError READ lastError)

 public:
  explicit KeyBordWidget(QWidget* parent = nullptr);
  ~KeyBordWidget() override;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

  bool CapsLock();
  void setCapsLock(bool value);
  int ChangeBord();
  void setChangeBord(int value);
  QString Text();
  void setText(const QString& value);
  int MaxLength();
  void setMaxLength(int value);

  // The status of the last property access, slot, save or load: 0, or a
  // failure code (0x800A0006 overflow, 0x8002000A a value out of 16-bit
  // range, 0x80070578 a part of the widget destroyed under it, ...).
  int lastError() const { return lastError_; }
  QString lastErrorText() const;

  // The saved properties of the property table under their names, every
  // value written (defaults included).
  QVariantMap saveProperties();
  // Applies a saved map: each value converts as a saved form's value does
  // (numbers, text, booleans; text that reads as a number); a value that does
  // not convert, or a type no form holds, is skipped and the others applied.
  int loadProperties(const QVariantMap& properties);

  qt::QtToolkit& toolkit() { return *toolkit_; }
  KeyBord& component() { return *keybord_; }

 public Q_SLOTS:
  int AfterFindImage(QString& ChrStr);
  int EnterKey();
  int FindABC(QString& ChrStr);
  int FindImage(int KeyCode, int Shift);
  int FindImageNumber(int KeyCode);
  int GetMessage(int& KodKey);
  int KeyF1ToF6(int& CodeKey);
  int LeftPos();
  int FindNumber(QString& ChrStr);
  int RightPos();

 Q_SIGNALS:
  void textChanged(const QString& text);
  void f7Pressed();

 private:
  int Finish(std::int32_t status);
  // A member that may change the caller's string, or its key code, in place.
  int CallWithText(QString& ChrStr, HResult (KeyBord::*member)(std::u16string&));
  int CallWithCode(int& code, HResult (KeyBord::*member)(std::int16_t&));
  void EmitTextChanged();

  std::unique_ptr<qt::QtToolkit> toolkit_;
  std::unique_ptr<KeyBord> keybord_;
  int lastError_ = 0;
  QString lastText_;
};

}  // namespace vexo
