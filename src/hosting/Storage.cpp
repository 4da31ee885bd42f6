// SPDX-License-Identifier: MIT
// The control in a compound document: its properties as the stream record of
// SavedProperties.h, in a stream of the storage the container gives it.
//
// The control reads everything at a load and writes everything at a save, so
// it keeps no storage between calls; it follows the container's steps all the
// same, since a container that took the storage back (HandsOffStorage) may
// have closed it: until SaveCompleted no call touches a storage.
#include "hosting/Embedding.h"

#include <utility>

namespace vexo::hosting {

namespace {

constexpr wchar_t ContentsStream[] = L"Contents";

}  // namespace

HRESULT STDMETHODCALLTYPE Embedding::InitNew(IStorage* storage) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!storage) return E_POINTER;
  if (storageState_ != StorageState::None) return CO_E_ALREADYINITIALIZED;
  RETURN_IF_FAILED(InitNew());
  storageState_ = StorageState::Normal;
  return S_OK;
}

// A storage without the stream, or with a record that is not one, fails as
// the storage or the stream load says, and the control stays as it was.
HRESULT STDMETHODCALLTYPE Embedding::Load(IStorage* storage) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!storage) return E_POINTER;
  if (storageState_ != StorageState::None) return CO_E_ALREADYINITIALIZED;
  const Hold hold = KeepAlive();
  ComPtr<IStream> stream;
  RETURN_IF_FAILED(Answered(storage->OpenStream(ContentsStream, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream),
                            stream, E_POINTER));
  RETURN_IF_FAILED(Load(stream.Get()));
  storageState_ = StorageState::Normal;
  return S_OK;
}

// The dirty state stays until the container completes the save: a save into
// the storage loaded from, or one followed by the storage that replaces it,
// then makes the control clean if it still holds what was written.
HRESULT STDMETHODCALLTYPE Embedding::Save(IStorage* storage, BOOL sameAsLoad) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (!storage) return E_POINTER;
  if (storageState_ == StorageState::HandsOff) return E_UNEXPECTED;
  const Hold hold = KeepAlive();
  return Guard([&]() -> HResult {
    ComPtr<IStream> stream;
    RETURN_IF_FAILED(Answered(storage->CreateStream(ContentsStream, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE,
                                                    0, 0, &stream),
                              stream, E_POINTER));
    std::optional<SavedValues> written;
    RETURN_IF_FAILED(SaveStream(stream.Get(), FALSE, &written));
    awaitingCompletion_ = std::move(written);
    clearOnCompletion_ = sameAsLoad != FALSE;
    storageState_ = StorageState::NoScribble;
    return hr::Ok;
  });
}

HRESULT STDMETHODCALLTYPE Embedding::SaveCompleted(IStorage* storage) {
  RETURN_IF_FAILED(OnOwnerThread());
  if (storageState_ != StorageState::NoScribble && storageState_ != StorageState::HandsOff) return E_UNEXPECTED;
  // Taken back, the storage must be given again.
  if (storageState_ == StorageState::HandsOff && !storage) return E_INVALIDARG;
  const Hold hold = KeepAlive();
  storageState_ = StorageState::Normal;
  const std::optional<SavedValues> written = std::exchange(awaitingCompletion_, std::nullopt);
  if (!clearOnCompletion_ && !storage) return S_OK;
  return Guard([&] { return Saved(written, TRUE); });
}

HRESULT STDMETHODCALLTYPE Embedding::HandsOffStorage() {
  RETURN_IF_FAILED(OnOwnerThread());
  if (storageState_ == StorageState::None || storageState_ == StorageState::HandsOff) return E_UNEXPECTED;
  storageState_ = StorageState::HandsOff;
  return S_OK;
}

}  // namespace vexo::hosting
