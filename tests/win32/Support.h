// SPDX-License-Identifier: MIT
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
#include "windows/TestHarness.h"

namespace vexo::win32::testing {

using harness::Pump;
using harness::WaitFor;

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
  HResult OnFieldEdit(FieldEdit edit, std::u16string_view) override {
    return Note({"FieldEdit", -1, static_cast<int>(edit)});
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
  void ShowFrame() { harness::ShowActive(frame); }

  // Shows the frame and the component on it, started up, as a user sees it.
  void StartShown() {
    ShowFrame();
    ASSERT_EQ(toolkit->Initialize(), hr::Ok);
    ASSERT_EQ(toolkit->Show(), hr::Ok);
    Pump();
  }

  static HWND Frame() {
    static const HWND frame = [] {
      harness::RegisterFrameClass(L"VexoTestFrame");
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
  static void ClickAt(POINT p) { harness::ClickAt(p); }

  // A real key press with modifiers held: 1 Shift, 2 Ctrl, 4 Alt.
  static void Press(WORD virtualKey, int modifiers = 0) { harness::Press(virtualKey, modifiers); }

  // The screen colour of a client pixel of a window.
  static COLORREF PixelOf(HWND window, int x, int y) { return harness::PixelOf(window, x, y); }

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
};

inline std::u16string U(const char16_t* text) { return text; }

}  // namespace vexo::win32::testing
