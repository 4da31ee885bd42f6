// SPDX-License-Identifier: MIT
// A KeyBord on the in-memory toolkit, started up as a host creates it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>

#include "component/KeyBord.h"
#include "component/KeyBordProbe.h"
#include "widgets/memory/MemoryToolkit.h"

namespace vexo {
// Readable names of the focus-delivery modes in test names and messages.
inline void PrintTo(FocusDelivery delivery, std::ostream* out) {
  *out << (delivery == FocusDelivery::Sync ? "Sync" : "Deferred");
}
}  // namespace vexo

namespace vexo::testing {

struct Instance {
  explicit Instance(FocusDelivery delivery = FocusDelivery::Sync)
      : toolkit(delivery), keybord(toolkit), probe(keybord) {}

  MemoryToolkit toolkit;
  KeyBord keybord;
  KeyBordProbe probe;  // the state and routines behind the interface

  // Start-up then show, as a host places a new instance on a visible form.
  void StartAndShow() {
    ASSERT_EQ(toolkit.Initialize(), hr::Ok);
    ASSERT_EQ(toolkit.Show(), hr::Ok);
  }
  const std::u16string& Field() { return toolkit.Field().Content(); }
  std::int32_t Caret() { return toolkit.Field().SelStart(); }
  const KeyElement& Key(KeyArrayId array, std::int16_t index) {
    const KeyElement* key = toolkit.KeysOf(array).Element(index);
    EXPECT_NE(key, nullptr);
    return *key;
  }
  bool Marked(KeyArrayId array, std::int16_t index) { return toolkit.KeysOf(array).IsMarked(index); }
};

// An instance its host has already started and shown.
struct ShownInstance : Instance {
  explicit ShownInstance(FocusDelivery delivery = FocusDelivery::Sync) : Instance(delivery) { StartAndShow(); }
};

// Names the focus-delivery modes in parameterised test output.
inline std::string DeliveryName(const ::testing::TestParamInfo<FocusDelivery>& info) {
  return info.param == FocusDelivery::Sync ? "Sync" : "Deferred";
}

}  // namespace vexo::testing
