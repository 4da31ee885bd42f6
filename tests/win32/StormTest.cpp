// SPDX-License-Identifier: MIT
// Endurance on real windows: 20 seeds of 10,000 random messages each to the
// instance's windows, as a confused host or another program may send them
// (characters including lone surrogates, texts set to nothing, sizes of 0 x 0,
// storms of keys and of clicks, focus thrown about, the field edited behind
// the component's back). A watchdog ends the run if a message does not return
// within 2 s. Afterwards the next click still types, the field ends in its
// trailing space under a one-character block caret, and Text reads back.
#include "Support.h"

#include "component/KeyBord.h"

#include <cstdio>
#include <random>

namespace vexo::win32::testing {
namespace {

constexpr int Seeds = 20;
constexpr int MessagesPerSeed = 10'000;
constexpr DWORD HangMilliseconds = 2000;

// Ends the process when the message in progress has not returned in time: a
// hung test would otherwise hold the run until the runner's timeout.
class Watchdog {
 public:
  Watchdog() : stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    thread_ = CreateThread(nullptr, 0, Watch, this, 0, nullptr);
  }
  ~Watchdog() {
    SetEvent(stop_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    CloseHandle(stop_);
  }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

  void Beat(unsigned seed, LONG step) {
    InterlockedExchange(&seed_, static_cast<LONG>(seed));
    InterlockedExchange(&step_, step);
  }

 private:
  static DWORD WINAPI Watch(void* self) {
    auto& dog = *static_cast<Watchdog*>(self);
    LONG last = -1;
    DWORD since = GetTickCount();
    while (WaitForSingleObject(dog.stop_, 100) == WAIT_TIMEOUT) {
      const LONG step = InterlockedCompareExchange(&dog.step_, 0, 0);
      if (step != last) {
        last = step;
        since = GetTickCount();
      } else if (GetTickCount() - since > HangMilliseconds) {
        std::fprintf(stderr, "storm: seed %ld hung at message %ld for over %lu ms\n",
                     InterlockedCompareExchange(&dog.seed_, 0, 0), step, HangMilliseconds);
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 3);
      }
    }
    return 0;
  }

  HANDLE stop_;
  HANDLE thread_ = nullptr;
  volatile LONG seed_ = 0;
  volatile LONG step_ = 0;
};

// The surface stands for the control's own window, which a stray WM_CLOSE
// must not destroy: the rich-text field, once a dialog manager has asked it
// for its dialog code, posts WM_CLOSE to its parent when Escape reaches it.
WNDPROC surfaceProcedure = nullptr;
LRESULT CALLBACK KeepOpen(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) return 0;
  return CallWindowProcW(surfaceProcedure, window, message, wParam, lParam);
}

class Endurance : public ::testing::TestWithParam<unsigned> {
 protected:
  void SetUp() override {
    surfaceProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(host.surface, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(KeepOpen)));
    host.StartShown();
  }
  void TearDown() override { host.toolkit->Disconnect(); }

  Host host;
  KeyBord keybord{*host.toolkit};
};

// Whether the 64-bit Wine this runs on can lay out `unit` in the rich-text
// control: its 64-bit text shaping reads out of bounds while placing a
// combining mark on a ligature, in the control itself, whoever sets the text.
bool ShapedSafely(WPARAM unit) {
  if (sizeof(void*) == 4) return true;
  const wchar_t character = static_cast<wchar_t>(unit);
  WORD type = 0;
  return GetStringTypeW(CT_CTYPE3, &character, 1, &type) && !(type & (C3_NONSPACING | C3_DIACRITIC));
}

// A character unit, a quarter of them surrogates with nothing to pair with.
WPARAM Unit(std::mt19937& random) {
  if (random() % 4 == 0) return 0xD800 + random() % 0x800;
  for (;;) {
    const WPARAM unit = random() % 0x10000;
    if (ShapedSafely(unit)) return unit;
  }
}

std::wstring HostileText(std::mt19937& random) {
  std::wstring text;
  const int length = static_cast<int>(random() % 40);
  for (int i = 0; i < length; ++i) {
    const wchar_t unit = static_cast<wchar_t>(Unit(random));
    text += unit == 0 ? L'\r' : unit;
  }
  return text;
}

TEST_P(Endurance, RandomMessagesLeaveAWorkingKeyboardWithASoundField) {
  std::mt19937 random(GetParam());
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const PanelId panels[] = {PanelId::picABC, PanelId::picNumber, PanelId::picShift};
  HWND field = host.toolkit->Field().Window();
  HWND windows[] = {host.PanelWindow(PanelId::picABC), host.PanelWindow(PanelId::picNumber),
                    host.PanelWindow(PanelId::picShift), field, host.surface};
  const WORD keys[] = {VK_LEFT, VK_RIGHT, VK_UP,  VK_DOWN, VK_RETURN, VK_BACK, VK_DELETE, VK_HOME, VK_END,
                       VK_F1,   VK_F2,    VK_F3,  VK_F4,   VK_F5,     VK_F6,   VK_F7,     VK_TAB,  VK_SPACE,
                       'A',     'Z',      '0',    '9',     VK_SHIFT,  VK_CAPITAL, VK_OEM_1, VK_ESCAPE, VK_INSERT};
  Watchdog dog;

  int sent = 0;
  auto send = [&](HWND target, UINT message, WPARAM w, LPARAM l) {
    dog.Beat(GetParam(), ++sent);
    SendMessageW(target, message, w, l);
    if (sent % 200 == 0) Pump();
  };
  // A point on a random key of a panel, or anywhere near it.
  auto pointIn = [&](PanelId panel) {
    Win32Panel& p = host.toolkit->PanelOf(panel);
    std::int16_t count = 0;
    EXPECT_EQ(p.Keys().Count(count), hr::Ok);
    const KeyElement* key = count > 0 ? p.Keys().Element(static_cast<std::int16_t>(pick(count))) : nullptr;
    if (key == nullptr || pick(4) == 0) return MAKELPARAM(pick(500) - 50, pick(300) - 50);
    const PixelRect r = p.KeyPixels(*key);
    return MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  };

  while (sent < MessagesPerSeed) {
    HWND target = windows[pick(5)];
    switch (pick(10)) {
      case 0:
      case 1:
        send(target, WM_CHAR, Unit(random), 1);
        break;
      case 2: {  // a storm of keys on one window
        const int count = 5 + pick(40);
        for (int i = 0; i < count; ++i) {
          const WPARAM key = pick(3) ? keys[pick(static_cast<int>(std::size(keys)))] : 1 + pick(0xFE);
          send(target, WM_KEYDOWN, key, 1);
          if (pick(2)) send(target, WM_CHAR, Unit(random), 1);
          send(target, WM_KEYUP, key, 0xC0000001);
        }
        break;
      }
      case 3: {  // a storm of clicks on one panel
        const PanelId panel = panels[pick(3)];
        HWND window = host.PanelWindow(panel);
        const int count = 3 + pick(30);
        for (int i = 0; i < count; ++i) {
          const LPARAM at = pointIn(panel);
          send(window, pick(5) ? WM_LBUTTONDOWN : WM_LBUTTONDBLCLK, MK_LBUTTON, at);
          if (pick(6) == 0) send(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(pick(400), pick(200)));
          send(window, WM_LBUTTONUP, 0, at);
        }
        break;
      }
      case 4:
        send(target, WM_SETTEXT, 0, 0);  // no text at all
        break;
      case 5: {
        const std::wstring text = HostileText(random);
        send(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        break;
      }
      case 6:  // sizes down to nothing, and back
        dog.Beat(GetParam(), ++sent);
        if (pick(3) == 0) {
          Discard(host.toolkit->SurfaceSized(pick(2) ? 0 : pick(600), pick(2) ? 0 : pick(400)), "a random size may be refused");
        } else {
          SetWindowPos(target, nullptr, 0, 0, pick(2) ? 0 : pick(400), pick(2) ? 0 : pick(300),
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        send(target, WM_SIZE, SIZE_RESTORED, 0);
        break;
      case 7:
        dog.Beat(GetParam(), ++sent);
        SetFocus(target);
        send(target, pick(2) ? WM_SETFOCUS : WM_KILLFOCUS, 0, 0);
        break;
      case 8: {  // the field edited behind the component's back
        const std::wstring text = HostileText(random);
        send(field, EM_SETSEL, pick(50) - 5, pick(50) - 5);
        send(field, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
        break;
      }
      case 9: {
        const UINT misc[] = {WM_PAINT, WM_GETDLGCODE, WM_MOUSEMOVE, WM_CANCELMODE, WM_CAPTURECHANGED,
                             WM_SYSCOLORCHANGE, WM_ENABLE, WM_SHOWWINDOW, WM_RBUTTONDOWN, WM_MOUSEWHEEL};
        send(target, misc[pick(static_cast<int>(std::size(misc)))], pick(2), MAKELPARAM(pick(400), pick(200)));
        break;
      }
    }
  }
  Pump();

  // Sized back as a host would, then one click on a key: a component
  // operation, after which the field must be sound again.
  EXPECT_EQ(host.toolkit->SurfaceSized(320, 238), hr::Ok);
  Pump();
  const LPARAM centre = [&] {
    Win32Panel& p = host.toolkit->PanelOf(PanelId::picNumber);
    const PixelRect r = p.KeyPixels(*p.Keys().Element(0));
    return MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }();
  SendMessageW(host.PanelWindow(PanelId::picNumber), WM_LBUTTONDOWN, MK_LBUTTON, centre);
  SendMessageW(host.PanelWindow(PanelId::picNumber), WM_LBUTTONUP, 0, centre);
  Pump();

  Win32RichTextBox& text1 = host.toolkit->Field();
  std::u16string held;
  ASSERT_EQ(text1.GetText(held), hr::Ok);
  ASSERT_FALSE(held.empty());
  EXPECT_EQ(held.back(), u' ');
  EXPECT_EQ(text1.Selection().second, 1);
  EXPECT_LT(text1.Selection().first, static_cast<std::int32_t>(held.size()));
  std::u16string text = u"sentinel";
  ASSERT_EQ(keybord.get_Text(text), hr::Ok);
  EXPECT_EQ(text + u" ", held);
}

INSTANTIATE_TEST_SUITE_P(Seeds, Endurance, ::testing::Range(1u, static_cast<unsigned>(Seeds) + 1));

}  // namespace
}  // namespace vexo::win32::testing
