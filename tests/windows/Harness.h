// SPDX-License-Identifier: MIT
// Driving real windows as a user does, and waiting for what follows: one copy
// for the Windows test programs and the benchmark.
//
// Nothing here waits a fixed time. Input travels through the system's queue,
// so a click or a key press is over once its release came through the message
// loop; everything else is a condition with a deadline. A wait that runs out
// is reported, naming what it waited for: a test program reports it as the
// running test's failure (TestHarness.h), the benchmark counts it and says so.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace vexo::harness {

// Milliseconds on the high-resolution clock.
inline double NowMs() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) * 1000.0 / frequency;
}

// --- Reporting a wait that ran out.

using TimeoutReport = void (*)(const std::string& what, double waitedMs);

inline int& Timeouts() {
  static int count = 0;
  return count;
}

inline void PrintTimeout(const std::string& what, double waitedMs) {
  std::fprintf(stderr, "timed out after %.0f ms waiting for %s\n", waitedMs, what.c_str());
  std::fflush(stderr);
}

// What a wait that ran out does besides counting; a test program installs
// one that fails the test.
inline TimeoutReport& OnTimeout() {
  static TimeoutReport report = PrintTimeout;
  return report;
}

// --- The message loop.

// Sees each message before it is translated and dispatched, and answers
// whether it handled it: an application's loop offers key presses to the
// control whose user interface is active first.
using PreTranslate = bool (*)(MSG& message);
inline PreTranslate& BeforeDispatch() {
  static PreTranslate hook = nullptr;
  return hook;
}

// Releases that came through the loop, per virtual key and for the left
// button.
struct Releases {
  int keys[256] = {};
  int leftButton = 0;
};
inline Releases& Released() {
  static Releases seen;
  return seen;
}

// Handles every message that is waiting, also those that arrive meanwhile.
inline void Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_KEYUP || message.message == WM_SYSKEYUP) ++Released().keys[message.wParam & 0xFF];
    if (message.message == WM_LBUTTONUP) ++Released().leftButton;
    if (BeforeDispatch() && BeforeDispatch()(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

inline constexpr DWORD DefaultDeadlineMs = 5000;

// Pumps until `holds()` is true and answers true; when the deadline passes
// first, reports a timeout naming `what` and answers false.
template <typename Condition>
bool WaitFor(const std::string& what, Condition holds, DWORD deadlineMs = DefaultDeadlineMs) {
  const double start = NowMs();
  const double end = start + deadlineMs;
  for (;;) {
    Pump();
    if (holds()) return true;
    const double left = end - NowMs();
    if (left <= 0) {
      ++Timeouts();
      OnTimeout()(what, NowMs() - start);
      return false;
    }
    // Until a message arrives; a few milliseconds at most, since some
    // conditions (the cursor's position) change without one.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min(left, 5.0)) + 1, QS_ALLINPUT);
  }
}

// --- Painting.

inline BOOL CALLBACK AnyChildToPaint(HWND child, LPARAM found) {
  if (GetUpdateRect(child, nullptr, FALSE)) {
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
  }
  return TRUE;
}

// Whether the window and its children have nothing left to paint.
inline bool Painted(HWND window) {
  if (GetUpdateRect(window, nullptr, FALSE)) return false;
  bool found = false;
  EnumChildWindows(window, AnyChildToPaint, reinterpret_cast<LPARAM>(&found));
  return !found;
}

// Pumps until the window and its children have painted what they had to.
inline bool WaitForPaint(HWND window, const std::string& what) {
  return WaitFor(what + " painted", [&] { return Painted(window); });
}

// The screen colour of a client pixel of a window, after it and its children
// painted.
inline COLORREF PixelOf(HWND window, int x, int y) {
  RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  HDC dc = GetDC(window);
  const COLORREF colour = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return colour;
}

// --- Top-level windows.

// Registers a window class for frames and surfaces: arrow cursor, window
// background. Registering it again does nothing.
inline void RegisterFrameClass(const wchar_t* name, WNDPROC procedure = DefWindowProcW) {
  WNDCLASSEXW c{};
  c.cbSize = sizeof c;
  c.lpfnWndProc = procedure;
  c.hInstance = GetModuleHandleW(nullptr);
  c.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  c.lpszClassName = name;
  RegisterClassExW(&c);
}

// Shows a top-level window as a user's, in front and active with the focus,
// and waits until it is so and painted.
inline bool ShowActive(HWND frame) {
  if (!IsWindowVisible(frame)) ShowWindow(frame, SW_SHOW);
  if (GetForegroundWindow() != frame) SetForegroundWindow(frame);
  if (GetActiveWindow() != frame) SetActiveWindow(frame);
  if (GetFocus() != frame && !IsChild(frame, GetFocus())) SetFocus(frame);
  UpdateWindow(frame);
  return WaitFor("the frame shown in front, active and painted", [&] {
    return IsWindowVisible(frame) && GetForegroundWindow() == frame && GetActiveWindow() == frame &&
           Painted(frame);
  });
}

inline BOOL CALLBACK CountChild(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}
inline BOOL CALLBACK CountTopLevel(HWND window, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  EnumChildWindows(window, CountChild, count);
  return TRUE;
}

// Whether a message-only window is one that OLE keeps for the thread (its
// apartment and clipboard windows): they come and go with OLE's
// initialisation, which the system's rich-text control does on its own.
inline bool OleWindow(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return lstrcmpiW(name, L"OleMainThreadWndClass") == 0 || lstrcmpiW(name, L"CLIPBRDWNDCLASS") == 0;
}

// The windows of this thread, children included, message-only windows (which
// no enumeration of top-level windows sees) and theirs too, except OLE's.
inline int WindowsOfThisThread() {
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountTopLevel, reinterpret_cast<LPARAM>(&count));
  for (HWND window = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); window;
       window = FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr)) {
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId() && !OleWindow(window)) {
      CountTopLevel(window, reinterpret_cast<LPARAM>(&count));
    }
  }
  return count;
}

// --- Input through the system, as from the physical devices.

inline std::string PointText(POINT screen) {
  return "(" + std::to_string(screen.x) + ", " + std::to_string(screen.y) + ")";
}

// Puts the cursor at a screen point; over when it is there.
inline bool MoveCursorTo(POINT screen) {
  SetCursorPos(screen.x, screen.y);
  return WaitFor("the cursor at " + PointText(screen), [&] {
    POINT now{};
    return GetCursorPos(&now) && now.x == screen.x && now.y == screen.y;
  });
}

// A press and release of the left button where the cursor is; over when the
// release came through the loop and what it caused was handled.
inline bool ClickHere() {
  INPUT input[2]{};
  input[0].type = input[1].type = INPUT_MOUSE;
  input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  const int before = Released().leftButton;
  SendInput(2, input, sizeof(INPUT));
  return WaitFor("the release of the left button", [&] { return Released().leftButton > before; });
}

// The same at a screen point.
inline bool ClickAt(POINT screen) { return MoveCursorTo(screen) && ClickHere(); }

// Modifiers held around a key press.
enum Modifier { Shift = 1, Ctrl = 2, Alt = 4 };

inline INPUT KeyInput(WORD virtualKey, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = virtualKey;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return in;
}

// A press and release of a key with `modifiers` held (Modifier bits); over
// when the last release came through the loop and what it caused was handled.
inline bool Press(WORD virtualKey, int modifiers = 0) {
  constexpr WORD held[] = {VK_SHIFT, VK_CONTROL, VK_MENU};
  std::vector<INPUT> input;
  for (int i = 0; i < 3; ++i) {
    if (modifiers & (1 << i)) input.push_back(KeyInput(held[i], false));
  }
  input.push_back(KeyInput(virtualKey, false));
  input.push_back(KeyInput(virtualKey, true));
  WORD last = virtualKey;
  for (int i = 2; i >= 0; --i) {
    if (modifiers & (1 << i)) {
      input.push_back(KeyInput(held[i], true));
      last = held[i];
    }
  }
  const int before = Released().keys[last];
  SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
  return WaitFor("the release of virtual key " + std::to_string(virtualKey) + " (modifiers " +
                     std::to_string(modifiers) + ")",
                 [&] { return Released().keys[last] > before; });
}

}  // namespace vexo::harness
