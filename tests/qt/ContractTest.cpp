// SPDX-License-Identifier: MIT
// The key arrays' and the panels' contracts, the same suites the other
// toolkits pass, on Qt. The panels stand in an active window, where Qt
// delivers a focus change inside setFocus.
#include "Support.h"
#include "widgets/KeyArrayContract.h"
#include "widgets/PanelContract.h"

namespace vexo::testing {
namespace {

struct QtKeys {
  KeyArray& Keys(KeyArrayId array) { return toolkit.Keys(array); }
  std::optional<KeyElement> Seen(KeyArrayId array, std::int32_t index) {
    return contract::SeenIn(toolkit.PanelOf(static_cast<PanelId>(array)).Keys(), index);
  }
  std::int32_t Extent(KeyArrayId array) { return toolkit.PanelOf(static_cast<PanelId>(array)).Keys().Extent(); }

  QWidget surface;
  qt::QtToolkit toolkit{surface};
};

struct QtPanels {
  QtPanels() {
    toolkit.Connect(log);
    surface.show();
    Activate(surface);
  }
  Panel& PanelOf(PanelId panel) { return toolkit.Pane(panel); }
  HResult Focus(PanelId panel) { return toolkit.Pane(panel).SetFocus(); }
  bool Settled(std::size_t count) {
    QCoreApplication::processEvents();
    return WaitFor([&] { return log.notices.size() >= count; }, "the focus notifications") &&
           log.notices.size() == count;
  }

  QWidget surface;
  qt::QtToolkit toolkit{surface};
  contract::FocusLog log;
};

}  // namespace
}  // namespace vexo::testing

namespace vexo::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, KeyArrayContract, ::testing::Types<testing::QtKeys>);
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, PanelContract, ::testing::Types<testing::QtPanels>);
}  // namespace vexo::contract
