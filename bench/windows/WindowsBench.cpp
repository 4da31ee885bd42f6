// Speed and footprint of the keyboard on real windows, each figure beside a
// baseline measured in the same run on the same screen: the machine is shared
// and noisy, so ratios are what count. Subject and baseline alternate step by
// step, so that a burst of load hits both.
//
//   keybord-bench-windows <path of VexoKeyBord.ocx> [--quick]
//
// Runs under Wine with a display (scripts/bench-windows.sh starts a virtual
// one). Every time includes handling the messages the step posted and
// painting the field, as the user waits for both.
#include <windows.h>
#include <ole2.h>
#include <richedit.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "component/KeyBord.h"
#include "widgets/win32/Win32Toolkit.h"

namespace {

using vexo::KeyBord;
using vexo::PanelId;
using vexo::win32::Win32Panel;
using vexo::win32::Win32Toolkit;

double NowMs() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) * 1000.0 / frequency;
}

void Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(index, values.size() - 1)];
}
double Median(const std::vector<double>& values) { return Percentile(values, 0.5); }

void Figure(const char* name, double subject, double baseline, const char* unit, const char* goal) {
  std::printf("%-44s %10.3f %s  baseline %10.3f %s  ratio %6.2f  goal %s\n", name, subject, unit, baseline, unit,
              baseline > 0 ? subject / baseline : 0.0, goal);
  std::fflush(stdout);
}

constexpr wchar_t FrameClass[] = L"VexoBenchFrame";

HWND Frame() {
  static const HWND frame = [] {
    WNDCLASSEXW c{};
    c.cbSize = sizeof c;
    c.lpfnWndProc = DefWindowProcW;
    c.hInstance = GetModuleHandleW(nullptr);
    c.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    c.lpszClassName = FrameClass;
    RegisterClassExW(&c);
    HWND made = CreateWindowExW(WS_EX_CONTROLPARENT, FrameClass, L"keybord bench",
                                WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 10, 10, 1200, 600, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    ShowWindow(made, SW_SHOW);
    UpdateWindow(made);
    SetForegroundWindow(made);
    const double until = NowMs() + 300;
    while (NowMs() < until) {
      Pump();
      Sleep(5);
    }
    return made;
  }();
  return frame;
}

// One keyboard on the toolkit of real windows, on a surface in the frame: the
// library's own code, as a host shows it.
struct Keyboard {
  HWND surface = nullptr;
  std::unique_ptr<Win32Toolkit> toolkit;
  std::unique_ptr<KeyBord> keybord;

  Keyboard(int x, int y) {
    surface = CreateWindowExW(WS_EX_CONTROLPARENT, FrameClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, x, y,
                              320, 238, Frame(), nullptr, GetModuleHandleW(nullptr), nullptr);
    if (Win32Toolkit::Create(surface, {}, toolkit) != vexo::hr::Ok) {
      std::fprintf(stderr, "bench: the toolkit could not be created\n");
      std::exit(2);
    }
    keybord = std::make_unique<KeyBord>(*toolkit);
    toolkit->Connect(*keybord);
    toolkit->Initialize();
    toolkit->Show();
    Pump();
  }
  ~Keyboard() {
    toolkit->Disconnect();
    keybord.reset();
    toolkit.reset();
    DestroyWindow(surface);
    Pump();
  }
  HWND Field() const { return toolkit->Field().Window(); }
  HWND PanelWindow(PanelId panel) const { return toolkit->PanelOf(panel).Window(); }
  LPARAM KeyCentre(PanelId panel, std::int16_t index) const {
    Win32Panel& p = toolkit->PanelOf(panel);
    const vexo::win32::PixelRect r = p.KeyPixels(*p.Keys().Element(index));
    return MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  void Settle() const {
    Pump();
    UpdateWindow(Field());
  }
};

// A rich-text control like the field (class, size, style, font, plain text,
// limit) and nothing else.
struct BareRichEdit {
  HWND window = nullptr;

  BareRichEdit(const Keyboard& like, int x, int y) {
    wchar_t className[64] = {};
    GetClassNameW(like.Field(), className, 64);
    RECT r{};
    GetClientRect(like.Field(), &r);
    RECT outer{};
    GetWindowRect(like.Field(), &outer);
    window = CreateWindowExW(WS_EX_CLIENTEDGE, className, L"",
                             WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | ES_AUTOHSCROLL | ES_NOHIDESEL, x, y,
                             outer.right - outer.left, outer.bottom - outer.top, Frame(), nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    SendMessageW(window, EM_SETTEXTMODE, TM_PLAINTEXT, 0);
    SendMessageW(window, EM_EXLIMITTEXT, 0, 1 << 20);
    SendMessageW(window, WM_SETFONT, SendMessageW(like.Field(), WM_GETFONT, 0, 0), TRUE);
    Pump();
  }
  ~BareRichEdit() { DestroyWindow(window); }
  void AppendOne(const wchar_t* character) const {
    SendMessageW(window, EM_SETSEL, -1, -1);
    SendMessageW(window, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(character));
  }
  void Settle() const {
    Pump();
    UpdateWindow(window);
  }
  int Length() const { return GetWindowTextLengthW(window); }
};

std::u16string RandomLetters(std::mt19937& random, std::size_t length) {
  std::u16string text(length, u'a');
  for (char16_t& c : text) c = static_cast<char16_t>(u'a' + random() % 26);
  return text;
}

int FieldLength(HWND field) { return GetWindowTextLengthW(field); }

// --- The figures.

void ClickUntilTheCharacterIsInTheField(int clicks) {
  Keyboard keyboard(10, 10);
  BareRichEdit bare(keyboard, 10, 300);
  const HWND panel = keyboard.PanelWindow(PanelId::picABC);
  const LPARAM centre = keyboard.KeyCentre(PanelId::picABC, 2);
  std::vector<double> subject, baseline;
  int missed = 0;
  for (int i = 0; i < clicks; ++i) {
    const int before = FieldLength(keyboard.Field());
    double start = NowMs();
    SendMessageW(panel, WM_LBUTTONDOWN, MK_LBUTTON, centre);
    SendMessageW(panel, WM_LBUTTONUP, 0, centre);
    keyboard.Settle();
    subject.push_back(NowMs() - start);
    if (FieldLength(keyboard.Field()) != std::max(before, 1) + 1) ++missed;

    start = NowMs();
    bare.AppendOne(L"E");
    bare.Settle();
    baseline.push_back(NowMs() - start);
  }
  if (missed > 0) std::printf("  (%d clicks did not add their character)\n", missed);
  Figure("click on a key, median (1 click)", Median(subject), Median(baseline), "ms", "<= 2x");
  Figure("click on a key, 95th percentile", Percentile(subject, 0.95), Percentile(baseline, 0.95), "ms",
         "<= 3x");

  // Where the time goes: the component's handling of the click (mark the key,
  // insert), then the messages it posted and the painting, against the
  // control's insertion and its painting.
  std::vector<double> handling, settling, inserting, painting;
  for (int i = 0; i < clicks / 2; ++i) {
    double start = NowMs();
    keyboard.keybord->OnClick(vexo::KeyArrayId::cmdKey, 2);
    handling.push_back(NowMs() - start);
    start = NowMs();
    keyboard.Settle();
    UpdateWindow(panel);
    settling.push_back(NowMs() - start);
    start = NowMs();
    bare.AppendOne(L"E");
    inserting.push_back(NowMs() - start);
    start = NowMs();
    bare.Settle();
    painting.push_back(NowMs() - start);
  }
  Figure("  the click's handling vs the insertion", Median(handling), Median(inserting), "ms", "(reference)");
  Figure("  then messages and painting", Median(settling), Median(painting), "ms", "(reference)");
}

void TextOfFullLength(int rounds) {
  Keyboard keyboard(10, 10);
  BareRichEdit bare(keyboard, 10, 300);
  std::mt19937 random(32766);
  std::vector<double> subject, baseline;
  for (int i = 0; i < rounds; ++i) {
    const std::u16string text = RandomLetters(random, 32766);
    const std::wstring wide(text.begin(), text.end());
    keyboard.keybord->put_Text(u"");
    keyboard.Settle();
    double start = NowMs();
    const vexo::HResult status = keyboard.keybord->put_Text(text);
    keyboard.Settle();
    subject.push_back(NowMs() - start);
    if (status != vexo::hr::Ok || FieldLength(keyboard.Field()) != 32767) std::printf("  (Text was not set)\n");

    SendMessageW(bare.window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    bare.Settle();
    start = NowMs();
    SendMessageW(bare.window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    bare.Settle();
    baseline.push_back(NowMs() - start);
  }
  Figure("Text = 32,766 characters", Median(subject), Median(baseline), "ms", "<= 3x");
}

// A physical key press ('E') on the focused letter panel.
double Keystroke(const Keyboard& keyboard) {
  const HWND panel = keyboard.PanelWindow(PanelId::picABC);
  const double start = NowMs();
  SendMessageW(panel, WM_KEYDOWN, 'E', 1);
  SendMessageW(panel, WM_KEYUP, 'E', 0xC0000001);
  keyboard.Settle();
  return NowMs() - start;
}

void KeystrokeIntoALongField(int strokes) {
  Keyboard longField(10, 10);
  Keyboard shortField(340, 10);
  BareRichEdit longBare(longField, 10, 300);
  BareRichEdit shortBare(longField, 340, 300);
  std::mt19937 random(32000);
  const std::u16string longText = RandomLetters(random, 32000);
  longField.keybord->put_Text(longText);
  shortField.keybord->put_Text(longText.substr(0, 10));
  const std::wstring wide(longText.begin(), longText.end());
  SendMessageW(longBare.window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  SendMessageW(shortBare.window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.substr(0, 10).c_str()));
  SetFocus(longField.PanelWindow(PanelId::picABC));
  longField.Settle();
  shortField.Settle();

  std::vector<double> intoLong, intoShort, bareLong, bareShort;
  int missed = 0;
  for (int i = 0; i < strokes; ++i) {
    int before = FieldLength(longField.Field());
    intoLong.push_back(Keystroke(longField));
    if (FieldLength(longField.Field()) != before + 1) ++missed;
    before = FieldLength(shortField.Field());
    intoShort.push_back(Keystroke(shortField));
    if (FieldLength(shortField.Field()) != before + 1) ++missed;
    double start = NowMs();
    longBare.AppendOne(L"E");
    longBare.Settle();
    bareLong.push_back(NowMs() - start);
    start = NowMs();
    shortBare.AppendOne(L"E");
    shortBare.Settle();
    bareShort.push_back(NowMs() - start);
  }
  if (missed > 0) std::printf("  (%d keystrokes did not add their character)\n", missed);
  // What the control itself costs at that length, for reading the text back.
  std::vector<double> readLong, readShort;
  std::vector<wchar_t> buffer(40000);
  for (int i = 0; i < strokes; ++i) {
    double start = NowMs();
    SendMessageW(longBare.window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
    readLong.push_back(NowMs() - start);
    start = NowMs();
    SendMessageW(shortBare.window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
    readShort.push_back(NowMs() - start);
  }
  Figure("keystroke, 32,000 vs 10 characters", Median(intoLong), Median(intoShort), "ms", "<= 2x");
  Figure("  bare rich edit, 32,000 vs 10 characters", Median(bareLong), Median(bareShort), "ms", "(reference)");
  Figure("  WM_GETTEXT, 32,000 vs 10 characters", Median(readLong), Median(readShort), "ms", "(reference)");
  Figure("  keystroke vs bare, 32,000 characters", Median(intoLong), Median(bareLong), "ms", "(reference)");
}

// --- Through the library itself.

BOOL CALLBACK CountChildren(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}
BOOL CALLBACK CountWindows(HWND window, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  EnumChildWindows(window, CountChildren, count);
  return TRUE;
}
int WindowsOfThisThread() {
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountWindows, reinterpret_cast<LPARAM>(&count));
  return count;
}

using ClassObjectEntry = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using PlainEntry = HRESULT(STDAPICALLTYPE*)();

// {the class identifier of KeyBord}, from the library's type information.
bool ClassOf(HMODULE library, CLSID& clsid) {
  ITypeLib* types = nullptr;
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(library, path, MAX_PATH);
  if (FAILED(LoadTypeLibEx(path, REGKIND_NONE, &types))) return false;
  bool found = false;
  for (UINT i = 0; i < types->GetTypeInfoCount() && !found; ++i) {
    TYPEKIND kind;
    if (SUCCEEDED(types->GetTypeInfoType(i, &kind)) && kind == TKIND_COCLASS) {
      ITypeInfo* info = nullptr;
      TYPEATTR* attr = nullptr;
      if (SUCCEEDED(types->GetTypeInfo(i, &info)) && SUCCEEDED(info->GetTypeAttr(&attr))) {
        clsid = attr->guid;
        found = true;
        info->ReleaseTypeAttr(attr);
      }
      if (info) info->Release();
    }
  }
  types->Release();
  return found;
}

void HandlesPerInstance(HMODULE library) {
  auto getClassObject =
      reinterpret_cast<ClassObjectEntry>(reinterpret_cast<void*>(GetProcAddress(library, "DllGetClassObject")));
  CLSID clsid{};
  IClassFactory* factory = nullptr;
  if (!getClassObject || !ClassOf(library, clsid) ||
      FAILED(getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) {
    std::printf("window handles per instance: the library gave no class factory\n");
    return;
  }
  const int windowsBefore = WindowsOfThisThread();
  const DWORD gdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  std::vector<IUnknown*> instances;
  constexpr int Count = 10;
  for (int i = 0; i < Count; ++i) {
    IUnknown* instance = nullptr;
    if (SUCCEEDED(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&instance)))) {
      instances.push_back(instance);
    }
  }
  Pump();
  const int windowsWith = WindowsOfThisThread();
  const DWORD gdiWith = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  ULONG last = 1;
  for (IUnknown* instance : instances) last = instance->Release();
  factory->Release();
  Pump();
  std::printf("%-44s %10.1f        (goal <= 6; %d instances)\n", "window handles per instance",
              static_cast<double>(windowsWith - windowsBefore) / Count, Count);
  if (gdiWith != 0 || gdiBefore != 0) {
    std::printf("%-44s %10.1f\n", "GDI objects per instance",
                static_cast<double>(gdiWith - gdiBefore) / Count);
  }
  std::printf("%-44s %10d        (last Release gave %lu)\n", "windows left after Release",
              WindowsOfThisThread() - windowsBefore, last);
}

double CpuMs() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto ms = [](FILETIME t) { return (static_cast<double>(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 1e4; };
  return ms(kernel) + ms(user);
}

// CPU time of this process while a message loop waits `seconds` with the
// window shown.
double IdleCpuMs(double seconds) {
  const double start = CpuMs();
  const double until = NowMs() + seconds * 1000;
  while (NowMs() < until) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::max(1.0, until - NowMs())), QS_ALLINPUT);
    Pump();
  }
  return CpuMs() - start;
}

void IdleCpu(double seconds) {
  const HWND empty = CreateWindowExW(0, FrameClass, L"", WS_CHILD | WS_VISIBLE, 10, 10, 320, 238, Frame(), nullptr,
                                     GetModuleHandleW(nullptr), nullptr);
  Pump();
  const double baseline = IdleCpuMs(seconds);
  DestroyWindow(empty);
  double subject = 0;
  {
    Keyboard keyboard(10, 10);
    SetFocus(keyboard.PanelWindow(PanelId::picABC));
    subject = IdleCpuMs(seconds);
  }
  Figure("CPU while visible and idle", subject, baseline, "ms", "<= 2x");
}

// Creating, showing and destroying the control in Wine's ActiveX container,
// against a parent window with a bare rich-text control.
void CreateShowDestroy(int rounds) {
  HMODULE atl = LoadLibraryW(L"atl.dll");
  auto init = atl ? reinterpret_cast<BOOL(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")))
                  : nullptr;
  if (!init || !init()) {
    std::printf("create, show and destroy: no ActiveX container (atl.dll) here\n");
    return;
  }
  LoadLibraryW(L"msftedit.dll");
  std::vector<double> subject, baseline;
  int failed = 0;
  for (int i = 0; i < rounds; ++i) {
    double start = NowMs();
    HWND host = CreateWindowExW(0, L"AtlAxWin", L"VexoKeyBord.KeyBord", WS_CHILD | WS_VISIBLE, 10, 10, 900, 240,
                                Frame(), nullptr, GetModuleHandleW(nullptr), nullptr);
    Pump();
    UpdateWindow(host);
    if (!host || !GetWindow(host, GW_CHILD)) ++failed;
    DestroyWindow(host);
    Pump();
    subject.push_back(NowMs() - start);

    start = NowMs();
    HWND parent = CreateWindowExW(0, FrameClass, L"", WS_CHILD | WS_VISIBLE, 10, 10, 900, 240, Frame(), nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    HWND edit = CreateWindowExW(WS_EX_CLIENTEDGE, MSFTEDIT_CLASS, L"", WS_CHILD | WS_VISIBLE, 24, 184, 233, 25,
                                parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    Pump();
    UpdateWindow(parent);
    DestroyWindow(edit);
    DestroyWindow(parent);
    Pump();
    baseline.push_back(NowMs() - start);
  }
  // The same keyboard on the toolkit alone, without the container's protocol.
  std::vector<double> alone;
  for (int i = 0; i < rounds; ++i) {
    const double start = NowMs();
    {
      Keyboard keyboard(10, 10);
      UpdateWindow(keyboard.surface);
    }
    alone.push_back(NowMs() - start);
  }
  if (failed > 0) std::printf("  (%d of %d controls were not created)\n", failed, rounds);
  Figure("create, show, destroy in a container", Median(subject), Median(baseline), "ms", "<= 3x");
  Figure("  the keyboard without a container", Median(alone), Median(baseline), "ms", "(reference)");
  Figure("  first instance vs the tenth", subject.front(), subject.size() >= 10 ? subject[9] : subject.back(), "ms",
         "<= 3x");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: keybord-bench-windows <VexoKeyBord.ocx> [--quick]\n");
    return 2;
  }
  const bool quick = argc > 2 && std::string(argv[2]) == "--quick";
  OleInitialize(nullptr);
  const std::string path = argv[1];
  const std::wstring widePath(path.begin(), path.end());
  HMODULE library = LoadLibraryW(widePath.c_str());
  if (!library) {
    std::fprintf(stderr, "bench: cannot load %s\n", path.c_str());
    return 2;
  }
  Frame();

  std::printf("figure                                          subject                baseline\n");
  ClickUntilTheCharacterIsInTheField(quick ? 200 : 1000);
  TextOfFullLength(quick ? 5 : 15);
  KeystrokeIntoALongField(quick ? 50 : 200);
  HandlesPerInstance(library);

  auto registerServer = reinterpret_cast<PlainEntry>(reinterpret_cast<void*>(GetProcAddress(library, "DllRegisterServer")));
  auto unregisterServer =
      reinterpret_cast<PlainEntry>(reinterpret_cast<void*>(GetProcAddress(library, "DllUnregisterServer")));
  if (registerServer && SUCCEEDED(registerServer())) {
    CreateShowDestroy(quick ? 10 : 30);
    unregisterServer();
  } else {
    std::printf("create, show and destroy: the library could not be registered\n");
  }
  IdleCpu(quick ? 2.0 : 5.0);

  WIN32_FILE_ATTRIBUTE_DATA file{};
  if (GetFileAttributesExW(widePath.c_str(), GetFileExInfoStandard, &file)) {
    const double kb = static_cast<double>(file.nFileSizeLow) / 1024.0;
    Figure("library file size", kb, 2285.0, "KB", "<= 25% (570 KB)");
  }
  OleUninitialize();
  return 0;
}
