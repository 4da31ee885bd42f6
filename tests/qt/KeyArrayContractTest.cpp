// The key arrays' contract, the same suite the other toolkits pass, on Qt.
#include <QWidget>

#include "widgets/KeyArrayContract.h"
#include "widgets/qt/QtToolkit.h"

namespace vexo::testing {
namespace {

struct QtKeys {
  static constexpr bool WideExtent = true;

  KeyArray& Keys(KeyArrayId array) { return toolkit.Keys(array); }
  std::optional<KeyElement> Seen(KeyArrayId array, std::int32_t index) {
    return contract::SeenIn(toolkit.PanelOf(static_cast<PanelId>(array)).Keys(), index);
  }
  std::int32_t Extent(KeyArrayId array) { return toolkit.PanelOf(static_cast<PanelId>(array)).Keys().Extent(); }

  QWidget surface;
  qt::QtToolkit toolkit{surface};
};

}  // namespace
}  // namespace vexo::testing

namespace vexo::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, KeyArrayContract, ::testing::Types<testing::QtKeys>);
}  // namespace vexo::contract
