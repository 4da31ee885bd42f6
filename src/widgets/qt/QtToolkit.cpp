#include "widgets/qt/QtToolkit.h"

#include <algorithm>
#include <cmath>
#include <new>

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPalette>
#include <QResizeEvent>
#include <QWidget>

#include "widgets/Boundary.h"
#include "widgets/qt/KeyAccessibility.h"
#include "widgets/qt/KeyPanelWidget.h"

namespace vexo::qt {

namespace {

constexpr int TwipsPerInch = 1440;
// The farthest a widget coordinate reaches; further twips are pinned to it.
constexpr double PixelLimit = 32767;

QString ToQString(std::u16string_view text) {
  // A plain copy of the units: no byte-order mark is taken away, no lone
  // surrogate replaced.
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
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
    setFont(KeyFont(DesignKeyLook));
    QPalette colours = palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight, colours.color(QPalette::Active, QPalette::Highlight));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(colours);
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
        setText(before);
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

}  // namespace

int TwipsToPixels(float twips, int dpi) {
  const double pixels = std::floor(static_cast<double>(twips) * dpi / TwipsPerInch + 0.5);
  if (std::isnan(pixels)) {
    return 0;
  }
  return static_cast<int>(std::fmax(-PixelLimit, std::fmin(PixelLimit, pixels)));
}

float PixelsToTwips(int pixels, int dpi) {
  return static_cast<float>(static_cast<double>(pixels) * TwipsPerInch / dpi);
}

QRect ToPixels(const Box& box, Dpi dpi) {
  const int left = TwipsToPixels(box.left, dpi.x);
  const int top = TwipsToPixels(box.top, dpi.y);
  const int right = TwipsToPixels(box.left + box.width, dpi.x);
  const int bottom = TwipsToPixels(box.top + box.height, dpi.y);
  return QRect(left, top, std::max(0, right - left), std::max(0, bottom - top));
}

// --- The field.

void QtRichTextBox::Attach(QLineEdit* widget) {
  widget_ = widget;
  Place();
}

void QtRichTextBox::Place() {
  if (widget_ != nullptr) {
    widget_->setGeometry(ToPixels(Bounds(), toolkit_.CurrentDpi()));
  }
}

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
  widget_->setText(ToQString(text));
  widget_->setCursorPosition(0);
  return hr::Ok;
}

HResult QtRichTextBox::GetSelStart(std::int32_t& start) {
  start = 0;
  RETURN_IF_FAILED(Alive());
  const int selection = widget_->selectionStart();
  start = static_cast<std::int32_t>(selection >= 0 ? selection : widget_->cursorPosition());
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
  widget_->setText(content);
  widget_->setCursorPosition(static_cast<int>(start + static_cast<std::int32_t>(text.size())));
  return hr::Ok;
}


// --- The surface.

void QtSurface::Place() {
  QWidget* widget = toolkit_.SurfaceWidget();
  if (widget == nullptr) {
    return;
  }
  const Dpi dpi = toolkit_.CurrentDpi();
  ++toolkit_.placing_;
  // A fixed size: layouts and window managers keep what the component asks.
  widget->setFixedSize(std::max(0, TwipsToPixels(Width(), dpi.x)), std::max(0, TwipsToPixels(Height(), dpi.y)));
  --toolkit_.placing_;
}

HResult QtSurface::CanSize() { return toolkit_.SurfaceWidget() == nullptr ? WidgetGone : hr::Ok; }

// --- The toolkit.

class QtToolkit::SurfaceFilter final : public QObject {
 public:
  explicit SurfaceFilter(QtToolkit& toolkit) : toolkit_(toolkit) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == toolkit_.SurfaceWidget()) {
      toolkit_.SurfaceEvent(event->type());
    }
    return false;
  }

 private:
  QtToolkit& toolkit_;
};

QtToolkit::QtToolkit(QWidget& surface, QtToolkitOptions options)
    : surfaceWidget_(&surface), options_(options), text1_(*this), surface_(*this) {
  InstallKeyAccessibility();
  for (PanelId id : {PanelId::picABC, PanelId::picNumber, PanelId::picShift}) {
    panels_[Slot(id)] = std::make_unique<QtPanel>(*this, id);
  }
  // The tab order of the design-time form: the panels, then the field.
  for (PanelId id : {PanelId::picABC, PanelId::picNumber, PanelId::picShift}) {
    QtPanel& panel = *panels_[Slot(id)];
    panel.Attach(new KeyPanelWidget(*this, panel, id, &surface));
  }
  auto* field = new FieldWidget(*this, &surface);
  QObject::connect(field, &QLineEdit::textChanged, field, [this] { FieldTextChanged(); });
  text1_.Attach(field);
  // Not a tab stop itself: Shift+Tab from a panel would land on it and come
  // straight back. A host's setFocus still hands the focus to the active panel.
  surface.setFocusPolicy(Qt::NoFocus);
  surface_.Place();
  filter_ = std::make_unique<SurfaceFilter>(*this);
  surface.installEventFilter(filter_.get());
}

QtToolkit::~QtToolkit() {
  events_ = nullptr;
  if (surfaceWidget_ != nullptr) {
    surfaceWidget_->removeEventFilter(filter_.get());
  }
  delete text1_.Widget();
  for (auto& panel : panels_) {
    delete panel->Widget();
  }
}

Dpi QtToolkit::CurrentDpi() const {
  if (options_.dpi) {
    return *options_.dpi;
  }
  if (surfaceWidget_ == nullptr) {
    return {};
  }
  return {std::max(1, surfaceWidget_->logicalDpiX()), std::max(1, surfaceWidget_->logicalDpiY())};
}

void QtToolkit::Beep() {
  ++beeps_;
  QApplication::beep();
}

WindowHandle QtToolkit::ActiveWindow() {
  if (surfaceWidget_ == nullptr) {
    return 0;
  }
  QWidget* window = surfaceWidget_->window();
  return window->isActiveWindow() ? reinterpret_cast<WindowHandle>(window) : 0;
}

std::intptr_t QtToolkit::SendMessageTo(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                       std::intptr_t lParam) {
  return onMessage_ ? onMessage_(window, message, wParam, lParam) : 0;
}

std::optional<PanelId> QtToolkit::Focused() const {
  for (const auto& panel : panels_) {
    if (panel->Widget() != nullptr && panel->Widget()->hasFocus()) {
      return panel->Widget()->Id();
    }
  }
  return std::nullopt;
}

HResult QtToolkit::Raise(const std::function<HResult()>& notification) {
  if (events_ == nullptr) {
    return hr::Fail;
  }
  const std::weak_ptr<const bool> alive = lifetime_;
  ++depth_;
  const HResult status = Guard([&] { return notification(); });
  if (alive.expired()) {
    return status;
  }
  --depth_;
  if (depth_ == 0) {
    Settled();
  }
  return status;
}

void QtToolkit::FieldTextChanged() {
  textDirty_ = true;
  if (depth_ == 0) {
    Settled();
  }
}

void QtToolkit::Settled() {
  if (!textDirty_) {
    return;
  }
  textDirty_ = false;
  if (onTextChanged_) {
    onTextChanged_();
  }
}

void QtToolkit::SurfaceEvent(int type) {
  switch (type) {
    case QEvent::Show:
      RaiseFromWidget([this] { return events_->OnShow(); });
      break;
    case QEvent::Hide: {
      // A hidden control holds no focus; Qt would leave it on a hidden panel
      // when nothing outside the control can take it.
      QWidget* focused = QApplication::focusWidget();
      if (focused != nullptr && surfaceWidget_ != nullptr && surfaceWidget_->isAncestorOf(focused)) {
        focused->clearFocus();
      }
      break;
    }
    case QEvent::FocusIn:
      RaiseFromWidget([this] { return events_->OnSurfaceGotFocus(); });
      break;
    case QEvent::Resize: {
      if (Placing() || surfaceWidget_ == nullptr) {
        break;
      }
      const Dpi dpi = CurrentDpi();
      const QSize size = surfaceWidget_->size();
      if (size.width() == TwipsToPixels(surface_.Width(), dpi.x) &&
          size.height() == TwipsToPixels(surface_.Height(), dpi.y)) {
        break;  // the size the component asked for arriving
      }
      surface_.Take(PixelsToTwips(size.width(), dpi.x), PixelsToTwips(size.height(), dpi.y));
      RaiseFromWidget([this] { return events_->OnResize(); });
      break;
    }
    default:
      break;
  }
}

HResult QtToolkit::Initialize() { return Raise([this] { return events_->OnInitialize(); }); }

HResult QtToolkit::ReadProperties(PropertyBag& bag) {
  return Raise([&] { return events_->OnReadProperties(bag); });
}

HResult QtToolkit::WriteProperties(PropertyBag& bag) {
  return Raise([&] { return events_->OnWriteProperties(bag); });
}

}  // namespace vexo::qt
