// SPDX-License-Identifier: MIT
// The connection points of __KeyBord and IPropertyNotifySink, the enumerators over points and
// connections, and the control's connection point container.
#include "hosting/ConnectionPoints.h"

#include <algorithm>

#include "hosting/Embedding.h"

namespace vexo::hosting {

namespace {

// An enumerator over a fixed list of interface pointers or connections,
// holding what it hands out.
template <typename Enumerator, typename Item, const IID& Iid>
class ListEnumerator final : public SingleInterface<ListEnumerator<Enumerator, Item, Iid>, Enumerator, Iid> {
 public:
  ListEnumerator(std::vector<Item> items, std::size_t position) : items_(std::move(items)), position_(position) {
    for (Item& item : items_) AddItem(item);
  }
  ~ListEnumerator() {
    for (Item& item : items_) ReleaseItem(item);
  }

  HRESULT STDMETHODCALLTYPE Next(ULONG count, Item* items, ULONG* fetched) override {
    RETURN_IF_FAILED(this->OnOwnerThread());
    if (!items || (count > 1 && !fetched)) return E_POINTER;
    ULONG given = 0;
    while (given < count && position_ < items_.size()) {
      items[given] = items_[position_++];
      AddItem(items[given]);
      ++given;
    }
    if (fetched) *fetched = given;
    return given == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    RETURN_IF_FAILED(this->OnOwnerThread());
    return SkipWithin(position_, items_.size(), count);
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    RETURN_IF_FAILED(this->OnOwnerThread());
    position_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(Enumerator** clone) override {
    RETURN_IF_FAILED(this->OnOwnerThread());
    return CloneWith(clone, [&] { return new ListEnumerator(items_, position_); });
  }

 private:
  static void AddItem(IConnectionPoint* point) { point->AddRef(); }
  static void ReleaseItem(IConnectionPoint* point) { point->Release(); }
  static void AddItem(CONNECTDATA& data) { data.pUnk->AddRef(); }
  static void ReleaseItem(CONNECTDATA& data) { data.pUnk->Release(); }

  std::vector<Item> items_;
  std::size_t position_;
};

using PointEnumerator = ListEnumerator<IEnumConnectionPoints, IConnectionPoint*, IID_IEnumConnectionPoints>;
using ConnectionEnumerator = ListEnumerator<IEnumConnections, CONNECTDATA, IID_IEnumConnections>;

}  // namespace

// --- EventPoint

HRESULT STDMETHODCALLTYPE EventPoint::QueryInterface(REFIID iid, void** object) {
  return QueryOne<IConnectionPoint>(this, IID_IConnectionPoint, iid, object);
}

HRESULT STDMETHODCALLTYPE EventPoint::GetConnectionInterface(IID* iid) {
  RETURN_IF_FAILED(owner_.Check());
  if (!iid) return E_POINTER;
  *iid = iid_;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE EventPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
  RETURN_IF_FAILED(owner_.Check());
  if (!container) return E_POINTER;
  *container = &container_;
  (*container)->AddRef();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE EventPoint::Advise(IUnknown* sink, DWORD* cookie) {
  RETURN_IF_FAILED(owner_.Check());
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!sink) return E_POINTER;
  // The sink must speak the point's interface; for the event interface,
  // plain IDispatch will do, as scripting hosts' sinks speak it.
  ComPtr<IUnknown> events;
  if (FAILED(QueryFor(sink, iid_, events)) &&
      (iid_ != DIID___KeyBord || FAILED(QueryFor(sink, IID_IDispatch, events)))) {
    return CONNECT_E_CANNOTCONNECT;
  }
  return Guard([&]() -> HResult {
    sinks_.emplace_back(++lastCookie_, std::move(events));
    *cookie = lastCookie_;
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE EventPoint::Unadvise(DWORD cookie) {
  RETURN_IF_FAILED(owner_.Check());
  const auto found = std::find_if(sinks_.begin(), sinks_.end(), [&](const auto& s) { return s.first == cookie; });
  if (found == sinks_.end()) return CONNECT_E_NOCONNECTION;
  const ComPtr<IUnknown> sink = std::move(found->second);  // released after the list is consistent
  sinks_.erase(found);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE EventPoint::EnumConnections(IEnumConnections** connections) {
  RETURN_IF_FAILED(owner_.Check());
  if (!connections) return E_POINTER;
  *connections = nullptr;
  return Guard([&]() -> HResult {
    std::vector<CONNECTDATA> list;
    for (const auto& [cookie, sink] : sinks_) list.push_back(CONNECTDATA{sink.Get(), cookie});
    *connections = new ConnectionEnumerator(std::move(list), 0);
    return S_OK;
  });
}

bool EventPoint::Advised(DWORD cookie) const {
  return std::any_of(sinks_.begin(), sinks_.end(), [&](const auto& s) { return s.first == cookie; });
}

// --- The container: IConnectionPointContainer of the control

HRESULT STDMETHODCALLTYPE Embedding::EnumConnectionPoints(IEnumConnectionPoints** points) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!points) return E_POINTER;
  *points = nullptr;
  return Guard([&]() -> HResult {
    *points = new PointEnumerator({eventPoint_.get(), notifyPoint_.get()}, 0);
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE Embedding::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!point) return E_POINTER;
  *point = nullptr;
  if (iid == DIID___KeyBord) {
    *point = eventPoint_.get();
  } else if (iid == IID_IPropertyNotifySink) {
    *point = notifyPoint_.get();
  } else {
    return CONNECT_E_NOCONNECTION;
  }
  (*point)->AddRef();
  return S_OK;
}

}  // namespace vexo::hosting
