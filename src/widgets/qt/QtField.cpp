// SPDX-License-Identifier: MIT
// The field `Text1` of the Qt toolkit: a line edit that reports what the user
// does and is written by the component alone.
#include <algorithm>

#include <QAccessibleWidget>
#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPalette>

#include "widgets/qt/KeyAccessibility.h"
#include "widgets/qt/QtToolkit.h"

namespace vexo::qt {

namespace {

QString ToQString(std::u16string_view text) {
  // A plain copy of the units: no byte-order mark is taken away, no lone
  // surrogate replaced.
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

// The line edit finishes a change of its text in a call it posts to itself,
// which drops whatever selection stands then: it runs here, before the block
// caret is put back, or the caret would be lost a loop turn later.
void SetText(QLineEdit& field, const QString& text) {
  field.setText(text);
  QCoreApplication::sendPostedEvents(&field, QEvent::MetaCall);
}

// The field: a line edit whose selection, the block caret, stays as it is and
// stays visible while the focus is elsewhere, as the keys keep the focus.
//
// The line edit never changes its text by its own hand for the user: what
// the user types, composes, pastes, cuts or deletes is reported to the
// component as a FieldEdit, which makes the change through its model. Undo,
// redo, drops and the context menu (whose entries would edit directly) are
// refused; any other key binding that would still change the text is undone.
class FieldWidget final : public QLineEdit {
 public:
  FieldWidget(QtToolkit& toolkit, QWidget* parent) : QLineEdit(parent), toolkit_(toolkit) {
    setAcceptDrops(false);
    setDragEnabled(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    setMaxLength(TextCapacity);
    // The user clicks into the field; Tab passes it by (the keyboard is one
    // stop in its window's tab order, the active panel).
    setFocusPolicy(Qt::ClickFocus);
    setAccessibleName(QStringLiteral("Typed text"));
    FollowPalette(parent->palette());
  }

  // The block caret shows in the active highlight also while the focus is
  // elsewhere.
  void FollowPalette(const QPalette& surface) {
    QPalette colours = surface;
    colours.setColor(QPalette::Inactive, QPalette::Highlight, colours.color(QPalette::Active, QPalette::Highlight));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(colours);
  }

  // Where the caret stands: the start of the block caret or selection.
  int Caret() const {
    const int start = selectionStart();
    return start >= 0 ? start : cursorPosition();
  }

 protected:
  void focusOutEvent(QFocusEvent* event) override {
    const int start = selectionStart();
    const int length = selectionLength();
    QLineEdit::focusOutEvent(event);  // drops the selection
    if (start >= 0 && length > 0) {
      setSelection(start, length);
    }
  }

  // The keyboard is one stop in its window's tab order, its active panel:
  // Tab and Shift+Tab leave it from the field too, for the widget before or
  // behind it, rather than stopping at a panel on the way.
  bool focusNextPrevChild(bool next) override {
    QWidget* const keyboard = parentWidget();
    for (QWidget* w = next ? nextInFocusChain() : previousInFocusChain(); w != this;
         w = next ? w->nextInFocusChain() : w->previousInFocusChain()) {
      if (w != keyboard && !keyboard->isAncestorOf(w) && w->window() == window() &&
          (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && w->isEnabled() && w->isVisibleTo(window())) {
        w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        return true;
      }
    }
    return QLineEdit::focusNextPrevChild(next);  // nothing outside the keyboard takes Tab
  }

  void keyPressEvent(QKeyEvent* event) override {
    event->accept();
    if (event->matches(QKeySequence::Paste)) {
      Paste(QClipboard::Clipboard);
    } else if (event->matches(QKeySequence::Cut)) {
      copy();
      Report(FieldEdit::EraseSelection);
    } else if (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo)) {
      // refused: the component's edits are the only ones
    } else if (event->key() == Qt::Key_Backspace) {
      Report(FieldEdit::Backspace);
    } else if (event->key() == Qt::Key_Delete) {
      Report(FieldEdit::Delete);
    } else if (Typable(event->text()) && !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))) {
      Report(FieldEdit::Insert, event->text());
    } else {
      // Moving the caret, selecting, copying: the line edit's own.
      const QString before = text();
      const int start = selectionStart();
      const int length = selectionLength();
      const int cursor = cursorPosition();
      QLineEdit::keyPressEvent(event);
      if (text() != before) {
        SetText(*this, before);
        if (length > 0) {
          setSelection(start, length);
        } else {
          setCursorPosition(cursor);
        }
      }
    }
  }

  void inputMethodEvent(QInputMethodEvent* event) override {
    // What is still being composed is the line edit's to show; it is no part
    // of the text. What the input method commits goes in as typed.
    QInputMethodEvent composing(event->preeditString(), event->attributes());
    QLineEdit::inputMethodEvent(&composing);
    if (!event->commitString().isEmpty()) {
      Report(FieldEdit::Insert, event->commitString());
    }
    event->accept();
  }

  void mouseReleaseEvent(QMouseEvent* event) override {
    // The middle button pastes the selection where the system has one.
    if (event->button() == Qt::MiddleButton && QApplication::clipboard()->supportsSelection()) {
      setCursorPosition(cursorPositionAt(event->position().toPoint()));
      Paste(QClipboard::Selection);
      event->accept();
      return;
    }
    QLineEdit::mouseReleaseEvent(event);
  }

 private:
  // Text a key gives that goes into the field: no control character (those
  // come with Backspace, Enter, Tab, Escape and Ctrl).
  static bool Typable(const QString& text) {
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x20 && c.unicode() != 0x7F; });
  }
  void Paste(QClipboard::Mode mode) {
    const QString pasted = QApplication::clipboard()->text(mode);
    if (!pasted.isEmpty()) {
      Report(FieldEdit::Insert, pasted);
    }
  }
  void Report(FieldEdit edit, const QString& text = {}) {
    const std::u16string_view units(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
    toolkit_.RaiseFromWidget([&] { return toolkit_.Events()->OnFieldEdit(edit, units); });
  }

  QtToolkit& toolkit_;
};

// The field as assistive technologies read it: the user's text without the
// trailing space that follows it, the caret where the block caret stands
// (the block itself is no selection to them).
class FieldAccessibleText final : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit FieldAccessibleText(FieldWidget* field) : QAccessibleWidget(field, QAccessible::EditableText) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    return type == QAccessible::TextInterface ? static_cast<QAccessibleTextInterface*>(this)
                                              : QAccessibleWidget::interface_cast(type);
  }
  QString text(QAccessible::Text kind) const override {
    return kind == QAccessible::Value ? Typed() : QAccessibleWidget::text(kind);
  }

  QString text(int start, int end) const override { return Typed().mid(start, end - start); }
  int characterCount() const override { return static_cast<int>(Typed().size()); }
  int cursorPosition() const override { return std::min(Field()->Caret(), characterCount()); }
  // As the user's click in the field places it.
  void setCursorPosition(int position) override { Field()->setCursorPosition(position); }
  int selectionCount() const override { return 0; }
  void selection(int, int* start, int* end) const override { *start = *end = 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int offsetAtPoint(const QPoint& point) const override {
    return std::min(Field()->cursorPositionAt(Field()->mapFromGlobal(point)), characterCount());
  }
  QRect characterRect(int offset) const override {
    // Measured from the start of the text as the line edit shows it unscrolled.
    const QFontMetrics metrics(Field()->font());
    const QString shown = Field()->text();
    const QRect contents = Field()->contentsRect().marginsRemoved(Field()->textMargins());
    const int left = contents.left() + metrics.horizontalAdvance(shown.left(offset));
    const QRect r(left, contents.center().y() - metrics.height() / 2, metrics.horizontalAdvance(shown.mid(offset, 1)),
                  metrics.height());
    return QRect(Field()->mapToGlobal(r.topLeft()), r.size());
  }
  void scrollToSubstring(int, int) override {}
  QString attributes(int offset, int* start, int* end) const override {
    *start = offset;
    *end = offset;
    return {};
  }

 private:
  FieldWidget* Field() const { return static_cast<FieldWidget*>(widget()); }
  QString Typed() const {
    QString typed = Field()->text();
    if (typed.endsWith(u' ')) {
      typed.chop(1);
    }
    return typed;
  }
};

}  // namespace

QAccessibleInterface* FieldAccessible(QObject* object) {
  auto* field = dynamic_cast<FieldWidget*>(object);
  return field != nullptr ? new FieldAccessibleText(field) : nullptr;
}

void FollowPalette(QLineEdit& field, const QPalette& surface) {
  if (auto* ours = dynamic_cast<FieldWidget*>(&field)) {
    ours->FollowPalette(surface);
  }
}

QLineEdit* MakeFieldWidget(QtToolkit& toolkit, QWidget* surface) {
  auto* field = new FieldWidget(toolkit, surface);
  QObject::connect(field, &QLineEdit::textChanged, field, [&toolkit] { toolkit.FieldTextChanged(); });
  return field;
}

// --- The field.

HResult QtRichTextBox::Alive() const { return widget_ == nullptr ? WidgetGone : hr::Ok; }

HResult QtRichTextBox::TakesPosition(std::int32_t value) const {
  RETURN_IF_FAILED(Alive());
  return value < 0 ? hr::InvalidPropertyValue : hr::Ok;
}

std::int32_t QtRichTextBox::SelLength() const {
  return widget_ != nullptr ? static_cast<std::int32_t>(widget_->selectionLength()) : 0;
}

HResult QtRichTextBox::GetText(std::u16string& text) {
  text.clear();
  RETURN_IF_FAILED(Alive());
  const QString content = widget_->text();
  text.assign(reinterpret_cast<const char16_t*>(content.utf16()), static_cast<std::size_t>(content.size()));
  return hr::Ok;
}

HResult QtRichTextBox::GetTextLength(std::int32_t& length) {
  length = 0;
  RETURN_IF_FAILED(Alive());
  length = static_cast<std::int32_t>(widget_->text().size());
  return hr::Ok;
}

HResult QtRichTextBox::PutText(std::u16string_view text) {
  RETURN_IF_FAILED(Alive());
  if (text.size() > static_cast<std::size_t>(TextCapacity)) {
    return hr::OutOfMemory;
  }
  SetText(*widget_, ToQString(text));
  widget_->setCursorPosition(0);
  return hr::Ok;
}

HResult QtRichTextBox::GetSelStart(std::int32_t& start) {
  start = 0;
  RETURN_IF_FAILED(Alive());
  start = static_cast<std::int32_t>(static_cast<FieldWidget*>(widget_.data())->Caret());
  return hr::Ok;
}

HResult QtRichTextBox::GetSelLength(std::int32_t& length) {
  length = 0;
  RETURN_IF_FAILED(Alive());
  length = SelLength();
  return hr::Ok;
}

HResult QtRichTextBox::PutSelStart(std::int32_t start) {
  RETURN_IF_FAILED(TakesPosition(start));
  widget_->setCursorPosition(static_cast<int>(std::min<qsizetype>(start, widget_->text().size())));
  return hr::Ok;
}

HResult QtRichTextBox::PutSelLength(std::int32_t length) {
  RETURN_IF_FAILED(TakesPosition(length));
  std::int32_t start = 0;
  RETURN_IF_FAILED(GetSelStart(start));
  const qsizetype room = widget_->text().size() - start;
  widget_->setSelection(start, static_cast<int>(std::min<qsizetype>(length, room)));
  return hr::Ok;
}

HResult QtRichTextBox::PutSelText(std::u16string_view text) {
  RETURN_IF_FAILED(Alive());
  std::int32_t start = 0;
  RETURN_IF_FAILED(GetSelStart(start));
  QString content = widget_->text();
  if (content.size() - SelLength() + static_cast<qsizetype>(text.size()) > TextCapacity) {
    return hr::OutOfMemory;
  }
  // The units go in exactly as given: the line edit's own insertion would
  // weigh them against its input rules.
  content.replace(start, SelLength(), ToQString(text));
  SetText(*widget_, content);
  widget_->setCursorPosition(static_cast<int>(start + static_cast<std::int32_t>(text.size())));
  return hr::Ok;
}

}  // namespace vexo::qt
