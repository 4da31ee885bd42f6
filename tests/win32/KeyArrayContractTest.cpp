// SPDX-License-Identifier: MIT
// The key arrays' and the panels' contracts, the same suites the other
// toolkits pass, on the toolkit of real windows.
#include "Support.h"

#include "widgets/KeyArrayContract.h"
#include "widgets/PanelContract.h"

namespace vexo::win32::testing {
namespace {

class Win32Keys {
 public:
  Win32Keys() { EXPECT_TRUE(host.toolkit); }

  // The panel's own labels, which it paints and hit-tests.
  auto& Labels(KeyArrayId array) { return host.toolkit->PanelOf(static_cast<PanelId>(array)).Keys(); }

  KeyArray& Keys(KeyArrayId array) { return host.toolkit->Keys(array); }

  std::optional<KeyElement> Seen(KeyArrayId array, std::int32_t index) {
    return contract::SeenIn(Labels(array), index);
  }

  std::int32_t Extent(KeyArrayId array) { return Labels(array).Extent(); }

 private:
  Host host;
};

// The notifications of a focus move arrive inside SetFocus.
class Win32Panels {
 public:
  Win32Panels() {
    EXPECT_TRUE(host.toolkit);
    host.toolkit->Connect(log);
    host.ShowFrame();
    log.notices.clear();
  }
  Panel& PanelOf(PanelId panel) { return host.toolkit->PanelOf(panel); }
  HResult Focus(PanelId panel) { return PanelOf(panel).SetFocus(); }
  bool Settled(std::size_t count) const { return log.notices.size() == count; }

  contract::FocusLog log;

 private:
  Host host;
};

}  // namespace
}  // namespace vexo::win32::testing

namespace vexo::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, KeyArrayContract, ::testing::Types<win32::testing::Win32Keys>);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, PanelContract, ::testing::Types<win32::testing::Win32Panels>);
}  // namespace vexo::contract
