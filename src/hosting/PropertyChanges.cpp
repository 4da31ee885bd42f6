// The control's dirty state and the notifications of its property sinks.
#include "hosting/PropertyChanges.h"

#include "hosting/ConnectionPoints.h"
#include "hosting/Embedding.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace vexo::hosting {

HRESULT Embedding::TakeValues(Tell tell) {
  return Guard([&]() -> HResult {
    if (!keybord_) return hr::Unexpected;
    if (kept_) return hr::Ok;  // the windows are gone: nothing changes any more
    ActivPanel changeBord = ActivPanel::abcAct;
    std::int16_t maxLength = 0;
    RETURN_IF_FAILED(Component().get_ChangeBord(changeBord));
    RETURN_IF_FAILED(Component().get_MaxLength(maxLength));
    // The text is read only when the field has changed since it was last
    // read: a key or a call that left it alone costs no copy of it.
    const std::uint64_t revision = Link().FieldRevision();
    std::optional<std::u16string> text;
    if (revision != seenTextRevision_) {
      text.emplace();
      RETURN_IF_FAILED(Component().get_Text(*text));
    }
    DISPID changed[3] = {};
    int count = 0;
    if (changeBord != seen_.changeBord) changed[count++] = ChangeBordId;
    if (text && *text != seen_.text) changed[count++] = TextId;
    if (maxLength != seen_.maxLength) changed[count++] = MaxLengthId;
    // What was seen is brought up to date before any sink hears of it: a
    // sink that calls the control back sees no change twice.
    seen_.changeBord = changeBord;
    seen_.maxLength = maxLength;
    if (text) seen_.text = std::move(*text);
    seenTextRevision_ = revision;
    if (count == 0) return hr::Ok;
    dirty_ = true;
    if (tell == Tell::Nobody) return hr::Ok;
    // The caller holds the object for the round (see Hold): a sink may
    // destroy the control's windows or let go of it, and the round goes on
    // over the sinks held here, telling only those still advised.
    const auto sinks = notifyPoint_->Sinks();
    for (int i = 0; i < count; ++i) {
      for (const auto& [cookie, sink] : sinks) {
        if (!notifyPoint_->Advised(cookie)) continue;
        Discard(static_cast<IPropertyNotifySink*>(sink.Get())->OnChanged(changed[i]),
                "a notification: the change stands whatever the sink answers");
      }
    }
    return hr::Ok;
  });
}

HRESULT Embedding::TakeValuesAsClean() {
  RETURN_IF_FAILED(TakeValues(Tell::Nobody));
  dirty_ = false;
  return S_OK;
}

void Embedding::ScheduleChangeCheck() {
  if (checkPosted_ || !surface_) return;
  checkPosted_ = PostMessageW(surface_, ChangeCheckMessage, 0, 0) != FALSE;
}

}  // namespace vexo::hosting
