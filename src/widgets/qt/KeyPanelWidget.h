// SPDX-License-Identifier: MIT
// A key panel on the screen: one focusable widget that draws and hit-tests
// the keys of its key store. A key takes no focus; a press on the panel's own
// background gives the panel the focus.
#pragma once

#include <cstdint>
#include <map>

#include <QTouchEvent>
#include <QWidget>

#include "widgets/KeyStore.h"
#include "widgets/Widgets.h"

namespace vexo::qt {

class QtToolkit;
class QtPanel;

class KeyPanelWidget final : public QWidget {
  Q_OBJECT  // its own class name, which the accessibility factory answers to

 public:
  KeyPanelWidget(QtToolkit& toolkit, QtPanel& panel, PanelId id, QWidget* parent);

  PanelId Id() const { return id_; }
  // The key under a point of the panel: the highest index on top; -1 for none.
  std::int16_t HitTest(QPoint point) const;
  // The pixel rectangle of element `index` within the panel; empty when the
  // element is missing or hidden.
  QRect KeyRect(std::int16_t index) const;
  const QtPanel& Panel() const { return panel_; }
  // Raises the click of element `index`, as the mouse, a touch or an
  // assistive technology's press action makes it.
  void ClickKey(std::int16_t index);
  // Whether a mouse button or a touch point is down on key `index`: it looks
  // pressed.
  bool IsDown(std::int16_t index) const;

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  QtToolkit& toolkit_;
  QtPanel& panel_;
  // Each touch point arms its own key; a tap types like a click.
  void Touch(QTouchEvent& event);
  void Repaint(std::int16_t index);

  PanelId id_;
  ArmedKey pressed_;
  bool mouseOnArmed_ = false;  // the mouse is still over the key it armed
  std::map<int, ArmedKey> touches_;  // by touch point
};

}  // namespace vexo::qt
