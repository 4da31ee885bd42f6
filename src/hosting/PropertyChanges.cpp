// SPDX-License-Identifier: MIT
// The control's dirty state, the notifications of its property sinks and the
// events of __KeyBord.
#include "hosting/PropertyChanges.h"

#include "hosting/ConnectionPoints.h"
#include "hosting/Embedding.h"
#include "hosting/Identifiers.h"
#include "hosting/SavedProperties.h"

#include <algorithm>
#include <bitset>
#include <cstdint>
#include <iterator>
#include <span>
#include <string_view>
#include <utility>

namespace vexo::hosting {

namespace {

// The index of a saved property in the property table, or the count of them.
constexpr std::size_t SavedIndex(std::u16string_view name) {
  for (std::size_t i = 0; i < SavedPropertyCount; ++i) {
    if (property_access::Rows[i].name == name) return i;
  }
  return SavedPropertyCount;
}

// The events that a change of a saved property raises, in the order they are
// raised after the keys typed; one that carries the property's new value has
// it as its one argument.
struct ChangeEvent {
  std::size_t saved;
  DISPID event;
  bool carriesValue;
};
constexpr ChangeEvent ChangeEvents[] = {
    {SavedIndex(u"Text"), VEXO_DISPID_CHANGE, false},
    {SavedIndex(u"ChangeBord"), VEXO_DISPID_PANELCHANGED, true},
};
static_assert(std::ranges::all_of(ChangeEvents, [](const ChangeEvent& row) { return row.saved < SavedPropertyCount; }),
              "each event follows a saved property");

// Arguments of an event, cleared when the round is over.
template <std::size_t Count>
struct EventArguments {
  EventArguments() {
    for (VARIANTARG& argument : values) VariantInit(&argument);
  }
  ~EventArguments() {
    for (VARIANTARG& argument : values) Discard(VariantClear(&argument), "clearing a value the round made");
  }
  EventArguments(const EventArguments&) = delete;
  EventArguments& operator=(const EventArguments&) = delete;
  VARIANTARG values[Count];
};

}  // namespace

Embedding::SavedValues Embedding::StartValues() {
  SavedValues values;
  for (std::size_t i = 0; i < values.size(); ++i) values[i] = SavedProperties()[i].start.ToVariant();
  return values;
}

HResult Embedding::TakeValues(Tell tell) {
  return Guard([&]() -> HResult {
    if (!keybord_) return hr::Unexpected;
    if (kept_) return hr::Ok;  // the windows are gone: nothing changes any more
    // A value held by the field is read only when the field has changed since
    // it was last read: a key or a call that left it alone costs no copy of it.
    const std::uint64_t revision = Link().FieldRevision();
    const auto saved = SavedProperties();
    SavedValues now;
    std::bitset<SavedPropertyCount> changed;
    for (std::size_t i = 0; i < saved.size(); ++i) {
      if (saved[i].held == Held::InField && revision == seenTextRevision_) continue;
      RETURN_IF_FAILED(saved[i].get(Component(), now[i]));
      changed[i] = now[i] != seen_[i];
    }
    // What was seen is brought up to date before any sink hears of it: a
    // sink that calls the control back sees no change twice.
    for (std::size_t i = 0; i < saved.size(); ++i) {
      if (changed[i]) seen_[i] = std::move(now[i]);
    }
    seenTextRevision_ = revision;
    if (changed.any()) dirty_ = true;
    if (tell == Tell::Nobody) return hr::Ok;
    unraised_ |= changed;
    // The caller holds the object for the round (see Hold): a sink may
    // destroy the control's windows or let go of it, and the round goes on
    // over the sinks held here, telling only those still advised.
    if (changed.any()) {
      const auto sinks = notifyPoint_->Sinks();
      for (std::size_t i = 0; i < saved.size(); ++i) {
        if (!changed[i]) continue;
        for (const auto& [cookie, sink] : sinks) {
          if (!notifyPoint_->Advised(cookie)) continue;
          Discard(static_cast<IPropertyNotifySink*>(sink.Get())->OnChanged(saved[i].dispatchId),
                  "a notification: the change stands whatever the sink answers");
        }
      }
    }
    return RaiseEvents();
  });
}

HResult Embedding::RaiseEvents() {
  if (!toolkit_ || toolkit_->InBurst()) return hr::Ok;
  const std::vector<ToolkitCore::TypedKey> typed = toolkit_->TakeTypedKeys();
  const std::bitset<SavedPropertyCount> changed = std::exchange(unraised_, {});
  // A container freezes events while it loads or sets up the control and
  // does not expect what happened meanwhile to be told on thawing: events
  // due while frozen are dropped, not kept.
  if (frozenEvents_ > 0) return hr::Ok;
  const auto sinks = eventPoint_->Sinks();
  if (sinks.empty()) return hr::Ok;

  // The values carried are those of this round: a sink that changes them
  // again starts a round of its own from inside this one.
  EventArguments<std::size(ChangeEvents)> carried;
  for (std::size_t i = 0; i < std::size(ChangeEvents); ++i) {
    const ChangeEvent& row = ChangeEvents[i];
    if (changed[row.saved] && row.carriesValue) RETURN_IF_FAILED(ToAutomation(seen_[row.saved], carried.values[i]));
  }
  // Each sink still advised hears each event, also one that does not know
  // it; a sink may freeze the events, unadvise another or let go of the
  // control (the caller holds it), and from then on the rest are not told.
  auto fire = [&](DISPID event, std::span<VARIANTARG> arguments) {
    DISPPARAMS parameters{arguments.data(), nullptr, static_cast<UINT>(arguments.size()), 0};
    for (const auto& [cookie, sink] : sinks) {
      if (frozenEvents_ > 0) return;
      if (!eventPoint_->Advised(cookie)) continue;
      Discard(static_cast<IDispatch*>(sink.Get())
                  ->Invoke(event, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, nullptr, nullptr,
                           nullptr),
              "an event: what the sink answers, DISP_E_MEMBERNOTFOUND included, changes nothing");
    }
  };
  for (const ToolkitCore::TypedKey& key : typed) {
    EventArguments<2> arguments;  // in reverse order: Accepted, then Text
    arguments.values[0].vt = VT_BOOL;
    arguments.values[0].boolVal = key.accepted ? VARIANT_TRUE : VARIANT_FALSE;
    arguments.values[1].bstrVal =
        SysAllocStringLen(reinterpret_cast<const OLECHAR*>(key.text.data()), static_cast<UINT>(key.text.size()));
    if (!arguments.values[1].bstrVal) continue;  // out of memory: this key goes untold, its text stays typed
    arguments.values[1].vt = VT_BSTR;
    fire(VEXO_DISPID_KEYTYPED, arguments.values);
  }
  for (std::size_t i = 0; i < std::size(ChangeEvents); ++i) {
    const ChangeEvent& row = ChangeEvents[i];
    if (!changed[row.saved]) continue;
    fire(row.event, row.carriesValue ? std::span<VARIANTARG>(&carried.values[i], 1) : std::span<VARIANTARG>());
  }
  return hr::Ok;
}

HResult Embedding::TakeValuesAsClean() {
  RETURN_IF_FAILED(TakeValues(Tell::Nobody));
  dirty_ = false;
  return hr::Ok;
}

void Embedding::CheckChanges() {
  // A sink may let go of the control: it goes when this hold does.
  const Hold hold = KeepAlive();
  Discard(TakeValues(Tell::Sinks), "a failed look is retried after the next burst or call");
}

void Embedding::ScheduleChangeCheck() {
  if (checkPosted_ || !surface_) return;
  checkPosted_ = PostMessageW(surface_, ChangeCheckMessage, 0, 0) != FALSE;
}

}  // namespace vexo::hosting
