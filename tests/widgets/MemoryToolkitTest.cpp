// SPDX-License-Identifier: MIT
// The in-memory toolkit behaves as the widgets it stands for: key arrays,
// exact positions, the rich-text box, focus notifications, the property bag.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "widgets/KeyArrayContract.h"
#include "widgets/RichTextBoxContract.h"
#include "widgets/PanelContract.h"
#include "widgets/memory/MemoryToolkit.h"

namespace vexo {
namespace {

// Records the notifications it receives.
class Recorder final : public WidgetEvents {
 public:
  std::vector<std::string> log;

  HResult OnInitialize() override { return Note("Initialize"); }
  HResult OnReadProperties(PropertyBag&) override { return Note("ReadProperties"); }
  HResult OnWriteProperties(PropertyBag&) override { return Note("WriteProperties"); }
  HResult OnResize() override { return Note("Resize"); }
  HResult OnShow() override { return Note("Show"); }
  HResult OnSurfaceGotFocus() override { return Note("SurfaceGotFocus"); }
  HResult OnClick(KeyArrayId, std::int16_t index) override { return Note("Click " + std::to_string(index)); }
  HResult OnGotFocus(PanelId panel) override { return Focus("GotFocus ", panel); }
  HResult OnLostFocus(PanelId panel) override { return Focus("LostFocus ", panel); }
  HResult OnKeyDown(PanelId, std::int16_t&, std::int16_t&) override { return Note("KeyDown"); }
  HResult OnFieldEdit(FieldEdit, std::u16string_view) override { return Note("FieldEdit"); }

 private:
  HResult Note(std::string entry) {
    log.push_back(std::move(entry));
    return hr::Ok;
  }
  HResult Focus(const char* what, PanelId panel) {
    constexpr const char* names[] = {"picABC", "picNumber", "picShift"};
    // A failing handler must not disturb the toolkit.
    return Failed(Note(what + std::string(names[static_cast<int>(panel)]))) ? hr::Ok : hr::Fail;
  }
};

// --- Key arrays: the contract every toolkit keeps, on this one.

struct MemoryKeys {
  KeyArray& Keys(KeyArrayId array) { return toolkit.Keys(array); }
  std::optional<KeyElement> Seen(KeyArrayId array, std::int32_t index) {
    return contract::SeenIn(toolkit.KeysOf(array), index);
  }
  std::int32_t Extent(KeyArrayId array) { return toolkit.KeysOf(array).Extent(); }

  MemoryToolkit toolkit;
};

struct MemoryField {
  static constexpr HResult TooLong = hr::Overflow;
  RichTextBox& Field() { return toolkit.Text1(); }
  MemoryToolkit toolkit;
};

// --- Panels: the contract every toolkit keeps, with either focus delivery.

template <FocusDelivery Delivery>
struct MemoryPanels {
  MemoryPanels() { toolkit.Connect(log); }
  Panel& PanelOf(PanelId panel) { return toolkit.Pane(panel); }
  HResult Focus(PanelId panel) {
    return toolkit.HostCall([&] { return toolkit.Pane(panel).SetFocus(); });
  }
  bool Settled(std::size_t count) const { return log.notices.size() == count; }

  MemoryToolkit toolkit{Delivery};
  contract::FocusLog log;
};

}  // namespace
namespace contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Memory, KeyArrayContract, ::testing::Types<MemoryKeys>);
INSTANTIATE_TYPED_TEST_SUITE_P(Memory, RichTextBoxContract, ::testing::Types<MemoryField>);
using MemoryDeliveries = ::testing::Types<MemoryPanels<FocusDelivery::Sync>, MemoryPanels<FocusDelivery::Deferred>>;
INSTANTIATE_TYPED_TEST_SUITE_P(Memory, PanelContract, MemoryDeliveries);
}  // namespace contract
namespace {

// Colours stay empty until set: a saved look tells "never coloured" apart.
TEST(KeyArray, ColoursAreEmptyUntilSet) {
  MemoryToolkit toolkit;
  ASSERT_EQ(toolkit.Keys(KeyArrayId::cmdNumber).Load(1), hr::Ok);
  const KeyElement& loaded = *toolkit.KeysOf(KeyArrayId::cmdNumber).Element(1);
  EXPECT_EQ(loaded.foreColor, std::nullopt);
  EXPECT_EQ(loaded.backColor, std::nullopt);
}

// A click reaches only an element that exists.
TEST(KeyArray, AClickOnAMissingElementRaisesNothing) {
  MemoryToolkit toolkit;
  Recorder recorder;
  toolkit.Connect(recorder);
  ASSERT_EQ(toolkit.Keys(KeyArrayId::cmdShift).Load(1), hr::Ok);
  EXPECT_EQ(toolkit.Click(KeyArrayId::cmdShift, 2), hr::ElementMissing);
  EXPECT_EQ(toolkit.Click(KeyArrayId::cmdShift, -1), hr::ElementMissing);
  EXPECT_TRUE(recorder.log.empty());
  EXPECT_EQ(toolkit.Click(KeyArrayId::cmdShift, 1), hr::Ok);
  EXPECT_EQ(recorder.log, std::vector<std::string>{"Click 1"});
}

// Positions of the surface and the field are single-precision twips, read
// back bit for bit (the panels' are the panel contract's).
TEST(Geometry, FloatsReadBackExactly) {
  MemoryToolkit toolkit;
  Surface& surface = toolkit.UserControl();
  for (const float value : {374.5f, 0.1f, 1e-3f, 12345.678f, -20.25f, 16777217.0f}) {
    SCOPED_TRACE(value);
    float read = 0;
    ASSERT_EQ(surface.PutWidth(value), hr::Ok);
    ASSERT_EQ(surface.GetWidth(read), hr::Ok);
    EXPECT_EQ(read, value);
    ASSERT_EQ(toolkit.Text1().PutTop(value), hr::Ok);
    ASSERT_EQ(toolkit.Text1().GetTop(read), hr::Ok);
    EXPECT_EQ(read, value);
  }
}

// --- The rich-text box, beyond the contract: the user's own selection.

TEST(Field, TheUserSelectsWithinTheTextOnly) {
  MemoryToolkit toolkit;
  MemoryRichTextBox& field = toolkit.Field();
  ASSERT_EQ(field.PutText(u"abcdef"), hr::Ok);
  ASSERT_EQ(field.Select(2, 3), hr::Ok);
  EXPECT_EQ(field.Select(5, 2), hr::InvalidPropertyValue);
  EXPECT_EQ(field.Select(-1, 0), hr::InvalidPropertyValue);
  EXPECT_EQ(field.SelStart(), 2);
  EXPECT_EQ(field.SelLength(), 3);
}

// --- Focus.

class FocusOrder : public ::testing::TestWithParam<FocusDelivery> {};

// The notifications arrive during the call or after it; the end state is the
// same whichever way they are delivered (their order is the panel contract's).
TEST_P(FocusOrder, DeliveredDuringOrAfterTheCallWithTheSameEndState) {
  MemoryToolkit toolkit(GetParam());
  Recorder recorder;
  toolkit.Connect(recorder);
  std::size_t loggedDuringCall = 0;
  EXPECT_EQ(toolkit.HostCall([&] {
    EXPECT_EQ(toolkit.Pane(PanelId::picABC).SetFocus(), hr::Ok);
    EXPECT_EQ(toolkit.Pane(PanelId::picShift).SetFocus(), hr::Ok);
    loggedDuringCall = recorder.log.size();
    return hr::Ok;
  }), hr::Ok);
  EXPECT_EQ(loggedDuringCall, GetParam() == FocusDelivery::Sync ? 3u : 0u);
  EXPECT_EQ(toolkit.Focused(), PanelId::picShift);

  recorder.log.clear();
  toolkit.Blur();
  EXPECT_EQ(recorder.log, (std::vector<std::string>{"LostFocus picShift"}));
  EXPECT_EQ(toolkit.Focused(), std::nullopt);
}

TEST_P(FocusOrder, InjectedFailureMovesNothingUntilCleared) {
  MemoryToolkit toolkit(GetParam());
  Recorder recorder;
  toolkit.Connect(recorder);
  ASSERT_EQ(toolkit.HostCall([&] { return toolkit.Pane(PanelId::picABC).SetFocus(); }), hr::Ok);
  recorder.log.clear();

  toolkit.FailSetFocus(PanelId::picNumber);
  EXPECT_EQ(toolkit.HostCall([&] { return toolkit.Pane(PanelId::picNumber).SetFocus(); }),
            hr::InvalidProcedureCall);
  EXPECT_EQ(toolkit.Focused(), PanelId::picABC);
  EXPECT_TRUE(recorder.log.empty());
  // Other panels still take the focus.
  EXPECT_EQ(toolkit.HostCall([&] { return toolkit.Pane(PanelId::picShift).SetFocus(); }), hr::Ok);
  EXPECT_EQ(toolkit.Focused(), PanelId::picShift);

  // A second panel named joins the first.
  toolkit.FailSetFocus(PanelId::picABC);
  EXPECT_EQ(toolkit.HostCall([&] { return toolkit.Pane(PanelId::picABC).SetFocus(); }), hr::InvalidProcedureCall);
  EXPECT_EQ(toolkit.HostCall([&] { return toolkit.Pane(PanelId::picNumber).SetFocus(); }),
            hr::InvalidProcedureCall);
  EXPECT_EQ(toolkit.Focused(), PanelId::picShift);

  toolkit.FailSetFocus(std::nullopt);
  EXPECT_EQ(toolkit.HostCall([&] { return toolkit.Pane(PanelId::picNumber).SetFocus(); }), hr::Ok);
  EXPECT_EQ(toolkit.Focused(), PanelId::picNumber);
  EXPECT_EQ(toolkit.HostCall([&] { return toolkit.Pane(PanelId::picABC).SetFocus(); }), hr::Ok);
}

INSTANTIATE_TEST_SUITE_P(Delivery, FocusOrder, ::testing::Values(FocusDelivery::Sync, FocusDelivery::Deferred),
                         [](const auto& info) { return info.param == FocusDelivery::Sync ? "Sync" : "Deferred"; });

// --- The property bag.

TEST(PropertyBag, AbsentKeyGivesTheDefault) {
  MemoryPropertyBag bag;
  Variant value = Variant::FromI2(99);
  EXPECT_EQ(bag.ReadProperty(u"MaxLength", Variant::FromI2(0), value), hr::Ok);
  EXPECT_EQ(value, Variant::FromI2(0));
  bag.Set(u"MaxLength", Variant::FromI4(12));
  EXPECT_EQ(bag.ReadProperty(u"MaxLength", Variant::FromI2(0), value), hr::Ok);
  EXPECT_EQ(value, Variant::FromI4(12));
  // Keys match exactly.
  EXPECT_EQ(bag.ReadProperty(u"maxlength", Variant::Empty(), value), hr::Ok);
  EXPECT_EQ(value, Variant::Empty());
}

TEST(PropertyBag, StoreKeepsDefaultsAndOmitLeavesThemOut) {
  MemoryPropertyBag store(MemoryPropertyBag::Defaults::Store);
  MemoryPropertyBag omit(MemoryPropertyBag::Defaults::Omit);
  for (MemoryPropertyBag* bag : {&store, &omit}) {
    ASSERT_EQ(bag->WriteProperty(u"Text", Variant::FromText(u"abc"), Variant::FromText(u"")), hr::Ok);
    ASSERT_EQ(bag->WriteProperty(u"MaxLength", Variant::FromI2(0), Variant::FromI2(0)), hr::Ok);
  }
  ASSERT_NE(store.Find(u"MaxLength"), nullptr);
  EXPECT_EQ(*store.Find(u"MaxLength"), Variant::FromI2(0));
  EXPECT_EQ(omit.Find(u"MaxLength"), nullptr);
  EXPECT_EQ(*omit.Find(u"Text"), Variant::FromText(u"abc"));
  // Writing the default later removes the value written before.
  ASSERT_EQ(omit.WriteProperty(u"Text", Variant::FromText(u""), Variant::FromText(u"")), hr::Ok);
  EXPECT_EQ(omit.Find(u"Text"), nullptr);
}

TEST(PropertyBag, InjectedWriteFailureStoresNothing) {
  MemoryPropertyBag bag;
  bag.FailWritesOf(u"Text", hr::OutOfMemory);
  EXPECT_EQ(bag.WriteProperty(u"Text", Variant::FromText(u"x"), Variant::FromText(u"")), hr::OutOfMemory);
  EXPECT_EQ(bag.Find(u"Text"), nullptr);
  EXPECT_EQ(bag.WriteProperty(u"ChangeBord", Variant::FromI4(1), Variant::FromI4(0)), hr::Ok);
  bag.FailWritesOf(u"", hr::Ok);
  EXPECT_EQ(bag.WriteProperty(u"Text", Variant::FromText(u"x"), Variant::FromText(u"")), hr::Ok);
}

}  // namespace
}  // namespace vexo
