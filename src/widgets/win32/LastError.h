// SPDX-License-Identifier: MIT
// The calling thread's last system error as a status, for the Windows code of
// the toolkit and the library alike.
#pragma once

#include <windows.h>

#include "widgets/Status.h"

namespace vexo::win32 {

// A call that failed without leaving an error code still reports a failure.
inline HResult LastError() {
  const DWORD error = GetLastError();
  return error == 0 ? hr::Fail : HResult(HRESULT_FROM_WIN32(error));
}

}  // namespace vexo::win32
