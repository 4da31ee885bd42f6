// SPDX-License-Identifier: MIT
// The control's event source: its one connection point, for __KeyBord.
#pragma once

#include "hosting/Com.h"

#include <utility>
#include <vector>

namespace vexo::hosting {

// A connection point of the control: for __KeyBord, whose sinks hear its
// events through IDispatch::Invoke, or for IPropertyNotifySink, whose sinks
// hear of every change of a saved property. It is a part of the control with an identity of its own, as every
// connection point has, and lives as long as the control: its references are
// the control's.
class EventPoint final : public IConnectionPoint {
 public:
  // `control` is the object's one IUnknown, `container` its connection point
  // container; both outlive the point. `iid` is the interface of its sinks.
  EventPoint(IUnknown& control, IConnectionPointContainer& container, const IID& iid)
      : control_(control), container_(container), iid_(iid) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return control_.AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return control_.Release(); }

  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override;
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override;

  // The sinks as they stand, with their cookies, each held as the point's
  // interface: a round of notifications goes over this copy, since a sink
  // may advise, unadvise or let go of the control while it is being told.
  std::vector<std::pair<DWORD, ComPtr<IUnknown>>> Sinks() const { return sinks_; }
  // Whether the sink of `cookie` is still advised: one unadvised during a
  // round hears no more of it.
  bool Advised(DWORD cookie) const;

 private:
  IUnknown& control_;
  IConnectionPointContainer& container_;
  const IID iid_;
  std::vector<std::pair<DWORD, ComPtr<IUnknown>>> sinks_;
  DWORD lastCookie_ = 0;
  win32::OwnerThread owner_;  // the control's thread, which makes the point
};

}  // namespace vexo::hosting
