// SPDX-License-Identifier: MIT
#include "widgets/qt/QtToolkit.h"

#include <algorithm>
#include <utility>

#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <QPalette>
#include <QResizeEvent>
#include <QWidget>

#include "widgets/qt/KeyAccessibility.h"
#include "widgets/qt/KeyPanelWidget.h"

namespace vexo::qt {

QRect ToPixels(const Box& box, Dpi dpi, double factor) {
  const auto scaled = [factor](float twips) { return static_cast<float>(twips * factor); };
  const PixelRect r = ToPixels(scaled(box.left), scaled(box.top), scaled(box.width), scaled(box.height), dpi);
  return QRect(r.left, r.top, std::max(0, r.Width()), std::max(0, r.Height()));
}

// --- The surface.

void QtSurface::Place() {
  QWidget* widget = toolkit_.SurfaceWidget();
  if (widget == nullptr) {
    return;
  }
  if (!toolkit_.hostSized_) {
    ++toolkit_.placing_;
    toolkit_.placedSize_ = toolkit_.DesignSize();
    widget->resize(toolkit_.placedSize_);
    --toolkit_.placing_;
  }
  toolkit_.LayOut();
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
  if (surface.accessibleName().isEmpty()) {
    surface.setAccessibleName(QStringLiteral("On-screen keyboard"));
  }
  for (const PanelFace& face : PanelFaces) {
    panels_[Slot(face.panel)] = std::make_unique<QtPanel>(*this, face.panel);
  }
  // The tab order of the design-time form: the panels, then the field.
  for (const PanelFace& face : PanelFaces) {
    QtPanel& panel = *panels_[Slot(face.panel)];
    panel.Attach(new KeyPanelWidget(*this, panel, face.panel, &surface));
  }
  text1_.Attach(MakeFieldWidget(*this, &surface));
  // Not a tab stop itself: Shift+Tab from a panel would land on it and come
  // straight back. A host's setFocus still hands the focus to the active panel.
  surface.setFocusPolicy(Qt::NoFocus);
  surface_.Place();
  filter_ = std::make_unique<SurfaceFilter>(*this);
  surface.installEventFilter(filter_.get());
}

QtToolkit::~QtToolkit() {
  Disconnect();
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

QSize QtToolkit::DesignSize() const {
  const Dpi dpi = CurrentDpi();
  return {std::max(0, TwipsToPixels(surface_.Width(), dpi.x)), std::max(0, TwipsToPixels(surface_.Height(), dpi.y))};
}

Scaling QtToolkit::CurrentScaling() const {
  const QSize design = DesignSize();
  if (surfaceWidget_ == nullptr || design.isEmpty()) {
    return {};
  }
  const QSize room = surfaceWidget_->size();
  const double factor = std::min(static_cast<double>(room.width()) / design.width(),
                                 static_cast<double>(room.height()) / design.height());
  const QSize used = (QSizeF(design) * factor).toSize();
  return {factor, QPoint((room.width() - used.width()) / 2, (room.height() - used.height()) / 2)};
}

QRect QtToolkit::SurfacePixels(const Box& box) const {
  const Scaling scaling = CurrentScaling();
  return ToPixels(box, CurrentDpi(), scaling.factor).translated(scaling.offset);
}

void QtToolkit::LayOut() {
  for (auto& panel : panels_) {
    panel->Place();
  }
  text1_.Place();
  if (QLineEdit* field = text1_.Widget(); field != nullptr && surfaceWidget_ != nullptr) {
    // The host's font, at the scale of the keys.
    QFont font = surfaceWidget_->font();
    const double factor = CurrentScaling().factor;
    if (font.pointSizeF() > 0) {
      font.setPointSizeF(std::max(1.0, font.pointSizeF() * factor));
    } else {
      font.setPixelSize(std::max(1, static_cast<int>(font.pixelSize() * factor + 0.5)));
    }
    field->setFont(font);
  }
}

void QtToolkit::Beep() {
  ++beeps_;
  QApplication::beep();
}

WindowHandle QtToolkit::ActiveWindow() const {
  if (surfaceWidget_ == nullptr) {
    return 0;
  }
  QWidget* window = surfaceWidget_->window();
  return window->isActiveWindow() ? reinterpret_cast<WindowHandle>(window) : 0;
}

void QtToolkit::RaiseHostCommand(HostCommand command) {
  if (ActiveWindow() != 0 && onHostCommand_) {
    onHostCommand_(command);
  }
}

std::optional<PanelId> QtToolkit::Focused() const {
  for (const auto& panel : panels_) {
    if (panel->Widget() != nullptr && panel->Widget()->hasFocus()) {
      return panel->Widget()->Id();
    }
  }
  return std::nullopt;
}

void QtToolkit::FieldTextChanged() {
  textDirty_ = true;
  if (InBurst()) {
    SettleWhenOver();
  } else {
    Settle();
  }
}

void QtToolkit::Settle() {
  const bool textChanged = std::exchange(textDirty_, false);
  if (onSettled_) {
    onSettled_(textChanged);
  }
}

void QtToolkit::SurfaceEvent(int type) {
  switch (type) {
    case QEvent::Show:
      RaiseFromWidget([this] { return Events()->OnShow(); });
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
      RaiseFromWidget([this] { return Events()->OnSurfaceGotFocus(); });
      break;
    case QEvent::FontChange:
      LayOut();
      break;
    case QEvent::PaletteChange:
      if (text1_.Widget() != nullptr && surfaceWidget_ != nullptr) {
        FollowPalette(*text1_.Widget(), surfaceWidget_->palette());
      }
      break;
    case QEvent::Resize: {
      if (surfaceWidget_ == nullptr) {
        break;
      }
      LayOut();
      const QSize size = surfaceWidget_->size();
      if (Placing() || size == placedSize_) {
        break;  // the size the toolkit gave arriving
      }
      // The component hears of the host's size and sets its own back, as on
      // Windows; the widget keeps the host's size and scales the design.
      hostSized_ = true;
      const Dpi dpi = CurrentDpi();
      surface_.Take(PixelsToTwips(size.width(), dpi.x), PixelsToTwips(size.height(), dpi.y));
      RaiseFromWidget([this] { return Events()->OnResize(); });
      break;
    }
    default:
      break;
  }
}

}  // namespace vexo::qt
