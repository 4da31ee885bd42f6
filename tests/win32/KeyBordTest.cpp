// SPDX-License-Identifier: MIT
// The keyboard component on real windows, used as a person uses it: the layout
// on screen, clicks and key presses through the system's input, the focus
// moving between panels, the F7 command reaching the host window, and the
// same results as on the in-memory toolkit.
#include "ShownKeyBord.h"

#include "widgets/memory/MemoryToolkit.h"

#include <random>

namespace vexo::win32::testing {
namespace {

std::int16_t IndexOfCaption(KeyArray& keys, std::u16string_view caption) {
  std::int16_t count = 0;
  EXPECT_EQ(keys.Count(count), hr::Ok);
  for (std::int16_t i = 0; i < count; ++i) {
    std::u16string c;
    if (keys.GetCaption(i, c) == hr::Ok && c == caption) return i;
  }
  return -1;
}

class OnScreen : public ShownKeyBord {
 protected:
  explicit OnScreen(Win32Toolkit::Options options = {}) : ShownKeyBord(std::move(options)) {}

  bool Marked(KeyArrayId array, std::int16_t index) {
    return host.toolkit->PanelOf(static_cast<PanelId>(array)).Keys().IsMarked(index);
  }
  // The colour painted just inside a key's raised border, beside its caption.
  COLORREF PaintedBack(KeyArrayId array, std::int16_t index) {
    Win32Panel& panel = host.toolkit->PanelOf(static_cast<PanelId>(array));
    const PixelRect r = panel.KeyPixels(*panel.Keys().Element(index));
    return Host::PixelOf(panel.Window(), r.left + 3, r.bottom - 4);
  }
  HWND Focused() { return GetFocus(); }
  HWND PanelWindow(PanelId panel) { return host.PanelWindow(panel); }
};

// --- Layout.

struct Placement {
  const char* name;
  int dpi;
  PixelRect text1, abc, number, shift;
  int surfaceWidth, surfaceHeight;
};

class Layout : public OnScreen, public ::testing::WithParamInterface<Placement> {
 protected:
  Layout() : OnScreen(Win32Toolkit::Options{GetParam().dpi, GetParam().dpi, {}}) {}

  void ExpectPanel(PanelId id, Box twips, PixelRect pixels) {
    Win32Panel& panel = host.toolkit->PanelOf(id);
    float left = -1, top = -1, width = -1, height = -1;
    ASSERT_EQ(panel.GetLeft(left), hr::Ok);
    ASSERT_EQ(panel.GetTop(top), hr::Ok);
    ASSERT_EQ(panel.GetWidth(width), hr::Ok);
    ASSERT_EQ(panel.GetHeight(height), hr::Ok);
    EXPECT_EQ(left, twips.left);
    EXPECT_EQ(top, twips.top);
    EXPECT_EQ(width, twips.width);
    EXPECT_EQ(height, twips.height);
    EXPECT_EQ(Host::PlacedAt(panel.Window()), pixels);
  }
  // The component's own size, exact in twips, and the pixels it takes.
  void ExpectSurface() {
    float width = 0, height = 0;
    ASSERT_EQ(host.toolkit->UserControl().GetWidth(width), hr::Ok);
    ASSERT_EQ(host.toolkit->UserControl().GetHeight(height), hr::Ok);
    EXPECT_EQ(width, 8685);
    EXPECT_EQ(height, 2185);
    RECT client{};
    GetClientRect(host.surface, &client);
    EXPECT_EQ(client.right, GetParam().surfaceWidth);
    EXPECT_EQ(client.bottom, GetParam().surfaceHeight);
  }
};

// The worked example of the design templates, to the twip, and the windows
// where the screen's pixels put them.
TEST_P(Layout, StartUpPlacesEveryChildToTheTwipAndThePixel) {
  const Placement& p = GetParam();
  const Box& field = host.toolkit->Field().Bounds();
  EXPECT_EQ(field.left, 0);
  EXPECT_EQ(field.top, 10);
  EXPECT_EQ(field.width, 5295);
  EXPECT_EQ(field.height, 375);
  EXPECT_EQ(Host::PlacedAt(host.toolkit->Field().Window()), p.text1);

  ExpectPanel(PanelId::picABC, {0, 485, 3980, 1600}, p.abc);
  ExpectPanel(PanelId::picNumber, {4080, 485, 1215, 1480}, p.number);
  ExpectPanel(PanelId::picShift, {5395, 485, 3190, 1500}, p.shift);
  ExpectSurface();
}

// The host stretches the control; it takes its own size back, exact in twips.
TEST_P(Layout, AResizeByTheHostComesBackToTheComponentsSize) {
  SetWindowPos(host.surface, nullptr, 0, 0, 400, 300, SWP_NOMOVE | SWP_NOZORDER);
  ASSERT_EQ(host.toolkit->SurfaceSized(400, 300), hr::Ok);
  ExpectSurface();
}

const Placement placements[] = {
    // 15 twips a pixel: Text1 ends where the number panel ends (5295 = 353 px).
    {"At96", 96, {0, 1, 353, 26}, {0, 32, 265, 139}, {272, 32, 353, 131}, {360, 32, 572, 132}, 579, 146},
    // 10 twips a pixel, halves rounded up.
    {"At144", 144, {0, 1, 530, 39}, {0, 49, 398, 209}, {408, 49, 530, 197}, {540, 49, 859, 199}, 869, 219},
};

INSTANTIATE_TEST_SUITE_P(Dpi, Layout, ::testing::ValuesIn(placements),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Typing by pointing.

struct Pointing {
  const char* name;
  ActivPanel startOn;
  KeyArrayId array;
  std::int16_t index;
  const char16_t* caption;
};

class Pointed : public OnScreen, public ::testing::WithParamInterface<Pointing> {};

TEST_P(Pointed, AClickOnAKeyInsertsItsCaptionMarksItAndFocusesItsPanel) {
  const Pointing& p = GetParam();
  ASSERT_EQ(keybord.put_ChangeBord(p.startOn), hr::Ok);
  const auto panel = static_cast<PanelId>(p.array);

  Host::ClickAt(host.KeyCentre(panel, p.index));

  EXPECT_EQ(Text(), p.caption);
  EXPECT_EQ(host.toolkit->Field().Shown(), std::u16string(p.caption) + u" ");
  EXPECT_EQ(host.toolkit->Field().Selection(), std::make_pair(1, 1));  // block caret on the trailing space
  EXPECT_EQ(Focused(), PanelWindow(panel));
  EXPECT_TRUE(Marked(p.array, p.index));
  EXPECT_EQ(PaintedBack(p.array, p.index), RGB(0, 0, 255));
}

const Pointing pointings[] = {
    {"LetterFromTheNumberPanel", ActivPanel::NumberAct, KeyArrayId::cmdKey, 2, u"E"},
    {"DigitFromTheLetterPanel", ActivPanel::abcAct, KeyArrayId::cmdNumber, 0, u"7"},
    {"SymbolFromTheLetterPanel", ActivPanel::abcAct, KeyArrayId::cmdShift, 0, u"~"},
};

INSTANTIATE_TEST_SUITE_P(Keys, Pointed, ::testing::ValuesIn(pointings),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(OnScreen, ClicksTypeAWordAndTheMarkFollowsOnScreen) {
  for (std::int16_t index : {std::int16_t{2}, std::int16_t{17}, std::int16_t{4}}) {
    Host::ClickAt(host.KeyCentre(PanelId::picABC, index));
  }
  std::u16string expected;
  for (std::int16_t index : {2, 17, 4}) {
    std::u16string caption;
    EXPECT_EQ(host.toolkit->Keys(KeyArrayId::cmdKey).GetCaption(index, caption), hr::Ok);
    expected += caption;
  }
  EXPECT_EQ(Text(), expected);
  EXPECT_TRUE(Marked(KeyArrayId::cmdKey, 4));
  EXPECT_FALSE(Marked(KeyArrayId::cmdKey, 2));
  EXPECT_EQ(PaintedBack(KeyArrayId::cmdKey, 2), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(PaintedBack(KeyArrayId::cmdKey, 17), GetSysColor(COLOR_BTNFACE)) << "the mark left it, a row away";
  EXPECT_EQ(PaintedBack(KeyArrayId::cmdKey, 4), RGB(0, 0, 255));
  // The field shows the block caret on the trailing space, and no longer
  // where it stood before the last click.
  HWND field = host.toolkit->Field().Window();
  const auto blockAt = [&](LPARAM position) {
    POINTL at{};
    SendMessageW(field, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), position);
    return Host::PixelOf(field, at.x + 1, at.y + 3) == GetSysColor(COLOR_HIGHLIGHT);
  };
  EXPECT_TRUE(WaitFor("the block caret painted behind the word", [&] { return blockAt(3) && !blockAt(2); }));
}

// --- Typing on the physical keyboard.

struct Typing {
  const char* name;
  ActivPanel on;
  WORD virtualKey;
  int modifiers;
  const char16_t* typed;
  KeyArrayId array;  // where the typed character's key is marked
};

class Typed : public OnScreen, public ::testing::WithParamInterface<Typing> {};

TEST_P(Typed, AKeyPressOnTheFocusedPanelInsertsTheCharacterAndMarksItsKey) {
  const Typing& t = GetParam();
  ASSERT_EQ(keybord.put_ChangeBord(t.on), hr::Ok);
  Host::Press(t.virtualKey, t.modifiers);

  EXPECT_EQ(Text(), t.typed);
  const std::int16_t index = IndexOfCaption(host.toolkit->Keys(t.array), t.typed);
  ASSERT_GE(index, 0);
  EXPECT_TRUE(Marked(t.array, index));
  EXPECT_EQ(PaintedBack(t.array, index), RGB(0, 0, 255));
}

const Typing typings[] = {
    {"LetterOnTheLetterPanel", ActivPanel::abcAct, 'A', 0, u"A", KeyArrayId::cmdKey},
    {"DigitOnTheNumberPanel", ActivPanel::NumberAct, '5', 0, u"5", KeyArrayId::cmdNumber},
    {"LetterOnTheNumberPanel", ActivPanel::NumberAct, 'K', 0, u"K", KeyArrayId::cmdKey},
};

INSTANTIATE_TEST_SUITE_P(Keys, Typed, ::testing::ValuesIn(typings),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(OnScreen, FunctionKeysMoveTheFocusBetweenPanelsAndTheirMarks) {
  ASSERT_EQ(Focused(), PanelWindow(PanelId::picABC));
  EXPECT_TRUE(Marked(KeyArrayId::cmdKey, 0));

  Host::Press(VK_F3);
  EXPECT_EQ(Focused(), PanelWindow(PanelId::picNumber));
  EXPECT_TRUE(Marked(KeyArrayId::cmdNumber, 0));
  EXPECT_FALSE(Marked(KeyArrayId::cmdKey, 0));

  Host::Press(VK_F4);
  EXPECT_EQ(Focused(), PanelWindow(PanelId::picShift));
  EXPECT_TRUE(Marked(KeyArrayId::cmdShift, 0));
  EXPECT_EQ(PaintedBack(KeyArrayId::cmdNumber, 0), GetSysColor(COLOR_BTNFACE));

  Host::Press(VK_F2);
  EXPECT_EQ(Focused(), PanelWindow(PanelId::picABC));
  ActivPanel active{};
  ASSERT_EQ(keybord.get_ChangeBord(active), hr::Ok);
  EXPECT_EQ(active, ActivPanel::abcAct);
}

// A host sets the active panel before its control is visible (in a parking
// window, say): nothing hidden takes the focus, and showing gives it.
TEST_F(OnScreen, ChangeBordWhileHiddenTakesEffectWhenShown) {
  ShowWindow(host.surface, SW_HIDE);
  ASSERT_EQ(keybord.put_ChangeBord(ActivPanel::ImageAct), hr::Ok);
  EXPECT_NE(Focused(), PanelWindow(PanelId::picShift));
  ShowWindow(host.surface, SW_SHOW);
  ASSERT_EQ(host.toolkit->Show(), hr::Ok);
  EXPECT_EQ(Focused(), PanelWindow(PanelId::picShift));
  EXPECT_TRUE(Marked(KeyArrayId::cmdShift, 0));
}

std::vector<WPARAM> commandsToFrame;
WNDPROC frameProcedure = nullptr;

LRESULT CALLBACK RecordCommands(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) commandsToFrame.push_back(wParam);
  return CallWindowProcW(frameProcedure, window, message, wParam, lParam);
}

// The host's window receives F7 as command 118.
TEST_F(OnScreen, F7ReachesTheActiveWindowAsCommand118) {
  commandsToFrame.clear();
  frameProcedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(host.frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordCommands)));
  ASSERT_EQ(GetActiveWindow(), host.frame);
  Host::Press(VK_F7);
  SetWindowLongPtrW(host.frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(frameProcedure));
  EXPECT_EQ(commandsToFrame, std::vector<WPARAM>{118});
}

// A persisted text with line breaks comes back exactly through the component.
TEST_F(OnScreen, TextWithBreaksAndNulRoundTripsThroughTheComponent) {
  const std::u16string text(u"one\r\ntwo\0three\n", 15);
  ASSERT_EQ(keybord.put_Text(text), hr::Ok);
  EXPECT_EQ(Text(), text);
  EXPECT_EQ(host.toolkit->Field().Shown(), DisplayText(text) + u" ");
  Host::ClickAt(host.KeyCentre(PanelId::picNumber, 0));
  EXPECT_EQ(Text(), text + u"7");  // Text let leaves the caret at the end
}

// --- The same results as on the in-memory toolkit.

struct Step {
  enum Kind { PutText, Click, Key, ChangeBord } kind;
  int a = 0;  // array, panel or ChangeBord value
  int b = 0;  // index or key code
  int shift = 0;
  const char16_t* text = u"";
};

struct Seen {
  std::u16string text;
  std::int32_t caret = 0;
  std::array<std::int16_t, 3> marked{-1, -1, -1};
  friend bool operator==(const Seen&, const Seen&) = default;
};

void PrintTo(const Seen& s, std::ostream* out) {
  *out << ::testing::PrintToString(s.text) << " caret " << s.caret << " marks " << s.marked[0] << ","
       << s.marked[1] << "," << s.marked[2];
}

HResult Apply(KeyBord& keybord, const Step& step) {
  std::int16_t keyCode = static_cast<std::int16_t>(step.b);
  std::int16_t shift = static_cast<std::int16_t>(step.shift);
  switch (step.kind) {
    case Step::PutText: return keybord.put_Text(step.text);
    case Step::Click: return keybord.OnClick(static_cast<KeyArrayId>(step.a), static_cast<std::int16_t>(step.b));
    case Step::Key: return keybord.OnKeyDown(static_cast<PanelId>(step.a), keyCode, shift);
    case Step::ChangeBord: return keybord.put_ChangeBord(static_cast<ActivPanel>(step.a));
  }
  return hr::Fail;
}

template <typename MarkedFn>
Seen Look(KeyBord& keybord, RichTextBox& field, MarkedFn marked) {
  Seen seen;
  EXPECT_EQ(keybord.get_Text(seen.text), hr::Ok);
  EXPECT_EQ(field.GetSelStart(seen.caret), hr::Ok);
  for (int array = 0; array < 3; ++array) {
    for (std::int16_t i = 0; i < 32; ++i) {
      if (marked(static_cast<KeyArrayId>(array), i)) {
        seen.marked[array] = i;
      }
    }
  }
  return seen;
}

TEST_F(OnScreen, EveryStepEndsAsOnTheInMemoryToolkit) {
  MemoryToolkit memory;
  KeyBord reference(memory);
  memory.Connect(reference);
  ASSERT_EQ(memory.Initialize(), hr::Ok);
  ASSERT_EQ(memory.Show(), hr::Ok);

  const Step steps[] = {
      {Step::Click, 0, 2},      {Step::Click, 1, 4},         {Step::Key, 1, VK_LEFT},
      {Step::Key, 1, VK_RETURN}, {Step::Key, 0, 'Q'},         {Step::Key, 0, VK_BACK},
      {Step::Key, 0, VK_HOME},   {Step::Key, 0, VK_DOWN},     {Step::Key, 0, '1', 1},
      {Step::ChangeBord, 2},     {Step::Key, 2, VK_RIGHT},    {Step::Click, 2, 5},
      {Step::Key, 2, VK_F6},     {Step::Key, 2, VK_DELETE},   {Step::Key, 2, VK_F1},
      {Step::Click, 0, 9},       {Step::PutText, 0, 0, 0, u"a\r\nb"},
      {Step::Key, 0, VK_END},    {Step::Click, 0, 26},        {Step::Key, 0, VK_F5},
      {Step::Key, 0, VK_F5},     {Step::Click, 1, 11},
  };
  int n = 0;
  for (const Step& step : steps) {
    SCOPED_TRACE("step " + std::to_string(n++));
    EXPECT_EQ(Apply(keybord, step), Apply(reference, step));
    Pump();
    const Seen onScreen = Look(keybord, host.toolkit->Field(), [&](KeyArrayId a, std::int16_t i) { return Marked(a, i); });
    const Seen inMemory =
        Look(reference, memory.Field(), [&](KeyArrayId a, std::int16_t i) { return memory.KeysOf(a).IsMarked(i); });
    EXPECT_EQ(onScreen, inMemory);
    const auto focusedInMemory = memory.Focused();
    ASSERT_TRUE(focusedInMemory.has_value());
    EXPECT_EQ(Focused(), PanelWindow(*focusedInMemory));
  }
}

// A container that asks the control to draw itself into a bitmap gets what
// the screen shows: the marked key in blue, the others on button face, the
// field with its text.
TEST_F(OnScreen, PaintingIntoABitmapShowsTheKeysAndTheField) {
  ASSERT_EQ(keybord.put_Text(u"WWWW"), hr::Ok);
  RECT client{};
  GetClientRect(host.surface, &client);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right + 20, client.bottom + 20);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  host.toolkit->PaintTo(dc, 20, 20);

  auto at = [&](PanelId panel, std::int16_t index) {
    Win32Panel& p = host.toolkit->PanelOf(panel);
    const PixelRect key = p.KeyPixels(*p.Keys().Element(index));
    const PixelRect where = Host::PlacedAt(p.Window());
    return GetPixel(dc, 20 + where.left + key.left + 3, 20 + where.top + key.bottom - 4);
  };
  EXPECT_EQ(at(PanelId::picABC, 0), RGB(0, 0, 255));
  EXPECT_EQ(at(PanelId::picABC, 1), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(at(PanelId::picShift, 0), GetSysColor(COLOR_BTNFACE));

  // The field: its text is dark on the light ground of an edit field.
  const PixelRect field = Host::PlacedAt(host.toolkit->Field().Window());
  int dark = 0;
  for (int x = field.left + 4; x < field.left + 60; ++x) {  // inside the sunken border
    for (int y = field.top + 4; y < field.bottom - 4; ++y) {
      const COLORREF c = GetPixel(dc, 20 + x, 20 + y);
      if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 200) ++dark;
    }
  }
  EXPECT_GT(dark, 20);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

// --- Selections per keystroke.
//
// Each selection costs the rich-text control a layout of its line, so a
// keystroke sends at most two. Each one also scrolls the line just far enough
// to show its end, so the keystroke must end with the caret, the selection
// and the scrolling where sending every selection the editing asks for would
// leave them: a twin control of the same kind is given that whole sequence.

struct View {
  CHARRANGE selection{};
  POINT scroll{};
  friend bool operator==(const View& a, const View& b) {
    return a.selection.cpMin == b.selection.cpMin && a.selection.cpMax == b.selection.cpMax &&
           a.scroll.x == b.scroll.x && a.scroll.y == b.scroll.y;
  }
};

void PrintTo(const View& v, std::ostream* out) {
  *out << "selection " << v.selection.cpMin << "-" << v.selection.cpMax << " scrolled " << v.scroll.x << ","
       << v.scroll.y;
}

View ViewOf(HWND edit) {
  View view;
  SendMessageW(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&view.selection));
  SendMessageW(edit, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&view.scroll));
  return view;
}

int selectionsSent = 0;
WNDPROC fieldProcedure = nullptr;
LRESULT CALLBACK CountingSelections(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == EM_EXSETSEL || message == EM_SETSEL) ++selectionsSent;
  return CallWindowProcW(fieldProcedure, window, message, w, l);
}

struct Keystroke {
  const char* name;
  int scrolledTo;  // a caret placed first (-1 the trailing space), or -2
  int caret;       // the block caret the keys start from (-1 the trailing space)
  WORD key;        // 'K' or VK_BACK, pressed three times
};

class Keystrokes : public OnScreen, public ::testing::WithParamInterface<Keystroke> {
 protected:
  // A bare control like the field: class, styles, place, mode and font. It
  // is made small and then moved, as the field is: the control keeps part of
  // its layout from the size it was made at.
  HWND MakeTwin() {
    HWND field = host.toolkit->Field().Window();
    wchar_t className[64] = {};
    GetClassNameW(field, className, 64);
    const PixelRect r = Host::PlacedAt(field);
    HWND twin = CreateWindowExW(static_cast<DWORD>(GetWindowLongPtrW(field, GWL_EXSTYLE)), className, L"",
                                static_cast<DWORD>(GetWindowLongPtrW(field, GWL_STYLE)), 0, 0, 10, 10,
                                host.surface, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(twin, EM_SETTEXTMODE, TM_PLAINTEXT, 0);
    SendMessageW(twin, EM_EXLIMITTEXT, 0, TextCapacity);
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    SendMessageW(field, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    SendMessageW(twin, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    SendMessageW(twin, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
    MoveWindow(twin, r.left, r.top, r.Width(), r.Height(), TRUE);
    return twin;
  }

  // The key as the editing asks for it: the selection it replaces, the
  // replacement, then the trailing space checked and the block caret placed,
  // each selection sent, with redrawing off until the caret is scrolled into
  // view.
  static void EverySelection(HWND twin, WORD key) {
    CHARRANGE block{};
    SendMessageW(twin, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&block));
    auto select = [&](LONG from, LONG to) {
      CHARRANGE range{from, to};
      SendMessageW(twin, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    };
    SendMessageW(twin, WM_SETREDRAW, FALSE, 0);
    const LONG p = block.cpMin;
    LONG caret = p + 1;
    if (key == VK_BACK) {
      caret = p - 1;
      select(p - 1, p - 1);
      select(p - 1, p);
      SendMessageW(twin, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
    } else {
      select(p, p);
      SendMessageW(twin, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L"K"));
    }
    const LONG last = static_cast<LONG>(SendMessageW(twin, WM_GETTEXTLENGTH, 0, 0)) - 1;
    for (auto [from, to] : {std::pair{caret, caret}, {last, last}, {last, last + 1}, {last + 1, last + 1},
                            {caret, caret}, {caret, caret + 1}}) {
      select(from, to);
    }
    SendMessageW(twin, WM_SETREDRAW, TRUE, 0);
    SendMessageW(twin, EM_SCROLLCARET, 0, 0);
  }
};

TEST_P(Keystrokes, AtMostTwoSelectionsEndScrolledAsEverySelectionWould) {
  const Keystroke& k = GetParam();
  Win32RichTextBox& field = host.toolkit->Field();
  std::u16string text;
  while (text.size() < 300) text += u"the quick brown fox jumps over the lazy dog ";
  ASSERT_EQ(keybord.put_Text(text), hr::Ok);
  const auto place = [&](int at) {
    const std::int32_t position = at < 0 ? static_cast<std::int32_t>(text.size()) : at;
    return host.toolkit->HostCall([&] {
      RETURN_IF_FAILED(field.PutSelStart(position));
      return field.PutSelLength(1);
    });
  };
  if (k.scrolledTo != -2) {
    ASSERT_EQ(place(k.scrolledTo), hr::Ok);
  }
  ASSERT_EQ(place(k.caret), hr::Ok);
  Pump();

  HWND twin = MakeTwin();
  SendMessageW(twin, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(host.toolkit->Field().Shown().c_str()));
  const View start = ViewOf(field.Window());
  SendMessageW(twin, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&start.selection));
  SendMessageW(twin, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&start.scroll));
  ASSERT_EQ(ViewOf(twin), start);

  fieldProcedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(field.Window(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingSelections)));
  for (int press = 0; press < 3; ++press) {
    SCOPED_TRACE("press " + std::to_string(press));
    selectionsSent = 0;
    std::int16_t keyCode = static_cast<std::int16_t>(k.key), shift = 0;
    ASSERT_EQ(host.toolkit->HostCall([&] { return keybord.OnKeyDown(PanelId::picABC, keyCode, shift); }), hr::Ok);
    EXPECT_LE(selectionsSent, 2);
    EverySelection(twin, k.key);
    std::wstring twinText(SendMessageW(twin, WM_GETTEXTLENGTH, 0, 0) + 1, L'\0');
    twinText.resize(SendMessageW(twin, WM_GETTEXT, twinText.size(), reinterpret_cast<LPARAM>(twinText.data())));
    EXPECT_EQ(field.Shown(), std::u16string(twinText.begin(), twinText.end()));
    EXPECT_EQ(ViewOf(field.Window()), ViewOf(twin));
  }
  SetWindowLongPtrW(field.Window(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(fieldProcedure));
  DestroyWindow(twin);
}

const Keystroke keystrokes[] = {
    {"LetterAtTheStart", -2, 0, 'K'},
    {"LetterNearTheStart", -2, 3, 'K'},
    {"LetterMidLineScrolledFromTheStart", -2, 150, 'K'},
    {"LetterMidLineScrolledFromTheEnd", -1, 150, 'K'},
    {"LetterJustLeftOfAViewAtTheEnd", -1, 280, 'K'},
    {"LetterAtTheEnd", -2, -1, 'K'},
    {"BackspaceMidLineScrolledFromTheStart", -2, 150, VK_BACK},
    {"BackspaceMidLineScrolledFromTheEnd", -1, 150, VK_BACK},
    {"BackspaceNearTheStart", -1, 4, VK_BACK},
    {"BackspaceAtTheEnd", -2, -1, VK_BACK},
};

INSTANTIATE_TEST_SUITE_P(Positions, Keystrokes, ::testing::ValuesIn(keystrokes),
                         [](const auto& info) { return std::string(info.param.name); });

// In high contrast the keys take the system's colours, the mark its highlight,
// whatever the component coloured them: the labels still read as it set them.
class HighContrastScreen : public OnScreen {
 protected:
  HighContrastScreen() : OnScreen(HighContrastOn()) {}
  static Win32Toolkit::Options HighContrastOn() {
    Win32Toolkit::Options options;
    options.highContrast = [] { return true; };
    return options;
  }
};

TEST_F(HighContrastScreen, TheMarkIsDrawnInTheHighlightColoursAndReadsAsBefore) {
  Host::Press(VK_RIGHT);
  ASSERT_TRUE(Marked(KeyArrayId::cmdKey, 1));
  ASSERT_TRUE(WaitFor("the marked key drawn in the highlight colour", [&] {
    return PaintedBack(KeyArrayId::cmdKey, 1) == GetSysColor(COLOR_HIGHLIGHT);
  }));
  EXPECT_EQ(PaintedBack(KeyArrayId::cmdKey, 0), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(PaintedBack(KeyArrayId::cmdNumber, 0), GetSysColor(COLOR_BTNFACE));
  EXPECT_TRUE(Marked(KeyArrayId::cmdKey, 1)) << "the label keeps the colours the component gave it";
}


class Storm : public OnScreen, public ::testing::WithParamInterface<unsigned> {};

// Random messages to the instance's windows, as another program or a
// confused host may send them: the instance survives, its field reads back
// what it shows, and the next click still types and leaves the block caret.
TEST_P(Storm, RandomMessagesLeaveAWorkingKeyboard) {
  std::mt19937 random(GetParam());
  HWND windows[] = {PanelWindow(PanelId::picABC), PanelWindow(PanelId::picNumber), PanelWindow(PanelId::picShift),
                    host.toolkit->Field().Window()};
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  for (int i = 0; i < 3000; ++i) {
    HWND target = windows[pick(4)];
    const int x = pick(400) - 50, y = pick(200) - 50;
    switch (pick(7)) {
      case 0: SendMessageW(target, WM_KEYDOWN, 1 + pick(0xFE), 1); break;
      case 1: SendMessageW(target, WM_CHAR, static_cast<WPARAM>(random() & 0xFFFF), 1); break;
      case 2:
        SendMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        SendMessageW(target, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
        break;
      case 3: SendMessageW(target, WM_SETTEXT, 0, pick(2) ? 0 : reinterpret_cast<LPARAM>(L"{\\rtf1 x}\r\n")); break;
      case 4: SendMessageW(target, WM_SIZE, 0, 0); break;
      case 5: SendMessageW(target, WM_GETDLGCODE, 0, 0); break;
      case 6: SendMessageW(target, WM_PAINT, 0, 0); break;
    }
    if (i % 100 == 0) Pump();
  }
  Pump();

  std::u16string text;
  ASSERT_EQ(host.toolkit->Field().GetText(text), hr::Ok);
  EXPECT_EQ(text, host.toolkit->Field().Shown());
  EXPECT_EQ(keybord.OnClick(KeyArrayId::cmdNumber, 0), hr::Ok);
  const std::u16string shown = host.toolkit->Field().Shown();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back(), u' ');
  EXPECT_EQ(host.toolkit->Field().Selection().second, 1);
}

INSTANTIATE_TEST_SUITE_P(Seeds, Storm, ::testing::Values(1u, 2u, 3u));

}  // namespace
}  // namespace vexo::win32::testing
