// SPDX-License-Identifier: MIT
// The three saved properties go out of one hosted control and into a fresh
// one, through a property bag and through a stream that the container loads.
#include "Container.h"

#include <map>

namespace vexo::container {
namespace {

using harness::MemoryBag;

void SetUpOriginal(Hosted& original) {
  ASSERT_NE(original.keybord, nullptr);
  Press('A');
  ClickAt(original.KeyCentre(Numbers, 4));  // "5"
  BSTR text = SysAllocString(L"Z\x05E9\x05DC\x05D5\x05DD!");
  ASSERT_EQ(original.keybord->put_Text(text), S_OK);
  SysFreeString(text);
  ASSERT_EQ(original.keybord->put_MaxLength(7), S_OK);
  ASSERT_EQ(original.keybord->put_ChangeBord(ImageAct), S_OK);
  WaitFor("the symbol panel focused by ChangeBord", [&] { return original.FocusedPanel() == Symbols; });
}

void ExpectRestored(Hosted& restored) {
  ASSERT_NE(restored.keybord, nullptr);
  EXPECT_EQ(restored.Text(), L"Z\x05E9\x05DC\x05D5\x05DD!");
  short limit = 0;
  EXPECT_EQ(restored.keybord->get_MaxLength(&limit), S_OK);
  EXPECT_EQ(limit, 7);
  ActivPanel panel = abcAct;
  EXPECT_EQ(restored.keybord->get_ChangeBord(&panel), S_OK);
  EXPECT_EQ(panel, ImageAct);
  // The restored control works on: one more character fits, then none.
  Press(VK_END);
  Press('Q');
  Press('W');
  EXPECT_EQ(restored.Text(), L"Z\x05E9\x05DC\x05D5\x05DD!Q");
}

TEST(Persistence, ThroughAPropertyBagIntoAFreshControl) {
  MemoryBag bag;
  {
    Hosted original;
    SetUpOriginal(original);
    ComPtr<IPersistPropertyBag> persist;
    ASSERT_EQ(original.control.As(&persist), S_OK);
    ASSERT_EQ(persist->Save(&bag, TRUE, TRUE), S_OK);
  }
  ASSERT_EQ(bag.values.size(), 3u);
  EXPECT_EQ(V_VT(&bag.values[L"ChangeBord"]), VT_I4);
  EXPECT_EQ(V_I4(&bag.values[L"ChangeBord"]), 2);
  EXPECT_EQ(V_VT(&bag.values[L"MaxLength"]), VT_I2);
  EXPECT_EQ(V_VT(&bag.values[L"Text"]), VT_BSTR);

  Hosted restored;
  ASSERT_NE(restored.control, nullptr);
  ComPtr<IPersistPropertyBag> persist;
  ASSERT_EQ(restored.control.As(&persist), S_OK);
  ASSERT_EQ(persist->Load(&bag, nullptr), S_OK);
  WaitFor("the restored panel focused", [&] { return restored.FocusedPanel() == Symbols; });
  EXPECT_EQ(restored.FocusedPanel(), Symbols) << "the restored panel takes the focus";
  ExpectRestored(restored);
}

TEST(Persistence, ThroughAStreamThatTheContainerLoads) {
  ComPtr<IStream> stream;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  {
    Hosted original;
    SetUpOriginal(original);
    ComPtr<IPersistStreamInit> persist;
    ASSERT_EQ(original.control.As(&persist), S_OK);
    ULARGE_INTEGER size{};
    ASSERT_EQ(persist->GetSizeMax(&size), S_OK);
    ASSERT_EQ(persist->Save(stream.Get(), TRUE), S_OK);
    ULARGE_INTEGER end{};
    ASSERT_EQ(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &end), S_OK);
    EXPECT_EQ(end.QuadPart, size.QuadPart);
  }
  ASSERT_EQ(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr), S_OK);
  Hosted restored(10, 10, 900, 240, stream.Get());
  ExpectRestored(restored);
}

}  // namespace
}  // namespace vexo::container
