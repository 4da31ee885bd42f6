// SPDX-License-Identifier: MIT
// Speed and footprint of the keyboard on real windows, each figure beside a
// baseline measured in the same run on the same screen: the machine is shared
// and noisy, so ratios are what count. Subject and baseline alternate step by
// step, so that a burst of load hits both, and the whole set is measured
// several times over: every figure is reported as min / median / max of the
// runs' figures.
//
//   keybord-bench-windows <path of VexoKeyBord.ocx> [--quick] [--runs N]
//
// The subject is the control itself, in Wine's ActiveX container, driven
// through its windows and read back through its interface. Its baseline is a
// bare rich-text control like its field: same class, size, style and font.
// Every time includes handling the messages the step posted and painting, as
// the user waits for both. A wait that runs out, or a character that did not
// arrive, fails the run.
//
// Runs under Wine with a display (scripts/bench-windows.sh starts a virtual
// one). The figure for a first instance comes from fresh processes: the
// program starts itself with `--first control|bare ...` for each sample.
#include <windows.h>
#include <initguid.h>  // defines the identifiers the generated header declares
#include <richedit.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "component/KeyBord.h"
#include "widgets/win32/Win32Toolkit.h"
#include "windows/HostedControl.h"

namespace {

using vexo::harness::HostedControl;
using vexo::harness::NowMs;
using vexo::harness::Panel;
using vexo::harness::Pump;

int failures = 0;

void Failure(const char* what, int count = 1) {
  if (count <= 0) return;
  std::printf("FAILURE: %s (%d)\n", what, count);
  std::fflush(stdout);
  failures += count;
}

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(index, values.size() - 1)];
}
double Median(const std::vector<double>& values) { return Percentile(values, 0.5); }

// --- The figures of every run, reported together at the end.

struct Row {
  std::string unit;
  std::string goal;
  std::vector<double> subject, baseline;  // one per run
};
std::vector<std::string> order;
std::map<std::string, Row> rows;

// One run's figure: the subject's and the baseline's value (a baseline of 0
// for a figure without one).
void Figure(const std::string& name, double subject, double baseline, const char* unit, const char* goal) {
  if (!rows.count(name)) order.push_back(name);
  Row& row = rows[name];
  row.unit = unit;
  row.goal = goal;
  row.subject.push_back(subject);
  row.baseline.push_back(baseline);
}

void PrintFigures() {
  std::printf("%-42s %-32s %-32s %-22s %s\n", "figure (min / median / max of the runs)", "subject", "baseline",
              "ratio", "goal");
  for (const std::string& name : order) {
    const Row& row = rows[name];
    std::vector<double> ratios;
    for (std::size_t i = 0; i < row.subject.size(); ++i) {
      if (row.baseline[i] > 0) ratios.push_back(row.subject[i] / row.baseline[i]);
    }
    auto three = [](const std::vector<double>& v, const char* format) {
      char text[96];
      const double low = *std::min_element(v.begin(), v.end());
      const double high = *std::max_element(v.begin(), v.end());
      std::snprintf(text, sizeof text, format, low, Median(v), high);
      return std::string(text);
    };
    const std::string subject = three(row.subject, "%.3f / %.3f / %.3f") + " " + row.unit;
    const std::string baseline =
        ratios.empty() ? std::string("-") : three(row.baseline, "%.3f / %.3f / %.3f") + " " + row.unit;
    const std::string ratio = ratios.empty() ? std::string("-") : three(ratios, "%.2f / %.2f / %.2f");
    std::printf("%-42s %-32s %-32s %-22s %s\n", name.c_str(), subject.c_str(), baseline.c_str(), ratio.c_str(),
                row.goal.c_str());
  }
  std::fflush(stdout);
}

// --- Windows.

constexpr wchar_t FrameClass[] = L"VexoBenchFrame";

HWND Frame() {
  static const HWND frame = [] {
    vexo::harness::RegisterFrameClass(FrameClass);
    HWND made = CreateWindowExW(WS_EX_CONTROLPARENT, FrameClass, L"keybord bench",
                                WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 10, 10, 1200, 600, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    if (!vexo::harness::ShowActive(made)) Failure("the frame was not shown");
    return made;
  }();
  return frame;
}

// Paints what is waiting to be painted in a window and its children.
void PaintNow(HWND window) { RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); }

// The control's field font and size, as the baseline takes them.
struct FieldFont {
  CHARFORMAT2W format{};
  SIZE size{353, 25};
  bool known = false;
};
FieldFont& TheFieldFont() {
  static FieldFont font;
  return font;
}

void LearnFieldFont(HWND field) {
  FieldFont& font = TheFieldFont();
  font.format.cbSize = sizeof font.format;
  SendMessageW(field, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&font.format));
  RECT outer{};
  GetWindowRect(field, &outer);
  font.size = {outer.right - outer.left, outer.bottom - outer.top};
  font.known = true;
}

void TakeFieldFont(HWND edit) {
  CHARFORMAT2W format = TheFieldFont().format;
  SendMessageW(edit, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
  SendMessageW(edit, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
}

// A rich-text control like the control's field (class, size, style, font,
// plain text, limit) and nothing else.
struct BareRichEdit {
  HWND window = nullptr;

  BareRichEdit(const HostedControl& like, int x, int y) {
    wchar_t className[64] = {};
    GetClassNameW(like.field, className, 64);
    RECT outer{};
    GetWindowRect(like.field, &outer);
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(like.field, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(like.field, GWL_EXSTYLE));
    window = CreateWindowExW(exStyle, className, L"", (style & ~WS_TABSTOP) | WS_CHILD | WS_VISIBLE, x, y,
                             outer.right - outer.left, outer.bottom - outer.top, Frame(), nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    SendMessageW(window, EM_SETTEXTMODE, TM_PLAINTEXT, 0);
    SendMessageW(window, EM_EXLIMITTEXT, 0, 1 << 20);
    TakeFieldFont(window);
    Settle();
  }
  ~BareRichEdit() { DestroyWindow(window); }
  BareRichEdit(const BareRichEdit&) = delete;
  BareRichEdit& operator=(const BareRichEdit&) = delete;

  void AppendOne(wchar_t character) const {
    const wchar_t text[2] = {character, 0};
    SendMessageW(window, EM_SETSEL, -1, -1);
    SendMessageW(window, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
  }
  // The insertion with painting held back, as the control's field does
  // within a burst of changes; Settle then paints.
  void AppendOneQuietly(wchar_t character) const {
    SendMessageW(window, WM_SETREDRAW, FALSE, 0);
    AppendOne(character);
    SendMessageW(window, WM_SETREDRAW, TRUE, 0);
    SendMessageW(window, EM_SCROLLCARET, 0, 0);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
  }
  void Settle() const {
    Pump();
    PaintNow(window);
  }
  // The baseline of a keystroke: one character in, painted.
  double TimedAppend(wchar_t character) const {
    const double start = NowMs();
    AppendOne(character);
    Settle();
    return NowMs() - start;
  }
  void SetText(const std::wstring& text) const {
    SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
};

// The control in the container on the frame; a failure to make it fails the
// run.
std::unique_ptr<HostedControl> Control(int x, int y) {
  auto control = std::make_unique<HostedControl>(Frame(), x, y, 600, 160);
  if (!control->problem.empty()) {
    Failure(("the control in its container: " + control->problem).c_str());
    return nullptr;
  }
  if (!TheFieldFont().known) LearnFieldFont(control->field);
  return control;
}

void Settle(const HostedControl& control) {
  Pump();
  PaintNow(control.surface);
}

bool PutText(const HostedControl& control, const std::wstring& text) {
  BSTR value = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  const HRESULT status = control.keybord->put_Text(value);
  SysFreeString(value);
  return status == S_OK;
}

std::wstring RandomLetters(std::mt19937& random, std::size_t length) {
  std::wstring text(length, L'a');
  for (wchar_t& c : text) c = static_cast<wchar_t>(L'a' + random() % 26);
  return text;
}

// Every key of the three panels in turn.
struct KeyCycle {
  int step = 0;
  std::pair<Panel, int> Next() {
    int n = step++ % (vexo::harness::KeysOn[0] + vexo::harness::KeysOn[1] + vexo::harness::KeysOn[2]);
    for (int p = 0; p < 3; ++p) {
      if (n < vexo::harness::KeysOn[p]) return {static_cast<Panel>(p), n};
      n -= vexo::harness::KeysOn[p];
    }
    return {Panel::Letters, 0};
  }
};

// --- The figures.

void ClickUntilTheCharacterIsInTheField(int clicks) {
  const auto control = Control(10, 10);
  if (!control) return;
  BareRichEdit bare(*control, 620, 10);
  KeyCycle keys;
  std::vector<double> subject, baseline, handling, settling, inserting, painting;
  int missed = 0;
  std::size_t length = control->Text().size();
  for (int i = 0; i < clicks; ++i) {
    const auto [panel, index] = keys.Next();
    const HWND window = control->panels[panel];
    const POINT centre = HostedControl::KeyCentre(panel, index);
    const LPARAM at = MAKELPARAM(centre.x, centre.y);
    const double start = NowMs();
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(window, WM_LBUTTONUP, 0, at);
    const double handled = NowMs();
    Settle(*control);
    const double end = NowMs();
    subject.push_back(end - start);
    handling.push_back(handled - start);
    settling.push_back(end - handled);
    const std::size_t now = control->Text().size();
    if (now != length + 1) ++missed;
    length = now;

    const wchar_t letter = static_cast<wchar_t>(L'A' + i % 26);
    baseline.push_back(bare.TimedAppend(letter));

    const double begin = NowMs();
    bare.AppendOneQuietly(letter);
    const double inserted = NowMs();
    bare.Settle();
    inserting.push_back(inserted - begin);
    painting.push_back(NowMs() - inserted);
  }
  // The same clicks through the system's input: the cursor moved, the
  // button pressed and released through the display's queue.
  std::vector<double> throughInput;
  for (int i = 0; i < clicks / 5; ++i) {
    const auto [panel, index] = keys.Next();
    POINT centre = HostedControl::KeyCentre(panel, index);
    ClientToScreen(control->panels[panel], &centre);
    const double start = NowMs();
    const bool clicked = vexo::harness::ClickAt(centre);
    Settle(*control);
    throughInput.push_back(NowMs() - start);
    const std::size_t now = control->Text().size();
    if (!clicked || now != length + 1) ++missed;
    length = now;
  }
  Failure("clicks that did not add their character (Text through _KeyBord)", missed);
  Figure("click on a key, cycling keys, median", Median(subject), Median(baseline), "ms", "<= 2x");
  Figure("click on a key, 95th percentile", Percentile(subject, 0.95), Percentile(baseline, 0.95), "ms", "<= 3x");
  // Where the time goes, painting outside the timed call on both sides: the
  // click's handling against the insertion with painting held back, then the
  // messages and painting against the control's painting.
  Figure("  the click's handling vs the insertion", Median(handling), Median(inserting), "ms", "(reference)");
  Figure("  then messages and painting", Median(settling), Median(painting), "ms", "(reference)");
  Figure("  the click through SendInput vs messages", Median(throughInput), Median(subject), "ms", "(reference)");
}

void TextOfFullLength(int rounds) {
  const auto control = Control(10, 10);
  if (!control) return;
  BareRichEdit bare(*control, 620, 10);
  std::mt19937 random(32766);
  std::vector<double> subject, baseline;
  int missed = 0;
  for (int i = 0; i < rounds; ++i) {
    const std::wstring text = RandomLetters(random, 32766);
    if (!PutText(*control, L"")) ++missed;
    Settle(*control);
    double start = NowMs();
    const bool put = PutText(*control, text);
    Settle(*control);
    subject.push_back(NowMs() - start);
    if (!put || control->Text().size() != text.size()) ++missed;

    bare.SetText(L"");
    bare.Settle();
    start = NowMs();
    bare.SetText(text);
    bare.Settle();
    baseline.push_back(NowMs() - start);
  }
  Failure("Text let that did not set the text", missed);
  Figure("Text = 32,766 characters", Median(subject), Median(baseline), "ms", "<= 3x");
}

// A physical key press on the letter panel, the letters in turn.
double Keystroke(const HostedControl& control, wchar_t letter) {
  const HWND panel = control.panels[Panel::Letters];
  const double start = NowMs();
  SendMessageW(panel, WM_KEYDOWN, letter, 1);
  SendMessageW(panel, WM_KEYUP, letter, 0xC0000001);
  Settle(control);
  return NowMs() - start;
}

void KeystrokeIntoALongField(int strokes) {
  const auto longField = Control(10, 10);
  const auto shortField = Control(10, 180);
  if (!longField || !shortField) return;
  BareRichEdit longBare(*longField, 620, 10);
  BareRichEdit shortBare(*longField, 620, 60);
  std::mt19937 random(32000);
  const std::wstring longText = RandomLetters(random, 32000);
  if (!PutText(*longField, longText) || !PutText(*shortField, longText.substr(0, 10))) {
    Failure("the fields' texts could not be set");
    return;
  }
  longBare.SetText(longText);
  shortBare.SetText(longText.substr(0, 10));
  SetFocus(longField->panels[Panel::Letters]);
  Settle(*longField);
  Settle(*shortField);

  std::vector<double> intoLong, intoShort, bareLong, bareShort;
  int missed = 0;
  auto arrived = [&](const HostedControl& control, std::size_t before, wchar_t letter) {
    const std::wstring text = control.Text();
    if (text.size() != before + 1 || text.back() != letter) ++missed;
    return text.size();
  };
  std::size_t longLength = longText.size();
  std::size_t shortLength = 10;
  for (int i = 0; i < strokes; ++i) {
    const wchar_t letter = static_cast<wchar_t>(L'A' + i % 26);
    intoLong.push_back(Keystroke(*longField, letter));
    longLength = arrived(*longField, longLength, letter);
    intoShort.push_back(Keystroke(*shortField, letter));
    shortLength = arrived(*shortField, shortLength, letter);
    bareLong.push_back(longBare.TimedAppend(letter));
    bareShort.push_back(shortBare.TimedAppend(letter));
  }
  Failure("keystrokes that did not add their letter (Text through _KeyBord)", missed);
  Figure("keystroke, 32,000 vs 10 characters", Median(intoLong), Median(intoShort), "ms", "(reference)");
  Figure("  bare rich edit, 32,000 vs 10 characters", Median(bareLong), Median(bareShort), "ms", "(reference)");
  Figure("keystroke vs bare, 32,000 characters", Median(intoLong), Median(bareLong), "ms", "<= 1.6x");
}

// --- Through the system's input, as the user feels it.
//
// A click and a key press travel from the input devices through the display's
// queue; each is timed from the input sent until its release came through the
// loop, its character is read back and everything is painted. The baseline is
// a key pressed into the bare rich-text control with the focus: what a user
// would type into a plain field instead. A click activates the control, which
// takes the focus, so subject and baseline alternate in blocks, each with the
// focus where the user's own input would leave it: the bare control's keys,
// the clicks, the keys on the control's letter panel, the bare control's keys
// again. Each round's medians are one figure, so that a round that runs slow
// shows.

using vexo::harness::ClickHere;
using vexo::harness::MoveCursorTo;
using vexo::harness::Press;
using vexo::harness::WaitFor;

// The time from `send` to its character read back by `length` and `painted`
// painted. A key or click that did not arrive counts as missed.
//
// Painting reaches the screen only when the display's driver flushes the
// window's pixels to it, which it does as the thread waits, and at most so
// often otherwise: a step that happens never to wait would end before its
// pixels are shown and run several times faster in some rounds than in
// others. Each step ends with a wait that returns at once, which flushes.
template <typename Send, typename Length>
double UntilTheCharacter(Send send, Length length, HWND painted, int& missed) {
  const std::size_t before = length();
  const double start = NowMs();
  if (!send() || !WaitFor("the input's character", [&] { return length() == before + 1; })) ++missed;
  PaintNow(painted);
  Pump();
  MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
  return NowMs() - start;
}

bool PressLetter(int i) { return Press(static_cast<WORD>(L'A' + i % 26)); }

void Focus(HWND window) {
  SetFocus(window);
  Pump();
  PaintNow(Frame());
}

// Runs `step` and answers what it answers; with `marked`, between two markers
// that the display server's trace shows (a lookup of a named atom is one
// request naming it): scripts/bench-windows.sh --trace counts the requests
// between them.
template <typename Run>
auto Marked(bool marked, const std::wstring& name, Run step) {
  if (marked) GlobalFindAtomW((L"vexo-trace-begin " + name).c_str());
  const auto answer = step();
  if (marked) GlobalFindAtomW((L"vexo-trace-end " + name).c_str());
  return answer;
}

// The kinds of step through input.
enum class Step { KeyIntoTheBareField, ActivatingClick, ClickOnAKey, KeyOnTheLetterPanel };

// One round of steps through input: keys into the bare field, clicks on the
// control's keys (the first activates it), keys on its focused letter panel,
// keys into the bare field again; `took(step, ms)` hears of each. Every block
// starts from an empty field, so that both fields hold the same text at the
// same step and none scrolls. With `marked`, each step stands between the
// trace's markers (see Marked).
template <typename Took>
void InputRound(const HostedControl& control, const BareRichEdit& bare, KeyCycle& keys, int strokes, bool marked,
                int& missed, Took took) {
  static constexpr const wchar_t* names[] = {L"key-into-the-bare-field", L"activating-click", L"click-on-a-key",
                                             L"key-on-the-letter-panel"};
  auto run = [&](Step step, auto send, auto length, HWND painted) {
    took(step, Marked(marked, names[static_cast<int>(step)],
                      [&] { return UntilTheCharacter(send, length, painted, missed); }));
  };
  const auto controlLength = [&] { return control.Text().size(); };
  const auto bareLength = [&] { return static_cast<std::size_t>(GetWindowTextLengthW(bare.window)); };
  auto bareBlock = [&](int count) {
    bare.SetText(L"");
    Focus(bare.window);
    for (int i = 0; i < count; ++i) {
      run(Step::KeyIntoTheBareField, [&] { return PressLetter(i); }, bareLength, bare.window);
    }
  };
  bareBlock(strokes / 2);
  PutText(control, L"");
  for (int i = 0; i <= strokes; ++i) {
    const auto [panel, index] = keys.Next();
    POINT centre = HostedControl::KeyCentre(panel, index);
    ClientToScreen(control.panels[panel], &centre);
    if (!MoveCursorTo(centre)) ++missed;
    Settle(control);
    run(i == 0 ? Step::ActivatingClick : Step::ClickOnAKey, ClickHere, controlLength, control.surface);
  }
  PutText(control, L"");
  Focus(control.panels[Panel::Letters]);
  for (int i = 0; i < strokes; ++i) {
    run(Step::KeyOnTheLetterPanel, [&] { return PressLetter(i); }, controlLength, control.surface);
  }
  bareBlock(strokes - strokes / 2);
}

void ThroughInput(int rounds, int strokes) {
  const auto control = Control(10, 10);
  if (!control) return;
  BareRichEdit bare(*control, 620, 10);
  KeyCycle keys;
  int missed = 0;
  std::vector<double> keystrokeRounds;
  for (int round = 0; round < rounds; ++round) {
    std::vector<double> clicks, keystrokes, baseline;
    InputRound(*control, bare, keys, strokes, false, missed, [&](Step step, double ms) {
      if (step == Step::KeyIntoTheBareField) baseline.push_back(ms);
      if (step == Step::ClickOnAKey) clicks.push_back(ms);
      if (step == Step::KeyOnTheLetterPanel) keystrokes.push_back(ms);
    });
    std::printf("  round %d: click %.3f ms, keystroke %.3f ms, key into the bare field %.3f ms (medians)\n", round + 1,
                Median(clicks), Median(keystrokes), Median(baseline));
    std::fflush(stdout);
    Figure("click through input vs a key into the bare field", Median(clicks), Median(baseline), "ms", "<= 1.3x");
    Figure("keystroke through input vs the bare field", Median(keystrokes), Median(baseline), "ms", "<= 1.3x");
    keystrokeRounds.push_back(Median(keystrokes));
  }
  Failure("keys and clicks through input whose character did not arrive", missed);
  // A round that runs slow where the others do not shows here.
  const double slowest = *std::max_element(keystrokeRounds.begin(), keystrokeRounds.end());
  const double fastest = *std::min_element(keystrokeRounds.begin(), keystrokeRounds.end());
  Figure("  keystroke rounds, slowest vs fastest", slowest, fastest, "ms", "<= 1.3x");
}

bool ControlLifecycle();
bool BareLifecycle();

// The same steps, counted: the first round warms up, unmarked.
void TraceThroughInput(int steps) {
  const auto control = Control(10, 10);
  if (!control) return;
  BareRichEdit bare(*control, 620, 10);
  KeyCycle keys;
  int missed = 0;
  for (int round = 0; round < 2; ++round) {
    InputRound(*control, bare, keys, steps, round > 0, missed, [](Step, double) {});
  }
  Failure("keys and clicks through input whose character did not arrive", missed);
}

// Creating, showing and destroying, counted in the same way, on an empty
// frame.
void TraceLifecycles() {
  int failed = 0;
  for (int round = 0; round < 2; ++round) {  // the first round warms up, unmarked
    if (!Marked(round > 0, L"create-show-destroy", ControlLifecycle)) ++failed;
    if (!Marked(round > 0, L"bare-create-show-destroy", BareLifecycle)) ++failed;
  }
  Failure("instances that were not created and shown", failed);
}

// --- Through the library's class factory.

using ClassObjectEntry = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using PlainEntry = HRESULT(STDAPICALLTYPE*)();

void HandlesPerInstance(HMODULE library) {
  auto getClassObject =
      reinterpret_cast<ClassObjectEntry>(reinterpret_cast<void*>(GetProcAddress(library, "DllGetClassObject")));
  IClassFactory* factory = nullptr;
  if (!getClassObject || FAILED(getClassObject(CLSID_KeyBord, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) {
    Failure("the library gave no class factory");
    return;
  }
  const int windowsBefore = vexo::harness::WindowsOfThisThread();
  std::vector<IUnknown*> instances;
  constexpr int Count = 10;
  for (int i = 0; i < Count; ++i) {
    IUnknown* instance = nullptr;
    if (SUCCEEDED(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&instance)))) {
      instances.push_back(instance);
    }
  }
  Pump();
  const int windowsWith = vexo::harness::WindowsOfThisThread();
  for (IUnknown* instance : instances) instance->Release();
  factory->Release();
  Pump();
  Figure("window handles per instance", static_cast<double>(windowsWith - windowsBefore) / Count, 0, "", "<= 6");
  Figure("windows left after Release", vexo::harness::WindowsOfThisThread() - windowsBefore, 0, "", "0");
}

double CpuMs() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto ms = [](FILETIME t) { return (static_cast<double>(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 1e4; };
  return ms(kernel) + ms(user);
}

// CPU time of this process while a message loop waits `seconds`.
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
  const HWND empty = CreateWindowExW(0, FrameClass, L"", WS_CHILD | WS_VISIBLE, 10, 10, 600, 160, Frame(), nullptr,
                                     GetModuleHandleW(nullptr), nullptr);
  Pump();
  const double baseline = IdleCpuMs(seconds);
  DestroyWindow(empty);
  const auto control = Control(10, 10);
  if (!control) return;
  Figure("CPU while visible and idle", IdleCpuMs(seconds), baseline, "ms", "<= 2x");
}

// A parent window with a bare rich-text control in the field's font, shown
// with the focus and painted, then destroyed: what the control's lifecycle
// compares with.
bool BareLifecycle() {
  HWND parent = CreateWindowExW(0, FrameClass, L"", WS_CHILD | WS_VISIBLE, 10, 10, 600, 160, Frame(), nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  HWND edit = CreateWindowExW(WS_EX_CLIENTEDGE, MSFTEDIT_CLASS, L"",
                              WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | ES_AUTOHSCROLL | ES_NOHIDESEL, 0, 1,
                              TheFieldFont().size.cx, TheFieldFont().size.cy, parent, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  SendMessageW(edit, EM_SETTEXTMODE, TM_PLAINTEXT, 0);
  TakeFieldFont(edit);
  SetFocus(edit);
  const bool shown = edit && vexo::harness::WaitForPaint(parent, "the bare rich edit");
  DestroyWindow(parent);
  Pump();
  return shown;
}

bool ControlLifecycle() { return HostedControl(Frame(), 10, 10, 600, 160).problem.empty(); }

// The control created, painted once and destroyed, without waiting for it to
// take the focus: how far the show lags behind the painting.
bool ControlPaintedLifecycle() {
  HWND host = CreateWindowExW(0, L"AtlAxWin", vexo::harness::ProgId, WS_CHILD | WS_VISIBLE, 10, 10, 600, 160, Frame(),
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  Pump();
  PaintNow(host);
  const bool made = host && GetWindow(host, GW_CHILD);
  DestroyWindow(host);
  Pump();
  return made;
}

// One keyboard on the toolkit of real windows, on a surface in the frame,
// without the container's protocol.
bool ToolkitLifecycle() {
  HWND surface = CreateWindowExW(WS_EX_CONTROLPARENT, FrameClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 10,
                                 10, 600, 160, Frame(), nullptr, GetModuleHandleW(nullptr), nullptr);
  std::unique_ptr<vexo::win32::Win32Toolkit> toolkit;
  bool shown = false;
  if (vexo::win32::Win32Toolkit::Create(surface, {}, toolkit) == vexo::hr::Ok) {
    vexo::KeyBord keybord(*toolkit);
    toolkit->Connect(keybord);
    shown = toolkit->Initialize() == vexo::hr::Ok && toolkit->Show() == vexo::hr::Ok &&
            vexo::harness::WaitForPaint(surface, "the keyboard on its surface");
    toolkit->Disconnect();
  }
  toolkit.reset();
  DestroyWindow(surface);
  Pump();
  return shown;
}

double TimeOf(bool (*lifecycle)(), int& failed) {
  const double start = NowMs();
  if (!lifecycle()) ++failed;
  return NowMs() - start;
}

// Creating, showing (a panel focused, everything painted) and destroying the
// control in Wine's ActiveX container, against a bare rich-text control.
double CreateShowDestroy(int rounds) {
  std::vector<double> subject, baseline, alone, painted;
  int failed = 0;
  for (int i = 0; i < rounds; ++i) {
    subject.push_back(TimeOf(ControlLifecycle, failed));
    baseline.push_back(TimeOf(BareLifecycle, failed));
    alone.push_back(TimeOf(ToolkitLifecycle, failed));
    painted.push_back(TimeOf(ControlPaintedLifecycle, failed));
  }
  Failure("instances that were not created and shown", failed);
  Figure("create, show, destroy in a container", Median(subject), Median(baseline), "ms", "<= 2.5x");
  Figure("  the keyboard without a container", Median(alone), Median(baseline), "ms", "(reference)");
  Figure("  not waiting for the focus, painted once", Median(painted), Median(baseline), "ms", "(reference)");
  return Median(subject);
}

// --- A first instance, in a fresh process each.

// Runs this program with `arguments` and reads the milliseconds it prints;
// negative when it failed.
double FirstInstanceIn(const std::wstring& arguments) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return -1;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process{};
  std::wstring line = L"\"" + std::wstring(self) + L"\" " + arguments;
  const BOOL started =
      CreateProcessW(self, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
  CloseHandle(writeEnd);
  std::string output;
  if (started) {
    char buffer[256];
    DWORD read = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &read, nullptr) && read > 0) output.append(buffer, read);
    WaitForSingleObject(process.hProcess, 60000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(readEnd);
  double ms = -1;
  if (std::sscanf(output.c_str(), "first-instance-ms %lf", &ms) != 1) {
    std::printf("  (a fresh process said: %s)\n", output.c_str());
    return -1;
  }
  return ms;
}

void FirstInstance(int samples, double warm) {
  const CHARFORMAT2W& f = TheFieldFont().format;
  wchar_t font[128];
  const SIZE size = TheFieldFont().size;
  std::swprintf(font, 128, L"%ld %ld %lu %lu %ld %u %u \"%ls\"", size.cx, size.cy, f.dwMask, f.dwEffects,
                f.yHeight, f.wWeight, static_cast<unsigned>(f.bCharSet), f.szFaceName);
  std::vector<double> subject, baseline;
  int failed = 0;
  for (int i = 0; i < samples; ++i) {
    const double control = FirstInstanceIn(L"--first control " + std::wstring(font));
    const double bare = FirstInstanceIn(L"--first bare " + std::wstring(font));
    if (control < 0 || bare < 0) {
      ++failed;
      continue;
    }
    subject.push_back(control);
    baseline.push_back(bare);
  }
  Failure("fresh processes that measured no first instance", failed);
  if (subject.empty()) return;
  Figure("first instance in a fresh process", Median(subject), Median(baseline), "ms", "<= 3x");
  Figure("  first instance vs a warm one", Median(subject), warm, "ms", "(reference)");
}

// The child's side: OLE and the container ready, the frame shown, then one
// lifecycle timed, loading whatever it needs.
int MeasureFirstInstance(int argc, char** argv) {
  if (argc < 11) return 2;
  TheFieldFont().size = {std::strtol(argv[3], nullptr, 10), std::strtol(argv[4], nullptr, 10)};
  CHARFORMAT2W& f = TheFieldFont().format;
  f.cbSize = sizeof f;
  f.dwMask = std::strtoul(argv[5], nullptr, 10);
  f.dwEffects = std::strtoul(argv[6], nullptr, 10);
  f.yHeight = std::strtol(argv[7], nullptr, 10);
  f.wWeight = static_cast<WORD>(std::strtoul(argv[8], nullptr, 10));
  f.bCharSet = static_cast<BYTE>(std::strtoul(argv[9], nullptr, 10));
  std::string face = argv[10];
  for (int i = 11; i < argc; ++i) face += std::string(" ") + argv[i];
  MultiByteToWideChar(CP_UTF8, 0, face.c_str(), -1, f.szFaceName, LF_FACESIZE);
  TheFieldFont().known = true;
  if (FAILED(OleInitialize(nullptr))) return 2;
  if (!vexo::harness::AtlFunctions().WinInit || !vexo::harness::AtlFunctions().WinInit()) return 2;
  Frame();
  const bool control = std::string(argv[2]) == "control";
  const double start = NowMs();
  bool shown = false;
  if (control) {
    shown = ControlLifecycle();
  } else {
    shown = LoadLibraryW(L"msftedit.dll") != nullptr && BareLifecycle();
  }
  const double ms = NowMs() - start;
  if (!shown || vexo::harness::Timeouts() > 0) return 3;
  std::printf("first-instance-ms %.3f\n", ms);
  std::fflush(stdout);
  OleUninitialize();
  return 0;
}

void Header(bool quick, int runs) {
  SYSTEM_INFO system{};
  GetSystemInfo(&system);
  SYSTEMTIME now{};
  GetSystemTime(&now);
  std::printf("keybord-bench-windows: %04u-%02u-%02u, %lu cores, %d runs%s\n", now.wYear, now.wMonth, now.wDay,
              system.dwNumberOfProcessors, runs, quick ? ", quick" : "");
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 && std::string(argv[1]) == "--first") return MeasureFirstInstance(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: keybord-bench-windows <VexoKeyBord.ocx> [--quick] [--runs N]\n");
    return 2;
  }
  bool quick = false;
  std::string only;        // "input" or "lifecycle": only those figures
  bool trace = false;      // only the steps through input, between markers
  int runs = 3;
  for (int i = 2; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--quick") quick = true;
    if (argument == "--only" && i + 1 < argc) only = argv[++i];
    if (argument == "--trace") trace = true;
    if (argument == "--runs" && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
  }
  Header(quick, runs);
  OleInitialize(nullptr);
  const std::string path = argv[1];
  const std::wstring widePath(path.begin(), path.end());
  HMODULE library = LoadLibraryW(widePath.c_str());
  if (!library) {
    std::fprintf(stderr, "bench: cannot load %s\n", path.c_str());
    return 2;
  }
  auto registerServer =
      reinterpret_cast<PlainEntry>(reinterpret_cast<void*>(GetProcAddress(library, "DllRegisterServer")));
  auto unregisterServer =
      reinterpret_cast<PlainEntry>(reinterpret_cast<void*>(GetProcAddress(library, "DllUnregisterServer")));
  if (!registerServer || FAILED(registerServer())) {
    std::fprintf(stderr, "bench: the library could not be registered\n");
    return 2;
  }
  if (!vexo::harness::AtlFunctions().WinInit || !vexo::harness::AtlFunctions().WinInit()) {
    std::fprintf(stderr, "bench: no ActiveX container (atl.dll) here\n");
    return 2;
  }
  LoadLibraryW(L"msftedit.dll");
  Frame();

  if (trace) {
    TraceThroughInput(20);
    TraceLifecycles();
    unregisterServer();
    OleUninitialize();
    return failures > 0 || vexo::harness::Timeouts() > 0 ? 1 : 0;
  }
  for (int run = 0; run < runs; ++run) {
    std::printf("run %d of %d\n", run + 1, runs);
    std::fflush(stdout);
    if (only == "input") {
      ThroughInput(5, quick ? 10 : 40);
      continue;
    }
    if (only == "lifecycle") {
      CreateShowDestroy(quick ? 8 : 20);
      continue;
    }
    ClickUntilTheCharacterIsInTheField(quick ? 100 : 300);
    TextOfFullLength(quick ? 3 : 8);
    KeystrokeIntoALongField(quick ? 30 : 100);
    ThroughInput(5, quick ? 10 : 40);
    const double warm = CreateShowDestroy(quick ? 8 : 20);
    FirstInstance(quick ? 3 : 5, warm);
    HandlesPerInstance(library);
    IdleCpu(quick ? 1.0 : 3.0);
    WIN32_FILE_ATTRIBUTE_DATA file{};
    if (GetFileAttributesExW(widePath.c_str(), GetFileExInfoStandard, &file)) {
      Figure("library file size", static_cast<double>(file.nFileSizeLow) / 1024.0, 2285.0, "KB", "<= 25% (570 KB)");
    }
  }
  unregisterServer();
  PrintFigures();
  const int timeouts = vexo::harness::Timeouts();
  OleUninitialize();
  if (failures > 0 || timeouts > 0) {
    std::printf("bench FAILED: %d failures, %d waits timed out\n", failures, timeouts);
    return 1;
  }
  return 0;
}
