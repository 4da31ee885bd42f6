// SPDX-License-Identifier: MIT
// A complete in-memory toolkit: the widgets of one component instance held as
// plain data, with the focus, the beep and the host's windows simulated. Used by
// the tests and by the headless host; nothing here is a stand-in that merely
// records calls: every operation behaves as the real widgets do.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "widgets/KeyStore.h"
#include "widgets/PanelFaces.h"
#include "widgets/Placement.h"
#include "widgets/ToolkitCore.h"
#include "widgets/Widgets.h"

namespace vexo {

// When the notifications of a focus move arrive: inside `SetFocus`, or after
// the notification handler (or host call) that moved the focus has returned.
enum class FocusDelivery { Sync, Deferred };

struct SentMessage {
  WindowHandle window = 0;
  std::uint32_t message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
};

class MemoryToolkit;

class MemoryPanel final : public PlacedPanel {
 public:
  MemoryPanel(MemoryToolkit& toolkit, PanelId id, Box box) : PlacedPanel(box), toolkit_(toolkit), id_(id) {}

  HResult SetFocus() override;

 private:
  MemoryToolkit& toolkit_;
  PanelId id_;
};

class MemoryRichTextBox final : public PlacedField {
 public:
  MemoryRichTextBox() : PlacedField(DesignField) {}

  HResult GetText(std::u16string& text) override;
  HResult GetTextLength(std::int32_t& length) override;
  HResult PutText(std::u16string_view text) override;
  HResult GetSelStart(std::int32_t& start) override;
  HResult GetSelLength(std::int32_t& length) override;
  HResult PutSelStart(std::int32_t start) override;
  HResult PutSelLength(std::int32_t length) override;
  HResult PutSelText(std::u16string_view text) override;

  // What the user sees and does in the field directly.
  const std::u16string& Content() const { return text_; }
  std::int32_t SelStart() const { return selStart_; }
  std::int32_t SelLength() const { return selLength_; }
  // The user places the caret (and selection) with the mouse; out-of-range
  // values are refused with the invalid-property-value error.
  HResult Select(std::int32_t start, std::int32_t length);
  // Characters written into the field so far, through Text and SelText: the
  // cost of an edit as a real rich-text box would render it.
  std::uint64_t CharactersWritten() const { return charactersWritten_; }
  // Characters copied out of the field so far, through Text: what reading
  // a real rich-text box's whole text costs.
  std::uint64_t CharactersRead() const { return charactersRead_; }

 private:
  std::u16string text_;
  std::int32_t selStart_ = 0;
  std::int32_t selLength_ = 0;
  std::uint64_t charactersWritten_ = 0;
  std::uint64_t charactersRead_ = 0;
};

class MemorySurface final : public SizedSurface {
 public:
  MemorySurface() : SizedSurface(DesignSurfaceWidth, DesignSurfaceHeight) {}
};

// A property bag of self-describing values, keyed by exact text, in the order
// the keys were first written.
class MemoryPropertyBag final : public PropertyBag {
 public:
  enum class Defaults { Store, Omit };
  explicit MemoryPropertyBag(Defaults defaults = Defaults::Store) : defaults_(defaults) {}

  HResult ReadProperty(std::u16string_view key, const Variant& defaultValue, Variant& value) override;
  HResult WriteProperty(std::u16string_view key, const Variant& value, const Variant& defaultValue) override;

  void Set(std::u16string key, Variant value);
  const Variant* Find(std::u16string_view key) const;
  const std::vector<std::pair<std::u16string, Variant>>& Entries() const { return entries_; }
  // Every write of `key` fails with `status` (0 clears).
  void FailWritesOf(std::u16string key, HResult status) { failKey_ = std::move(key); failStatus_ = status; }

 private:
  Defaults defaults_;
  std::vector<std::pair<std::u16string, Variant>> entries_;
  std::u16string failKey_;
  HResult failStatus_ = hr::Ok;
};

class MemoryToolkit final : public ToolkitCore {
 public:
  explicit MemoryToolkit(FocusDelivery delivery = FocusDelivery::Sync);
  MemoryToolkit(const MemoryToolkit&) = delete;
  MemoryToolkit& operator=(const MemoryToolkit&) = delete;

  // --- Widgets.
  KeyArray& Keys(KeyArrayId array) override { return keys_[Slot(array)]; }
  Panel& Pane(PanelId panel) override { return panels_[Slot(panel)]; }
  RichTextBox& Text1() override { return text1_; }
  Surface& UserControl() override { return surface_; }
  void Beep() override { ++beeps_; }
  // Sent to the active window as the command message, as the Windows
  // library sends it.
  void RaiseHostCommand(HostCommand command) override;

  // --- What the host and the user do (the host's drivers are the core's).
  // Each raises one notification and gives the handler's status. With
  // deferred delivery, the focus notifications that the handler caused
  // arrive before the call returns, after the handler.
  // Shows the control; the panel that had the focus loses it first.
  HResult Show();
  // The host sets the surface's size, then raises Resize.
  HResult Resize(float width, float height);
  HResult Click(KeyArrayId array, std::int16_t index);
  HResult KeyDown(PanelId panel, std::int16_t& keyCode, std::int16_t& shift);
  // The user types, pastes or deletes in the field itself, at the selection
  // placed with Field().Select; or another program changed the field.
  HResult EditField(FieldEdit edit, std::u16string_view text = {});
  // The focus leaves the component: the focused panel loses it.
  void Blur();

  // --- The host's side of the system services.
  // The active window of the thread, or 0.
  WindowHandle ActiveWindow() const { return activeWindow_; }
  void SetActiveWindow(WindowHandle window) { activeWindow_ = window; }
  // The host window's handler of sent messages; it may call the component back.
  void OnMessage(std::function<std::intptr_t(const SentMessage&)> handler) { onMessage_ = std::move(handler); }
  const std::vector<SentMessage>& Messages() const { return messages_; }
  int Beeps() const { return beeps_; }

  // --- Failure injection: every SetFocus of a named panel fails; each panel
  // named joins the failing ones, and none (std::nullopt) clears them all.
  void FailSetFocus(std::optional<PanelId> panel) {
    if (panel) {
      failFocus_[Slot(*panel)] = true;
    } else {
      failFocus_.fill(false);
    }
  }

  // --- What the user sees.
  FocusDelivery Delivery() const { return delivery_; }
  std::optional<PanelId> Focused() const { return focused_; }
  const KeyStore& KeysOf(KeyArrayId array) const { return keys_[Slot(array)]; }
  const MemoryPanel& PanelOf(PanelId panel) const { return panels_[Slot(panel)]; }
  MemoryRichTextBox& Field() { return text1_; }
  const MemorySurface& SurfaceOf() const { return surface_; }

 private:
  friend class MemoryPanel;

  struct FocusChange {
    PanelId panel;
    bool gained;
  };

  HResult MoveFocus(PanelId panel);
  // The outermost notification is over: the focus changes it caused arrive.
  void Settle() override { DeliverPendingFocus(); }
  void Deliver(FocusChange change);
  void DeliverPendingFocus();

  FocusDelivery delivery_;
  std::array<KeyStore, PanelCount> keys_;
  std::array<MemoryPanel, PanelCount> panels_;
  MemoryRichTextBox text1_;
  MemorySurface surface_;

  std::optional<PanelId> focused_;
  std::array<bool, PanelCount> failFocus_{};
  std::deque<FocusChange> pendingFocus_;

  int beeps_ = 0;
  WindowHandle activeWindow_ = 0x10010;
  std::vector<SentMessage> messages_;
  std::function<std::intptr_t(const SentMessage&)> onMessage_;
};

}  // namespace vexo
