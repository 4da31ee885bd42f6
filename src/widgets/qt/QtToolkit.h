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
// - There is no window message on Linux: the F7 command is handed to the
//   host's message handler (the public widget turns it into a signal), and
//   the active window is a token, the top-level widget's address, that is
//   non-zero while the surface's window is the active one.
// Every notification runs through the one boundary guard.
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
#include "widgets/Placement.h"
#include "widgets/Widgets.h"
#include "widgets/qt/KeyPanelWidget.h"

class QPalette;

namespace vexo::qt {

// What the platform answers for a window that no longer exists; every
// operation on a widget that was destroyed under the toolkit gives it.
inline constexpr HResult WidgetGone = static_cast<HResult>(0x80070578);

// The longest text the field holds, in UTF-16 units: far above the 32,767
// characters the component addresses; a longer text is refused, never cut.
inline constexpr std::int32_t TextCapacity = 1 << 20;

// The message the F7 command arrives as, and its command number.
inline constexpr std::uint32_t CommandMessage = 0x0111;
inline constexpr std::uintptr_t F7Command = 118;

struct Dpi {
  int x = 96;
  int y = 96;
};

// The nearest pixel, halves upwards; NaN counts as 0, far values are pinned.
int TwipsToPixels(float twips, int dpi);
float PixelsToTwips(int pixels, int dpi);
QRect ToPixels(const Box& box, Dpi dpi);

// The font of keys that look as `look`, in points.
QFont KeyFont(const KeyLook& look);

class QtToolkit;

class QtPanel final : public PlacedPanel, public KeyObserver {
 public:
  QtPanel(QtToolkit& toolkit, PanelId id);

  HResult SetFocus() override;

  bool CanShow(Colour colour) const override;
  void KeyChanged(std::int16_t index, const KeyElement& before, const KeyElement& after) override;

  KeyStore& Keys() { return keys_; }
  const KeyStore& Keys() const { return keys_; }
  KeyPanelWidget* Widget() const { return widget_.data(); }
  void Attach(KeyPanelWidget* widget);
  void Place();
  // The pixel rectangle of a key within the panel.
  QRect KeyPixels(const KeyElement& key) const;

 private:
  HResult Placed() override {
    Place();
    return hr::Ok;
  }
  QtToolkit& toolkit_;
  PanelId id_;
  KeyStore keys_;
  QPointer<KeyPanelWidget> widget_;
};

class QtRichTextBox final : public PlacedField {
 public:
  explicit QtRichTextBox(QtToolkit& toolkit) : PlacedField(DesignField), toolkit_(toolkit) {}

  HResult GetText(std::u16string& text) override;
  HResult GetTextLength(std::int32_t& length) override;
  HResult PutText(std::u16string_view text) override;
  HResult GetSelStart(std::int32_t& start) override;
  HResult GetSelLength(std::int32_t& length) override;
  HResult PutSelStart(std::int32_t start) override;
  HResult PutSelLength(std::int32_t length) override;
  HResult PutSelText(std::u16string_view text) override;

  QLineEdit* Widget() const { return widget_.data(); }
  void Attach(QLineEdit* widget);
  void Place();
  // The selection as the user sees it: its start and length.
  std::int32_t SelLength() const;

 private:
  // The line edit may be gone under the component (its window closed).
  HResult Alive() const;
  // Alive, and `value` is a position or length the field can take.
  HResult TakesPosition(std::int32_t value) const;
  HResult Placed() override {
    Place();
    return hr::Ok;
  }

  QtToolkit& toolkit_;
  QPointer<QLineEdit> widget_;
};

class QtSurface final : public SizedSurface {
 public:
  explicit QtSurface(QtToolkit& toolkit)
      : SizedSurface(DesignSurfaceWidth, DesignSurfaceHeight), toolkit_(toolkit) {}

  // The size the host gave the widget, in twips, before Resize is raised.
  using SizedSurface::Take;
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

class QtToolkit final : public Widgets {
 public:
  explicit QtToolkit(QWidget& surface, QtToolkitOptions options = {});
  ~QtToolkit() override;
  QtToolkit(const QtToolkit&) = delete;
  QtToolkit& operator=(const QtToolkit&) = delete;

  // --- Widgets.
  void Connect(WidgetEvents& events) override { events_ = &events; }
  KeyArray& Keys(KeyArrayId array) override { return panels_[Slot(array)]->Keys(); }
  Panel& Pane(PanelId panel) override { return *panels_[Slot(panel)]; }
  RichTextBox& Text1() override { return text1_; }
  Surface& UserControl() override { return surface_; }
  void Beep() override;
  WindowHandle ActiveWindow() override;
  std::intptr_t SendMessageTo(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam) override;

  // --- What the host does; each gives the handler's status.
  HResult Initialize();
  HResult ReadProperties(PropertyBag& bag);
  HResult WriteProperties(PropertyBag& bag);
  // A call of the public interface by the host.
  HResult HostCall(const std::function<HResult()>& call) { return Raise(call); }
  // No notification reaches the component any more (it is going away).
  void Disconnect() { events_ = nullptr; }

  // --- The host's side of the system services.
  void OnMessage(std::function<std::intptr_t(WindowHandle, std::uint32_t, std::uintptr_t, std::intptr_t)> handler) {
    onMessage_ = std::move(handler);
  }
  // Called once the field's text has changed, after the notification or host
  // call that changed it has returned (at once for the user's own typing).
  void OnTextChanged(std::function<void()> handler) { onTextChanged_ = std::move(handler); }

  // --- What the user sees.
  QWidget* SurfaceWidget() const { return surfaceWidget_.data(); }
  const QtPanel& PanelOf(PanelId panel) const { return *panels_[Slot(panel)]; }
  QtRichTextBox& Field() { return text1_; }
  const QtSurface& SurfaceOf() const { return surface_; }
  // The panel that has the keyboard focus, if any.
  std::optional<PanelId> Focused() const;
  int Beeps() const { return beeps_; }
  // The status of the last notification raised by a widget of the toolkit.
  HResult LastWidgetStatus() const { return lastWidgetStatus_; }
  Dpi CurrentDpi() const;

  // --- For the widgets of the toolkit.
  // The host's code that a notification reaches (a slot of the widget's
  // signals) may delete the widget and with it the toolkit: then nothing of
  // the toolkit is touched after the notification, and a widget that raised
  // it learns so from RaiseFromWidget's false.
  HResult Raise(const std::function<HResult()>& notification);
  bool RaiseFromWidget(const std::function<HResult()>& notification) {
    const std::weak_ptr<const bool> alive = lifetime_;
    const HResult status = Raise(notification);
    if (alive.expired()) return false;
    lastWidgetStatus_ = status;
    return true;
  }
  WidgetEvents* Events() const { return events_; }
  void FieldTextChanged();
  // True while the toolkit itself moves or sizes the surface.
  bool Placing() const { return placing_ > 0; }
  void SurfaceEvent(int type);

 private:
  class SurfaceFilter;
  static std::size_t Slot(KeyArrayId array) { return static_cast<std::size_t>(array); }
  static std::size_t Slot(PanelId panel) { return static_cast<std::size_t>(panel); }
  void Settled();

  friend class QtSurface;
  QPointer<QWidget> surfaceWidget_;
  QtToolkitOptions options_;
  WidgetEvents* events_ = nullptr;
  std::array<std::unique_ptr<QtPanel>, 3> panels_;
  QtRichTextBox text1_;
  QtSurface surface_;
  std::unique_ptr<SurfaceFilter> filter_;
  int depth_ = 0;
  // Goes with the toolkit: what runs after a call out looks at it first.
  const std::shared_ptr<const bool> lifetime_ = std::make_shared<const bool>(true);
  int placing_ = 0;
  bool textDirty_ = false;
  int beeps_ = 0;
  HResult lastWidgetStatus_ = hr::Ok;
  std::function<std::intptr_t(WindowHandle, std::uint32_t, std::uintptr_t, std::intptr_t)> onMessage_;
  std::function<void()> onTextChanged_;
};

}  // namespace vexo::qt
