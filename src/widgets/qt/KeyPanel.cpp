// The key panels: their twip boxes, their keys as data, and the widgets that
// draw them and turn the user's presses into notifications.
#include <array>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <qdrawutil.h>

#include "widgets/Boundary.h"
#include "widgets/qt/KeyAccessibility.h"
#include "widgets/qt/KeyCodes.h"
#include "widgets/qt/KeyPanelWidget.h"
#include "widgets/qt/QtToolkit.h"

namespace vexo::qt {

namespace {

struct PaletteRole {
  QPalette::ColorGroup group;
  QPalette::ColorRole role;
};

// The system colours by their index (the low byte of 0x800000nn), as the
// application's palette shows them.
constexpr std::array<PaletteRole, 31> SystemColours{{
    {QPalette::Active, QPalette::Window},           // 0 scroll bar
    {QPalette::Active, QPalette::Window},           // 1 desktop
    {QPalette::Active, QPalette::Highlight},        // 2 active caption
    {QPalette::Inactive, QPalette::Highlight},      // 3 inactive caption
    {QPalette::Active, QPalette::Window},           // 4 menu
    {QPalette::Active, QPalette::Base},             // 5 window
    {QPalette::Active, QPalette::Shadow},           // 6 window frame
    {QPalette::Active, QPalette::WindowText},       // 7 menu text
    {QPalette::Active, QPalette::Text},             // 8 window text
    {QPalette::Active, QPalette::HighlightedText},  // 9 caption text
    {QPalette::Active, QPalette::Mid},              // 10 active border
    {QPalette::Inactive, QPalette::Mid},            // 11 inactive border
    {QPalette::Active, QPalette::Dark},             // 12 application workspace
    {QPalette::Active, QPalette::Highlight},        // 13 highlight
    {QPalette::Active, QPalette::HighlightedText},  // 14 highlighted text
    {QPalette::Active, QPalette::Button},           // 15 button face
    {QPalette::Active, QPalette::Dark},             // 16 button shadow
    {QPalette::Disabled, QPalette::Text},           // 17 grey text
    {QPalette::Active, QPalette::ButtonText},       // 18 button text
    {QPalette::Inactive, QPalette::WindowText},     // 19 inactive caption text
    {QPalette::Active, QPalette::Light},            // 20 button highlight
    {QPalette::Active, QPalette::Shadow},           // 21 3-D dark shadow
    {QPalette::Active, QPalette::Midlight},         // 22 3-D light
    {QPalette::Active, QPalette::ToolTipText},      // 23 tooltip text
    {QPalette::Active, QPalette::ToolTipBase},      // 24 tooltip background
    {QPalette::Active, QPalette::Window},           // 25 (unused)
    {QPalette::Active, QPalette::Link},             // 26 hot-tracked item
    {QPalette::Active, QPalette::Highlight},        // 27 gradient active caption
    {QPalette::Inactive, QPalette::Highlight},      // 28 gradient inactive caption
    {QPalette::Active, QPalette::Highlight},        // 29 menu highlight
    {QPalette::Active, QPalette::Window},           // 30 menu bar
}};

// The system colours as a palette shows them.
class PaletteColours final : public SystemPalette {
 public:
  explicit PaletteColours(const QPalette& palette) : palette_(palette) {}
  std::optional<Rgb> Lookup(std::uint32_t index) const override {
    if (index >= SystemColours.size()) {
      return std::nullopt;
    }
    const QColor colour = palette_.color(SystemColours[index].group, SystemColours[index].role);
    return static_cast<Rgb>(colour.red() | colour.green() << 8 | colour.blue() << 16);
  }

 private:
  const QPalette& palette_;
};

QColor ToQColor(Rgb rgb) {
  return QColor(static_cast<int>(rgb & 0xFF), static_cast<int>((rgb >> 8) & 0xFF), static_cast<int>((rgb >> 16) & 0xFF));
}

// A dark palette is the user's choice of contrast: keys take its button
// colours and the mark its highlight, as a high-contrast scheme gives them,
// rather than a black caption on a dark face.
Contrast ContrastOf(const QPalette& palette) {
  return palette.color(QPalette::ButtonText).lightness() > palette.color(QPalette::Button).lightness()
             ? Contrast::High
             : Contrast::Normal;
}

}  // namespace

QFont KeyFont(const KeyLook& look) {
  QFont font(QString(reinterpret_cast<const QChar*>(look.faceName.data()), static_cast<qsizetype>(look.faceName.size())));
  font.setPointSizeF(look.fontPoints);
  font.setWeight(static_cast<QFont::Weight>(look.fontWeight));
  return font;
}

// --- The panel as the component sees it.

QtPanel::QtPanel(QtToolkit& toolkit, PanelId id)
    : QtPlacement(toolkit, DesignPanel(id)), id_(id), keys_(DesignKey(KeysOf(id)), this) {}

QRect QtPanel::KeyPixels(const KeyElement& key) const {
  return ToPixels({key.left, key.top, key.width, key.height}, toolkit_.CurrentDpi());
}


HResult QtPanel::SetFocus() {
  if (widget_ == nullptr) {
    return WidgetGone;
  }
  if (!widget_->isEnabled()) {
    return hr::InvalidProcedureCall;
  }
  // The panel the component gives the focus to, the active one, is the
  // keyboard's one stop in its window's tab order: Tab enters the keyboard
  // there and leaves it from there, as it enters and leaves any control.
  for (PanelId panel : {PanelId::picABC, PanelId::picNumber, PanelId::picShift}) {
    if (KeyPanelWidget* other = toolkit_.PanelOf(panel).Widget()) {
      other->setFocusPolicy(panel == id_ ? Qt::TabFocus : Qt::NoFocus);
    }
  }
  // While the window is inactive Qt only notes the panel as the one to get
  // the focus; its FocusIn arrives when the window becomes active.
  if (!widget_->hasFocus()) {
    widget_->setFocus(Qt::OtherFocusReason);
  }
  return hr::Ok;
}

bool QtPanel::CanShow(Colour colour) const {
  return widget_ == nullptr || vexo::ResolveColour(colour, PaletteColours(widget_->palette())).has_value();
}

void QtPanel::KeyChanged(std::int16_t index, const KeyElement& before, const KeyElement& after) {
  if (widget_ == nullptr) {
    return;
  }
  KeyChangedForAccessibility(*widget_, index, before, after);
  if (before.visible) {
    widget_->update(KeyPixels(before));
  }
  if (after.visible) {
    widget_->update(KeyPixels(after));
  }
}

// --- The panel's widget.

KeyPanelWidget::KeyPanelWidget(QtToolkit& toolkit, QtPanel& panel, PanelId id, QWidget* parent)
    : QWidget(parent), toolkit_(toolkit), panel_(panel), id_(id) {
  // A press on a key takes no focus, the click handler decides where it
  // goes; Tab reaches the panel once it is the active one (QtPanel::SetFocus).
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_KeyCompression, false);
}

QRect KeyPanelWidget::KeyRect(std::int16_t index) const {
  const KeyElement* key = panel_.Keys().Element(index);
  if (key == nullptr || !key->visible) {
    return {};
  }
  return panel_.KeyPixels(*key);
}

std::int16_t KeyPanelWidget::HitTest(QPoint point) const {
  return panel_.Keys().KeyAt([&](const KeyElement& key) { return panel_.KeyPixels(key).contains(point); });
}

void KeyPanelWidget::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const PaletteColours colours(palette());
  const Contrast contrast = ContrastOf(palette());
  painter.fillRect(event->rect(), ToQColor(vexo::ResolveColour(PanelBackColor, PanelBackColor, colours)));
  QFont font = KeyFont(DesignKeyLook);
  // Twips at the toolkit's density, as the keys' boxes are.
  font.setPixelSize(std::max(1, TwipsToPixels(DesignKeyLook.fontPoints * 20, toolkit_.CurrentDpi().y)));
  painter.setFont(font);
  const KeyStore& keys = panel_.Keys();
  // Higher indexes lie on top, as the hit test finds them.
  for (std::int32_t index = 0; index < keys.Extent(); ++index) {
    const KeyElement* key = keys.Element(index);
    if (key == nullptr || !key->visible) {
      continue;
    }
    const QRect r = panel_.KeyPixels(*key);
    if (r.width() <= 0 || r.height() <= 0 || !r.intersects(event->rect())) {
      continue;
    }
    const KeyColours drawn = DrawnColours(key->foreColor, key->backColor, key->marked, contrast);
    painter.fillRect(r, ToQColor(vexo::ResolveColour(drawn.back, DefaultKeyBackColor, colours)));
    qDrawShadePanel(&painter, r, palette(), false, 1);
    painter.setPen(ToQColor(vexo::ResolveColour(drawn.fore, DefaultKeyForeColor, colours)));
    const QString caption(reinterpret_cast<const QChar*>(key->caption.data()),
                          static_cast<qsizetype>(key->caption.size()));
    painter.drawText(r.adjusted(2, 1, -2, -1), Qt::AlignRight | Qt::AlignTop | Qt::TextWordWrap, caption);
  }
}

void KeyPanelWidget::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    return;
  }
  const std::int16_t hit = HitTest(event->position().toPoint());
  if (hit >= 0) {
    // A key takes no focus: the press only arms its click.
    pressed_.Arm(hit);
  } else if (!hasFocus()) {
    setFocus(Qt::MouseFocusReason);
  }
}

void KeyPanelWidget::mouseReleaseEvent(QMouseEvent* event) {
  const std::int16_t clicked =
      pressed_.Release(event->button() == Qt::LeftButton ? HitTest(event->position().toPoint()) : -1);
  if (clicked >= 0) {
    ClickKey(clicked);
  }
}

void KeyPanelWidget::ClickKey(std::int16_t index) {
  const KeyArrayId array = KeysOf(id_);
  toolkit_.RaiseFromWidget([&] { return toolkit_.Events()->OnClick(array, index); });
}

bool KeyPanelWidget::event(QEvent* event) {
  // F1 to F7, alone or with Shift, are the keyboard's while a panel has the
  // focus, even where the host has a shortcut on one; with Ctrl, Alt or Meta
  // the host's shortcuts take them, and everywhere else.
  if (event->type() == QEvent::ShortcutOverride) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() >= Qt::Key_F1 && key->key() <= Qt::Key_F7 &&
        (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) == 0) {
      event->accept();
      return true;
    }
  }
  return QWidget::event(event);
}

void KeyPanelWidget::keyPressEvent(QKeyEvent* event) {
  // The form's keys go on to the parents, as from any control: Tab that
  // moved no focus, Ctrl+Tab (a tab widget's page), Enter (the default
  // button) and Escape (a dialog's reject).
  switch (event->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      event->ignore();
      return;
    default:
      break;
  }
  std::int16_t keyCode = VirtualKeyOf(event->key(), event->modifiers());
  std::int16_t shift = ModifierMaskOf(event->modifiers());
  if (keyCode == 0) {
    event->ignore();
    return;
  }
  // Accepted even when a slot deleted the widget meanwhile: the event is
  // Qt's, and an accepted key goes to no parent.
  toolkit_.RaiseFromWidget([&] { return toolkit_.Events()->OnKeyDown(id_, keyCode, shift); });
  event->accept();
}

void KeyPanelWidget::focusInEvent(QFocusEvent*) {
  toolkit_.RaiseFromWidget([this] { return toolkit_.Events()->OnGotFocus(id_); });
}

void KeyPanelWidget::focusOutEvent(QFocusEvent*) {
  toolkit_.RaiseFromWidget([this] { return toolkit_.Events()->OnLostFocus(id_); });
}

}  // namespace vexo::qt
