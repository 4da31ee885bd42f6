// SPDX-License-Identifier: MIT
// Coverage-guided fuzzing of KeyBord over everything users and hosts can do:
// the fuzzer's input chooses the operations of the random-sequence test, in
// one of the two focus-delivery modes, and every invariant is checked after
// every step. A broken invariant aborts with the steps that led to it.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "input/OperationDriver.h"

namespace {

class FuzzedChoices final : public vexo::testing::Choices {
 public:
  FuzzedChoices(const std::uint8_t* data, std::size_t size) : provider_(data, size) {}
  bool Exhausted() override { return provider_.remaining_bytes() == 0; }
  std::int64_t Between(std::int64_t low, std::int64_t high) override {
    return provider_.ConsumeIntegralInRange<std::int64_t>(low, high);
  }

 private:
  FuzzedDataProvider provider_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedChoices choices(data, size);
  const auto delivery = choices.Between(0, 1) == 0 ? vexo::FocusDelivery::Sync : vexo::FocusDelivery::Deferred;
  vexo::testing::OperationDriver driver(delivery);
  const std::string broken = driver.Run(choices, 2000);
  if (!broken.empty()) {
    std::fprintf(stderr, "%s\n", broken.c_str());
    std::abort();
  }
  return 0;
}
