// SPDX-License-Identifier: MIT
// What the containers that activate a control in one call, and those that
// draw and hit-test without asking for the control's window, are given:
// IQuickActivate and IViewObjectEx.
#include "hosting/Embedding.h"

#include <cstddef>

#include "hosting/ConnectionPoints.h"

namespace vexo::hosting {

namespace {

// The control paints every pixel of its rectangle, on a plain face.
constexpr DWORD ViewStatus = VIEWSTATUS_OPAQUE | VIEWSTATUS_SOLIDBKGND;

// Containers built before the structures' last members give the shorter
// ones; the control reads and writes nothing beyond them.
constexpr ULONG ShortestContainer = offsetof(QACONTAINER, pOleControlSite);
constexpr ULONG ShortestControl = offsetof(QACONTROL, dwPointerActivationPolicy);

}  // namespace

// --- IQuickActivate

// What SetClientSite, the ambient UserMode, the two advises of the
// connection points, SetAdvise, GetMiscStatus and GetViewStatus give, in one
// call. The advises come first: a sink that is refused leaves the control as
// it was, and the container can take the long way.
HRESULT STDMETHODCALLTYPE Embedding::QuickActivate(QACONTAINER* container, QACONTROL* control) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!container || !control) return E_POINTER;
  if (container->cbSize < ShortestContainer || control->cbSize < ShortestControl) return E_INVALIDARG;
  control->dwMiscStatus = 0;
  control->dwViewStatus = 0;
  control->dwEventCookie = 0;
  control->dwPropNotifyCookie = 0;
  if (control->cbSize >= sizeof(QACONTROL)) control->dwPointerActivationPolicy = 0;
  const Hold hold = KeepAlive();
  return Guard([&]() -> HResult {
    DWORD events = 0;
    if (container->pUnkEventSink) RETURN_IF_FAILED(eventPoint_->Advise(container->pUnkEventSink, &events));
    DWORD notifications = 0;
    if (container->pPropertyNotifySink) {
      const HResult advised = notifyPoint_->Advise(container->pPropertyNotifySink, &notifications);
      if (FAILED(advised)) {
        if (events) Discard(eventPoint_->Unadvise(events), "the sink was advised a moment ago");
        return advised;
      }
    }
    TakeSite(container->pClientSite);
    // The container's ambients come in the structure: the site is not asked.
    SetDesignMode((container->dwAmbientFlags & QACONTAINER_USERMODE) == 0);
    if (container->pAdviseSink) Discard(SetAdvise(DVASPECT_CONTENT, 0, container->pAdviseSink), "it always succeeds");
    control->dwMiscStatus = MiscStatus;
    control->dwViewStatus = ViewStatus;
    control->dwEventCookie = events;
    control->dwPropNotifyCookie = notifications;
    return hr::Ok;
  });
}

HRESULT STDMETHODCALLTYPE Embedding::SetContentExtent(LPSIZEL size) {
  RETURN_IF_FAILED(OnOwnerThread());
  return SetExtent(DVASPECT_CONTENT, size);
}

HRESULT STDMETHODCALLTYPE Embedding::GetContentExtent(LPSIZEL size) {
  RETURN_IF_FAILED(OnOwnerThread());
  return GetExtent(DVASPECT_CONTENT, size);
}

// --- IViewObjectEx
//
// The control is drawn over the whole of the bounds a container gives (see
// Draw) and has no transparent part: a point on a key, between keys or on the
// field hits it alike, and one outside the bounds misses it.

HRESULT STDMETHODCALLTYPE Embedding::GetRect(DWORD aspect, LPRECTL rect) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!rect) return E_POINTER;
  *rect = RECTL{};
  SIZEL size{};
  RETURN_IF_FAILED(GetExtent(aspect, &size));
  *rect = RECTL{0, 0, size.cx, size.cy};
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Embedding::GetViewStatus(DWORD* status) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!status) return E_POINTER;
  *status = ViewStatus;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Embedding::QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT location, LONG,
                                                   DWORD* hit) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!hit) return E_POINTER;
  *hit = HITRESULT_OUTSIDE;
  if (!bounds) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (PtInRect(bounds, location)) *hit = HITRESULT_HIT;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Embedding::QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT location, LONG,
                                                  DWORD* hit) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!hit) return E_POINTER;
  *hit = HITRESULT_OUTSIDE;
  if (!bounds || !location) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  RECT common{};
  if (IntersectRect(&common, bounds, location)) *hit = HITRESULT_HIT;
  return S_OK;
}

// Whatever size or mode the container proposes, the control keeps its own.
HRESULT STDMETHODCALLTYPE Embedding::GetNaturalExtent(DWORD aspect, LONG, DVTARGETDEVICE*, HDC, DVEXTENTINFO*,
                                                      LPSIZEL size) {
  RETURN_IF_FAILED(OnOwnerThread());
  return GetExtent(aspect, size);
}

}  // namespace vexo::hosting
