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

QRect ToPixels(const Box& box, Dpi dpi) {
  const PixelRect r = ToPixels(box.left, box.top, box.width, box.height, dpi);
  return QRect(r.left, r.top, std::max(0, r.Width()), std::max(0, r.Height()));
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
      RaiseFromWidget([this] { return Events()->OnResize(); });
      break;
    }
    default:
      break;
  }
}

}  // namespace vexo::qt
