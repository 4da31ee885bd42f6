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


// --- The surface.


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
      keys_{KeyStore(DesignKey(KeyArrayId::cmdKey)), KeyStore(DesignKey(KeyArrayId::cmdNumber)),
            KeyStore(DesignKey(KeyArrayId::cmdShift))},
      panels_{MemoryPanel(*this, PanelId::picABC, DesignPanel(PanelId::picABC)),
              MemoryPanel(*this, PanelId::picNumber, DesignPanel(PanelId::picNumber)),
              MemoryPanel(*this, PanelId::picShift, DesignPanel(PanelId::picShift))},
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
  if (delivery_ == FocusDelivery::Sync) {
    DeliverPendingFocus();
  }
  return hr::Ok;
}

// The handlers' own failures go nowhere: a toolkit has no caller to give
// them to, just as a window's focus message has none.
void MemoryToolkit::Deliver(FocusChange change) {
  const auto notify = [&] {
    return change.gained ? events_->OnGotFocus(change.panel) : events_->OnLostFocus(change.panel);
  };
  Discard(Guard(notify), "a focus change has no caller");
}

void MemoryToolkit::DeliverPendingFocus() {
  while (!pendingFocus_.empty() && events_ != nullptr) {
    const FocusChange change = pendingFocus_.front();
    pendingFocus_.pop_front();
    Deliver(change);
  }
}

// Nothing the handler throws passes the toolkit, and nothing here allocates
// outside the guard: the host sees a status.
template <typename Notification>
HResult MemoryToolkit::Raise(const Notification& notification) {
  if (events_ == nullptr) {
    return hr::Fail;
  }
  ++depth_;
  const HResult status = Guard(notification);
  --depth_;
  if (depth_ == 0) {
    DeliverPendingFocus();
  }
  return status;
}

HResult MemoryToolkit::Initialize() { return Raise([this] { return events_->OnInitialize(); }); }

HResult MemoryToolkit::ReadProperties(PropertyBag& bag) {
  return Raise([&] { return events_->OnReadProperties(bag); });
}

HResult MemoryToolkit::WriteProperties(PropertyBag& bag) {
  return Raise([&] { return events_->OnWriteProperties(bag); });
}

// A control becomes visible from hidden, and a hidden control holds no focus:
// whatever panel had it lost it when the control was hidden.
HResult MemoryToolkit::Show() {
  Blur();
  return Raise([this] { return events_->OnShow(); });
}

HResult MemoryToolkit::SurfaceGotFocus() { return Raise([this] { return events_->OnSurfaceGotFocus(); }); }

HResult MemoryToolkit::Resize(float width, float height) {
  RETURN_IF_FAILED(surface_.PutWidth(width));
  RETURN_IF_FAILED(surface_.PutHeight(height));
  return Raise([this] { return events_->OnResize(); });
}

HResult MemoryToolkit::Click(KeyArrayId array, std::int16_t index) {
  // A click reaches only an element that exists.
  const KeyElement* key = keys_[Slot(array)].Element(index);
  if (key == nullptr) {
    return hr::ElementMissing;
  }
  return Raise([&] { return events_->OnClick(array, index); });
}

HResult MemoryToolkit::KeyDown(PanelId panel, std::int16_t& keyCode, std::int16_t& shift) {
  return Raise([&] { return events_->OnKeyDown(panel, keyCode, shift); });
}

HResult MemoryToolkit::EditField(FieldEdit edit, std::u16string_view text) {
  return Raise([&] { return events_->OnFieldEdit(edit, text); });
}

HResult MemoryToolkit::HostCall(const std::function<HResult()>& call) { return Raise(call); }

void MemoryToolkit::Blur() {
  if (!focused_) {
    return;
  }
  const FocusChange change{*focused_, false};
  focused_.reset();
  if (depth_ > 0) {
    pendingFocus_.push_back(change);  // under the guard of the notification being raised
    return;
  }
  DeliverPendingFocus();
  Deliver(change);
}

std::intptr_t MemoryToolkit::SendMessageTo(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                           std::intptr_t lParam) {
  const SentMessage sent{window, message, wParam, lParam};
  messages_.push_back(sent);
  return onMessage_ ? onMessage_(sent) : 0;
}

}  // namespace vexo
