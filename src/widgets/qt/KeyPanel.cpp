// SPDX-License-Identifier: MIT
// The key panels: their twip boxes, their keys as data, and the widgets that
// draw them and turn the user's presses into notifications.
#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QPointer>
#include <QStyle>
#include <QTouchEvent>
#include <qdrawutil.h>

#include "widgets/Boundary.h"
#include "widgets/KeyLooks.h"
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

// The system colours as a palette shows them; a disabled widget shows every
// one from the palette's disabled group.
class PaletteColours final : public SystemPalette {
 public:
  explicit PaletteColours(const QWidget& widget) : palette_(widget.palette()), enabled_(widget.isEnabled()) {}
  std::optional<Rgb> Lookup(std::uint32_t index) const override {
    if (index >= SystemColours.size()) {
      return std::nullopt;
    }
    const PaletteRole entry = SystemColours[index];
    const QColor colour = palette_.color(enabled_ ? entry.group : QPalette::Disabled, entry.role);
    return static_cast<Rgb>(colour.red() | colour.green() << 8 | colour.blue() << 16);
  }

 private:
  const QPalette& palette_;
  bool enabled_;
};

QColor ToQColor(Rgb rgb) {
  return QColor(static_cast<int>(rgb & 0xFF), static_cast<int>((rgb >> 8) & 0xFF), static_cast<int>((rgb >> 16) & 0xFF));
}

// Under the style's own button and highlight colours the keys show the
// component's colours (black on button face, the mark white on blue). Any
// other palette is a theme that the host, the desktop or the user chose, dark
// or high-contrast among them: every key then takes its button pair and the
// mark its highlight pair, as in the system's high contrast. So does a
// disabled panel, from the palette's disabled group.
Contrast ContrastOf(const QWidget& panel) {
  if (!panel.isEnabled()) {
    return Contrast::High;
  }
  const QPalette& shown = panel.palette();
  const QPalette standard = panel.style()->standardPalette();
  for (QPalette::ColorRole role : {QPalette::Button, QPalette::ButtonText, QPalette::Highlight, QPalette::HighlightedText}) {
    if (shown.color(QPalette::Active, role) != standard.color(QPalette::Active, role)) {
      return Contrast::High;
    }
  }
  return Contrast::Normal;
}

int Scaled(int pixels, double factor) { return static_cast<int>(pixels * factor + 0.5); }

// A mouse event that the system or Qt made from a touch: the touch itself
// types, so this one must not type a second time.
bool FromTouch(const QMouseEvent& event) { return event.source() != Qt::MouseEventNotSynthesized; }

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
  return ToPixels({key.left, key.top, key.width, key.height}, toolkit_.CurrentDpi(), toolkit_.CurrentScaling().factor);
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
  for (const PanelFace& face : PanelFaces) {
    if (KeyPanelWidget* other = toolkit_.PanelOf(face.panel).Widget()) {
      other->setFocusPolicy(face.panel == id_ ? Qt::TabFocus : Qt::NoFocus);
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
  return widget_ == nullptr || vexo::ResolveColour(colour, PaletteColours(*widget_)).has_value();
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
  setAttribute(Qt::WA_AcceptTouchEvents);
  const std::u16string_view name = AccessiblePanelName(id);
  setAccessibleName(QString(reinterpret_cast<const QChar*>(name.data()), static_cast<qsizetype>(name.size())));
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
  const PaletteColours colours(*this);
  const Contrast contrast = ContrastOf(*this);
  const double factor = toolkit_.CurrentScaling().factor;
  painter.fillRect(event->rect(), ToQColor(vexo::ResolveColour(PanelBackColor, PanelBackColor, colours)));
  QFont font = KeyFont(DesignKeyLook);
  // Twips at the toolkit's density and scale, as the keys' boxes are.
  font.setPixelSize(
      std::max(1, TwipsToPixels(static_cast<float>(DesignKeyLook.fontPoints * 20 * factor), toolkit_.CurrentDpi().y)));
  painter.setFont(font);
  const int across = Scaled(2, factor);
  const int down = Scaled(1, factor);
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
    const Rgb back = vexo::ResolveColour(drawn.back, DefaultKeyBackColor, colours);
    const Rgb fore = vexo::ResolveColour(drawn.fore, DefaultKeyForeColor, colours);
    painter.fillRect(r, ToQColor(back));
    qDrawShadePanel(&painter, r, palette(), IsDown(static_cast<std::int16_t>(index)), 1);
    // A disabled key's caption is faint on purpose.
    painter.setPen(ToQColor(isEnabled() ? ReadableOn(fore, back) : fore));
    const QString caption(reinterpret_cast<const QChar*>(key->caption.data()),
                          static_cast<qsizetype>(key->caption.size()));
    painter.drawText(r.adjusted(across, down, -across, -down), Qt::AlignRight | Qt::AlignTop | Qt::TextWordWrap, caption);
  }
}

bool KeyPanelWidget::IsDown(std::int16_t index) const {
  if (index < 0) {
    return false;
  }
  if (pressed_.Armed() == index && mouseOnArmed_) {
    return true;
  }
  return std::any_of(touches_.begin(), touches_.end(), [index](const auto& touch) { return touch.second.Armed() == index; });
}

void KeyPanelWidget::Repaint(std::int16_t index) {
  if (index >= 0) {
    update(KeyRect(index));
  }
}

void KeyPanelWidget::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || FromTouch(*event)) {
    return;
  }
  const std::int16_t hit = HitTest(event->position().toPoint());
  if (hit >= 0) {
    // A key takes no focus: the press only arms its click.
    pressed_.Arm(hit);
    mouseOnArmed_ = true;
    Repaint(hit);
  } else if (!hasFocus()) {
    setFocus(Qt::MouseFocusReason);
  }
}

void KeyPanelWidget::mouseMoveEvent(QMouseEvent* event) {
  // Dragged off its key, a press no longer looks pressed (nor clicks).
  const bool on = pressed_.Armed() >= 0 && HitTest(event->position().toPoint()) == pressed_.Armed();
  if (on != mouseOnArmed_) {
    mouseOnArmed_ = on;
    Repaint(pressed_.Armed());
  }
}

void KeyPanelWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (FromTouch(*event)) {
    return;
  }
  Repaint(pressed_.Armed());
  const std::int16_t clicked =
      pressed_.Release(event->button() == Qt::LeftButton ? HitTest(event->position().toPoint()) : -1);
  if (clicked >= 0) {
    ClickKey(clicked);
  }
}

bool KeyPanelWidget::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
      if (!isEnabled()) {
        break;
      }
      // Accepted, so that Qt makes no mouse events of it.
      event->accept();
      Touch(*static_cast<QTouchEvent*>(event));
      return true;
    case QEvent::ShortcutOverride: {
      // F1 to F7, alone or with Shift, are the keyboard's while a panel has
      // the focus, even where the host has a shortcut on one; with Ctrl, Alt
      // or Meta the host's shortcuts take them, and everywhere else.
      const auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() >= Qt::Key_F1 && key->key() <= Qt::Key_F7 &&
          (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) == 0) {
        event->accept();
        return true;
      }
      break;
    }
    default:
      break;
  }
  return QWidget::event(event);
}

void KeyPanelWidget::Touch(QTouchEvent& event) {
  std::vector<std::int16_t> tapped;
  for (const QEventPoint& point : event.points()) {
    const std::int16_t hit = HitTest(point.position().toPoint());
    switch (event.type() == QEvent::TouchCancel ? QEventPoint::Released : point.state()) {
      case QEventPoint::Pressed:
        touches_[point.id()].Arm(hit);
        Repaint(hit);
        break;
      case QEventPoint::Released: {
        ArmedKey& touch = touches_[point.id()];
        Repaint(touch.Armed());
        const std::int16_t clicked = touch.Release(event.type() == QEvent::TouchCancel ? -1 : hit);
        touches_.erase(point.id());
        if (clicked >= 0) {
          tapped.push_back(clicked);
        }
        break;
      }
      default:
        break;
    }
  }
  if (event.type() == QEvent::TouchCancel || event.type() == QEvent::TouchEnd) {
    for (const auto& [id, touch] : touches_) {
      Repaint(touch.Armed());
    }
    touches_.clear();
  }
  // A host's slot may delete the panel with the toolkit during a click.
  const QPointer<KeyPanelWidget> alive(this);
  for (std::int16_t index : tapped) {
    if (alive == nullptr) {
      return;
    }
    ClickKey(index);
  }
}

void KeyPanelWidget::ClickKey(std::int16_t index) {
  const KeyArrayId array = KeysOf(id_);
  toolkit_.RaiseFromWidget([&] { return toolkit_.Events()->OnClick(array, index); });
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
