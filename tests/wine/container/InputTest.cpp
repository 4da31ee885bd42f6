// Typing by pointing and on the physical keyboard, with the control in the
// container: what the user sees is read from the screen and from Text.
#include "Container.h"

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
