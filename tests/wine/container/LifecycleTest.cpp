// SPDX-License-Identifier: MIT
// Endurance of the control in its container: a thousand instances created,
// shown and destroyed one after another leave nothing behind. A form that
// opens and closes a dialog with the keyboard all day must not run out of
// window handles (10,000 a process) or keep the library loaded.
#include "Container.h"

#include "windows/Resources.h"

namespace vexo::container {
namespace {

using harness::CountGuiObjects;
using harness::GuiObjects;
using harness::HeapBytesInUse;
using harness::WindowsOfThisThread;

// The counts below see what leaks, on Windows and under Wine alike: a brush,
// a window and a heap block left behind each show, and go again.
TEST(Lifecycle, TheCountsSeeALeftBrushWindowAndBlock) {
  Frame();
  Pump();
  const GuiObjects before = CountGuiObjects();
  HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  const std::size_t bytes = HeapBytesInUse();
  void* block = HeapAlloc(GetProcessHeap(), 0, 4096);
  EXPECT_GE(HeapBytesInUse(), bytes + 4096);
  // Freed, it may still count a while: the heap's free checking holds a
  // few freed blocks back before it hands them out again.
  HeapFree(GetProcessHeap(), 0, block);
  EXPECT_EQ(CountGuiObjects(), (GuiObjects{before.gdi + 1, before.user + 1}));
  DeleteObject(brush);
  DestroyWindow(window);
  EXPECT_EQ(CountGuiObjects(), before);
}

// An instance holds kilobytes of the heap (its component, widgets and keys):
// one that stayed would show. The container and the system's caches keep
// some tens of bytes an instance under Wine, which no release gives back.
constexpr std::size_t HeapGrowthPerInstance = 128;

TEST(Lifecycle, AThousandInstancesComeAndGoLeavingNoHandleAndAnUnloadableLibrary) {
  Frame();
  Pump();
  const int windows = WindowsOfThisThread();
  // What the first instances load and cache for the process stays: the
  // counts start once that is done.
  constexpr int Counted = 20;
  GuiObjects objects;
  std::size_t bytes = 0;
  for (int cycle = 0; cycle < 1000; ++cycle) {
    if (cycle == Counted) {
      objects = CountGuiObjects();
      bytes = HeapBytesInUse();
    }
    HWND host = CreateWindowExW(0, L"AtlAxWin", ProgId, WS_CHILD | WS_VISIBLE, 10, 10, 900, 240, Frame(), nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(host, nullptr) << "cycle " << cycle;
    Pump();
    UpdateWindow(host);
    IUnknown* control = nullptr;
    ASSERT_EQ(AtlFunctions().GetControl(host, &control), S_OK) << "cycle " << cycle;
    ASSERT_NE(control, nullptr);
    ASSERT_GT(WindowsOfThisThread(), windows + 1) << "the control shows its windows, cycle " << cycle;
    DestroyWindow(host);
    Pump();
    ASSERT_EQ(control->Release(), 0u) << "the container let go first; ours is the last reference, cycle " << cycle;
  }
  Pump();
  EXPECT_EQ(WindowsOfThisThread(), windows);
  EXPECT_EQ(CountGuiObjects(), objects);
  const std::size_t now = HeapBytesInUse();
  EXPECT_LT(now, bytes + (1000 - Counted) * HeapGrowthPerInstance) << "bytes in use grew from " << bytes << " to " << now;

  HMODULE library = GetModuleHandleW(L"VexoKeyBord.ocx");
  ASSERT_NE(library, nullptr);
  using Entry = HRESULT(STDAPICALLTYPE*)();
  auto canUnloadNow = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(library, "DllCanUnloadNow")));
  ASSERT_NE(canUnloadNow, nullptr);
  EXPECT_EQ(canUnloadNow(), S_OK);
}

}  // namespace
}  // namespace vexo::container
