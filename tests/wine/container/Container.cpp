#include "Container.h"

#include <algorithm>
#include <cmath>
#include <ostream>

namespace vexo::container {

const Atl& AtlFunctions() {
  static const Atl atl = [] {
    Atl loaded;
    HMODULE module = LoadLibraryW(L"atl.dll");
    if (!module) return loaded;
    loaded.WinInit = reinterpret_cast<decltype(loaded.WinInit)>(
        reinterpret_cast<void*>(GetProcAddress(module, "AtlAxWinInit")));
    loaded.GetControl = reinterpret_cast<decltype(loaded.GetControl)>(
        reinterpret_cast<void*>(GetProcAddress(module, "AtlAxGetControl")));
    loaded.CreateControl = reinterpret_cast<decltype(loaded.CreateControl)>(
        reinterpret_cast<void*>(GetProcAddress(module, "AtlAxCreateControl")));
    return loaded;
  }();
  return atl;
}

std::vector<WPARAM>& FrameCommands() {
  static std::vector<WPARAM> commands;
  return commands;
}

namespace {

LRESULT CALLBACK FrameProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) {
    FrameCommands().push_back(wParam);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

INPUT KeyInput(WORD virtualKey, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = virtualKey;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return in;
}

int Round(double pixels) { return static_cast<int>(std::floor(pixels + 0.5)); }

// Releases seen by the loop, per key and for the left button: input travels
// through the display server, so a press is over once its release arrived.
int keyReleases[256];
int buttonReleases;

// Pumps until `arrived` holds (at most a few seconds), then a little more for
// what the handlers posted.
template <typename Condition>
void PumpUntil(Condition arrived) {
  const DWORD end = GetTickCount() + 3000;
  while (!arrived() && static_cast<LONG>(end - GetTickCount()) > 0) PumpFor(10);
  PumpFor(60);
}

}  // namespace

HWND Frame() {
  static const HWND frame = [] {
    WNDCLASSEXW c{};
    c.cbSize = sizeof c;
    c.lpfnWndProc = FrameProcedure;
    c.hInstance = GetModuleHandleW(nullptr);
    c.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    c.lpszClassName = L"VexoContainerFrame";
    RegisterClassExW(&c);
    HWND made = CreateWindowExW(WS_EX_CONTROLPARENT, L"VexoContainerFrame", L"container test",
                                WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 20, 20, 1000, 520, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    ShowWindow(made, SW_SHOW);
    UpdateWindow(made);
    return made;
  }();
  if (GetForegroundWindow() != frame) SetForegroundWindow(frame);
  if (GetActiveWindow() != frame) SetActiveWindow(frame);
  return frame;
}

void Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_KEYUP || message.message == WM_SYSKEYUP) ++keyReleases[message.wParam & 0xFF];
    if (message.message == WM_LBUTTONUP) ++buttonReleases;
    if (message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST) {
      // As an application's loop: the control whose user interface is active
      // sees key presses before the window they are for.
      ComPtr<IUnknown> control;
      HWND host = GetParent(GetParent(message.hwnd));
      ComPtr<IOleInPlaceActiveObject> active;
      if (host && AtlFunctions().GetControl && SUCCEEDED(AtlFunctions().GetControl(host, &control)) &&
          SUCCEEDED(control.As(&active)) && active->TranslateAccelerator(&message) == S_OK) {
        continue;
      }
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void PumpFor(DWORD milliseconds) {
  const DWORD end = GetTickCount() + milliseconds;
  do {
    Pump();
    Sleep(5);
  } while (static_cast<LONG>(end - GetTickCount()) > 0);
}

void ClickAt(POINT screen) {
  SetCursorPos(screen.x, screen.y);
  PumpFor(30);
  INPUT input[2]{};
  input[0].type = input[1].type = INPUT_MOUSE;
  input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  const int before = buttonReleases;
  SendInput(2, input, sizeof(INPUT));
  PumpUntil([&] { return buttonReleases > before; });
}

void Press(WORD virtualKey, bool shift) {
  std::vector<INPUT> input;
  if (shift) input.push_back(KeyInput(VK_SHIFT, false));
  input.push_back(KeyInput(virtualKey, false));
  input.push_back(KeyInput(virtualKey, true));
  if (shift) input.push_back(KeyInput(VK_SHIFT, true));
  const WORD last = shift ? VK_SHIFT : virtualKey;
  const int before = keyReleases[last];
  SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
  PumpUntil([&] { return keyReleases[last] > before; });
}

COLORREF PixelOf(HWND window, int x, int y) {
  RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  HDC dc = GetDC(window);
  const COLORREF colour = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return colour;
}

std::ostream& operator<<(std::ostream& out, const Box& box) {
  return out << "(" << box.left << ", " << box.top << ")-(" << box.right << ", " << box.bottom << ")";
}

Box Pixels(float left, float top, float width, float height, int dpiX, int dpiY) {
  const auto x = [&](double twips) { return Round(twips * dpiX / 1440); };
  const auto y = [&](double twips) { return Round(twips * dpiY / 1440); };
  return {x(left), y(top), x(static_cast<double>(left) + width), y(static_cast<double>(top) + height)};
}

Box PlacedIn(HWND window, HWND relativeTo) {
  RECT r{};
  GetWindowRect(window, &r);
  MapWindowPoints(nullptr, relativeTo, reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right, r.bottom};
}

int ScreenDpiX() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi;
}

int ScreenDpiY() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

KeyPlace PlaceOf(Panel panel, int index) {
  switch (panel) {
    case Letters: {
      // Rows of 10, 9 and 7 keys, each lower row shifted right by half a key
      // step more; the space bar under them.
      constexpr float Step = 395;
      if (index < 10) return {Step * index, 0, 375, 350};
      if (index < 19) return {197 + Step * (index - 10), 370, 375, 350};
      if (index < 26) return {592 + Step * (index - 19), 740, 375, 350};
      return {987, 1110, 1955, 350};
    }
    case Numbers:
      return {395.0f * (index % 3), 365.0f * (index / 3), 375, 345};
    case Symbols:
      return {395.0f * (index % 8), 370.0f * (index / 8), 375, 350};
  }
  return {};
}

Hosted::Hosted(int x, int y, int width, int height, IStream* stream) {
  const HWND frame = Frame();
  host = CreateWindowExW(0, L"AtlAxWin", stream ? L"" : ProgId, WS_CHILD | WS_VISIBLE, x, y, width, height, frame,
                         nullptr, GetModuleHandleW(nullptr), nullptr);
  EXPECT_NE(host, nullptr) << "the container window";
  if (!host) return;
  if (stream) {
    EXPECT_EQ(AtlFunctions().CreateControl(ProgId, host, stream, nullptr), S_OK);
  }
  PumpFor(100);
  EXPECT_EQ(AtlFunctions().GetControl(host, &control), S_OK);
  if (!control) return;
  EXPECT_EQ(control.As(&keybord), S_OK);
  ComPtr<IOleWindow> window;
  if (SUCCEEDED(control.As(&window))) window->GetWindow(&surface);
  EXPECT_EQ(GetParent(surface), host) << "the surface moved into the container's window";

  std::vector<HWND> found;
  for (HWND child = GetWindow(surface, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t name[64] = {};
    GetClassNameW(child, name, 64);
    if (std::wstring(name) == L"VexoKeyBordPanel") {
      found.push_back(child);
    } else if (_wcsnicmp(name, L"RichEdit", 8) == 0) {
      field = child;
    }
  }
  EXPECT_EQ(found.size(), 3u);
  // The panels stand side by side: letters, numbers, symbols.
  std::sort(found.begin(), found.end(),
            [&](HWND a, HWND b) { return PlacedIn(a, surface).left < PlacedIn(b, surface).left; });
  for (std::size_t i = 0; i < found.size() && i < 3; ++i) panels[i] = found[i];
  PumpFor(50);
}

Hosted::~Hosted() {
  keybord.Reset();
  control.Reset();
  if (host) DestroyWindow(host);
  Pump();
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
  const Box box = KeyBox(panel, index);
  POINT p{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
  ClientToScreen(panels[panel], &p);
  return p;
}

COLORREF Hosted::KeyColour(Panel panel, int index) {
  const Box box = KeyBox(panel, index);
  return PixelOf(panels[panel], box.left + 4, (box.top + box.bottom) / 2);
}

int Hosted::FocusedPanel() {
  const HWND focus = GetFocus();
  for (int i = 0; i < 3; ++i) {
    if (panels[i] && panels[i] == focus) return i;
  }
  return -1;
}

}  // namespace vexo::container
