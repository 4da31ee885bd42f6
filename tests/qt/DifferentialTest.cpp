// SPDX-License-Identifier: MIT
// The same random sequences of user and host actions on the in-memory
// toolkit and on the Qt toolkit: every status and everything visible agrees
// after every step, with the in-memory toolkit delivering focus changes
// during SetFocus and after the handler alike.
#include <gtest/gtest.h>

#include <tuple>

#include "Twin.h"

namespace vexo::testing::twin {
namespace {

class Differential : public ::testing::TestWithParam<std::tuple<std::uint64_t, bool>> {};

TEST_P(Differential, QtAgreesWithMemoryAfterEveryStep) {
  const auto [seed, deferred] = GetParam();
  std::unique_ptr<Runner> memory = MakeMemoryRunner(deferred);
  std::unique_ptr<Runner> qt = MakeQtRunner();
  ASSERT_EQ(memory->Start(), hr::Ok);
  ASSERT_EQ(qt->Start(), hr::Ok);
  ASSERT_EQ(qt->Snapshot().Diff(memory->Snapshot()), "") << "after start-up and show";

  const std::vector<Operation> operations = Generate(seed, 3000);
  int keysDelivered = 0;
  for (std::size_t step = 0; step < operations.size(); ++step) {
    const Operation& op = operations[step];
    const std::optional<HResult> memoryStatus = memory->Apply(op);
    const std::optional<HResult> qtStatus = qt->Apply(op);
    ASSERT_EQ(memoryStatus.has_value(), qtStatus.has_value()) << "step " << step << ": " << op.Describe();
    if (memoryStatus && op.kind == Kind::Key) {
      ++keysDelivered;
    }
    if (memoryStatus) {
      ASSERT_EQ(static_cast<std::int32_t>(*qtStatus), static_cast<std::int32_t>(*memoryStatus))
          << "step " << step << ": " << op.Describe();
    }
    ASSERT_EQ(qt->Snapshot().Diff(memory->Snapshot()), "") << "step " << step << ": " << op.Describe();
  }
  // Most key presses found a focused panel: the run typed, not only watched.
  EXPECT_GT(keysDelivered, 800);
}

INSTANTIATE_TEST_SUITE_P(Seeds, Differential,
                         ::testing::Combine(::testing::Range<std::uint64_t>(1, 5), ::testing::Bool()),
                         [](const auto& info) {
                           return "Seed" + std::to_string(std::get<0>(info.param)) +
                                  (std::get<1>(info.param) ? "_Deferred" : "_Sync");
                         });

}  // namespace
}  // namespace vexo::testing::twin
