// SPDX-License-Identifier: MIT
// The Windows harness in a test program: a wait that runs out fails the
// running test, naming what it waited for.
#pragma once

#include <gtest/gtest.h>

#include "windows/Harness.h"

namespace vexo::harness {

inline void FailTheTest(const std::string& what, double waitedMs) {
  ADD_FAILURE() << "timed out after " << static_cast<int>(waitedMs) << " ms waiting for " << what;
}

// Installed before main runs, in every program that includes this header.
inline const bool timeoutsFailTheTest = (OnTimeout() = FailTheTest, true);

}  // namespace vexo::harness
