// How the control learns that a saved property (ChangeBord, Text, MaxLength)
// changed: after each call of the host, and a moment after each burst of the
// user's clicks and keys, it compares them with what it saw last.
#pragma once

#include "hosting/Com.h"

#include <functional>
#include <utility>

#include "widgets/Widgets.h"

namespace vexo::hosting {

// The dispatch identifiers of the saved properties, as sinks hear them.
inline constexpr DISPID MaxLengthId = 0x68030000;
inline constexpr DISPID TextId = 0x68030001;
inline constexpr DISPID ChangeBordId = 0x68030002;

// Posted to the control's surface after a burst of the user's input: the
// saved properties are compared once the burst is over.
inline constexpr UINT ChangeCheckMessage = WM_APP + 0x62;

// Stands between the toolkit and the component: hands every notification on
// and, when the outermost one has returned, calls `burstEnded`. The user's
// clicks and keys change saved properties without any call of the host.
class ChangeWatch final : public WidgetEvents {
 public:
  ChangeWatch(WidgetEvents& component, std::function<void()> burstEnded)
      : component_(component), burstEnded_(std::move(burstEnded)) {}

  HResult OnInitialize() override {
    return Forward([&] { return component_.OnInitialize(); });
  }
  HResult OnReadProperties(PropertyBag& bag) override {
    return Forward([&] { return component_.OnReadProperties(bag); });
  }
  HResult OnWriteProperties(PropertyBag& bag) override {
    return Forward([&] { return component_.OnWriteProperties(bag); });
  }
  HResult OnResize() override {
    return Forward([&] { return component_.OnResize(); });
  }
  HResult OnShow() override {
    return Forward([&] { return component_.OnShow(); });
  }
  HResult OnSurfaceGotFocus() override {
    return Forward([&] { return component_.OnSurfaceGotFocus(); });
  }
  HResult OnClick(KeyArrayId array, std::int16_t index) override {
    return Forward([&] { return component_.OnClick(array, index); });
  }
  HResult OnGotFocus(PanelId panel) override {
    return Forward([&] { return component_.OnGotFocus(panel); });
  }
  HResult OnLostFocus(PanelId panel) override {
    return Forward([&] { return component_.OnLostFocus(panel); });
  }
  HResult OnKeyDown(PanelId panel, std::int16_t& keyCode, std::int16_t& shift) override {
    return Forward([&] { return component_.OnKeyDown(panel, keyCode, shift); });
  }

 private:
  template <typename Call>
  HResult Forward(Call&& call) {
    struct Depth {
      ChangeWatch& watch;
      explicit Depth(ChangeWatch& w) : watch(w) { ++watch.depth_; }
      ~Depth() {
        if (--watch.depth_ == 0) watch.burstEnded_();
      }
    } depth(*this);
    return call();
  }

  WidgetEvents& component_;
  std::function<void()> burstEnded_;
  int depth_ = 0;
};

}  // namespace vexo::hosting
