// SPDX-License-Identifier: MIT
// Long random sequences of everything users and hosts can do, in both focus
// delivery modes, with the invariants checked after every step.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>

#include "input/OperationDriver.h"
#include "support/Fixture.h"

namespace vexo::testing {
namespace {

class SeededChoices final : public Choices {
 public:
  explicit SeededChoices(std::uint64_t seed) : engine_(seed) {}
  bool Exhausted() override { return false; }
  std::int64_t Between(std::int64_t low, std::int64_t high) override {
    return std::uniform_int_distribution<std::int64_t>(low, high)(engine_);
  }

 private:
  std::mt19937_64 engine_;
};

class RandomSequence : public ::testing::TestWithParam<std::tuple<std::uint64_t, FocusDelivery>> {};

TEST_P(RandomSequence, KeepsEveryInvariant) {
  const auto [seed, delivery] = GetParam();
  SeededChoices choices(seed);
  OperationDriver driver(delivery);
  const std::string broken = driver.Run(choices, 15000);
  EXPECT_EQ(broken, "") << "seed " << seed;
  EXPECT_EQ(driver.Steps(), 15000);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomSequence,
                         ::testing::Combine(::testing::Range<std::uint64_t>(1, 9),
                                            ::testing::Values(FocusDelivery::Sync, FocusDelivery::Deferred)),
                         [](const auto& info) {
                           return "Seed" + std::to_string(std::get<0>(info.param)) +
                                  (std::get<1>(info.param) == FocusDelivery::Sync ? "_Sync" : "_Deferred");
                         });

}  // namespace
}  // namespace vexo::testing
