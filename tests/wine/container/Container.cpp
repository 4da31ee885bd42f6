// SPDX-License-Identifier: MIT
#include "Container.h"

#include <algorithm>
#include <ostream>

namespace vexo::container {

std::vector<WPARAM>& FrameCommands() {
  static std::vector<WPARAM> commands;
  return commands;
}

std::function<void(WPARAM)>& FrameCommandHandler() {
  static std::function<void(WPARAM)> handler;
  return handler;
}

int& FrameCloses() {
  static int closes = 0;
  return closes;
}

namespace {

LRESULT CALLBACK FrameProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) {
    FrameCommands().push_back(wParam);
    if (FrameCommandHandler()) FrameCommandHandler()(wParam);
    return 0;
  }
  if (message == WM_CLOSE) {
    ++FrameCloses();  // the frame serves every test: it is never closed
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

const bool loopOffersKeysToTheControl = (harness::BeforeDispatch() = OfferToTheActiveControl, true);

}  // namespace

bool OfferToTheActiveControl(MSG& message) {
  if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST) return false;
  ComPtr<IUnknown> control;
  HWND host = GetParent(GetParent(message.hwnd));
  ComPtr<IOleInPlaceActiveObject> active;
  return host && AtlFunctions().GetControl && SUCCEEDED(AtlFunctions().GetControl(host, &control)) &&
         SUCCEEDED(control.As(&active)) && active->TranslateAccelerator(&message) == S_OK;
}

HWND Frame() {
  static const HWND frame = [] {
    harness::RegisterFrameClass(L"VexoContainerFrame", FrameProcedure);
    HWND made = CreateWindowExW(WS_EX_CONTROLPARENT, L"VexoContainerFrame", L"container test",
                                WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 20, 20, 1000, 520, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    harness::ShowActive(made);
    return made;
  }();
  if (GetForegroundWindow() != frame) SetForegroundWindow(frame);
  if (GetActiveWindow() != frame) SetActiveWindow(frame);
  return frame;
}

std::ostream& operator<<(std::ostream& out, const Box& box) {
  return out << "(" << box.left << ", " << box.top << ")-(" << box.right << ", " << box.bottom << ")";
}

Box Pixels(float left, float top, float width, float height, int dpiX, int dpiY) {
  const RECT r = harness::Pixels(left, top, width, height, dpiX, dpiY);
  return {r.left, r.top, r.right, r.bottom};
}

Box PlacedIn(HWND window, HWND relativeTo) {
  RECT r{};
  GetWindowRect(window, &r);
  MapWindowPoints(nullptr, relativeTo, reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right, r.bottom};
}

int ScreenDpiX() { return harness::ScreenDpi(LOGPIXELSX); }
int ScreenDpiY() { return harness::ScreenDpi(LOGPIXELSY); }

Hosted::Hosted(int x, int y, int width, int height, IStream* stream)
    : HostedControl(Frame(), x, y, width, height, stream) {
  EXPECT_EQ(problem, "") << "the control in its container";
}

std::wstring Hosted::Text() {
  BSTR text = nullptr;
  EXPECT_EQ(keybord->get_Text(&text), S_OK);
  std::wstring result = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
  SysFreeString(text);
  return result;
}

Box Hosted::KeyBox(Panel panel, int index) {
  const KeyPlace p = PlaceOf(panel, index);
  return Pixels(p.left, p.top, p.width, p.height, ScreenDpiX(), ScreenDpiY());
}

POINT Hosted::KeyCentre(Panel panel, int index) {
  POINT p = HostedControl::KeyCentre(panel, index);
  ClientToScreen(panels[panel], &p);
  return p;
}

COLORREF Hosted::KeyColour(Panel panel, int index) {
  const Box box = KeyBox(panel, index);
  return PixelOf(panels[panel], box.left + 4, (box.top + box.bottom) / 2);
}

}  // namespace vexo::container
