// SPDX-License-Identifier: MIT
// The one check that every public entry of the component's COM objects makes
// first. The objects are apartment-threaded: a caller on another thread that
// skipped marshalling would run them alongside their owner, whose windows and
// state are not made for that, so such a call is refused and changes nothing.
// IUnknown's members stay callable from any thread, as COM requires.
#pragma once

#include <windows.h>

namespace vexo::win32 {

class OwnerThread {
 public:
  // The thread that makes the object owns it.
  OwnerThread() : id_(GetCurrentThreadId()) {}

  // S_OK on the owner's thread, where marshalled calls arrive too;
  // RPC_E_WRONG_THREAD on any other.
  HRESULT Check() const { return GetCurrentThreadId() == id_ ? S_OK : RPC_E_WRONG_THREAD; }

 private:
  DWORD id_;
};

}  // namespace vexo::win32
