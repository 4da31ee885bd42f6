// SPDX-License-Identifier: MIT
// KeyBordDemo: a window that hosts the KeyBord control as an application
// does, in the system's ActiveX host window ("AtlAxWin" of atl.dll).
//
// It shows the typed text as it changes (the control tells its property
// sinks of every change of Text), shows each F7 command
// the control sends to the window, and saves and loads the control's three
// properties (ChangeBord, Text, MaxLength) to a file, as a form does.
//
//   KeyBordDemo.exe [--file PATH] [--type WORD [--reload] --done PATH]
//
// --file names the saved file (default KeyBordDemo.vkb in the current
// directory). --type types WORD through the system's input once the window is
// up, then writes the control's text (as ASCII) and where the window's inside
// stands on the screen (left top width height) to the --done file: for
// scripts that take a screenshot; a third line tells where the control's
// window stands in its host area, for the check that all of it shows. With --reload it presses Save and then Load
// before that, so that the text written is the one a fresh control read back
// from the file, and closes once it has written it: a check of the whole round.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>
#include <initguid.h>
#include <wrl/client.h>

#ifdef GetMessage
#undef GetMessage
#endif

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "VexoKeyBord_h.h"

namespace {

using Microsoft::WRL::ComPtr;

constexpr wchar_t ProgId[] = L"VexoKeyBord.KeyBord";
constexpr int SaveButton = 1001;
constexpr int LoadButton = 1002;
constexpr int ClearButton = 1003;
constexpr WPARAM F7Command = 118;
constexpr UINT_PTR TypeTimer = 2;
constexpr DISPID TextId = 0x68030001;

struct Atl {
  BOOL(WINAPI* WinInit)() = nullptr;
  HRESULT(WINAPI* GetControl)(HWND, IUnknown**) = nullptr;
  HRESULT(WINAPI* CreateControl)(LPCOLESTR, HWND, IStream*, IUnknown**) = nullptr;
};

struct Demo {
  Atl atl;
  HWND frame = nullptr;
  HWND host = nullptr;  // the AtlAxWin window that holds the control
  HWND textLabel = nullptr;
  HWND commandLabel = nullptr;
  HWND statusLabel = nullptr;
  ComPtr<_KeyBord> keybord;
  ComPtr<IConnectionPoint> notifications;  // of the control, for the sink below
  DWORD cookie = 0;
  std::wstring shownText = L"\x1";  // nothing shown yet
  int commands = 0;
  std::wstring file = L"KeyBordDemo.vkb";
  std::wstring typeWord;
  std::wstring donePath;
  bool reload = false;
  std::size_t typed = 0;
  HWND saveButton = nullptr;
  HWND loadButton = nullptr;
  HWND clearButton = nullptr;
} demo;

template <typename Function>
Function Export(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

void SetStatus(const std::wstring& text) { SetWindowTextW(demo.statusLabel, text.c_str()); }

std::wstring Describe(HRESULT status) {
  wchar_t text[64];
  std::swprintf(text, 64, L"0x%08lX", static_cast<unsigned long>(status));
  return text;
}

std::wstring ControlText() {
  if (!demo.keybord) return L"";
  BSTR text = nullptr;
  if (FAILED(demo.keybord->get_Text(&text))) return L"";
  std::wstring result(text ? text : L"", text ? SysStringLen(text) : 0);
  SysFreeString(text);
  return result;
}

// Shows the control's text when it changed.
void RefreshText() {
  const std::wstring text = ControlText();
  if (text == demo.shownText) return;
  demo.shownText = text;
  const std::wstring line = L"Text: \"" + text + L"\"  (" + std::to_wstring(text.size()) + L" characters)";
  SetWindowTextW(demo.textLabel, line.c_str());
}

// Hears of the control's property changes and shows the text when it is
// Text that changed; DISPID_UNKNOWN means any property may have.
class TextSink final : public IPropertyNotifySink {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = (iid == IID_IUnknown || iid == IID_IPropertyNotifySink) ? this : nullptr;
    return *object ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives as long as the program
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE OnChanged(DISPID member) override {
    if (member == TextId || member == DISPID_UNKNOWN) RefreshText();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID) override { return S_OK; }
} textSink;

void Unlisten() {
  if (demo.notifications) demo.notifications->Unadvise(demo.cookie);
  demo.notifications.Reset();
  demo.cookie = 0;
}

HRESULT Listen() {
  ComPtr<IConnectionPointContainer> container;
  HRESULT status = demo.keybord.As(&container);
  if (SUCCEEDED(status)) status = container->FindConnectionPoint(IID_IPropertyNotifySink, &demo.notifications);
  if (SUCCEEDED(status)) status = demo.notifications->Advise(&textSink, &demo.cookie);
  if (FAILED(status)) demo.notifications.Reset();
  return status;
}

int ScreenDpi(int which) {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, which) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

// A length of the demo's own layout, given at 96 dots per inch, on this screen.
int Scaled(int pixels) { return MulDiv(pixels, ScreenDpi(LOGPIXELSY), 96); }

// The control's size on this screen: its extent, which it gives in HIMETRIC
// (2540 to the inch), at the screen's density, or the size of its window once
// it is active where that is larger (the control rounds each of its parts to
// whole pixels, the extent only the whole).
SIZE ControlSize() {
  SIZE size{0, 0};
  ComPtr<IOleObject> object;
  SIZEL extent{};
  if (demo.keybord && SUCCEEDED(demo.keybord.As(&object)) &&
      SUCCEEDED(object->GetExtent(DVASPECT_CONTENT, &extent))) {
    size = SIZE{MulDiv(extent.cx, ScreenDpi(LOGPIXELSX), 2540), MulDiv(extent.cy, ScreenDpi(LOGPIXELSY), 2540)};
  }
  RECT window{};
  const HWND control = demo.host ? GetWindow(demo.host, GW_CHILD) : nullptr;
  if (control && GetWindowRect(control, &window)) {
    size.cx = std::max<LONG>(size.cx, window.right - window.left);
    size.cy = std::max<LONG>(size.cy, window.bottom - window.top);
  }
  if (size.cx <= 0 || size.cy <= 0) return SIZE{Scaled(600), Scaled(160)};
  return size;
}

// The host area takes the control's size, the rows below it follow, and the
// window grows or shrinks around them: the whole keyboard shows at any
// density.
void FitToControl() {
  const SIZE control = ControlSize();
  const int margin = Scaled(10);
  const int width = std::max<int>(control.cx, Scaled(600));
  if (demo.host) {
    SetWindowPos(demo.host, nullptr, margin, margin, control.cx, control.cy, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  int y = margin + control.cy + Scaled(6);
  const int line = Scaled(22);
  MoveWindow(demo.textLabel, margin, y, width, line, TRUE);
  MoveWindow(demo.commandLabel, margin, y + Scaled(26), width, line, TRUE);
  y += Scaled(56);
  const int button = Scaled(90);
  MoveWindow(demo.saveButton, margin, y, button, Scaled(26), TRUE);
  MoveWindow(demo.loadButton, margin + Scaled(100), y, button, Scaled(26), TRUE);
  MoveWindow(demo.clearButton, margin + Scaled(200), y, button, Scaled(26), TRUE);
  MoveWindow(demo.statusLabel, margin + Scaled(300), y + Scaled(4), std::max<int>(width - Scaled(300), Scaled(300)),
             line, TRUE);
  RECT outer{0, 0, width + 2 * margin, y + Scaled(26) + margin};
  AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrW(demo.frame, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(demo.frame, GWL_EXSTYLE)));
  SetWindowPos(demo.frame, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Places a control in the host window: a new one, or one the container
// creates from the saved stream.
HRESULT PlaceControl(IStream* saved) {
  Unlisten();
  demo.keybord.Reset();
  if (demo.host) DestroyWindow(demo.host);
  demo.host = CreateWindowExW(0, L"AtlAxWin", saved ? L"" : ProgId, WS_CHILD | WS_VISIBLE, 10, 10, 600, 160,
                              demo.frame, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!demo.host) return HRESULT_FROM_WIN32(GetLastError());
  if (saved) {
    const HRESULT created = demo.atl.CreateControl(ProgId, demo.host, saved, nullptr);
    if (FAILED(created)) return created;
  }
  ComPtr<IUnknown> control;
  HRESULT status = demo.atl.GetControl(demo.host, &control);
  if (SUCCEEDED(status)) status = control.As(&demo.keybord);
  if (SUCCEEDED(status)) status = Listen();
  FitToControl();
  demo.shownText = L"\x1";
  RefreshText();
  return status;
}

HRESULT SaveToFile() {
  ComPtr<IPersistStreamInit> persist;
  if (!demo.keybord) return E_UNEXPECTED;
  HRESULT status = demo.keybord.As(&persist);
  ComPtr<IStream> stream;
  if (SUCCEEDED(status)) status = CreateStreamOnHGlobal(nullptr, TRUE, &stream);
  if (SUCCEEDED(status)) status = persist->Save(stream.Get(), TRUE);
  if (FAILED(status)) return status;
  HGLOBAL memory = nullptr;
  GetHGlobalFromStream(stream.Get(), &memory);
  STATSTG stat{};
  stream->Stat(&stat, STATFLAG_NONAME);
  const void* bytes = GlobalLock(memory);
  HANDLE file = CreateFileW(demo.file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  const BOOL ok = file != INVALID_HANDLE_VALUE &&
                  WriteFile(file, bytes, static_cast<DWORD>(stat.cbSize.QuadPart), &written, nullptr);
  const HRESULT error = ok ? S_OK : HRESULT_FROM_WIN32(GetLastError());
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  GlobalUnlock(memory);
  return error;
}

HRESULT LoadFromFile() {
  HANDLE file = CreateFileW(demo.file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return HRESULT_FROM_WIN32(GetLastError());
  std::vector<BYTE> bytes(1 << 16);
  std::vector<BYTE> all;
  DWORD read = 0;
  while (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) && read > 0) {
    all.insert(all.end(), bytes.begin(), bytes.begin() + read);
  }
  CloseHandle(file);
  ComPtr<IStream> stream;
  HRESULT status = CreateStreamOnHGlobal(nullptr, TRUE, &stream);
  ULONG written = 0;
  if (SUCCEEDED(status) && !all.empty()) status = stream->Write(all.data(), static_cast<ULONG>(all.size()), &written);
  if (SUCCEEDED(status)) status = stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
  // A fresh control, created by the container from what was saved, as a
  // form loads its controls.
  if (SUCCEEDED(status)) status = PlaceControl(stream.Get());
  return status;
}

// Types the next character of the word through the system's input.
void TypeNext() {
  if (demo.typed >= demo.typeWord.size()) {
    KillTimer(demo.frame, TypeTimer);
    if (demo.reload) {
      // As the user's clicks on the two buttons.
      SendMessageW(demo.saveButton, BM_CLICK, 0, 0);
      SendMessageW(demo.loadButton, BM_CLICK, 0, 0);
    }
    RefreshText();
    if (!demo.donePath.empty()) {
      FILE* done = _wfopen(demo.donePath.c_str(), L"wb");
      if (done) {
        const std::wstring text = ControlText();
        for (wchar_t c : text) std::fputc(c < 128 ? static_cast<char>(c) : '?', done);
        RECT client{};
        GetClientRect(demo.frame, &client);
        POINT corner{0, 0};
        ClientToScreen(demo.frame, &corner);
        std::fprintf(done, "\n%ld %ld %ld %ld\n", corner.x, corner.y, client.right, client.bottom);
        // For the check that the whole keyboard shows: the screen's density,
        // the control's window in the host area's client coordinates, the
        // host area's client size, and the host area in the window's.
        RECT control{};
        const HWND controlWindow = demo.host ? GetWindow(demo.host, GW_CHILD) : nullptr;
        if (controlWindow) {
          GetWindowRect(controlWindow, &control);
          MapWindowPoints(nullptr, demo.host, reinterpret_cast<POINT*>(&control), 2);
        }
        RECT hostClient{};
        RECT host{};
        if (demo.host) {
          GetClientRect(demo.host, &hostClient);
          GetWindowRect(demo.host, &host);
          MapWindowPoints(nullptr, demo.frame, reinterpret_cast<POINT*>(&host), 2);
        }
        std::fprintf(done, "dpi %d control %ld %ld %ld %ld host %ld %ld in %ld %ld %ld %ld\n", ScreenDpi(LOGPIXELSY),
                     control.left, control.top, control.right, control.bottom, hostClient.right, hostClient.bottom,
                     host.left, host.top, host.right, host.bottom);
        std::fclose(done);
      }
    }
    if (demo.reload) PostMessageW(demo.frame, WM_CLOSE, 0, 0);
    return;
  }
  const SHORT key = VkKeyScanW(demo.typeWord[demo.typed++]);
  if (key == -1) return;
  const WORD virtualKey = LOBYTE(key);
  const bool shift = (HIBYTE(key) & 1) != 0;
  std::vector<INPUT> input;
  auto add = [&](WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    input.push_back(in);
  };
  if (shift) add(VK_SHIFT, false);
  add(virtualKey, false);
  add(virtualKey, true);
  if (shift) add(VK_SHIFT, true);
  SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
}

HWND Label(const wchar_t* text, int x, int y, int width) {
  HWND label = CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, x, y, width, 22,
                               demo.frame, nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  return label;
}

HWND Button(const wchar_t* text, int id, int x, int y) {
  HWND button = CreateWindowExW(0, L"BUTTON", text, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, x, y, 90, 26, demo.frame,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  return button;
}

LRESULT CALLBACK FrameProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case F7Command: {
          // The control's F7 key: the command the host application receives.
          ++demo.commands;
          SYSTEMTIME now{};
          GetLocalTime(&now);
          wchar_t text[96];
          std::swprintf(text, 96, L"F7 command 118 received %d time%ls (last at %02d:%02d:%02d)", demo.commands,
                        demo.commands == 1 ? L"" : L"s", now.wHour, now.wMinute, now.wSecond);
          SetWindowTextW(demo.commandLabel, text);
          return 0;
        }
        case SaveButton: {
          const HRESULT status = SaveToFile();
          SetStatus(SUCCEEDED(status) ? L"Saved ChangeBord, Text and MaxLength to " + demo.file
                                      : L"Saving failed: " + Describe(status));
          return 0;
        }
        case LoadButton: {
          const HRESULT status = LoadFromFile();
          SetStatus(SUCCEEDED(status) ? L"Loaded a fresh control from " + demo.file
                                      : L"Loading failed: " + Describe(status));
          return 0;
        }
        case ClearButton:
          if (demo.keybord) demo.keybord->put_Text(nullptr);
          return 0;
      }
      break;
    case WM_TIMER:
      if (wParam == TypeTimer) TypeNext();
      return 0;
    case WM_DESTROY:
      Unlisten();
      demo.keybord.Reset();
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void ReadArguments() {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 1; arguments && i < count; ++i) {
    const std::wstring name = arguments[i];
    if (name == L"--reload") demo.reload = true;
    if (i + 1 >= count) break;
    if (name == L"--file") demo.file = arguments[++i];
    else if (name == L"--type") demo.typeWord = arguments[++i];
    else if (name == L"--done") demo.donePath = arguments[++i];
  }
  LocalFree(arguments);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  ReadArguments();
  if (FAILED(OleInitialize(nullptr))) return 1;
  HMODULE atl = LoadLibraryW(L"atl.dll");
  if (atl) {
    demo.atl.WinInit = Export<decltype(demo.atl.WinInit)>(atl, "AtlAxWinInit");
    demo.atl.GetControl = Export<decltype(demo.atl.GetControl)>(atl, "AtlAxGetControl");
    demo.atl.CreateControl = Export<decltype(demo.atl.CreateControl)>(atl, "AtlAxCreateControl");
  }
  if (!demo.atl.WinInit || !demo.atl.GetControl || !demo.atl.CreateControl || !demo.atl.WinInit()) {
    MessageBoxW(nullptr, L"The system's ActiveX host (atl.dll) is missing.", L"KeyBordDemo", MB_OK | MB_ICONERROR);
    return 1;
  }

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = FrameProcedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = L"VexoKeyBordDemo";
  RegisterClassExW(&windowClass);
  RECT outer{0, 0, 620, 290};
  AdjustWindowRectEx(&outer, WS_OVERLAPPEDWINDOW, FALSE, 0);
  demo.frame = CreateWindowExW(WS_EX_CONTROLPARENT, L"VexoKeyBordDemo", L"VexoKeyBord demo",
                               WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, outer.right - outer.left,
                               outer.bottom - outer.top, nullptr, nullptr, instance, nullptr);
  demo.textLabel = Label(L"", 10, 176, 600);
  demo.commandLabel = Label(L"F7 command 118: none yet (press F7 on the keyboard)", 10, 202, 600);
  demo.saveButton = Button(L"Save", SaveButton, 10, 232);
  demo.loadButton = Button(L"Load", LoadButton, 110, 232);
  demo.clearButton = Button(L"Clear", ClearButton, 210, 232);
  demo.statusLabel = Label(L"Click the keys or type; F2, F3, F4 switch panels.", 310, 236, 300);
  ShowWindow(demo.frame, show);
  UpdateWindow(demo.frame);

  const HRESULT placed = PlaceControl(nullptr);
  if (FAILED(placed)) {
    SetStatus(L"The control could not be created: " + Describe(placed) + L" (is VexoKeyBord.ocx registered?)");
  }
  if (!demo.typeWord.empty()) SetTimer(demo.frame, TypeTimer, 300, nullptr);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST && demo.host) {
      // The control's own keys first, as every host of an in-place control does.
      ComPtr<IUnknown> control;
      ComPtr<IOleInPlaceActiveObject> active;
      if (SUCCEEDED(demo.atl.GetControl(demo.host, &control)) && SUCCEEDED(control.As(&active)) &&
          active->TranslateAccelerator(&message) == S_OK) {
        continue;
      }
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  OleUninitialize();
  return 0;
}
