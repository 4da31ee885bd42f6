// The control's dirty state and the notifications of its property sinks.
#include "hosting/PropertyChanges.h"

#include "hosting/ConnectionPoints.h"
#include "hosting/Embedding.h"

#include <utility>

namespace vexo::hosting {

HRESULT Embedding::TakeValues(Tell tell) {
  return Guard([&]() -> HResult {
    if (!keybord_) return hr::Unexpected;
    SavedValues now;
    RETURN_IF_FAILED(Component().get_ChangeBord(now.changeBord));
    RETURN_IF_FAILED(Component().get_Text(now.text));
    RETURN_IF_FAILED(Component().get_MaxLength(now.maxLength));
    DISPID changed[3] = {};
    int count = 0;
    if (now.changeBord != seen_.changeBord) changed[count++] = ChangeBordId;
    if (now.text != seen_.text) changed[count++] = TextId;
    if (now.maxLength != seen_.maxLength) changed[count++] = MaxLengthId;
    if (count == 0) return hr::Ok;
    // What was seen is brought up to date before any sink hears of it: a
    // sink that calls the control back sees no change twice.
    seen_ = std::move(now);
    dirty_ = true;
    if (tell == Tell::Nobody) return hr::Ok;
    for (int i = 0; i < count; ++i) {
      for (const ComPtr<IUnknown>& sink : notifyPoint_->Sinks()) {
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
