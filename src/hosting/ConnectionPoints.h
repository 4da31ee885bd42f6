// The control's event source: its one connection point, for __KeyBord.
#pragma once

#include "hosting/Com.h"

#include <utility>
#include <vector>

namespace vexo::hosting {

// The connection point of __KeyBord. It is a part of the control with an
// identity of its own, as every connection point has, and lives as long as
// the control: its references are the control's. The component raises no
// events, so the sinks are held until they unadvise and never called.
class EventPoint final : public IConnectionPoint {
 public:
  // `control` is the object's one IUnknown, `container` its connection point
  // container; both outlive the point.
  EventPoint(IUnknown& control, IConnectionPointContainer& container) : control_(control), container_(container) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return control_.AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return control_.Release(); }

  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override;
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override;

 private:
  IUnknown& control_;
  IConnectionPointContainer& container_;
  std::vector<std::pair<DWORD, ComPtr<IUnknown>>> sinks_;
  DWORD lastCookie_ = 0;
};

}  // namespace vexo::hosting
