// A top-level window holding a child window as the component's surface, with
// the toolkit of real windows on it, and the means to drive it as a user does.
#pragma once

#include <windows.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "widgets/win32/Win32Toolkit.h"

namespace vexo::win32::testing {

// Handles every message that is waiting, also those that arrive meanwhile.
inline void Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// Pumps for a while: real input travels through the display server.
inline void PumpFor(DWORD milliseconds) {
  const DWORD end = GetTickCount() + milliseconds;
  do {
    Pump();
    Sleep(5);
  } while (static_cast<LONG>(end - GetTickCount()) > 0);
}

// A notification as the component received it.
struct Notice {
  std::string what;
  int panel = -1;
  int index = -1;
  int keyCode = 0;
  int shift = 0;
  friend bool operator==(const Notice&, const Notice&) = default;
};

inline std::ostream& operator<<(std::ostream& out, const Notice& n) {
  return out << n.what << "(panel " << n.panel << ", index " << n.index << ", key " << n.keyCode << ", shift "
             << n.shift << ")";
}

// A component that records what the toolkit tells it and does nothing else.
class Recorder final : public WidgetEvents {
 public:
  std::vector<Notice> notices;
  HResult OnInitialize() override { return Note({"Initialize"}); }
  HResult OnReadProperties(PropertyBag&) override { return Note({"ReadProperties"}); }
  HResult OnWriteProperties(PropertyBag&) override { return Note({"WriteProperties"}); }
  HResult OnResize() override { return Note({"Resize"}); }
  HResult OnShow() override { return Note({"Show"}); }
  HResult OnSurfaceGotFocus() override { return Note({"SurfaceGotFocus"}); }
  HResult OnClick(KeyArrayId array, std::int16_t index) override {
    return Note({"Click", static_cast<int>(array), index});
  }
  HResult OnGotFocus(PanelId panel) override { return Note({"GotFocus", static_cast<int>(panel)}); }
  HResult OnLostFocus(PanelId panel) override { return Note({"LostFocus", static_cast<int>(panel)}); }
  HResult OnKeyDown(PanelId panel, std::int16_t& keyCode, std::int16_t& shift) override {
    return Note({"KeyDown", static_cast<int>(panel), -1, keyCode, shift});
  }

 private:
  HResult Note(Notice notice) {
    notices.push_back(std::move(notice));
    return hr::Ok;
  }
};

// The host: a frame window and the surface inside it. One frame serves every
// test, shown once: the display takes long to hide or destroy a top-level
// window when no window manager runs. Each host has a fresh surface.
class Host {
 public:
  explicit Host(Win32Toolkit::Options options = {}) {
    frame = Frame();
    surface = CreateWindowExW(WS_EX_CONTROLPARENT, L"VexoTestFrame", L"",
                              WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 10, 10, 320, 238, frame, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    EXPECT_EQ(Win32Toolkit::Create(surface, std::move(options), toolkit), hr::Ok);
  }
  ~Host() {
    toolkit.reset();
    DestroyWindow(surface);
    Pump();
  }
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // Shows the frame on top and active, as a user's window.
  void ShowFrame() {
    if (!IsWindowVisible(frame)) {
      ShowWindow(frame, SW_SHOW);
    }
    SetForegroundWindow(frame);
    SetActiveWindow(frame);
    SetFocus(frame);
    UpdateWindow(frame);
    PumpFor(100);
  }

  static HWND Frame() {
    static const HWND frame = [] {
      WNDCLASSEXW c{};
      c.cbSize = sizeof c;
      c.lpfnWndProc = DefWindowProcW;
      c.hInstance = GetModuleHandleW(nullptr);
      c.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
      c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
      c.lpszClassName = L"VexoTestFrame";
      RegisterClassExW(&c);
      return CreateWindowExW(WS_EX_CONTROLPARENT, L"VexoTestFrame", L"toolkit test",
                             WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 20, 20, 950, 300, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    }();
    return frame;
  }

  HWND PanelWindow(PanelId panel) { return toolkit->PanelOf(panel).Window(); }

  // The centre of a key in screen coordinates.
  POINT KeyCentre(PanelId panel, std::int16_t index) {
    const KeyElement* key = toolkit->PanelOf(panel).Keys().Element(index);
    EXPECT_NE(key, nullptr);
    const PixelRect r = toolkit->PanelOf(panel).KeyPixels(*key);
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(PanelWindow(panel), &p);
    return p;
  }

  // A real press and release of the left button at a screen point.
  static void ClickAt(POINT p) {
    SetCursorPos(p.x, p.y);
    INPUT input[2]{};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof(INPUT));
    PumpFor(150);
  }

  // A real key press with modifiers held: 1 Shift, 2 Ctrl, 4 Alt.
  static void Press(WORD virtualKey, int modifiers = 0) {
    std::vector<INPUT> input;
    const WORD held[] = {VK_SHIFT, VK_CONTROL, VK_MENU};
    for (int i = 0; i < 3; ++i) {
      if (modifiers & (1 << i)) input.push_back(Key(held[i], false));
    }
    input.push_back(Key(virtualKey, false));
    input.push_back(Key(virtualKey, true));
    for (int i = 2; i >= 0; --i) {
      if (modifiers & (1 << i)) input.push_back(Key(held[i], true));
    }
    SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
    PumpFor(150);
  }

  // The screen colour of a client pixel of a window.
  static COLORREF PixelOf(HWND window, int x, int y) {
    UpdateWindow(window);
    HDC dc = GetDC(window);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return colour;
  }

  // A child's rectangle in its parent's client pixels.
  static PixelRect PlacedAt(HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right, r.bottom};
  }

  HWND frame = nullptr;
  HWND surface = nullptr;
  std::unique_ptr<Win32Toolkit> toolkit;

 private:
  static INPUT Key(WORD virtualKey, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = virtualKey;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return in;
  }
};

inline std::u16string U(const char16_t* text) { return text; }

}  // namespace vexo::win32::testing
