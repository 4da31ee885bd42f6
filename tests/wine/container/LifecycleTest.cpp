// Endurance of the control in its container: a thousand instances created,
// shown and destroyed one after another leave nothing behind. A form that
// opens and closes a dialog with the keyboard all day must not run out of
// window handles (10,000 a process) or keep the library loaded.
#include "Container.h"

namespace vexo::container {
namespace {

using harness::WindowsOfThisThread;

TEST(Lifecycle, AThousandInstancesComeAndGoLeavingNoHandleAndAnUnloadableLibrary) {
  Frame();
  Pump();
  const int windows = WindowsOfThisThread();
  // Wine answers 0 for both counts; Windows counts them.
  const DWORD gdiObjects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  const DWORD userObjects = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  for (int cycle = 0; cycle < 1000; ++cycle) {
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
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdiObjects);
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), userObjects);

  HMODULE library = GetModuleHandleW(L"VexoKeyBord.ocx");
  ASSERT_NE(library, nullptr);
  using Entry = HRESULT(STDAPICALLTYPE*)();
  auto canUnloadNow = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(library, "DllCanUnloadNow")));
  ASSERT_NE(canUnloadNow, nullptr);
  EXPECT_EQ(canUnloadNow(), S_OK);
}

}  // namespace
}  // namespace vexo::container
