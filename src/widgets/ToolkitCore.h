// SPDX-License-Identifier: MIT
// What every toolkit shares: the bursts that notifications and host calls run
// in, the host's drivers, twips and pixels, and the field's capacity. A
// toolkit adds its widgets (window, paint and focus) and says what "settled"
// means on its platform; everything else here is the same on each.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "widgets/Boundary.h"
#include "widgets/Widgets.h"

namespace vexo {

// The longest text the field holds, in UTF-16 units. Far above what the
// component can address (its positions are 16-bit), low enough that a hostile
// text cannot exhaust the process; a longer text is refused, never cut.
inline constexpr std::int32_t TextCapacity = 1 << 20;

// Window handles of the platform, as plain numbers; 0 is none.
using WindowHandle = std::uintptr_t;

// The message a host command arrives as in a host window (WM_COMMAND), the
// command's number in its wParam.
inline constexpr std::uint32_t CommandMessage = 0x0111;

// --- Twips and screen pixels.
//
// Positions and sizes live in twips, as floats, and are read back exactly as
// they were put. Widgets get pixels: each edge is converted on its own with the
// same rule, so two children that touch in twips touch in pixels as well, and a
// width in pixels is the distance between the rounded edges.

inline constexpr int TwipsPerInch = 1440;
// The farthest a widget coordinate reaches; further twips are pinned to it.
inline constexpr double PixelLimit = 32767;

struct Dpi {
  int x = 96;
  int y = 96;
};

// The nearest pixel, halves upwards; NaN counts as 0.
inline int TwipsToPixels(float twips, int dpi) {
  const double pixels = std::floor(static_cast<double>(twips) * dpi / TwipsPerInch + 0.5);
  if (std::isnan(pixels)) {
    return 0;
  }
  return static_cast<int>(std::fmax(-PixelLimit, std::fmin(PixelLimit, pixels)));
}

inline float PixelsToTwips(int pixels, int dpi) {
  return static_cast<float>(static_cast<double>(pixels) * TwipsPerInch / dpi);
}

// A rectangle in pixels, right and bottom exclusive.
struct PixelRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

inline PixelRect ToPixels(float left, float top, float width, float height, Dpi dpi) {
  return {TwipsToPixels(left, dpi.x), TwipsToPixels(top, dpi.y), TwipsToPixels(left + width, dpi.x),
          TwipsToPixels(top + height, dpi.y)};
}

// --- Bursts.

// One notification, or one call of the host, changes the widgets many times;
// what the changes leave to do waits until the outermost burst is over, and is
// done there once (Settle). Work that arrives outside any burst may be done at
// once.
class Bursts {
 public:
  class [[nodiscard]] Burst {
   public:
    explicit Burst(Bursts& bursts) : bursts_(bursts) { bursts_.Enter(); }
    ~Burst() { bursts_.Leave(); }
    Burst(const Burst&) = delete;
    Burst& operator=(const Burst&) = delete;

   private:
    Bursts& bursts_;
  };
  Burst Open() { return Burst(*this); }
  bool InBurst() const { return depth_ > 0; }
  // How many outermost bursts have ended; counted before their Settle runs.
  std::uint64_t BurstsEnded() const { return ended_; }
  // Work waits for the outermost burst's end: Settle runs then. A burst
  // that left nothing to do ends without it.
  void SettleWhenOver() { unsettled_ = true; }

 protected:
  Bursts() = default;
  ~Bursts() = default;
  Bursts(const Bursts&) = delete;
  Bursts& operator=(const Bursts&) = delete;

  // The outermost burst is over and work waits. The host's code may run
  // here and destroy the toolkit: nothing of it is touched after this returns.
  virtual void Settle() = 0;

  void Enter() { ++depth_; }
  void Leave() {
    if (--depth_ != 0) {
      return;
    }
    ++ended_;
    if (unsettled_) {
      unsettled_ = false;
      Settle();
    }
  }

 private:
  int depth_ = 0;
  std::uint64_t ended_ = 0;
  bool unsettled_ = false;
};

// The toolkit's side of the component: it raises the notifications, each as a
// burst, behind the one boundary guard.
class ToolkitCore : public Widgets, public Bursts {
 public:
  ~ToolkitCore() override;

  void Connect(WidgetEvents& events) final { events_ = &events; }
  // No notification reaches the component after this; for a component that
  // goes before its toolkit.
  void Disconnect() { events_ = nullptr; }
  WidgetEvents* Events() const { return events_; }

  // --- The host's drivers. Each raises one notification and gives the
  // handler's status; with no component connected they fail.
  HResult Initialize();
  HResult ReadProperties(PropertyBag& bag);
  HResult WriteProperties(PropertyBag& bag);
  HResult Show();
  HResult SurfaceGotFocus();
  // A call of the public interface by the host: the work it leaves is done
  // once, when the outermost call or notification returns.
  HResult HostCall(const std::function<HResult()>& call) { return Raise(call); }

  // --- Keys typed, kept for the host until the burst that typed them is over.
  //
  // Only a host that listens has them kept (the Qt widget, the ActiveX
  // control's events, a test): for one that hears nothing of keys (the
  // headless host) a key costs nothing more. The listening host takes them
  // once the outermost burst that typed them is over, before it runs any
  // host code (the host's code may type more, in bursts of its own). Keys
  // nobody took are dropped when a key is typed after their burst has ended,
  // so what is kept never outgrows the keys of one burst, however long the
  // toolkit runs.
  struct TypedKey {
    std::u16string text;
    bool accepted = true;
    friend bool operator==(const TypedKey&, const TypedKey&) = default;
  };
  void ListenForTypedKeys() { listening_ = true; }
  void KeyTyped(std::u16string_view text, bool accepted) final {
    if (!listening_) {
      return;
    }
    if (typedWhile_ != BurstsEnded()) {
      typed_.clear();
      typedWhile_ = BurstsEnded();
    }
    typed_.push_back({std::u16string(text), accepted});
    SettleWhenOver();
  }
  // The keys typed and not yet taken or dropped, oldest first.
  std::vector<TypedKey> TakeTypedKeys() { return std::exchange(typed_, {}); }

  // Raises a notification in a burst and gives the handler's status: what
  // the handler throws ends here as a status (a failed allocation as
  // out-of-memory). Nothing here allocates.
  template <typename Notification>
  HResult Raise(const Notification& notification) {
    bool gone = false;
    return Raise(notification, gone);
  }
  // Raises a notification that a widget caused (a click, a key, a focus
  // change), for which no caller waits. The host's code that it reaches may
  // destroy the toolkit: then nothing of the toolkit is touched afterwards,
  // and the widget that raised it learns so from the false.
  template <typename Notification>
  bool RaiseFromWidget(const Notification& notification) {
    bool gone = false;
    const HResult status = Raise(notification, gone);
    if (gone) {
      return false;
    }
    lastWidgetStatus_ = status;
    return true;
  }
  // The status of the last notification a widget raised.
  HResult LastWidgetStatus() const { return lastWidgetStatus_; }

 protected:
  ToolkitCore() = default;

 private:
  // `gone` is set if the toolkit goes before the notification returns.
  template <typename Notification>
  HResult Raise(const Notification& notification, bool& gone) {
    if (events_ == nullptr) {
      return hr::Fail;
    }
    bool* const outer = Begin(gone);
    const HResult status = Guard(notification);
    End(gone, outer);
    return status;
  }
  // The flags chain through the stack: a notification raised inside another
  // hands the news of the toolkit's end on to the one outside it.
  bool* Begin(bool& gone) {
    bool* const outer = gone_;
    gone_ = &gone;
    Enter();
    return outer;
  }
  void End(const bool& gone, bool* outer) {
    if (!gone) {
      Leave();  // may end the toolkit too
    }
    if (gone) {
      if (outer != nullptr) {
        *outer = true;
      }
      return;
    }
    gone_ = outer;
  }

  WidgetEvents* events_ = nullptr;
  // Set when the toolkit goes: the flag of the innermost notification running.
  bool* gone_ = nullptr;
  HResult lastWidgetStatus_ = hr::Ok;
  std::vector<TypedKey> typed_;
  // BurstsEnded() when the keys of typed_ were typed.
  std::uint64_t typedWhile_ = 0;
  bool listening_ = false;
};

}  // namespace vexo
