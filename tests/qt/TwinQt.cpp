// SPDX-License-Identifier: MIT
// The Qt side of the twin run: the public widget on a host window of its
// own, the user's part played through Qt's events.
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include "Support.h"
#include "Twin.h"

namespace vexo::testing::twin {

namespace {

class QtRunner final : public Runner {
 public:
  QtRunner() : elsewhere_(new QLineEdit(&host_)), widget_(new KeyBordWidget(&host_)) {
    auto* layout = new QVBoxLayout(&host_);
    layout->addWidget(elsewhere_);
    layout->addWidget(widget_);
    QObject::connect(widget_, &KeyBordWidget::f7Pressed, widget_, [this] {
      ++commands_;
      std::u16string m = u"m";
      std::int16_t backspace = 8;
      if (answer_ != 0) {
        Discard(answer_ == 1 ? Component().FindABC(m) : Component().KeyF1ToF6(backspace), "the host's own call");
      }
    });
  }

  HResult Start() override {
    host_.show();
    Activate(host_);
    if (!WaitFor([&] { return Toolkit().Focused().has_value(); }, "a panel's focus after the show")) {
      return hr::Fail;
    }
    return Toolkit().LastWidgetStatus();
  }

  std::optional<HResult> Apply(const Operation& op) override {
    qt::QtToolkit& toolkit = Toolkit();
    switch (op.kind) {
      case Kind::Key: {
        if (!toolkit.Focused()) return std::nullopt;
        QTest::keyClick(toolkit.PanelOf(*toolkit.Focused()).Widget(), static_cast<Qt::Key>(op.qtKey),
                        Qt::KeyboardModifiers(op.qtModifiers));
        return toolkit.LastWidgetStatus();
      }
      case Kind::Click: {
        qt::KeyPanelWidget* panel = toolkit.PanelOf(static_cast<PanelId>(op.b)).Widget();
        QTest::mouseClick(panel, Qt::LeftButton, Qt::NoModifier, panel->KeyRect(static_cast<std::int16_t>(op.a)).center());
        return toolkit.LastWidgetStatus();
      }
      case Kind::Select: {
        QLineEdit* field = toolkit.Field().Widget();
        if (op.a > field->text().size() || op.b > field->text().size() - op.a) return hr::InvalidPropertyValue;
        field->setSelection(op.a, op.b);
        return hr::Ok;
      }
      case Kind::Blur:
        elsewhere_->setFocus();
        return hr::Ok;
      case Kind::Show:
        widget_->hide();
        widget_->show();
        return toolkit.LastWidgetStatus();
      case Kind::SurfaceFocus:
        widget_->setFocus();
        return toolkit.LastWidgetStatus();
      case Kind::Resize:
        // A host that respects the widget's smallest size, so its keys stay where a user can click.
        widget_->resize(QSize(TwipsToPixels(static_cast<float>(op.a), 96), TwipsToPixels(static_cast<float>(op.b), 96))
                            .expandedTo(widget_->minimumSizeHint()));
        return hr::Ok;
      case Kind::Answer:
        answer_ = op.a;
        return hr::Ok;
      default: return toolkit.HostCall([&] { return HostCall(Component(), op); });
    }
  }

  State Snapshot() override {
    qt::QtToolkit& toolkit = Toolkit();
    KeyBord& keybord = Component();
    State state;
    state.field = U16(toolkit.Field().Widget()->text());
    Discard(toolkit.Field().GetSelStart(state.selStart), "the field is alive");
    state.selLength = toolkit.Field().SelLength();
    ReadComponent(keybord, state);
    state.focus = toolkit.Focused() ? static_cast<int>(*toolkit.Focused()) : -1;
    state.beeps = toolkit.Beeps();
    state.commands = commands_;
    for (int i = 0; i < 3; ++i) {
      const qt::QtPanel& panel = toolkit.PanelOf(static_cast<PanelId>(i));
      ReadPanel(panel.Keys(), panel.Bounds(), state.keys[i], state.panels[i]);
    }
    state.text1 = RectOf(toolkit.Field().Bounds());
    state.surfaceWidth = toolkit.SurfaceOf().Width();
    state.surfaceHeight = toolkit.SurfaceOf().Height();
    return state;
  }

 private:
  qt::QtToolkit& Toolkit() { return ToolkitOf(*widget_); }
  KeyBord& Component() { return ComponentOf(*widget_); }

  QWidget host_;
  QLineEdit* elsewhere_;
  KeyBordWidget* widget_;
  int commands_ = 0;
  int answer_ = 0;
};

}  // namespace

std::unique_ptr<Runner> MakeQtRunner() { return std::make_unique<QtRunner>(); }

}  // namespace vexo::testing::twin
