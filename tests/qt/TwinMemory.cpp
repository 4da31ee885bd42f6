// SPDX-License-Identifier: MIT
// The in-memory side of the twin run.
#include "Twin.h"

#include "component/KeyBord.h"
#include "widgets/memory/MemoryToolkit.h"

namespace vexo::testing::twin {

namespace {

class MemoryRunner final : public Runner {
 public:
  explicit MemoryRunner(bool deferred)
      : toolkit_(deferred ? FocusDelivery::Deferred : FocusDelivery::Sync), keybord_(toolkit_) {
    toolkit_.Connect(keybord_);
  }

  HResult Start() override {
    RETURN_IF_FAILED(toolkit_.Initialize());
    return toolkit_.Show();
  }

  std::optional<HResult> Apply(const Operation& op) override {
    switch (op.kind) {
      case Kind::Key: {
        if (!toolkit_.Focused()) return std::nullopt;
        std::int16_t code = op.keyCode;
        std::int16_t shift = op.shift;
        return toolkit_.KeyDown(*toolkit_.Focused(), code, shift);
      }
      case Kind::Click: return toolkit_.Click(static_cast<KeyArrayId>(op.b), static_cast<std::int16_t>(op.a));
      case Kind::Select: return toolkit_.Field().Select(op.a, op.b);
      case Kind::Blur: toolkit_.Blur(); return hr::Ok;
      case Kind::Show: return toolkit_.Show();
      case Kind::SurfaceFocus:
        // The surface takes the focus from whatever had it, a panel too, as
        // real windows do; the in-memory toolkit leaves that to its caller.
        toolkit_.Blur();
        return toolkit_.SurfaceGotFocus();
      case Kind::Resize: return toolkit_.Resize(static_cast<float>(op.a), static_cast<float>(op.b));
      case Kind::Answer:
        if (op.a == 0) {
          toolkit_.OnMessage(nullptr);
        } else {
          toolkit_.OnMessage([this, op](const SentMessage&) -> std::intptr_t {
            std::u16string m = u"m";
            std::int16_t backspace = 8;
            Discard(op.a == 1 ? keybord_.FindABC(m) : keybord_.KeyF1ToF6(backspace), "the host's own call");
            return 0;
          });
        }
        return hr::Ok;
      default: return toolkit_.HostCall([&] { return HostCall(keybord_, op); });
    }
  }

  State Snapshot() override {
    State state;
    state.field = toolkit_.Field().Content();
    state.selStart = toolkit_.Field().SelStart();
    state.selLength = toolkit_.Field().SelLength();
    ReadComponent(keybord_, state);
    state.focus = toolkit_.Focused() ? static_cast<int>(*toolkit_.Focused()) : -1;
    state.beeps = toolkit_.Beeps();
    state.commands = static_cast<int>(toolkit_.Messages().size());
    for (int i = 0; i < 3; ++i) {
      ReadPanel(toolkit_.KeysOf(static_cast<KeyArrayId>(i)), toolkit_.PanelOf(static_cast<PanelId>(i)).Bounds(),
                state.keys[i], state.panels[i]);
    }
    state.text1 = RectOf(toolkit_.Field().Bounds());
    state.surfaceWidth = toolkit_.SurfaceOf().Width();
    state.surfaceHeight = toolkit_.SurfaceOf().Height();
    return state;
  }

 private:
  MemoryToolkit toolkit_;
  KeyBord keybord_;
};

}  // namespace

std::unique_ptr<Runner> MakeMemoryRunner(bool deferred) { return std::make_unique<MemoryRunner>(deferred); }

}  // namespace vexo::testing::twin
