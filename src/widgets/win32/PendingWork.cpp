// SPDX-License-Identifier: MIT
#include "widgets/win32/PendingWork.h"

#include <windows.h>

#include <algorithm>

namespace vexo::win32 {

namespace {

enum class Redraw { Now, ByCaller };

// Moves a child window to `to` (parent client pixels). By the caller: the
// window is not repainted, nor what it uncovers, and nothing happens when it
// is there already; the caller repaints the parent and its children once
// after moving several. True when it was moved.
bool MoveTo(HWND window, const PixelRect& to, Redraw redraw) {
  const int width = std::max(0, to.Width());
  const int height = std::max(0, to.Height());
  if (redraw == Redraw::Now) {
    SetWindowPos(window, nullptr, to.left, to.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
  }
  RECT now{};
  GetWindowRect(window, &now);
  MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&now), 2);
  if (now.left == to.left && now.top == to.top && now.right - now.left == width && now.bottom - now.top == height) {
    return false;
  }
  SetWindowPos(window, nullptr, to.left, to.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  return true;
}

}  // namespace

void PendingWork::Move(Hwnd window, const PixelRect& to) {
  auto end = moves_.begin() + moveCount_;
  auto found = std::find_if(moves_.begin(), end, [&](const auto& move) { return move.window == window; });
  if (found != end) {
    found->to = to;
  } else if (moveCount_ < static_cast<int>(moves_.size())) {
    moves_[static_cast<std::size_t>(moveCount_++)] = {window, to};
  } else {
    MoveTo(window, to, Redraw::Now);  // more windows than the toolkit has
    return;
  }
  FlushOutsideBurst();
}

void PendingWork::MoveNow(Hwnd window) {
  auto end = moves_.begin() + moveCount_;
  auto found = std::find_if(moves_.begin(), end, [&](const auto& move) { return move.window == window; });
  if (found == end) {
    return;
  }
  const WindowMove move = *found;
  std::copy(found + 1, end, found);
  --moveCount_;
  if (IsWindow(move.window)) {
    MoveTo(move.window, move.to, Redraw::Now);
  }
}

void PendingWork::LabelChanged(LabelPainter& panel, std::int32_t index, const LabelLook& before) {
  auto slot = std::find_if(labels_.begin(), labels_.end(),
                           [&](const PanelLabels& pending) { return pending.panel == &panel; });
  if (slot == labels_.end()) {
    slot = std::find_if(labels_.begin(), labels_.end(),
                        [](const PanelLabels& pending) { return pending.panel == nullptr; });
  }
  if (slot == labels_.end()) {
    panel.RepaintAll();  // more panels than the toolkit has
    return;
  }
  PanelLabels& pending = *slot;
  pending.panel = &panel;
  const auto end = pending.labels.begin() + pending.count;
  if (pending.whole || std::any_of(pending.labels.begin(), end, [&](const Label& l) { return l.index == index; })) {
    // Its look before the burst is noted already.
  } else if (pending.count == MaxLabels) {
    pending.whole = true;
  } else {
    pending.labels[static_cast<std::size_t>(pending.count++)] = {index, before};
  }
  FlushOutsideBurst();
}

void PendingWork::RepaintLabelsNow(LabelPainter& panel) {
  for (PanelLabels& pending : labels_) {
    if (pending.panel == &panel) {
      FlushLabels(pending);
    }
  }
}

void PendingWork::FlushLabels(PanelLabels& pending) {
  LabelPainter* panel = std::exchange(pending.panel, nullptr);
  const bool whole = std::exchange(pending.whole, false);
  const int count = std::exchange(pending.count, 0);
  if (panel == nullptr) {
    return;
  }
  if (whole) {
    panel->RepaintAll();
    return;
  }
  for (int i = 0; i < count; ++i) {
    const Label& label = pending.labels[static_cast<std::size_t>(i)];
    panel->RepaintLabel(label.index, label.before);
  }
  panel->RepaintLabelsNoted();
}

void PendingWork::Settle(Settling& field) {
  settle_ = &field;
  FlushOutsideBurst();
}

void PendingWork::Resize(Sizing& surface) {
  size_ = &surface;
  FlushOutsideBurst();
}

void PendingWork::Announce(Announcing& panel) {
  const auto end = announce_.end();
  if (std::find(announce_.begin(), end, &panel) == end) {
    const auto free = std::find(announce_.begin(), end, nullptr);
    if (free == end) {
      panel.Announce();  // more panels than the toolkit has
      return;
    }
    *free = &panel;
  }
  FlushOutsideBurst();
}

void PendingWork::Withdraw(Announcing& panel) { std::replace(announce_.begin(), announce_.end(), &panel, static_cast<Announcing*>(nullptr)); }

void PendingWork::Flush() {
  // The windows that moved are moved without repainting, and the surface
  // with all its children is repainted once: each move on its own would
  // repaint what it covers and uncovers.
  bool moved = false;
  while (moveCount_ > 0) {
    const WindowMove move = moves_[static_cast<std::size_t>(--moveCount_)];
    if (IsWindow(move.window) && MoveTo(move.window, move.to, Redraw::ByCaller)) {
      moved = true;
    }
  }
  if (moved) {
    RedrawWindow(surface_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  }
  if (Settling* field = std::exchange(settle_, nullptr)) {
    field->Settle();
  }
  for (PanelLabels& pending : labels_) {
    FlushLabels(pending);
  }
  // Last: the host may resize the surface at once and raise Resize, whose
  // own burst finds the queue empty.
  if (Sizing* surface = std::exchange(size_, nullptr)) {
    surface->ApplySize();
  }
  // What a client hears of reads the screen as it now stands.
  for (Announcing*& panel : announce_) {
    if (Announcing* announcing = std::exchange(panel, nullptr)) {
      announcing->Announce();
    }
  }
}

}  // namespace vexo::win32
