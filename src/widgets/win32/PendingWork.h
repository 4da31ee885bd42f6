// SPDX-License-Identifier: MIT
// The work that a burst of changes leaves for its end.
//
// One notification, or one call of the host, changes the widgets many times:
// start-up sets each panel's four sides one by one and moves and colours
// every label several times, and a keystroke selects and replaces in the
// field more than once. Windows are slow to move, to repaint and to lay out
// a line of text, so what can wait waits here and is done once, when the
// outermost burst closes: windows are moved, the field is given its last
// selection, changed labels are drawn and the surface gets its size, in that
// order. Work that arrives while no burst is open is done at once.
//
// Everything runs on the thread of the toolkit's windows. The queue has fixed
// room and allocates nothing, so that deferring costs a keystroke nothing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

#include "widgets/PanelFaces.h"
#include "widgets/ToolkitCore.h"
#include "widgets/Widgets.h"

struct HWND__;

namespace vexo::win32 {

using Hwnd = HWND__*;

// What a label shows on screen, kept without allocating: a caption longer
// than the room here is not kept, and such a look equals no other.
struct LabelLook {
  static constexpr std::size_t CaptionRoom = 15;
  float left = 0;
  float top = 0;
  float width = 0;
  float height = 0;
  bool visible = false;
  Colour foreColor = 0;
  Colour backColor = 0;
  std::size_t captionLength = 0;
  std::array<char16_t, CaptionRoom> caption{};

  void KeepCaption(std::u16string_view text) {
    captionLength = text.size();
    if (captionLength <= CaptionRoom) {
      text.copy(caption.data(), captionLength);
    }
  }
  friend bool operator==(const LabelLook& a, const LabelLook& b) {
    return a.captionLength <= CaptionRoom && a.captionLength == b.captionLength && a.caption == b.caption &&
           a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height &&
           a.visible == b.visible && a.foreColor == b.foreColor && a.backColor == b.backColor;
  }
};

// A panel, as the queue repaints its changed labels.
class LabelPainter {
 public:
  // Notes for repainting what label `index` covered while it looked as
  // `before` and what it covers now, unless it looks as it did.
  virtual void RepaintLabel(std::int32_t index, const LabelLook& before) = 0;
  // Repaints what the labels noted since the last call covered, in one go:
  // each trip to the display's server costs more than drawing a label.
  virtual void RepaintLabelsNoted() = 0;
  virtual void RepaintAll() = 0;

 protected:
  ~LabelPainter() = default;
};

// The field, as the queue settles it after a burst of changes.
class Settling {
 public:
  // Gives the control the burst's last selection (which scrolls it into
  // view); what the changes touched is painted by the message loop.
  virtual void Settle() = 0;

 protected:
  ~Settling() = default;
};

// The surface, as the queue gives its window the size the component set.
class Sizing {
 public:
  virtual void ApplySize() = 0;

 protected:
  ~Sizing() = default;
};

// A panel, as the queue lets it tell assistive technology what changed once
// the burst is over: the mark that moved, the captions that were rewritten.
class Announcing {
 public:
  virtual void Announce() = 0;

 protected:
  ~Announcing() = default;
};

class PendingWork {
 public:
  // The queue waits while any of `bursts` is open, and is flushed by their
  // owner when the outermost one closes. Every notification, every host call
  // and every change of the field runs inside one.
  PendingWork(Hwnd surface, Bursts& bursts) : surface_(surface), bursts_(bursts) {}
  PendingWork(const PendingWork&) = delete;
  PendingWork& operator=(const PendingWork&) = delete;

  using Burst = Bursts::Burst;
  Burst Open() { return bursts_.Open(); }
  bool InBurst() const { return bursts_.InBurst(); }

  // Moves a child window of the surface to `to` (parent client pixels).
  void Move(Hwnd window, const PixelRect& to);
  // Applies the move `window` waits for now, repainting as it goes: a
  // change of the field's text or selection must follow its move, because
  // the control scrolls by its width.
  void MoveNow(Hwnd window);

  // Label `index` of `panel` changed from `before`. The look it had when the
  // burst began is kept, so that a label changed and changed back is not
  // repainted; past a handful of labels the whole panel is repainted.
  void LabelChanged(LabelPainter& panel, std::int32_t index, const LabelLook& before);
  // Repaints the labels `panel` waits for now, as it paints anyway.
  void RepaintLabelsNow(LabelPainter& panel);

  // The field waits to be settled, the surface for its size.
  void Settle(Settling& field);
  void Resize(Sizing& surface);
  // `panel` announces its changes last, after everything is on screen; a
  // panel that goes away withdraws what it waits for.
  void Announce(Announcing& panel);
  void Withdraw(Announcing& panel);

  // Does all that waits, now: for painting the component elsewhere.
  void Flush();

 private:
  struct WindowMove {
    Hwnd window = nullptr;
    PixelRect to;
  };
  struct Label {
    std::int32_t index = -1;
    LabelLook before;
  };
  static constexpr int MaxLabels = 8;
  struct PanelLabels {
    LabelPainter* panel = nullptr;
    std::array<Label, MaxLabels> labels{};
    int count = 0;
    bool whole = false;
  };
  void FlushLabels(PanelLabels& pending);
  // Work that arrives outside any burst is done at once; inside one, when
  // the outermost is over.
  void FlushOutsideBurst() {
    if (bursts_.InBurst()) {
      bursts_.SettleWhenOver();
    } else {
      Flush();
    }
  }

  Hwnd surface_;
  Bursts& bursts_;
  std::array<WindowMove, PanelCount + 1> moves_{};  // the panels and the field
  int moveCount_ = 0;
  std::array<PanelLabels, PanelCount> labels_{};
  Settling* settle_ = nullptr;
  Sizing* size_ = nullptr;
  std::array<Announcing*, PanelCount> announce_{};
};

}  // namespace vexo::win32
