// SPDX-License-Identifier: MIT
#include "widgets/qt/KeyAccessibility.h"

#include <vector>

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>
#include <QWindow>

#include "widgets/KeyStore.h"
#include "widgets/Boundary.h"
#include "widgets/qt/QtToolkit.h"

namespace vexo::qt {

namespace {

const KeyElement* ElementOf(const KeyPanelWidget* panel, int index) {
  if (panel == nullptr || index < 0 || index > 32767) {
    return nullptr;
  }
  return panel->Panel().Keys().Element(index);
}

class KeyAccessible final : public QAccessibleInterface, public QAccessibleActionInterface {
 public:
  KeyAccessible(KeyPanelWidget* panel, std::int16_t index) : panel_(panel), index_(index) {}

  bool isValid() const override { return ElementOf(panel_, index_) != nullptr; }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return panel_ != nullptr ? panel_->window()->windowHandle() : nullptr; }
  QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(panel_.data()); }
  QAccessibleInterface* child(int) const override { return nullptr; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessible::Role role() const override { return QAccessible::Button; }
  void setText(QAccessible::Text, const QString&) override {}

  QString text(QAccessible::Text kind) const override {
    const KeyElement* key = ElementOf(panel_, index_);
    if (key == nullptr || kind != QAccessible::Name) {
      return {};
    }
    const std::u16string_view name = AccessibleName(key->caption);
    return QString(reinterpret_cast<const QChar*>(name.data()), static_cast<qsizetype>(name.size()));
  }

  QRect rect() const override {
    if (!isValid()) {
      return {};
    }
    const QRect r = panel_->KeyRect(index_);
    return QRect(panel_->mapToGlobal(r.topLeft()), r.size());
  }

  QAccessible::State state() const override {
    QAccessible::State state;
    const KeyElement* key = ElementOf(panel_, index_);
    if (key == nullptr) {
      state.invalid = true;
      return state;
    }
    state.focusable = true;
    state.disabled = !panel_->isEnabled();
    state.invisible = !key->visible;
    state.focused = panel_->hasFocus() && panel_->Panel().Keys().IsMarked(index_);
    return state;
  }

  void* interface_cast(QAccessible::InterfaceType type) override {
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
  }

  QStringList actionNames() const override { return {pressAction()}; }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }
  void doAction(const QString& action) override {
    if (action == pressAction() && isValid()) {
      panel_->ClickKey(index_);
    }
  }

 private:
  QPointer<KeyPanelWidget> panel_;
  std::int16_t index_;
};

class PanelAccessible final : public QAccessibleWidget {
 public:
  explicit PanelAccessible(KeyPanelWidget* panel) : QAccessibleWidget(panel, QAccessible::Grouping) {}
  ~PanelAccessible() override {
    for (QAccessible::Id id : ids_) {
      if (id != 0) {
        QAccessible::deleteAccessibleInterface(id);
      }
    }
  }

  int childCount() const override { return Panel()->Panel().Keys().Extent(); }

  QAccessibleInterface* child(int index) const override {
    if (ElementOf(Panel(), index) == nullptr) {
      return nullptr;
    }
    if (static_cast<std::size_t>(index) >= ids_.size()) {
      ids_.resize(static_cast<std::size_t>(index) + 1, 0);
    }
    QAccessible::Id& id = ids_[static_cast<std::size_t>(index)];
    if (id == 0) {
      id = QAccessible::registerAccessibleInterface(new KeyAccessible(Panel(), static_cast<std::int16_t>(index)));
    }
    return QAccessible::accessibleInterface(id);
  }

  int indexOfChild(const QAccessibleInterface* child) const override {
    const QAccessible::Id id = QAccessible::uniqueId(const_cast<QAccessibleInterface*>(child));
    for (std::size_t i = 0; i < ids_.size(); ++i) {
      if (ids_[i] == id && id != 0) {
        return static_cast<int>(i);
      }
    }
    return -1;
  }

  QAccessibleInterface* childAt(int x, int y) const override {
    const std::int16_t hit = Panel()->HitTest(Panel()->mapFromGlobal(QPoint(x, y)));
    return hit >= 0 ? child(hit) : nullptr;
  }

  QAccessibleInterface* focusChild() const override {
    for (int i = 0; i < childCount(); ++i) {
      if (QAccessibleInterface* key = child(i); key != nullptr && key->state().focused) {
        return key;
      }
    }
    return nullptr;
  }

 private:
  KeyPanelWidget* Panel() const { return static_cast<KeyPanelWidget*>(widget()); }
  mutable std::vector<QAccessible::Id> ids_;
};

QAccessibleInterface* Factory(const QString&, QObject* object) {
  if (auto* panel = dynamic_cast<KeyPanelWidget*>(object)) {
    return new PanelAccessible(panel);
  }
  return FieldAccessible(object);
}

void Announce(KeyPanelWidget& panel, std::int16_t index, QAccessible::Event type) {
  if (!QAccessible::isActive()) {
    return;
  }
  QAccessibleEvent event(&panel, type);
  event.setChild(index);
  QAccessible::updateAccessibility(&event);
}

}  // namespace

void InstallKeyAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(Factory);
    return true;
  }();
  static_cast<void>(installed);
}

void KeyChangedForAccessibility(KeyPanelWidget& panel, std::int16_t index, const KeyElement& before,
                                const KeyElement& after) {
  if (before.caption != after.caption) {
    Announce(panel, index, QAccessible::NameChanged);
  }
  if (after.marked && !before.marked && panel.hasFocus()) {
    Announce(panel, index, QAccessible::Focus);
  }
}

}  // namespace vexo::qt
