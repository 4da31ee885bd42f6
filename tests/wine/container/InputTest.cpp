// SPDX-License-Identifier: MIT
// Typing by pointing and on the physical keyboard, with the control in the
// container: what the user sees is read from the screen and from Text.
#include "Container.h"

#include <optional>
#include <utility>
#include <vector>

namespace vexo::container {
namespace {

class InContainer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(hosted.keybord, nullptr);
    ASSERT_NE(hosted.panels[Symbols], nullptr);
    FrameCommands().clear();
  }

  // The colours of a key as the screen shows them, as a word.
  std::string Look(Panel panel, int index) {
    const COLORREF colour = hosted.KeyColour(panel, index);
    if (colour == MarkedBack) return "marked";
    if (colour == UnmarkedBack()) return "plain";
    char text[32];
    std::snprintf(text, sizeof text, "colour %06lx", static_cast<unsigned long>(colour));
    return text;
  }

  Hosted hosted;
};

TEST_F(InContainer, ShownWithTheLetterPanelFocusedAndItsFirstKeyMarked) {
  EXPECT_EQ(hosted.FocusedPanel(), Letters);
  EXPECT_EQ(Look(Letters, 0), "marked");
  EXPECT_EQ(Look(Letters, 1), "plain");
  EXPECT_EQ(Look(Numbers, 0), "plain") << "only the focused panel shows its mark";
}

struct Pointing {
  const char* name;
  Panel panel;
  int index;
  const wchar_t* caption;
};

class Pointed : public InContainer, public ::testing::WithParamInterface<Pointing> {};

TEST_P(Pointed, AClickInsertsTheCaptionMarksTheKeyAndFocusesItsPanel) {
  const Pointing& p = GetParam();
  ClickAt(hosted.KeyCentre(p.panel, p.index));
  EXPECT_EQ(hosted.Text(), p.caption);
  EXPECT_EQ(hosted.FocusedPanel(), p.panel);
  EXPECT_EQ(Look(p.panel, p.index), "marked");
  ClickAt(hosted.KeyCentre(p.panel, p.index));
  EXPECT_EQ(hosted.Text(), std::wstring(p.caption) + p.caption) << "a second click types again";
}

const Pointing pointings[] = {
    {"LetterE", Letters, 2, L"E"},     {"SpaceBar", Letters, 26, L" "}, {"NumberFive", Numbers, 4, L"5"},
    {"NumberMinus", Numbers, 11, L"-"}, {"SymbolAt", Symbols, 2, L"@"}, {"SymbolGrave", Symbols, 31, L"`"},
};
INSTANTIATE_TEST_SUITE_P(Keys, Pointed, ::testing::ValuesIn(pointings),
                         [](const auto& info) { return std::string(info.param.name); });

struct Typing {
  const char* name;
  WORD key;
  bool shift;
  const wchar_t* text;
  Panel panel;  // where the focus and the mark end
  int index;
};

class Typed : public InContainer, public ::testing::WithParamInterface<Typing> {};

TEST_P(Typed, AKeyPressInsertsTheCharacterAndMarksItsKey) {
  const Typing& t = GetParam();
  Press(t.key, t.shift);
  EXPECT_EQ(hosted.Text(), t.text);
  EXPECT_EQ(hosted.FocusedPanel(), t.panel);
  EXPECT_EQ(Look(t.panel, t.index), "marked");
  if (t.panel != Letters) {
    EXPECT_EQ(Look(Letters, 0), "plain") << "the panel that lost the focus shows no mark";
  }
}

const Typing typings[] = {
    {"LetterK", 'K', false, L"K", Letters, 17},
    {"ShiftedLetterIsLowerCase", 'K', true, L"k", Letters, 17},
    {"Space", VK_SPACE, false, L" ", Letters, 26},
    {"DigitGoesToTheNumberPanel", '5', false, L"5", Numbers, 4},
    {"KeypadDigit", VK_NUMPAD3, false, L"3", Numbers, 8},
    {"ShiftedDigitGoesToTheSymbols", '2', true, L"@", Symbols, 2},
    {"Semicolon", VK_OEM_1, false, L";", Symbols, 21},
    {"MinusGoesToTheNumberPanel", VK_OEM_MINUS, false, L"-", Numbers, 11},
};
INSTANTIATE_TEST_SUITE_P(Keys, Typed, ::testing::ValuesIn(typings),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(InContainer, AWordTypedOnTheKeyboardAndOnTheScreenTogether) {
  Press('H');
  Press('I');
  ClickAt(hosted.KeyCentre(Symbols, 1));  // "!"
  Press('2');
  EXPECT_EQ(hosted.Text(), L"HI!2");
  EXPECT_EQ(hosted.FocusedPanel(), Numbers);
  Press(VK_BACK);
  EXPECT_EQ(hosted.Text(), L"HI!");
  Press(VK_HOME);
  Press('O');
  EXPECT_EQ(hosted.Text(), L"OHI!");
}

// After a digit or a point the number panel has the focus; a space typed
// there is the letter panel's space bar, so the words stay apart.
TEST_F(InContainer, SpacesAfterDigitsAndPointsKeepTheWordsApart) {
  using Keys = std::initializer_list<WORD>;
  for (const WORD key : Keys{'R', 'O', 'O', 'M', VK_SPACE, '4', '2', VK_SPACE, 'N', 'O', 'R', 'T', 'H'}) Press(key);
  EXPECT_EQ(hosted.Text(), L"ROOM 42 NORTH");
  for (const WORD key : Keys{VK_SPACE, '4', '2', VK_OEM_PERIOD, VK_SPACE}) Press(key);
  EXPECT_EQ(hosted.Text(), L"ROOM 42 NORTH 42. ");
  EXPECT_EQ(hosted.FocusedPanel(), Letters);
  EXPECT_EQ(Look(Letters, 26), "marked") << "the space bar";
}

TEST_F(InContainer, ArrowsMoveTheMarkAndEnterKeyInsertsTheMarkedKey) {
  Press(VK_RIGHT);
  Press(VK_RIGHT);
  EXPECT_EQ(Look(Letters, 0), "plain");
  EXPECT_EQ(Look(Letters, 2), "marked");
  Press(VK_DOWN);
  EXPECT_EQ(Look(Letters, 2), "plain");
  const int below = 12;  // Down goes ten keys on: "D"
  EXPECT_EQ(Look(Letters, below), "marked");
  EXPECT_EQ(hosted.keybord->EnterKey(), S_OK);
  WaitForPaint(hosted.host, "the control after EnterKey");
  EXPECT_EQ(hosted.Text(), L"D");
  EXPECT_EQ(hosted.FocusedPanel(), Letters);
  Press(VK_LEFT);
  EXPECT_EQ(Look(Letters, below - 1), "marked");
  EXPECT_EQ(hosted.keybord->EnterKey(), S_OK);
  EXPECT_EQ(hosted.Text(), L"DS");
  EXPECT_TRUE(FrameCommands().empty()) << "no key but F7 sends a command";
}

TEST_F(InContainer, FunctionKeysMoveTheFocusBetweenThePanels) {
  const struct {
    WORD key;
    Panel panel;
    ActivPanel value;
  } steps[] = {{VK_F3, Numbers, NumberAct}, {VK_F4, Symbols, ImageAct}, {VK_F2, Letters, abcAct},
               {VK_F4, Symbols, ImageAct}};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.key);
    Press(step.key);
    EXPECT_EQ(hosted.FocusedPanel(), step.panel);
    ActivPanel value = static_cast<ActivPanel>(-1);
    EXPECT_EQ(hosted.keybord->get_ChangeBord(&value), S_OK);
    EXPECT_EQ(value, step.value);
    EXPECT_EQ(Look(step.panel, 0), "marked");
  }
  Press(VK_RIGHT);
  EXPECT_EQ(Look(Symbols, 1), "marked") << "arrows act on the panel the focus went to";
  EXPECT_EQ(hosted.Text(), L"");
}

TEST_F(InContainer, F7ReachesTheHostWindowAsCommand118) {
  Press(VK_F6);
  EXPECT_TRUE(FrameCommands().empty());
  Press(VK_F7);
  ASSERT_EQ(FrameCommands().size(), 1u);
  EXPECT_EQ(FrameCommands()[0], 118u);
  Press(VK_F4);
  Press(VK_F7);
  ASSERT_EQ(FrameCommands().size(), 2u) << "from every panel";
  EXPECT_EQ(hosted.Text(), L"");
}

TEST_F(InContainer, TheControlTakesItsKeysBeforeTheContainersAccelerators) {
  ComPtr<IOleInPlaceActiveObject> active;
  ASSERT_EQ(hosted.control.As(&active), S_OK);
  MSG right{hosted.panels[Letters], WM_KEYDOWN, VK_RIGHT, 0x014D0001};
  EXPECT_EQ(active->TranslateAccelerator(&right), S_OK) << "handled: the container's accelerators never see it";
  EXPECT_EQ(Look(Letters, 1), "marked");
  MSG f3{hosted.panels[Letters], WM_KEYDOWN, VK_F3, 0x003D0001};
  EXPECT_EQ(active->TranslateAccelerator(&f3), S_OK);
  EXPECT_EQ(hosted.FocusedPanel(), Numbers);
  MSG letter{hosted.panels[Numbers], WM_KEYDOWN, 'A', 0x001E0001};
  EXPECT_EQ(active->TranslateAccelerator(&letter), S_FALSE) << "characters take the normal road";
  MSG elsewhere{Frame(), WM_KEYDOWN, VK_RIGHT, 0x014D0001};
  EXPECT_EQ(active->TranslateAccelerator(&elsewhere), S_FALSE) << "a key for another window";
  EXPECT_EQ(hosted.Text(), L"");
}

TEST_F(InContainer, HiddenAndShownAgainTheControlStartsItsMarksAfresh) {
  Press(VK_RIGHT);
  Press(VK_F3);
  Press(VK_RIGHT);
  ASSERT_EQ(Look(Numbers, 1), "marked");
  ComPtr<IOleObject> object;
  ASSERT_EQ(hosted.control.As(&object), S_OK);
  RECT area{0, 0, 900, 240};
  ComPtr<IOleClientSite> site;
  ASSERT_EQ(object->GetClientSite(&site), S_OK);
  EXPECT_EQ(object->DoVerb(OLEIVERB_HIDE, nullptr, site.Get(), 0, hosted.host, &area), S_OK);
  WaitFor("the control hidden with no panel focused",
          [&] { return !IsWindowVisible(hosted.surface) && hosted.FocusedPanel() == -1; });
  EXPECT_FALSE(IsWindowVisible(hosted.surface));
  EXPECT_EQ(hosted.FocusedPanel(), -1);
  EXPECT_EQ(object->DoVerb(OLEIVERB_SHOW, nullptr, site.Get(), 0, hosted.host, &area), S_OK);
  WaitFor("the control shown again with a panel focused",
          [&] { return IsWindowVisible(hosted.surface) && hosted.FocusedPanel() != -1; });
  EXPECT_TRUE(IsWindowVisible(hosted.surface));
  EXPECT_EQ(hosted.FocusedPanel(), Numbers) << "the active panel takes the focus";
  EXPECT_EQ(Look(Numbers, 0), "marked") << "every show starts at the first key";
  EXPECT_EQ(Look(Numbers, 1), "plain");
}

// The host's own accelerators, on keys the keyboard has no use for.
constexpr WORD F9Command = 201;
constexpr WORD SaveCommand = 202;  // Ctrl+S
HACCEL HostAccelerators() {
  static const HACCEL table = [] {
    ACCEL keys[] = {{FVIRTKEY, VK_F9, F9Command}, {FVIRTKEY | FCONTROL, 'S', SaveCommand}};
    return CreateAcceleratorTableW(keys, 2);
  }();
  return table;
}
// The command a window hears from an accelerator.
constexpr WPARAM Accelerated(WORD command) { return MAKEWPARAM(command, 1); }

// A form run by a dialog loop (the host's accelerators, then IsDialogMessage):
// an edit before the keyboard, then the buttons "&After", OK (the default)
// and Cancel, in that tab order.
constexpr int AfterId = 100;

class InAForm : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(Frame(), nullptr);  // made and shown before the loop below asks for it
    previousLoop = harness::BeforeDispatch();
    harness::BeforeDispatch() = [](MSG& message) {
      return TranslateAcceleratorW(Frame(), HostAccelerators(), &message) || IsDialogMessageW(Frame(), &message);
    };
    before = Child(L"EDIT", L"", WS_TABSTOP, 0, 250);
    hosted.emplace();
    ASSERT_EQ(hosted->problem, "");
    // As a form's site window: a control parent, so that Tab looks inside.
    SetWindowLongPtrW(hosted->host, GWL_EXSTYLE, GetWindowLongPtrW(hosted->host, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    SetWindowPos(hosted->host, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    after = Child(L"BUTTON", L"&After", WS_TABSTOP | BS_PUSHBUTTON, AfterId, 250);
    ok = Child(L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, 350);
    cancel = Child(L"BUTTON", L"Cancel", WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL, 450);
    FrameCommands().clear();
    FrameCloses() = 0;
  }
  void TearDown() override {
    harness::BeforeDispatch() = previousLoop;
    hosted.reset();
    for (HWND window : {before, after, ok, cancel}) DestroyWindow(window);
    Pump();
  }

  // A child of the frame below the keyboard, last in the tab order.
  HWND Child(const wchar_t* kind, const wchar_t* text, DWORD style, int id, int x) {
    HWND made = CreateWindowExW(0, kind, text, WS_CHILD | WS_VISIBLE | style, x, 260, 90, 24, Frame(),
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    SetWindowPos(made, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return made;
  }
  ActivPanel Active() {
    ActivPanel value = static_cast<ActivPanel>(-1);
    EXPECT_EQ(hosted->keybord->get_ChangeBord(&value), S_OK);
    return value;
  }

  harness::PreTranslate previousLoop = nullptr;
  HWND before = nullptr, after = nullptr, ok = nullptr, cancel = nullptr;
  std::optional<Hosted> hosted;
};

TEST_F(InAForm, TabAndShiftTabLeaveTheKeyboardAndEnterItAtTheActivePanel) {
  ASSERT_EQ(hosted->keybord->put_ChangeBord(NumberAct), S_OK);
  SetFocus(before);
  Press(VK_TAB);
  EXPECT_EQ(hosted->FocusedPanel(), Numbers) << "Tab from the edit before";
  Press(VK_TAB);
  EXPECT_EQ(GetFocus(), after) << "Tab from the panel";
  Press(VK_TAB, harness::Shift);
  EXPECT_EQ(hosted->FocusedPanel(), Numbers) << "Shift+Tab from the button after";
  Press(VK_TAB, harness::Shift);
  EXPECT_EQ(GetFocus(), before) << "Shift+Tab from the panel";
  EXPECT_EQ(hosted->Text(), L"");
  EXPECT_EQ(Active(), NumberAct);
}

struct FormKey {
  const char* name;
  WORD key;
  int modifiers;
  std::vector<WPARAM> commands;  // what the form hears
  int closes;
  const wchar_t* text;
  ActivPanel active;
  int focusedPanel;  // -1: the focus went to the form
};

void PrintTo(const FormKey& row, std::ostream* out) { *out << row.name; }

class FormKeys : public InAForm, public ::testing::WithParamInterface<FormKey> {};

TEST_P(FormKeys, OnAPanelTheFormsKeysGoToTheFormAndTheKeyboardsStayOnIt) {
  const FormKey& row = GetParam();
  ASSERT_EQ(hosted->FocusedPanel(), Letters);
  Press(row.key, row.modifiers);
  WaitFor("the frame told to close", [&] { return FrameCloses() >= row.closes; });
  EXPECT_EQ(FrameCommands(), row.commands);
  EXPECT_EQ(FrameCloses(), row.closes);
  EXPECT_EQ(hosted->Text(), row.text);
  EXPECT_EQ(hosted->FocusedPanel(), row.focusedPanel);
  EXPECT_EQ(Active(), row.active);
}

const FormKey formKeys[] = {
    {"EnterPressesTheDefaultButton", VK_RETURN, 0, {IDOK}, 0, L"", abcAct, Letters},
    {"EscapePressesCancel", VK_ESCAPE, 0, {IDCANCEL}, 0, L"", abcAct, Letters},
    // The button pressed through its mnemonic takes the focus, as a click would.
    {"AltLetterPressesTheMnemonicOnly", 'A', harness::Alt, {AfterId}, 0, L"", abcAct, -1},
    {"AltF4AsksToCloseAndSwitchesNoPanel", VK_F4, harness::Alt, {}, 1, L"", abcAct, Letters},
    {"LetterTypes", 'A', 0, {}, 0, L"A", abcAct, Letters},
    {"DigitTypesOnTheNumbers", '5', 0, {}, 0, L"5", NumberAct, Numbers},
    {"F3SwitchesToTheNumbers", VK_F3, 0, {}, 0, L"", NumberAct, Numbers},
    {"F4SwitchesToTheSymbols", VK_F4, 0, {}, 0, L"", ImageAct, Symbols},
    {"CtrlTabLeavesTheKeyboard", VK_TAB, harness::Ctrl, {}, 0, L"", abcAct, -1},
    {"F7SendsTheCommand", VK_F7, 0, {118}, 0, L"", abcAct, Letters},
    {"AltF7SendsTheCommandToo", VK_F7, harness::Alt, {118}, 0, L"", abcAct, Letters},
    {"F9IsTheHostsAccelerator", VK_F9, 0, {Accelerated(F9Command)}, 0, L"", abcAct, Letters},
    {"CtrlSIsTheHostsAccelerator", 'S', harness::Ctrl, {Accelerated(SaveCommand)}, 0, L"", abcAct, Letters},
    // Ctrl counts as unshifted: the letter in the case CapsLock gives.
    {"CtrlLetterNoAcceleratorTakesTypes", 'D', harness::Ctrl, {}, 0, L"D", abcAct, Letters},
};
INSTANTIATE_TEST_SUITE_P(Keys, FormKeys, ::testing::ValuesIn(formKeys),
                         [](const auto& info) { return std::string(info.param.name); });

// Once the user clicked into the field, the form's keys leave it as from a
// panel, and the host's accelerators still fire.
enum class Focus { Field, Before, After };

struct FieldKey {
  const char* name;
  WORD key;
  int modifiers;
  std::vector<WPARAM> commands;
  Focus focus;
  const wchar_t* text;
};

void PrintTo(const FieldKey& row, std::ostream* out) { *out << row.name; }

class FieldKeys : public InAForm, public ::testing::WithParamInterface<FieldKey> {};

TEST_P(FieldKeys, FromTheFieldTheFormsKeysLeaveItAndTypingStays) {
  const FieldKey& row = GetParam();
  RECT field{};
  GetWindowRect(hosted->field, &field);
  ClickAt({(field.left + field.right) / 2, (field.top + field.bottom) / 2});
  ASSERT_TRUE(WaitFor("the focus in the field", [&] { return GetFocus() == hosted->field; }));
  Press(row.key, row.modifiers);
  EXPECT_EQ(FrameCommands(), row.commands);
  const HWND expected[] = {hosted->field, before, after};
  EXPECT_EQ(GetFocus(), expected[static_cast<int>(row.focus)]);
  EXPECT_EQ(hosted->Text(), row.text);
}

const FieldKey fieldKeys[] = {
    {"TabGoesToTheNextControl", VK_TAB, 0, {}, Focus::After, L""},
    // The edit before tells the form that it took the focus.
    {"ShiftTabGoesToThePreviousControl", VK_TAB, harness::Shift, {MAKEWPARAM(0, EN_SETFOCUS)}, Focus::Before, L""},
    {"CtrlTabGoesToTheNextControl", VK_TAB, harness::Ctrl, {}, Focus::After, L""},
    {"EnterPressesTheDefaultButton", VK_RETURN, 0, {IDOK}, Focus::Field, L""},
    {"EscapePressesCancel", VK_ESCAPE, 0, {IDCANCEL}, Focus::Field, L""},
    {"F9IsTheHostsAccelerator", VK_F9, 0, {Accelerated(F9Command)}, Focus::Field, L""},
    {"CtrlSIsTheHostsAccelerator", 'S', harness::Ctrl, {Accelerated(SaveCommand)}, Focus::Field, L""},
    {"LetterTypes", 'X', 0, {}, Focus::Field, L"x"},
};
INSTANTIATE_TEST_SUITE_P(Keys, FieldKeys, ::testing::ValuesIn(fieldKeys),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(InAForm, ArrowsMoveTheMark) {
  Press(VK_RIGHT);
  Press(VK_DOWN);
  EXPECT_EQ(hosted->KeyColour(Letters, 11), MarkedBack);
  EXPECT_EQ(hosted->FocusedPanel(), Letters);
}

// The container's site with a control site of its own put in front, which
// records the keys the control hands to the container and answers as told.
class KeySite final : public harness::ForwardingSite<IOleControlSite> {
 public:
  explicit KeySite(ComPtr<IOleClientSite> inner) : ForwardingSite(std::move(inner)) {}

  HRESULT STDMETHODCALLTYPE OnControlInfoChanged() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE LockInPlaceActive(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetExtendedControl(IDispatch** control) override {
    if (control) *control = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE TransformCoords(POINTL*, POINTF*, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* message, DWORD modifiers) override {
    heard.push_back({message ? message->wParam : 0, modifiers});
    return answer;
  }
  HRESULT STDMETHODCALLTYPE OnFocus(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE ShowPropertyFrame() override { return E_NOTIMPL; }

  struct Heard {
    WPARAM key;
    DWORD modifiers;
    friend bool operator==(const Heard&, const Heard&) = default;
  };
  std::vector<Heard> heard;
  HRESULT answer = S_OK;
};

// A container that offers key presses to the control's TranslateAccelerator
// first: Tab, Enter and Escape come back to it through its control site, with
// the modifiers held; the panel's keys do not.
TEST_F(InContainer, TheFormsKeysGoToTheContainersControlSite) {
  ComPtr<IOleObject> object;
  ComPtr<IOleInPlaceActiveObject> active;
  ComPtr<IOleClientSite> containerSite;
  ASSERT_EQ(hosted.control.As(&object), S_OK);
  ASSERT_EQ(hosted.control.As(&active), S_OK);
  ASSERT_EQ(object->GetClientSite(&containerSite), S_OK);
  KeySite site(containerSite);
  ASSERT_EQ(object->SetClientSite(&site), S_OK);

  const struct {
    WPARAM key;
    BYTE held;  // a modifier key down during the call, or 0
    HRESULT siteAnswer;
    HRESULT expected;
    std::vector<KeySite::Heard> heard;
    bool inField = false;  // pressed in the field rather than on the letter panel
    UINT message = WM_KEYDOWN;
  } rows[] = {
      {VK_TAB, 0, S_OK, S_OK, {{VK_TAB, 0}}},
      {VK_TAB, VK_SHIFT, S_OK, S_OK, {{VK_TAB, 1}}},
      {VK_TAB, VK_CONTROL, S_OK, S_OK, {{VK_TAB, 2}}},
      {VK_RETURN, 0, S_OK, S_OK, {{VK_RETURN, 0}}},
      {VK_ESCAPE, 0, S_FALSE, S_FALSE, {{VK_ESCAPE, 0}}},  // the container's answer is the control's
      {VK_RIGHT, 0, S_OK, S_OK, {}},                       // the panel's own
      {'A', 0, S_OK, S_FALSE, {}},
      {VK_TAB, VK_SHIFT, S_OK, S_OK, {{VK_TAB, 1}}, true},
      {VK_ESCAPE, 0, S_OK, S_OK, {{VK_ESCAPE, 0}}, true},
      {'X', 0, S_OK, S_FALSE, {}, true},
      // Keys the keyboard has no use for are the container's...
      {VK_F9, 0, S_OK, S_OK, {{VK_F9, 0}}},
      {VK_F24, 0, S_FALSE, S_FALSE, {{VK_F24, 0}}},
      {VK_F3, 0, S_OK, S_OK, {{VK_F3, 0}}, true},  // the field switches no panel
      // ... and so are Ctrl and Alt combinations first: the field pastes on
      // Ctrl+V only when the container leaves it on its normal road.
      {'V', VK_CONTROL, S_FALSE, S_FALSE, {{'V', 2}}, true},
      {'A', VK_MENU, S_OK, S_OK, {{'A', 4}}, false, WM_SYSKEYDOWN},
      {VK_CONTROL, VK_CONTROL, S_OK, S_FALSE, {}},  // a modifier alone combines nothing yet
      {VK_LEFT, VK_CONTROL, S_OK, S_OK, {}},  // the keyboard's own keys, with any modifiers
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.key);
    BYTE keys[256] = {};
    ASSERT_TRUE(GetKeyboardState(keys));
    const BYTE was = keys[row.held];
    if (row.held) keys[row.held] = 0x80;
    SetKeyboardState(keys);
    site.heard.clear();
    site.answer = row.siteAnswer;
    MSG message{row.inField ? hosted.field : hosted.panels[Letters], row.message, row.key, 1, 0, {}};
    EXPECT_EQ(active->TranslateAccelerator(&message), row.expected);
    EXPECT_EQ(site.heard, row.heard);
    keys[row.held] = was;
    SetKeyboardState(keys);
  }
  EXPECT_EQ(hosted.Text(), L"");
  EXPECT_EQ(object->SetClientSite(containerSite.Get()), S_OK);
  EXPECT_EQ(site.references, 1) << "the control gave the site back";
}

// A container whose loop offers each key press to the control first and
// then to its own accelerators (F9 and Ctrl+S), with a control site that
// leaves every key it hears to that loop: the keys the keyboard has no use
// for reach both, from a panel and from the field; the keyboard's stay.
struct ContainerKey {
  const char* name;
  WORD key;
  int modifiers;
  bool inField;
  std::vector<WPARAM> commands;
  std::vector<KeySite::Heard> heard;
  const wchar_t* text;
};

void PrintTo(const ContainerKey& row, std::ostream* out) { *out << row.name; }

class ContainerKeys : public InContainer, public ::testing::WithParamInterface<ContainerKey> {
 protected:
  void SetUp() override {
    InContainer::SetUp();
    previousLoop = harness::BeforeDispatch();
    harness::BeforeDispatch() = [](MSG& message) {
      return OfferToTheActiveControl(message) || TranslateAcceleratorW(Frame(), HostAccelerators(), &message);
    };
    ASSERT_EQ(hosted.control.As(&object), S_OK);
    ASSERT_EQ(object->GetClientSite(&containerSite), S_OK);
    site.emplace(containerSite);
    site->answer = S_FALSE;
    ASSERT_EQ(object->SetClientSite(&*site), S_OK);
  }
  void TearDown() override {
    harness::BeforeDispatch() = previousLoop;
    if (object) {
      EXPECT_EQ(object->SetClientSite(containerSite.Get()), S_OK);
    }
  }

  harness::PreTranslate previousLoop = nullptr;
  ComPtr<IOleObject> object;
  ComPtr<IOleClientSite> containerSite;
  std::optional<KeySite> site;
};

TEST_P(ContainerKeys, TheKeysTheKeyboardDoesNotUseReachTheContainer) {
  const ContainerKey& row = GetParam();
  if (row.inField) {
    RECT field{};
    GetWindowRect(hosted.field, &field);
    ClickAt({(field.left + field.right) / 2, (field.top + field.bottom) / 2});
    ASSERT_TRUE(WaitFor("the focus in the field", [&] { return GetFocus() == hosted.field; }));
  }
  Press(row.key, row.modifiers);
  EXPECT_EQ(FrameCommands(), row.commands);
  EXPECT_EQ(site->heard, row.heard);
  EXPECT_EQ(hosted.Text(), row.text);
}

const ContainerKey containerKeys[] = {
    {"F9OnAPanel", VK_F9, 0, false, {Accelerated(F9Command)}, {{VK_F9, 0}}, L""},
    {"CtrlSOnAPanel", 'S', harness::Ctrl, false, {Accelerated(SaveCommand)}, {{'S', 2}}, L""},
    {"CtrlLetterNoAcceleratorTakesIsTyped", 'D', harness::Ctrl, false, {}, {{'D', 2}}, L"D"},
    {"F9InTheField", VK_F9, 0, true, {Accelerated(F9Command)}, {{VK_F9, 0}}, L""},
    {"CtrlSInTheField", 'S', harness::Ctrl, true, {Accelerated(SaveCommand)}, {{'S', 2}}, L""},
    {"TabInTheFieldGoesToTheSite", VK_TAB, 0, true, {}, {{VK_TAB, 0}}, L""},
    {"F7IsTheKeyboards", VK_F7, 0, false, {118}, {}, L""},
    {"AltF7IsTheKeyboards", VK_F7, harness::Alt, false, {118}, {}, L""},
    {"ArrowsAreTheKeyboards", VK_RIGHT, harness::Ctrl, false, {}, {}, L""},
    {"LettersAreTheKeyboards", 'K', 0, false, {}, {}, L"K"},
};
INSTANTIATE_TEST_SUITE_P(Keys, ContainerKeys, ::testing::ValuesIn(containerKeys),
                         [](const auto& info) { return std::string(info.param.name); });

// Wine's container deactivates its control before its window goes: the
// widgets return to the control's own hidden window and keep working.
TEST(Lifetime, AControlThatOutlivesItsContainersWindowStillWorks) {
  ComPtr<_KeyBord> keybord;
  HWND surface = nullptr;
  {
    Hosted hosted;
    ASSERT_NE(hosted.keybord, nullptr);
    keybord = hosted.keybord;
    surface = hosted.surface;
  }
  EXPECT_TRUE(IsWindow(surface));
  EXPECT_FALSE(IsWindowVisible(surface));
  BSTR text = SysAllocString(L"after");
  EXPECT_EQ(keybord->put_Text(text), S_OK);
  SysFreeString(text);
  EXPECT_EQ(keybord->EnterKey(), S_OK);
  BSTR back = nullptr;
  EXPECT_EQ(keybord->get_Text(&back), S_OK);
  EXPECT_STREQ(back, L"afterQ") << "the marked key Q went in at the caret";
  SysFreeString(back);
  keybord->AddRef();
  EXPECT_EQ(keybord->Release(), 1u);
}

TEST_F(InContainer, TheFullFieldRefusesFurtherKeys) {
  ASSERT_EQ(hosted.keybord->put_MaxLength(2), S_OK);
  Press('A');
  Press('B');
  Press('C');
  ClickAt(hosted.KeyCentre(Numbers, 0));
  EXPECT_EQ(hosted.Text(), L"AB");
}

}  // namespace
}  // namespace vexo::container
