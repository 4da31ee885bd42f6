// SPDX-License-Identifier: MIT
// The one guard at every boundary where a C++ exception must stop: toolkit
// notifications, window procedures, COM members and entry points.
#pragma once

#include <new>

#include "widgets/Status.h"

namespace vexo {

// Runs `body` and gives its status; an allocation that fails inside becomes
// the out-of-memory status, anything else thrown the unexpected-failure one.
template <typename Body>
HResult Guard(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return hr::OutOfMemory;
  } catch (...) {
    return hr::Unexpected;
  }
}

}  // namespace vexo
