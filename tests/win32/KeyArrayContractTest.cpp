// The key arrays' contract, the same suite the in-memory toolkit passes, on
// the toolkit of real windows.
#include "Support.h"

#include <type_traits>
#include <utility>

#include "widgets/KeyArrayContract.h"

namespace vexo::win32::testing {
namespace {

class Win32Keys {
 public:
  // Whether the panel's extent, which its paint and hit test walk, can say
  // 32768; until it can, the highest index's extent goes unchecked here.
  static constexpr bool WideExtent =
      sizeof(decltype(std::declval<Win32Toolkit&>().PanelOf(PanelId::picABC).Keys().Extent())) >= 4;

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

}  // namespace
}  // namespace vexo::win32::testing

namespace vexo::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, KeyArrayContract, ::testing::Types<win32::testing::Win32Keys>);
}  // namespace vexo::contract
