// The control's dirty state and the notifications of its property sinks.
#include "hosting/PropertyChanges.h"

#include "hosting/ConnectionPoints.h"
#include "hosting/Embedding.h"

#include <bitset>
#include <cstdint>
#include <utility>

namespace vexo::hosting {

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
    if (changed.none()) return hr::Ok;
    dirty_ = true;
    if (tell == Tell::Nobody) return hr::Ok;
    // The caller holds the object for the round (see Hold): a sink may
    // destroy the control's windows or let go of it, and the round goes on
    // over the sinks held here, telling only those still advised.
    const auto sinks = notifyPoint_->Sinks();
    for (std::size_t i = 0; i < saved.size(); ++i) {
      if (!changed[i]) continue;
      for (const auto& [cookie, sink] : sinks) {
        if (!notifyPoint_->Advised(cookie)) continue;
        Discard(static_cast<IPropertyNotifySink*>(sink.Get())->OnChanged(saved[i].dispatchId),
                "a notification: the change stands whatever the sink answers");
      }
    }
    return hr::Ok;
  });
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
