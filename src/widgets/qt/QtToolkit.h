// SPDX-License-Identifier: MIT
// The toolkit of Qt 6 widgets: the widgets of one component instance inside a
// QWidget that the host gives it as the component's surface.
//
// The field `Text1` is a QLineEdit; each panel is one focusable widget that
// draws and hit-tests its keys itself (keys are data in the shared key store,
// not widgets). Positions stay in twips, read back exactly as put; the
// widgets get pixels through the surface's logical DPI, each edge rounded on
// its own so that children touching in twips touch in pixels.
//
// Notifications:
// - Initialize, ReadProperties and WriteProperties are raised by the host
//   through the members below; Show, Resize and GotFocus of the surface come
//   from the surface widget's own events.
// - Panel focus, key presses and key clicks come from the panel widgets. Qt
//   delivers a focus change inside setFocus while the window is active, and
//   when the window becomes active otherwise; a panel shows its mark only
//   while it really has the focus, so the end state is the same either way.
// - There is no window message on Linux: a host command is handed to the
//   host's handler (the public widget turns F7 into a signal) while the
//   surface's window is the active one; the active window is a token, the
//   top-level widget's address, non-zero while it is.
// Every notification runs through the shared core's one boundary guard.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include <QColor>
#include <QFont>
#include <QLineEdit>
#include <QPointer>
#include <QRect>

#include "widgets/KeyStore.h"
#include "widgets/PanelFaces.h"
#include "widgets/Placement.h"
#include "widgets/ToolkitCore.h"
#include "widgets/Widgets.h"
#include "widgets/qt/KeyPanelWidget.h"

class QPalette;

namespace vexo::qt {

// What the platform answers for a window that no longer exists; every
// operation on a widget that was destroyed under the toolkit gives it.
inline constexpr HResult WidgetGone = static_cast<HResult>(0x80070578);

// A box's pixels (see ToolkitCore.h) scaled by `factor`, never of negative size.
QRect ToPixels(const Box& box, Dpi dpi, double factor = 1);

// How the design's pixels lie on the surface as it is laid out.
struct Scaling {
  double factor = 1;
  QPoint offset;  // of the scaled design within the surface
};

// The font of keys that look as `look`, in points.
QFont KeyFont(const KeyLook& look);

class QtToolkit;

// A panel or the field (`Boxed`) shown by one Qt widget (`View`), which
// follows the box in pixels once attached. The view may be destroyed under
// the component; the pointer then reads null.
template <typename Boxed, typename View>
class QtPlacement : public Placement<Boxed> {
 public:
  QtPlacement(QtToolkit& toolkit, Box box) : Placement<Boxed>(box), toolkit_(toolkit) {}

  View* Widget() const { return widget_.data(); }
  void Attach(View* widget) {
    widget_ = widget;
    Place();
  }
  void Place();

 protected:
  QtToolkit& toolkit_;
  QPointer<View> widget_;

 private:
  HResult Placed() override {
    Place();
    return hr::Ok;
  }
};

class QtPanel final : public QtPlacement<Panel, KeyPanelWidget>, public KeyObserver {
 public:
  QtPanel(QtToolkit& toolkit, PanelId id);

  HResult SetFocus() override;

  bool CanShow(Colour colour) const override;
  void KeyChanged(std::int16_t index, const KeyElement& before, const KeyElement& after) override;

  KeyStore& Keys() { return keys_; }
  const KeyStore& Keys() const { return keys_; }
  // The pixel rectangle of a key within the panel, at the surface's scale.
  QRect KeyPixels(const KeyElement& key) const;

 private:
  PanelId id_;
  KeyStore keys_;
};

class QtRichTextBox final : public QtPlacement<RichTextBox, QLineEdit> {
 public:
  explicit QtRichTextBox(QtToolkit& toolkit) : QtPlacement(toolkit, DesignField) {}

  HResult GetText(std::u16string& text) override;
  HResult GetTextLength(std::int32_t& length) override;
  HResult PutText(std::u16string_view text) override;
  HResult GetSelStart(std::int32_t& start) override;
  HResult GetSelLength(std::int32_t& length) override;
  HResult PutSelStart(std::int32_t start) override;
  HResult PutSelLength(std::int32_t length) override;
  HResult PutSelText(std::u16string_view text) override;

  // The selection as the user sees it: its start and length.
  std::int32_t SelLength() const;

 private:
  // The line edit may be gone under the component (its window closed).
  HResult Alive() const;
  // Alive, and `value` is a position or length the field can take.
  HResult TakesPosition(std::int32_t value) const;
};

// The field's line edit on `surface` (see QtField.cpp): it keeps every unit
// put into it and its block caret, and reports what the user does to it.
QLineEdit* MakeFieldWidget(QtToolkit& toolkit, QWidget* surface);
// The field's colours follow the surface's palette.
void FollowPalette(QLineEdit& field, const QPalette& surface);

class QtSurface final : public SizedSurface {
 public:
  explicit QtSurface(QtToolkit& toolkit)
      : SizedSurface(DesignSurfaceWidth, DesignSurfaceHeight), toolkit_(toolkit) {}

  // The size the host gave the widget, in twips, before Resize is raised.
  using SizedSurface::Take;
  // Gives the widget the component's size until its host or layout sizes it;
  // lays the children out at the surface's scale either way.
  void Place();

 private:
  // A surface whose widget is gone takes no size.
  HResult CanSize() override;
  HResult Resized() override {
    Place();
    return hr::Ok;
  }

  QtToolkit& toolkit_;
};

struct QtToolkitOptions {
  // The DPI to place by; the surface's logical DPI when empty.
  std::optional<Dpi> dpi;
};

class QtToolkit final : public ToolkitCore {
 public:
  explicit QtToolkit(QWidget& surface, QtToolkitOptions options = {});
  ~QtToolkit() override;
  QtToolkit(const QtToolkit&) = delete;
  QtToolkit& operator=(const QtToolkit&) = delete;

  // --- Widgets.
  KeyArray& Keys(KeyArrayId array) override { return panels_[Slot(array)]->Keys(); }
  Panel& Pane(PanelId panel) override { return *panels_[Slot(panel)]; }
  RichTextBox& Text1() override { return text1_; }
  Surface& UserControl() override { return surface_; }
  void Beep() override;
  void RaiseHostCommand(HostCommand command) override;
  // The token of the surface's window while it is the active one, or 0.
  WindowHandle ActiveWindow() const;

  // --- The host's side of the system services (the host's drivers are the
  // core's; Show, Resize and the surface's focus come from its events).
  void OnHostCommand(std::function<void(HostCommand)> handler) { onHostCommand_ = std::move(handler); }
  // Called once the outermost notification a widget raised, or host call that
  // asked for it (SettleWhenOver), has returned, and once the field's text
  // has changed (at once for the user's own typing): what the host sees may
  // have changed; `textChanged` tells whether the field's text did.
  void OnSettled(std::function<void(bool textChanged)> handler) { onSettled_ = std::move(handler); }

  // --- What the user sees.
  QWidget* SurfaceWidget() const { return surfaceWidget_.data(); }
  const QtPanel& PanelOf(PanelId panel) const { return *panels_[Slot(panel)]; }
  QtRichTextBox& Field() { return text1_; }
  const QtSurface& SurfaceOf() const { return surface_; }
  // The panel that has the keyboard focus, if any.
  std::optional<PanelId> Focused() const;
  int Beeps() const { return beeps_; }
  Dpi CurrentDpi() const;
  // The component's size in pixels at the current DPI: what the widget asks
  // its layout for.
  QSize DesignSize() const;
  Scaling CurrentScaling() const;
  // A child's box at the current scale, within the surface.
  QRect SurfacePixels(const Box& box) const;

  // --- For the widgets of the toolkit. The host's code that a notification
  // reaches (a slot of the widget's signals) may delete the widget and with
  // it the toolkit (see RaiseFromWidget).
  template <typename Notification>
  bool RaiseFromWidget(const Notification& notification) {
    return ToolkitCore::RaiseFromWidget([&] {
      SettleWhenOver();
      return notification();
    });
  }
  void FieldTextChanged();
  // True while the toolkit itself moves or sizes the surface.
  bool Placing() const { return placing_ > 0; }
  void SurfaceEvent(int type);

 private:
  // The children follow the surface's size, font and palette.
  void LayOut();

  class SurfaceFilter;
  // The host hears of a changed text once the outermost burst is over.
  void Settle() override;

  friend class QtSurface;
  QPointer<QWidget> surfaceWidget_;
  QtToolkitOptions options_;
  std::array<std::unique_ptr<QtPanel>, PanelCount> panels_;
  QtRichTextBox text1_;
  QtSurface surface_;
  std::unique_ptr<SurfaceFilter> filter_;
  int placing_ = 0;
  // Set once the host or a layout gave the surface a size of its own.
  bool hostSized_ = false;
  QSize placedSize_;
  bool textDirty_ = false;
  int beeps_ = 0;
  std::function<void(HostCommand)> onHostCommand_;
  std::function<void(bool textChanged)> onSettled_;
};

// Defined here, once the toolkit that tells the DPI is complete.
template <typename Boxed, typename View>
void QtPlacement<Boxed, View>::Place() {
  if (widget_ != nullptr) {
    widget_->setGeometry(toolkit_.SurfacePixels(this->Bounds()));
    widget_->update();
  }
}

}  // namespace vexo::qt
