// SPDX-License-Identifier: MIT
// No exception leaves the component: what a notification handler or a host
// call throws stops at the toolkit's boundary as a status, and the control
// goes on working. Allocation failure is injected into every allocation of
// the process in turn, so each place where the core builds a string fails
// once.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <new>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/Fixture.h"
#include "support/QuietEvents.h"

namespace {

// Allocations left before the one that fails; negative while none is to fail.
long allocationsBeforeFailure = -1;

}  // namespace

// Every allocation of this test program passes here.
void* operator new(std::size_t size) {
  if (allocationsBeforeFailure >= 0 && allocationsBeforeFailure-- == 0) {
    throw std::bad_alloc();
  }
  if (void* memory = std::malloc(size == 0 ? 1 : size)) {
    return memory;
  }
  throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace vexo::testing {
namespace {

// Runs `action` with the allocation `after` allocations from now failing; the
// counter is left negative when that allocation was reached.
HResult WithFailingAllocation(long after, const std::function<HResult()>& action) {
  allocationsBeforeFailure = after;
  return action();
}

// One kind of boundary: what the host or the user does there.
struct BoundaryCase {
  const char* name;
  std::function<HResult(Instance&)> act;
};

void PrintTo(const BoundaryCase& row, std::ostream* out) { *out << row.name; }

class AllocationFailure : public ::testing::TestWithParam<BoundaryCase> {};

// Each allocation of the action fails in turn, until the action needs no more
// than were allowed. Every failure gives the out-of-memory status; the field
// then holds what it held before or what the action writes, and the next
// click types its key.
TEST_P(AllocationFailure, GivesOutOfMemoryAndLeavesAWorkingControl) {
  // A text past any short-string buffer, so that each edit allocates.
  const auto prepare = [](Instance& instance) {
    instance.StartAndShow();
    ASSERT_EQ(instance.toolkit.HostCall([&] { return instance.keybord.put_Text(u"typed before the failure"); }),
              hr::Ok);
    ASSERT_EQ(instance.toolkit.Click(KeyArrayId::cmdKey, 3), hr::Ok);
    // Typing a short caption allocates nothing; these two keys carry captions
    // past the short-string buffer, so that reading them does.
    for (const auto& [array, index] : {std::pair{KeyArrayId::cmdNumber, 7}, std::pair{KeyArrayId::cmdKey, 3}}) {
      ASSERT_EQ(instance.toolkit.Keys(array).PutCaption(static_cast<std::int16_t>(index), u"a caption past the buffer"),
                hr::Ok);
    }
  };
  Instance reference;
  prepare(reference);
  const std::u16string before = reference.Field();
  ASSERT_EQ(GetParam().act(reference), hr::Ok);
  const std::u16string after = reference.Field();
  ASSERT_EQ(reference.toolkit.Click(KeyArrayId::cmdKey, 5), hr::Ok);
  const char16_t typed = reference.Field().at(reference.Caret() - 1);

  int failures = 0;
  for (long allowed = 0;; ++allowed) {
    SCOPED_TRACE("allocation " + std::to_string(allowed) + " fails");
    Instance instance;
    prepare(instance);
    const HResult status = WithFailingAllocation(allowed, [&] { return GetParam().act(instance); });
    if (allocationsBeforeFailure >= 0) {
      // The action needed no more than were allowed: nothing failed.
      ASSERT_EQ(status, hr::Ok);
      EXPECT_EQ(instance.Field(), after);
      allocationsBeforeFailure = -1;
      break;
    }
    ++failures;
    // A focus handler's failure has no caller, so the action itself may
    // still succeed; any other failure is out of memory.
    ASSERT_TRUE(status == hr::OutOfMemory || status == hr::Ok) << std::hex << status;
    const std::u16string field = instance.Field();
    ASSERT_TRUE(field == before || field == after) << "the field holds " << field.size() << " characters";
    ASSERT_EQ(instance.toolkit.Click(KeyArrayId::cmdKey, 5), hr::Ok);
    const std::size_t caret = instance.Caret();
    ASSERT_GT(caret, 0u);
    EXPECT_EQ(instance.Field(), field.substr(0, caret - 1) + typed + field.substr(caret - 1));
    ASSERT_LT(allowed, 100'000) << "the action never got through";
  }
  EXPECT_GT(failures, 0) << "the action allocates nothing, so nothing was injected";
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, AllocationFailure,
    ::testing::Values(
        BoundaryCase{"Click", [](Instance& i) { return i.toolkit.Click(KeyArrayId::cmdNumber, 7); }},
        BoundaryCase{"KeyDown",
                     [](Instance& i) {
                       std::int16_t keyCode = 'T';  // its lookup reads cmdKey 3 on the way
                       std::int16_t shift = 0;
                       return i.toolkit.KeyDown(PanelId::picABC, keyCode, shift);
                     }},
        BoundaryCase{"HostCall",
                     [](Instance& i) {
                       return i.toolkit.HostCall([&] { return i.keybord.put_Text(u"a text put by the host"); });
                     }}),
    [](const auto& info) { return std::string(info.param.name); });

// A handler that throws, as a stand-in for any routine of the core that does.
class Thrower final : public QuietEvents {
 public:
  std::function<void()> onClick = [] {};
  std::vector<std::string> focus;

  HResult OnClick(KeyArrayId, std::int16_t) override {
    onClick();
    return hr::Ok;
  }
  HResult OnGotFocus(PanelId) override {
    focus.push_back("got");
    throw std::bad_alloc();
  }
  HResult OnLostFocus(PanelId) override {
    focus.push_back("lost");
    throw std::runtime_error("lost");
  }
  HResult OnKeyDown(PanelId, std::int16_t&, std::int16_t&) override { throw std::logic_error("key"); }
};

TEST(Boundary, WhatAHandlerThrowsBecomesItsStatus) {
  MemoryToolkit toolkit(FocusDelivery::Deferred);
  Thrower thrower;
  toolkit.Connect(thrower);
  thrower.onClick = [] { throw std::bad_alloc(); };
  EXPECT_EQ(toolkit.Click(KeyArrayId::cmdKey, 0), hr::OutOfMemory);
  thrower.onClick = [] { throw std::out_of_range("index"); };
  EXPECT_EQ(toolkit.Click(KeyArrayId::cmdKey, 0), hr::Unexpected);
  std::int16_t keyCode = 65;
  std::int16_t shift = 0;
  EXPECT_EQ(toolkit.KeyDown(PanelId::picABC, keyCode, shift), hr::Unexpected);
  EXPECT_EQ(toolkit.HostCall([]() -> HResult { throw std::bad_alloc(); }), hr::OutOfMemory);

  // The toolkit is still outside every notification: focus moves that a host
  // call makes arrive when it returns, and a focus handler that throws stops
  // neither the call nor the notification after it.
  thrower.onClick = [&] {
    Discard(toolkit.Pane(PanelId::picABC).SetFocus(), "moved again below");
    Discard(toolkit.Pane(PanelId::picShift).SetFocus(), "the focus notifications are what is watched");
  };
  EXPECT_EQ(toolkit.Click(KeyArrayId::cmdKey, 0), hr::Ok);
  EXPECT_EQ(thrower.focus, (std::vector<std::string>{"got", "lost", "got"}));
  EXPECT_EQ(toolkit.Focused(), PanelId::picShift);
}

}  // namespace
}  // namespace vexo::testing
