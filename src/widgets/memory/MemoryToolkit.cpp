// SPDX-License-Identifier: MIT
#include "widgets/memory/MemoryToolkit.h"

#include <algorithm>
#include <utility>

#include "widgets/Boundary.h"

namespace vexo {

// --- Panels.

HResult MemoryPanel::SetFocus() { return toolkit_.MoveFocus(id_); }

// --- The rich-text box.

HResult MemoryRichTextBox::GetText(std::u16string& text) {
  text = text_;
  charactersRead_ += text_.size();
  return hr::Ok;
}

HResult MemoryRichTextBox::GetTextLength(std::int32_t& length) {
  length = 0;
  if (!std::in_range<std::int32_t>(text_.size())) {
    return hr::Overflow;
  }
  length = static_cast<std::int32_t>(text_.size());
  return hr::Ok;
}

HResult MemoryRichTextBox::PutText(std::u16string_view text) {
  if (text.size() > static_cast<std::size_t>(TextCapacity)) {
    return hr::Overflow;
  }
  text_.assign(text);
  selStart_ = 0;
  selLength_ = 0;
  charactersWritten_ += text.size();
  return hr::Ok;
}

HResult MemoryRichTextBox::GetSelStart(std::int32_t& start) {
  start = selStart_;
  return hr::Ok;
}

HResult MemoryRichTextBox::GetSelLength(std::int32_t& length) {
  length = selLength_;
  return hr::Ok;
}

HResult MemoryRichTextBox::PutSelStart(std::int32_t start) {
  if (start < 0) {
    return hr::InvalidPropertyValue;
  }
  selStart_ = static_cast<std::int32_t>(std::min<std::size_t>(start, text_.size()));
  selLength_ = 0;
  return hr::Ok;
}

HResult MemoryRichTextBox::PutSelLength(std::int32_t length) {
  if (length < 0) {
    return hr::InvalidPropertyValue;
  }
  selLength_ = static_cast<std::int32_t>(std::min<std::size_t>(length, text_.size() - selStart_));
  return hr::Ok;
}

HResult MemoryRichTextBox::PutSelText(std::u16string_view text) {
  if (text_.size() - static_cast<std::size_t>(selLength_) + text.size() > static_cast<std::size_t>(TextCapacity)) {
    return hr::Overflow;
  }
  text_.replace(selStart_, selLength_, text);
  selStart_ += static_cast<std::int32_t>(text.size());
  selLength_ = 0;
  charactersWritten_ += text.size();
  return hr::Ok;
}

HResult MemoryRichTextBox::Select(std::int32_t start, std::int32_t length) {
  if (start < 0 || length < 0 || static_cast<std::size_t>(start) > text_.size() ||
      static_cast<std::size_t>(length) > text_.size() - start) {
    return hr::InvalidPropertyValue;
  }
  selStart_ = start;
  selLength_ = length;
  return hr::Ok;
}


// --- The property bag.

const Variant* MemoryPropertyBag::Find(std::u16string_view key) const {
  for (const auto& [name, value] : entries_) {
    if (name == key) {
      return &value;
    }
  }
  return nullptr;
}

void MemoryPropertyBag::Set(std::u16string key, Variant value) {
  for (auto& [name, stored] : entries_) {
    if (name == key) {
      stored = std::move(value);
      return;
    }
  }
  entries_.emplace_back(std::move(key), std::move(value));
}

HResult MemoryPropertyBag::ReadProperty(std::u16string_view key, const Variant& defaultValue, Variant& value) {
  const Variant* stored = Find(key);
  value = stored != nullptr ? *stored : defaultValue;
  return hr::Ok;
}

HResult MemoryPropertyBag::WriteProperty(std::u16string_view key, const Variant& value,
                                         const Variant& defaultValue) {
  if (failStatus_ != hr::Ok && key == failKey_) {
    return failStatus_;
  }
  if (defaults_ == Defaults::Omit && value == defaultValue) {
    // A value equal to its default is left out, and an older one goes with it.
    std::erase_if(entries_, [&](const auto& entry) { return entry.first == key; });
    return hr::Ok;
  }
  Set(std::u16string(key), value);
  return hr::Ok;
}

// --- The toolkit.

MemoryToolkit::MemoryToolkit(FocusDelivery delivery)
    : delivery_(delivery),
      keys_(PerPanel<KeyStore>([](const PanelFace& face) { return KeyStore(DesignKey(face.keys)); })),
      panels_(PerPanel<MemoryPanel>(
          [this](const PanelFace& face) { return MemoryPanel(*this, face.panel, DesignPanel(face.panel)); })),
      text1_() {}

HResult MemoryToolkit::MoveFocus(PanelId panel) {
  if (failFocus_[Slot(panel)]) {
    return hr::InvalidProcedureCall;
  }
  if (focused_ == panel) {
    return hr::Ok;
  }
  const std::optional<PanelId> previous = focused_;
  focused_ = panel;
  if (previous) {
    pendingFocus_.push_back({*previous, false});
  }
  pendingFocus_.push_back({panel, true});
  SettleWhenOver();
  if (delivery_ == FocusDelivery::Sync) {
    DeliverPendingFocus();
  }
  return hr::Ok;
}

// The handlers' own failures go nowhere: a toolkit has no caller to give
// them to, just as a window's focus message has none.
void MemoryToolkit::Deliver(FocusChange change) {
  const auto notify = [&] {
    return change.gained ? Events()->OnGotFocus(change.panel) : Events()->OnLostFocus(change.panel);
  };
  Discard(Guard(notify), "a focus change has no caller");
}

void MemoryToolkit::DeliverPendingFocus() {
  while (!pendingFocus_.empty() && Events() != nullptr) {
    const FocusChange change = pendingFocus_.front();
    pendingFocus_.pop_front();
    Deliver(change);
  }
}

// A control becomes visible from hidden, and a hidden control holds no focus:
// whatever panel had it lost it when the control was hidden.
HResult MemoryToolkit::Show() {
  Blur();
  return ToolkitCore::Show();
}

HResult MemoryToolkit::Resize(float width, float height) {
  RETURN_IF_FAILED(surface_.PutWidth(width));
  RETURN_IF_FAILED(surface_.PutHeight(height));
  return Raise([this] { return Events()->OnResize(); });
}

HResult MemoryToolkit::Click(KeyArrayId array, std::int16_t index) {
  // A click reaches only an element that exists.
  const KeyElement* key = keys_[Slot(array)].Element(index);
  if (key == nullptr) {
    return hr::ElementMissing;
  }
  return Raise([&] { return Events()->OnClick(array, index); });
}

HResult MemoryToolkit::KeyDown(PanelId panel, std::int16_t& keyCode, std::int16_t& shift) {
  return Raise([&] { return Events()->OnKeyDown(panel, keyCode, shift); });
}

HResult MemoryToolkit::EditField(FieldEdit edit, std::u16string_view text) {
  return Raise([&] { return Events()->OnFieldEdit(edit, text); });
}

void MemoryToolkit::Blur() {
  if (!focused_) {
    return;
  }
  const FocusChange change{*focused_, false};
  focused_.reset();
  if (InBurst()) {
    pendingFocus_.push_back(change);  // under the guard of the notification being raised
    SettleWhenOver();
    return;
  }
  DeliverPendingFocus();
  Deliver(change);
}

void MemoryToolkit::RaiseHostCommand(HostCommand command) {
  if (activeWindow_ == 0) {
    return;
  }
  // A command that comes from no control carries 0 where a control would
  // put its window handle.
  const SentMessage sent{activeWindow_, CommandMessage, static_cast<std::uintptr_t>(command), 0};
  messages_.push_back(sent);
  if (onMessage_) {
    onMessage_(sent);
  }
}

}  // namespace vexo
