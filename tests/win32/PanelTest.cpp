// SPDX-License-Identifier: MIT
// The panels and their windowless keys, watched through a component that only
// records: focus notifications, key presses with their modifiers, clicks,
// colours on screen and the windows an instance costs.
#include "Support.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <iterator>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/QuietEvents.h"
#include "widgets/KeyLooks.h"

namespace vexo::win32::testing {
namespace {

class Panels : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host.toolkit);
    host.toolkit->Connect(recorder);
    host.ShowFrame();
    recorder.notices.clear();
  }

  Win32Panel& PanelOf(PanelId panel) { return host.toolkit->PanelOf(panel); }
  KeyArray& Keys(KeyArrayId array) { return host.toolkit->Keys(array); }
  const KeyElement& Key(PanelId panel, std::int16_t index) {
    return *PanelOf(panel).Keys().Element(index);
  }
  // Posts a press and release of the left button at a client point of a panel.
  void PostClick(PanelId panel, int downX, int downY, int upX, int upY) {
    HWND window = host.PanelWindow(panel);
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(downX, downY));
    PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(upX, upY));
    Pump();
  }

  Host host;
  Recorder recorder;
};

TEST_F(Panels, AHiddenPanelLeavesTheFocusWhereItIsAndADisabledOneRefusesIt) {
  ASSERT_EQ(PanelOf(PanelId::picABC).SetFocus(), hr::Ok);
  recorder.notices.clear();

  ShowWindow(host.surface, SW_HIDE);
  EXPECT_EQ(PanelOf(PanelId::picNumber).SetFocus(), hr::Ok);
  EXPECT_EQ(GetFocus(), host.PanelWindow(PanelId::picABC));
  ShowWindow(host.surface, SW_SHOW);
  EnableWindow(host.PanelWindow(PanelId::picNumber), FALSE);
  EXPECT_EQ(PanelOf(PanelId::picNumber).SetFocus(), hr::InvalidProcedureCall);

  EXPECT_TRUE(recorder.notices.empty());
  EXPECT_EQ(GetFocus(), host.PanelWindow(PanelId::picABC));
}

struct KeyPress {
  const char* name;
  WORD virtualKey;
  int modifiers;
  bool reachesThePanel = true;  // a key with Alt alone is the system's
};

class PanelKeys : public Panels, public ::testing::WithParamInterface<KeyPress> {};

// Real key presses on the focused panel, modifiers held down around them.
TEST_P(PanelKeys, AKeyPressReachesTheFocusedPanelWithItsModifiers) {
  ASSERT_EQ(PanelOf(PanelId::picNumber).SetFocus(), hr::Ok);
  recorder.notices.clear();
  Host::Press(GetParam().virtualKey, GetParam().modifiers);

  std::vector<Notice> presses;
  for (const Notice& n : recorder.notices) {
    if (n.what == "KeyDown" && n.keyCode == GetParam().virtualKey) presses.push_back(n);
  }
  if (!GetParam().reachesThePanel) {
    EXPECT_EQ(presses.size(), 0u) << ::testing::PrintToString(recorder.notices);
    return;
  }
  ASSERT_EQ(presses.size(), 1u) << ::testing::PrintToString(recorder.notices);
  EXPECT_EQ(presses[0], (Notice{"KeyDown", 1, -1, GetParam().virtualKey, GetParam().modifiers}));
}

const KeyPress keyPresses[] = {
    {"Letter", 'A', 0},
    {"ShiftedLetter", 'A', 1},
    {"CtrlLetter", 'C', 2},
    {"ArrowDown", VK_DOWN, 0},
    {"ShiftArrow", VK_LEFT, 1},
    {"FunctionKey", VK_F3, 0},
    {"ShiftCtrlF5", VK_F5, 3},
    {"AltF2", VK_F2, 4, false},
    {"AltF7IsTheHostsCommandAsWithoutAlt", VK_F7, 4},
    {"AltLetter", 'A', 4, false},
    {"CtrlAltDigit", '7', 6},
    {"Tab", VK_TAB, 0},
    {"Escape", VK_ESCAPE, 0},
};

INSTANTIATE_TEST_SUITE_P(Keys, PanelKeys, ::testing::ValuesIn(keyPresses),
                         [](const auto& info) { return std::string(info.param.name); });

// In a dialog-based host the arrows and the characters are the panel's, as a
// list's are; Enter and Escape are the dialog's, for its OK and Cancel.
TEST_F(Panels, ThroughADialogManagerArrowsReachThePanelAndEnterAndEscapeTheDialog) {
  EXPECT_FALSE(SendMessageW(host.PanelWindow(PanelId::picABC), WM_GETDLGCODE, VK_TAB, 0) & DLGC_WANTTAB);
  ASSERT_EQ(PanelOf(PanelId::picABC).SetFocus(), hr::Ok);
  recorder.notices.clear();

  for (WPARAM key : {WPARAM{VK_DOWN}, WPARAM{VK_RETURN}, WPARAM{VK_ESCAPE}}) {
    MSG message{host.PanelWindow(PanelId::picABC), WM_KEYDOWN, key, 1, GetTickCount(), {}};
    if (!IsDialogMessageW(host.frame, &message)) {
      DispatchMessageW(&message);
    }
  }
  EXPECT_EQ(recorder.notices, (std::vector<Notice>{{"KeyDown", 0, -1, VK_DOWN, 0}}));
  EXPECT_EQ(GetFocus(), host.PanelWindow(PanelId::picABC));
}

class KeyClicks : public Panels, public ::testing::WithParamInterface<std::int16_t> {};

// The highest index is drawn and hit as any other: a 16-bit count of the
// elements would have wrapped and hidden every key.
TEST_P(KeyClicks, AClickOnAKeyRaisesItsIndexAndMovesNoFocus) {
  const std::int16_t index = GetParam();
  KeyArray& keys = Keys(KeyArrayId::cmdNumber);
  ASSERT_EQ(keys.Load(index), hr::Ok);
  ASSERT_EQ(keys.PutLeft(index, 600), hr::Ok);
  ASSERT_EQ(keys.PutBackColor(index, 0x0000FF), hr::Ok);
  ASSERT_EQ(keys.PutVisible(index, true), hr::Ok);
  const PixelRect r = PanelOf(PanelId::picNumber).KeyPixels(Key(PanelId::picNumber, index));
  EXPECT_EQ(Host::PixelOf(host.PanelWindow(PanelId::picNumber), r.left + 3, r.bottom - 4), RGB(255, 0, 0));
  ASSERT_EQ(PanelOf(PanelId::picABC).SetFocus(), hr::Ok);
  recorder.notices.clear();

  Host::ClickAt(host.KeyCentre(PanelId::picNumber, index));
  EXPECT_EQ(recorder.notices, (std::vector<Notice>{{"Click", 1, index}}));
  EXPECT_EQ(GetFocus(), host.PanelWindow(PanelId::picABC));
}

INSTANTIATE_TEST_SUITE_P(Indexes, KeyClicks, ::testing::Values(std::int16_t{1}, std::int16_t{32767}),
                         [](const auto& info) { return info.param == 1 ? std::string("Second") : std::string("Last"); });

TEST_F(Panels, OnlyAPressAndReleaseOnTheSameVisibleKeyIsAClick) {
  // Key 0 at 0,0 375 x 350 twips: 25 x 23 pixels at 96 per inch; key 1 beside it.
  ASSERT_EQ(Keys(KeyArrayId::cmdKey).Load(1), hr::Ok);
  ASSERT_EQ(Keys(KeyArrayId::cmdKey).PutLeft(1, 375), hr::Ok);
  ASSERT_EQ(Keys(KeyArrayId::cmdKey).PutVisible(1, true), hr::Ok);
  const PixelRect key0 = PanelOf(PanelId::picABC).KeyPixels(Key(PanelId::picABC, 0));
  const PixelRect key1 = PanelOf(PanelId::picABC).KeyPixels(Key(PanelId::picABC, 1));
  ASSERT_EQ(key0.right, key1.left);

  PostClick(PanelId::picABC, key1.left, key1.top, key1.right - 1, key1.bottom - 1);  // corners of key 1
  PostClick(PanelId::picABC, key0.left + 2, 2, key1.left + 2, 2);                    // slides off key 0
  ASSERT_EQ(Keys(KeyArrayId::cmdKey).PutVisible(1, false), hr::Ok);
  PostClick(PanelId::picABC, key1.left + 2, 2, key1.left + 2, 2);                    // key 1 hidden
  std::vector<Notice> clicks;
  std::copy_if(recorder.notices.begin(), recorder.notices.end(), std::back_inserter(clicks),
               [](const Notice& n) { return n.what == "Click"; });
  EXPECT_EQ(clicks, (std::vector<Notice>{{"Click", 0, 1}}));
}

// A press takes the mouse only once it moves while down, so that a release
// outside the panel types nothing; a release the panel never saw is noticed
// by the next move without the button.
TEST_F(Panels, APressTakesTheMouseOnceItMovesWhileDown) {
  const HWND window = host.PanelWindow(PanelId::picShift);
  POINT key = host.KeyCentre(PanelId::picShift, 0);
  ScreenToClient(window, &key);
  const LPARAM on = MAKELPARAM(key.x, key.y);
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, on);
  EXPECT_EQ(GetCapture(), nullptr) << "not for a press that stays put";
  SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(key.x + 1, key.y));
  EXPECT_EQ(GetCapture(), window);
  SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(-40, -40));
  EXPECT_EQ(GetCapture(), nullptr);

  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, on);
  SendMessageW(window, WM_MOUSEMOVE, 0, on);  // the button went up unseen
  SendMessageW(window, WM_LBUTTONUP, 0, on);
  EXPECT_TRUE(recorder.notices.empty());

  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, on);
  SendMessageW(window, WM_LBUTTONUP, 0, on);
  EXPECT_EQ(recorder.notices, (std::vector<Notice>{{"Click", 2, 0}}));
}

TEST_F(Panels, QuickSecondPressIsASecondClick) {
  const POINT centre = host.KeyCentre(PanelId::picShift, 0);
  Host::ClickAt(centre);
  Host::ClickAt(centre);
  EXPECT_EQ(recorder.notices, (std::vector<Notice>{{"Click", 2, 0}, {"Click", 2, 0}}));
}

TEST_F(Panels, ThePanelBackgroundTakesTheFocusOnAPress) {
  ASSERT_EQ(PanelOf(PanelId::picABC).SetFocus(), hr::Ok);
  recorder.notices.clear();
  PostClick(PanelId::picNumber, 60, 60, 60, 60);
  EXPECT_EQ(recorder.notices, (std::vector<Notice>{{"LostFocus", 0}, {"GotFocus", 1}}));
}

struct Look {
  const char* name;
  Colour fore;
  Colour back;
  COLORREF paintedBack;  // CLR_INVALID: the button face of the system
};

class KeyLooks : public Panels, public ::testing::WithParamInterface<Look> {};

TEST_P(KeyLooks, ColoursReadBackAndArePainted) {
  const Look& look = GetParam();
  ASSERT_EQ(Keys(KeyArrayId::cmdKey).PutForeColor(0, look.fore), hr::Ok);
  ASSERT_EQ(Keys(KeyArrayId::cmdKey).PutBackColor(0, look.back), hr::Ok);
  EXPECT_EQ(Key(PanelId::picABC, 0).foreColor, look.fore);
  EXPECT_EQ(Key(PanelId::picABC, 0).backColor, look.back);

  // Inside the raised border, left of the right-aligned caption.
  const PixelRect r = PanelOf(PanelId::picABC).KeyPixels(Key(PanelId::picABC, 0));
  const COLORREF expected = look.paintedBack == CLR_INVALID ? GetSysColor(COLOR_BTNFACE) : look.paintedBack;
  EXPECT_EQ(Host::PixelOf(host.PanelWindow(PanelId::picABC), r.left + 3, r.bottom - 4), expected);
}

const Look looks[] = {
    {"Marked", MarkedForeColor, MarkedBackColor, RGB(0, 0, 255)},
    {"Unmarked", UnmarkedForeColor, UnmarkedBackColor, CLR_INVALID},
    {"PlainRed", 0x00FF00, 0x0000FF, RGB(255, 0, 0)},
};

INSTANTIATE_TEST_SUITE_P(Looks, KeyLooks, ::testing::ValuesIn(looks),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Panels, AColourWithNoMeaningIsRefusedAndTheLookKept) {
  ASSERT_EQ(Keys(KeyArrayId::cmdKey).PutBackColor(0, 0xFF0000), hr::Ok);
  EXPECT_EQ(Keys(KeyArrayId::cmdKey).PutBackColor(0, 0x01000005), hr::InvalidPropertyValue);
  EXPECT_EQ(Keys(KeyArrayId::cmdKey).PutForeColor(0, 0x800000FF), hr::InvalidPropertyValue);
  EXPECT_EQ(Keys(KeyArrayId::cmdKey).PutForeColor(7, 0x000000), hr::ElementMissing);
  EXPECT_EQ(Key(PanelId::picABC, 0).backColor, 0xFF0000u);
}

// The panel draws labels that lie apart a layer at a time (all backs, all
// borders, all captions) and most captions without DrawTextW: what it shows
// must equal each label drawn on its own with the system's border and text
// routines, whatever the captions and however the labels lie.
enum class Layout { Apart, Overlapping, Tiny };

// The client area of `window` as `draw` leaves it, row by row.
std::vector<std::uint32_t> Image(HWND window, const std::function<void(HDC)>& draw) {
  RECT client{};
  GetClientRect(window, &client);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), client.right, -client.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ old = SelectObject(dc, bitmap);
  draw(dc);
  GdiFlush();
  const auto* pixels = static_cast<const std::uint32_t*>(bits);
  std::vector<std::uint32_t> image(pixels, pixels + client.right * client.bottom);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return image;
}

std::size_t Differing(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
  std::size_t count = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
  for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) count += a[i] != b[i] ? 1 : 0;
  return count;
}

class KeyDrawings : public Panels, public ::testing::WithParamInterface<Layout> {};

TEST_P(KeyDrawings, LookAsEachLabelDrawnOnItsOwn) {
  const std::u16string captions[] = {u"7", u"WWWWWWWWWWWW", u"\u05D0\u05D1", u"a b c d e", u"(", u"", u"x\ty", u"\u20AA"};
  KeyArray& keys = Keys(KeyArrayId::cmdNumber);
  for (std::int16_t i = 0; i < static_cast<std::int16_t>(std::size(captions)); ++i) {
    if (i > 0) {
      ASSERT_EQ(keys.Load(i), hr::Ok);
    }
    ASSERT_EQ(keys.PutCaption(i, captions[i]), hr::Ok);
    ASSERT_EQ(keys.PutLeft(i, 600.0f * static_cast<float>(i % 3)), hr::Ok);
    ASSERT_EQ(keys.PutTop(i, 400.0f * static_cast<float>(i / 3)), hr::Ok);
    ASSERT_EQ(keys.PutWidth(i, 560), hr::Ok);
    ASSERT_EQ(keys.PutVisible(i, true), hr::Ok);
  }
  ASSERT_EQ(keys.PutBackColor(2, MarkedBackColor), hr::Ok);
  ASSERT_EQ(keys.PutForeColor(2, MarkedForeColor), hr::Ok);
  if (GetParam() == Layout::Overlapping) {
    ASSERT_EQ(keys.PutLeft(1, 300), hr::Ok);
  }
  if (GetParam() == Layout::Tiny) {
    ASSERT_EQ(keys.PutWidth(4, 30), hr::Ok);
  }

  Win32Panel& panel = PanelOf(PanelId::picNumber);
  const HWND window = panel.Window();
  const auto shown = Image(window, [&](HDC dc) {
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  });
  const auto drawn = Image(window, [&](HDC dc) {
    RECT client{};
    GetClientRect(window, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    SelectObject(dc, host.toolkit->KeyFont());
    SetBkMode(dc, TRANSPARENT);
    for (std::int32_t i = 0; i < panel.Keys().Extent(); ++i) {
      const KeyElement* key = panel.Keys().Element(i);
      if (key == nullptr || !key->visible) continue;
      const PixelRect p = panel.KeyPixels(*key);
      RECT r{p.left, p.top, p.right, p.bottom};
      SetDCBrushColor(dc, ResolveColour(key->backColor.value_or(DefaultKeyBackColor), ScreenColours()).value());
      FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
      DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
      SetTextColor(dc, ResolveColour(key->foreColor.value_or(DefaultKeyForeColor), ScreenColours()).value());
      DrawTextW(dc, reinterpret_cast<const wchar_t*>(key->caption.data()), static_cast<int>(key->caption.size()), &r,
                DT_RIGHT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
    }
  });
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(Differing(shown, drawn), 0u) << "pixels of " << shown.size() << " that differ";
}

std::string LayoutName(const ::testing::TestParamInfo<Layout>& info) {
  switch (info.param) {
    case Layout::Apart: return "Apart";
    case Layout::Overlapping: return "Overlapping";
    case Layout::Tiny: return "Tiny";
  }
  return "";
}

INSTANTIATE_TEST_SUITE_P(Layouts, KeyDrawings, ::testing::Values(Layout::Apart, Layout::Overlapping, Layout::Tiny),
                         LayoutName);

// A whole panel is painted from an image kept from a panel that looked the
// same, of this instance or one gone before: each panel must still show its
// own look, however little it differs from the one painted before.
struct Change {
  const char* name;
  HResult (*apply)(KeyArray& keys);
};

class SharedImages : public ::testing::TestWithParam<Change> {};

TEST_P(SharedImages, APanelShowsItsOwnLookNotThatOfOnePaintedBefore) {
  {
    Host before;
    before.ShowFrame();
    ASSERT_TRUE(harness::WaitForPaint(before.surface, "the first instance"));
  }
  Host host;
  ASSERT_EQ(GetParam().apply(host.toolkit->Keys(KeyArrayId::cmdNumber)), hr::Ok);
  ASSERT_TRUE(harness::WaitForPaint(host.surface, "the second instance"));
  const HWND window = host.PanelWindow(PanelId::picNumber);
  const auto onScreen = Image(window, [&](HDC dc) {
    RECT client{};
    GetClientRect(window, &client);
    HDC screen = GetDC(window);
    BitBlt(dc, 0, 0, client.right, client.bottom, screen, 0, 0, SRCCOPY);
    ReleaseDC(window, screen);
  });
  const auto drawn = Image(window, [&](HDC dc) {
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  });
  ASSERT_FALSE(drawn.empty());
  EXPECT_EQ(Differing(onScreen, drawn), 0u) << "pixels of " << drawn.size() << " that differ";
}

const Change changes[] = {
    {"Unchanged", [](KeyArray&) { return hr::Ok; }},
    {"Caption", [](KeyArray& keys) { return keys.PutCaption(0, u"8"); }},
    {"BackColour", [](KeyArray& keys) { return keys.PutBackColor(0, 0x0000FF); }},
    {"ForeColour", [](KeyArray& keys) { return keys.PutForeColor(0, 0x00FF00); }},
    {"Place", [](KeyArray& keys) { return keys.PutLeft(0, 120); }},
    {"Hidden", [](KeyArray& keys) { return keys.PutVisible(0, false); }},
};

INSTANTIATE_TEST_SUITE_P(Changes, SharedImages, ::testing::ValuesIn(changes),
                         [](const auto& info) { return std::string(info.param.name); });

// A component that runs out of memory in some of its handlers.
class Starved final : public vexo::testing::QuietEvents {
 public:
  int clicks = 0;
  HResult OnInitialize() override { throw std::bad_alloc(); }
  HResult OnClick(KeyArrayId, std::int16_t) override {
    ++clicks;
    return hr::Ok;
  }
  HResult OnKeyDown(PanelId, std::int16_t&, std::int16_t&) override { throw std::bad_alloc(); }
};

// Nothing thrown crosses a host call, a driver or a window procedure; the
// work the failed call left is done all the same, and the panels go on.
TEST(Boundaries, AFailureThrownInAHandlerIsAStatusAndTheToolkitGoesOn) {
  Host host;
  Starved starved;
  host.toolkit->Connect(starved);
  EXPECT_EQ(host.toolkit->Initialize(), hr::OutOfMemory);
  EXPECT_EQ(host.toolkit->HostCall([]() -> HResult { throw std::runtime_error("broken"); }), hr::Unexpected);
  EXPECT_EQ(host.toolkit->HostCall([&]() -> HResult {
    RETURN_IF_FAILED(host.toolkit->Pane(PanelId::picNumber).PutLeft(0));
    throw std::bad_alloc();
  }), hr::OutOfMemory);
  EXPECT_EQ(Host::PlacedAt(host.PanelWindow(PanelId::picNumber)).left, 0);

  HWND letters = host.PanelWindow(PanelId::picABC);
  SendMessageW(letters, WM_KEYDOWN, 'A', 1);
  EXPECT_EQ(host.toolkit->LastWidgetStatus(), hr::OutOfMemory);
  Win32Panel& panel = host.toolkit->PanelOf(PanelId::picABC);
  const PixelRect key = panel.KeyPixels(*panel.Keys().Element(0));
  const LPARAM centre = MAKELPARAM((key.left + key.right) / 2, (key.top + key.bottom) / 2);
  SendMessageW(letters, WM_LBUTTONDOWN, MK_LBUTTON, centre);
  SendMessageW(letters, WM_LBUTTONUP, 0, centre);
  EXPECT_EQ(starved.clicks, 1);
  EXPECT_EQ(host.toolkit->LastWidgetStatus(), hr::Ok);
}

using harness::WindowsOfThisThread;

TEST(Footprint, AnInstanceCostsFourWindowsBesideItsSurfaceAndGivesThemBack) {
  Host host;
  ASSERT_TRUE(host.toolkit);
  const int withToolkit = WindowsOfThisThread();
  host.toolkit.reset();
  const int surfaceOnly = WindowsOfThisThread();
  EXPECT_EQ(withToolkit - surfaceOnly, 4);

  // Many instances, one after the other, leave nothing behind.
  for (int i = 0; i < 50; ++i) {
    ASSERT_EQ(Win32Toolkit::Create(host.surface, {}, host.toolkit), hr::Ok);
    host.toolkit.reset();
  }
  EXPECT_EQ(WindowsOfThisThread(), surfaceOnly);
}

// Instances at one density draw their keys with one font, which goes with the
// last of them; another density has a font of its own.
TEST(Footprint, InstancesOfOneDensityShareTheKeyFontAndTheLastDeletesIt) {
  Host first(Win32Toolkit::Options{96, 96, {}, {}});
  Host second(Win32Toolkit::Options{96, 96, {}, {}});
  Host denser(Win32Toolkit::Options{144, 144, {}, {}});
  ASSERT_TRUE(first.toolkit && second.toolkit && denser.toolkit);
  HFONT font = first.toolkit->KeyFont();
  EXPECT_EQ(second.toolkit->KeyFont(), font);
  EXPECT_NE(denser.toolkit->KeyFont(), font);
  LOGFONTW denserFont{};
  ASSERT_NE(GetObjectW(denser.toolkit->KeyFont(), sizeof denserFont, &denserFont), 0);
  EXPECT_EQ(denserFont.lfHeight, -MulDiv(975, 144, 7200));

  first.toolkit.reset();
  EXPECT_EQ(GetObjectType(font), static_cast<DWORD>(OBJ_FONT)) << "the second instance still draws with it";
  second.toolkit.reset();
  EXPECT_EQ(GetObjectType(font), 0u) << "the last instance of the density deleted it";
}

TEST(Footprint, SeventyOneKeysAddNoWindow) {
  Host host;
  const int before = WindowsOfThisThread();
  for (KeyArrayId array : {KeyArrayId::cmdKey, KeyArrayId::cmdNumber, KeyArrayId::cmdShift}) {
    for (std::int16_t i = 1; i < 30; ++i) {
      ASSERT_EQ(host.toolkit->Keys(array).Load(i), hr::Ok);
      ASSERT_EQ(host.toolkit->Keys(array).PutVisible(i, true), hr::Ok);
    }
  }
  EXPECT_EQ(WindowsOfThisThread(), before);
}

TEST(Footprint, ASurfaceOfAnotherThreadOrNoWindowIsRefused) {
  std::unique_ptr<Win32Toolkit> toolkit;
  EXPECT_EQ(Win32Toolkit::Create(nullptr, {}, toolkit), hr::InvalidArg);
  EXPECT_EQ(Win32Toolkit::Create(GetDesktopWindow(), {}, toolkit), hr::InvalidArg);
  EXPECT_FALSE(toolkit);
}

}  // namespace
}  // namespace vexo::win32::testing
