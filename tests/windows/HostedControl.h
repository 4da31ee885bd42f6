// SPDX-License-Identifier: MIT
// The control in a real container: Wine's own ActiveX host window class
// "AtlAxWin" (atl.dll), as the container tests and the benchmark use it.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <olectl.h>
#include <wrl/client.h>

#ifdef GetMessage
#undef GetMessage
#endif

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "VexoKeyBord_h.h"
#include "windows/Harness.h"

namespace vexo::harness {

using Microsoft::WRL::ComPtr;

inline constexpr wchar_t ProgId[] = L"VexoKeyBord.KeyBord";

// atl.dll's control host, loaded once; every entry null where it is missing.
struct Atl {
  BOOL(WINAPI* WinInit)() = nullptr;
  HRESULT(WINAPI* GetControl)(HWND, IUnknown**) = nullptr;
  HRESULT(WINAPI* CreateControl)(LPCOLESTR, HWND, IStream*, IUnknown**) = nullptr;
};

inline const Atl& AtlFunctions() {
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

enum Panel { Letters = 0, Numbers = 1, Symbols = 2 };

// The key's place in its panel in twips, as start-up lays the panels out.
struct KeyPlace {
  float left, top, width, height;
};

inline KeyPlace PlaceOf(Panel panel, int index) {
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

// The number of keys on each panel.
inline constexpr int KeysOn[] = {27, 12, 32};

inline int ScreenDpi(int which) {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, which);
  ReleaseDC(nullptr, screen);
  return dpi;
}

// Twips to pixels as the screen shows them: each edge to the nearest pixel.
inline RECT Pixels(double left, double top, double width, double height, int dpiX, int dpiY) {
  const auto x = [&](double twips) { return static_cast<LONG>(std::floor(twips * dpiX / 1440 + 0.5)); };
  const auto y = [&](double twips) { return static_cast<LONG>(std::floor(twips * dpiY / 1440 + 0.5)); };
  return {x(left), y(top), x(left + width), y(top + height)};
}

// A key's box in its panel's client pixels at the screen's density.
inline RECT KeyPixels(Panel panel, int index) {
  const KeyPlace p = PlaceOf(panel, index);
  return Pixels(p.left, p.top, p.width, p.height, ScreenDpi(LOGPIXELSX), ScreenDpi(LOGPIXELSY));
}

// One control in an AtlAxWin window: created by its programmatic identifier,
// or by the container from `stream`, and found by its parts. Ready once a
// panel holds the focus and everything is painted; `problem` says what went
// wrong on the way, empty when nothing did.
class HostedControl {
 public:
  HostedControl(HWND parent, int x, int y, int width, int height, IStream* stream = nullptr) {
    host = CreateWindowExW(0, L"AtlAxWin", stream ? L"" : ProgId, WS_CHILD | WS_VISIBLE, x, y, width, height,
                           parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!host) {
      Fail("the container window was not created");
      return;
    }
    if (stream && AtlFunctions().CreateControl(ProgId, host, stream, nullptr) != S_OK) {
      Fail("the container did not create the control from the stream");
      return;
    }
    if (AtlFunctions().GetControl(host, &control) != S_OK || !control) {
      Fail("the container holds no control");
      return;
    }
    if (FAILED(control.As(&keybord))) {
      Fail("the control offers no _KeyBord");
      return;
    }
    ComPtr<IOleWindow> window;
    if (SUCCEEDED(control.As(&window))) window->GetWindow(&surface);
    if (!surface || GetParent(surface) != host) {
      Fail("the surface did not move into the container's window");
      return;
    }
    if (!WaitFor("the control shown in its container with a panel focused",
                 [&] { return IsWindowVisible(surface) && GetParent(GetFocus()) == surface; })) {
      Fail("the control was not shown");
      return;
    }
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
    if (found.size() != 3) {
      Fail("the surface holds " + std::to_string(found.size()) + " panels, not 3");
      return;
    }
    // The panels stand side by side: letters, numbers, symbols.
    std::sort(found.begin(), found.end(), [](HWND a, HWND b) { return Left(a) < Left(b); });
    std::copy(found.begin(), found.end(), panels.begin());
    if (!WaitForPaint(host, "the control")) Fail("the control did not paint");
  }
  ~HostedControl() {
    keybord.Reset();
    control.Reset();
    if (host) DestroyWindow(host);
    Pump();
  }
  HostedControl(const HostedControl&) = delete;
  HostedControl& operator=(const HostedControl&) = delete;

  // The centre of a key, in client pixels of its panel.
  static POINT KeyCentre(Panel panel, int index) {
    const RECT box = KeyPixels(panel, index);
    return {(box.left + box.right) / 2, (box.top + box.bottom) / 2};
  }

  // The panel that holds the focus, or -1.
  int FocusedPanel() const {
    const HWND focus = GetFocus();
    for (int i = 0; i < 3; ++i) {
      if (panels[i] && panels[i] == focus) return i;
    }
    return -1;
  }

  // Text through the control's interface; empty when it fails.
  std::wstring Text() const {
    BSTR text = nullptr;
    if (!keybord || keybord->get_Text(&text) != S_OK) return L"";
    std::wstring result = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    return result;
  }

  std::string problem;
  HWND host = nullptr;
  ComPtr<IUnknown> control;
  ComPtr<_KeyBord> keybord;
  HWND surface = nullptr;
  std::array<HWND, 3> panels{};  // in the order of Panel
  HWND field = nullptr;

 private:
  void Fail(std::string what) {
    if (problem.empty()) problem = std::move(what);
  }
  static LONG Left(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r.left;
  }
};

}  // namespace vexo::harness
