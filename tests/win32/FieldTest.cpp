// SPDX-License-Identifier: MIT
// The field Text1 on a real rich-text control: the contract every toolkit's
// field keeps, on this one; every unit shown one for one, rewrites, the font;
// and what the user types, pastes and deletes in the field itself, through
// the system's input.
#include "ShownKeyBord.h"

#include <algorithm>
#include <cstring>
#include <tuple>
#include <vector>

#include "component/KeyBord.h"
#include "widgets/RichTextBoxContract.h"

namespace vexo::win32::testing {
namespace {

class Field : public ::testing::Test {
 protected:
  Host host;
  Win32RichTextBox& field = host.toolkit->Field();

  std::u16string Text() {
    std::u16string text = u"sentinel";
    EXPECT_EQ(field.GetText(text), hr::Ok);
    return text;
  }
};

struct Win32Field {
  static constexpr HResult TooLong = hr::Overflow;
  RichTextBox& Field() { return host.toolkit->Text1(); }
  Host host;
};

class FieldRoundTrip : public Field, public ::testing::WithParamInterface<contract::OddText> {};

// The control shows each text one unit for one unit, a picture for each unit
// it cannot hold as it is. The length a keystroke reads is the size of the
// text the host reads while the field keeps an exact copy beside the
// control, after an edit, and once another program changed the control.
TEST_P(FieldRoundTrip, ShowsEveryUnitOneForOneAndCountsWhatIsRead) {
  const auto expectLengthOfText = [&](const char* when) {
    std::int32_t length = -1;
    ASSERT_EQ(field.GetTextLength(length), hr::Ok) << when;
    EXPECT_EQ(static_cast<std::size_t>(length), Text().size()) << when;
  };
  ASSERT_EQ(field.PutText(GetParam().text), hr::Ok);
  EXPECT_EQ(field.Shown(), DisplayText(GetParam().text));
  EXPECT_EQ(field.Shown().size(), GetParam().text.size());
  ASSERT_EQ(field.PutSelStart(1), hr::Ok);
  ASSERT_EQ(field.PutSelLength(1), hr::Ok);
  ASSERT_EQ(field.PutSelText(u"\r\n"), hr::Ok);
  expectLengthOfText("after a break replaced the second unit");
  SendMessageW(field.Window(), EM_SETSEL, 0, 1);
  SendMessageW(field.Window(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L"z"));
  expectLengthOfText("after another program wrote into the control");
}

INSTANTIATE_TEST_SUITE_P(Texts, FieldRoundTrip, ::testing::ValuesIn(contract::oddTexts),
                         [](const auto& info) { return std::string(info.param.name); });

struct Rewrite {
  const char* name;
  std::u16string before;
  std::u16string after;
};

class FieldRewrite : public Field, public ::testing::WithParamInterface<Rewrite> {};

// A new text replaces only what differs from the old one in the control; the
// result must be the new text whatever the two share.
TEST_P(FieldRewrite, TheNewTextReplacesTheOldWhateverTheyShare) {
  ASSERT_EQ(field.PutText(GetParam().before), hr::Ok);
  ASSERT_EQ(field.PutSelStart(1), hr::Ok);
  ASSERT_EQ(field.PutSelLength(1), hr::Ok);
  ASSERT_EQ(field.PutText(GetParam().after), hr::Ok);
  EXPECT_EQ(Text(), GetParam().after);
  EXPECT_EQ(field.Shown(), DisplayText(GetParam().after));
  EXPECT_EQ(field.Selection(), std::make_pair(0, 0));
}

const Rewrite rewrites[] = {
    {"Same", u"abc ", u"abc "},
    {"OneInsertedInTheMiddle", u"abc ", u"abXc "},
    {"OneRemoved", u"abc ", u"ac "},
    {"RepeatedUnitsGrow", u"aaa ", u"aaaa "},
    {"RepeatedUnitsShrink", u"aaaa ", u"aa "},
    {"SharedEndsOnly", u"abXYZab", u"abQab"},
    {"Emptied", u"abc ", u""},
    {"FromEmpty", u"", u"abc "},
    {"NothingShared", u"abc", u"xyz"},
    {"BreakInserted", u"x y ", u"x\r\ny "},
    {"BreakRemoved", u"x\r\ny ", u"x y "},
    {"PictureForItsUnit", u"x\u240Dy", u"x\ry"},
    {"UnitForItsPicture", u"x\ry", u"x\u240Dy"},
};

INSTANTIATE_TEST_SUITE_P(Texts, FieldRewrite, ::testing::ValuesIn(rewrites),
                         [](const auto& info) { return std::string(info.param.name); });

// A host call's changes run without painting; once it returns the control
// paints what they changed, and shows the block caret far along a long line.
TEST_F(Field, AfterABurstOfChangesTheFieldRedrawsWithTheCaretInView) {
  Recorder recorder;
  host.toolkit->Connect(recorder);
  Pump();
  ASSERT_EQ(host.toolkit->HostCall([&] {
    RETURN_IF_FAILED(field.PutText(std::u16string(20000, u'w') + u" "));
    RETURN_IF_FAILED(field.PutSelStart(15000));
    EXPECT_TRUE(GetUpdateRect(field.Window(), nullptr, FALSE)) << "what changed waits to be painted";
    return field.PutSelLength(1);
  }), hr::Ok);
  EXPECT_TRUE(WaitFor("the field painted", [&] { return !GetUpdateRect(field.Window(), nullptr, FALSE); }));
  POINTL at{-1, -1};
  SendMessageW(field.Window(), EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), 15000);
  RECT client{};
  GetClientRect(field.Window(), &client);
  EXPECT_GE(at.x, client.left);
  EXPECT_LT(at.x, client.right);
}

TEST_F(Field, TypingABreakIntoTheMiddleOfAPlainTextKeepsItExact) {
  ASSERT_EQ(field.PutText(u"ab "), hr::Ok);
  ASSERT_EQ(field.PutSelStart(1), hr::Ok);
  ASSERT_EQ(field.PutSelText(u"\r\n"), hr::Ok);
  EXPECT_EQ(Text(), u"a\r\nb ");
  // Replacing the last break makes the text plain again.
  ASSERT_EQ(field.PutSelStart(1), hr::Ok);
  ASSERT_EQ(field.PutSelLength(2), hr::Ok);
  ASSERT_EQ(field.PutSelText(u"-"), hr::Ok);
  EXPECT_EQ(Text(), u"a-b ");
  EXPECT_EQ(field.Shown(), u"a-b ");
}

TEST_F(Field, WhatAnotherProgramWritesIntoTheFieldWinsOverTheKeptText) {
  ASSERT_EQ(field.PutText(u"x\ry"), hr::Ok);
  // Another program writes into the control directly.
  SendMessageW(field.Window(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"typed"));
  EXPECT_EQ(Text(), u"typed");
  // Even when the change keeps the length.
  ASSERT_EQ(field.PutText(u"x\ry"), hr::Ok);
  SendMessageW(field.Window(), EM_SETSEL, 0, 1);
  SendMessageW(field.Window(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L"z"));
  EXPECT_EQ(Text(), u"z\u240Dy");
}

// A control that changes units on its own, as another version of it might:
// here it takes every 'q' it is given as 'Q', and drops every '#'.
WNDPROC controlProcedure = nullptr;

LRESULT CALLBACK AlteringControl(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == EM_REPLACESEL && lParam != 0) {
    std::wstring text(reinterpret_cast<const wchar_t*>(lParam));
    std::replace(text.begin(), text.end(), L'q', L'Q');
    std::erase(text, L'#');
    return CallWindowProcW(controlProcedure, window, message, wParam, reinterpret_cast<LPARAM>(text.c_str()));
  }
  return CallWindowProcW(controlProcedure, window, message, wParam, lParam);
}

TEST_F(Field, AUnitTheControlChangesReadsBackAsPutAndALostOneIsAnError) {
  controlProcedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(field.Window(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AlteringControl)));
  ASSERT_EQ(field.PutText(u"quiet "), hr::Ok);
  EXPECT_EQ(field.Shown(), u"Quiet ");
  EXPECT_EQ(Text(), u"quiet ");
  ASSERT_EQ(field.PutSelStart(5), hr::Ok);
  ASSERT_EQ(field.PutSelText(u"q"), hr::Ok);
  EXPECT_EQ(Text(), u"quietq ");

  // The dropped unit would shift every later position: refused, nothing changed.
  EXPECT_EQ(field.PutSelText(u"#"), hr::InvalidPropertyValue);
  EXPECT_EQ(Text(), u"quietq ");
  EXPECT_EQ(field.Selection(), std::make_pair(6, 0));
  EXPECT_EQ(field.PutText(u"a#b"), hr::InvalidPropertyValue);
  EXPECT_EQ(Text(), u"quietq ");
  SetWindowLongPtrW(field.Window(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(controlProcedure));
}

TEST_F(Field, ShowsBoldTahomaOfNineAndThreeQuarterPointsInTheHebrewCharacterSet) {
  ASSERT_EQ(field.PutText(u"abc"), hr::Ok);
  CHARFORMAT2W format{};
  format.cbSize = sizeof format;
  SendMessageW(field.Window(), EM_SETSEL, 0, -1);
  SendMessageW(field.Window(), EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  EXPECT_STREQ(format.szFaceName, L"Tahoma");
  EXPECT_EQ(format.yHeight, 195);
  EXPECT_TRUE(format.dwEffects & CFE_BOLD);
  EXPECT_EQ(format.bCharSet, HEBREW_CHARSET);
  EXPECT_EQ(SendMessageW(field.Window(), EM_GETTEXTMODE, 0, 0) & TM_PLAINTEXT, TM_PLAINTEXT);
}

TEST_F(Field, ADestroyedControlGivesAnErrorNotAnEmptySuccess) {
  DestroyWindow(field.Window());
  std::u16string text = u"sentinel";
  EXPECT_EQ(field.GetText(text), hr::Fail);
  EXPECT_EQ(text, u"");
  std::int32_t length = 0x7EADBEEF;
  EXPECT_EQ(field.GetTextLength(length), hr::Fail);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(field.PutText(u"x"), hr::Fail);
  EXPECT_EQ(field.PutSelText(u"x"), hr::Fail);
}

// --- The user's own input in the field of a shown keyboard.

enum class Place { RightOfTheText, InFrontOf, AsTheControlLeavesIt, SelectAll };
enum class Act { Type, Paste, Backspace };

struct Direct {
  const char* name;
  std::int16_t maxLength;
  Place place;
  int at;  // InFrontOf: the character the click lands in front of
  Act act;
  const wchar_t* input;  // the keys typed (letters come as lower case) or the text pasted
  std::u16string text;   // Text afterwards
  std::int32_t caret;    // where the block caret then stands
  std::u16string next;   // Text after the keyboard's next key, a "q"
};

void PrintTo(const Direct& row, std::ostream* os) { *os << row.name; }

// A shown keyboard whose field the user writes into.
class KeyboardField : public ShownKeyBord {
 protected:
  // A real click at a point of the field's client area.
  void ClickField(int x, int y) {
    POINT p{x, y};
    ClientToScreen(window, &p);
    Host::ClickAt(p);
  }
  static void PutOnClipboard(HWND owner, const wchar_t* text) {
    const std::size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    std::memcpy(GlobalLock(memory), text, bytes);
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
  }

  HWND window = host.toolkit->Field().Window();
};

class TypedIntoTheField : public KeyboardField, public ::testing::WithParamInterface<Direct> {};

TEST_P(TypedIntoTheField, GoesThroughTheModelAndTheNextKeyLosesNothing) {
  const Direct& row = GetParam();
  ASSERT_EQ(host.toolkit->HostCall([&] {
    RETURN_IF_FAILED(keybord.put_MaxLength(row.maxLength));
    return keybord.put_Text(u"ab");
  }), hr::Ok);
  if (row.act == Act::Paste) PutOnClipboard(host.frame, row.input);

  RECT client{};
  GetClientRect(window, &client);
  POINTL at{0, 0};
  SendMessageW(window, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), row.at);
  const int middle = (client.top + client.bottom) / 2;
  switch (row.place) {
    case Place::RightOfTheText: ClickField(client.right - 4, middle); break;
    case Place::InFrontOf: ClickField(at.x + 1, middle); break;
    case Place::AsTheControlLeavesIt: SetFocus(window); break;
    case Place::SelectAll:
      ClickField(client.right - 4, middle);
      Host::Press(VK_HOME, harness::Shift);
      break;
  }
  ASSERT_TRUE(WaitFor("the field's focus", [&] { return GetFocus() == window; }));

  switch (row.act) {
    case Act::Type:
      for (const wchar_t* key = row.input; *key; ++key) Host::Press(static_cast<WORD>(*key));
      break;
    case Act::Paste: Host::Press('V', harness::Ctrl); break;
    case Act::Backspace: Host::Press(VK_BACK); break;
  }
  EXPECT_EQ(Text(), row.text);
  EXPECT_EQ(host.toolkit->Field().Shown(), row.text + u" ") << "the field shows Text and its trailing space";
  EXPECT_EQ(host.toolkit->Field().Selection(), std::make_pair(row.caret, 1)) << "the block caret";

  ASSERT_EQ(host.toolkit->HostCall([&] {
    std::u16string q = u"q";
    return keybord.FindABC(q);
  }), hr::Ok);
  EXPECT_EQ(Text(), row.next);
}

const Direct directs[] = {
    {"ClickRightOfTheText", 0, Place::RightOfTheText, 0, Act::Type, L"Z", u"abz", 3, u"abzQ"},
    {"BlockCaretAsTheControlLeavesIt", 0, Place::AsTheControlLeavesIt, 0, Act::Type, L"Z", u"abz", 3, u"abzQ"},
    {"ClickInFrontOfTheFirst", 0, Place::InFrontOf, 0, Act::Type, L"Z", u"zab", 1, u"zQab"},
    {"ClickBetweenTwo", 0, Place::InFrontOf, 1, Act::Type, L"ZY", u"azyb", 3, u"azyQb"},
    {"SelectionReplaced", 0, Place::SelectAll, 0, Act::Type, L"Z", u"z", 1, u"zQ"},
    {"PastedAtTheEnd", 0, Place::RightOfTheText, 0, Act::Paste, L"xy", u"abxy", 4, u"abxyQ"},
    {"PasteCutAtTheLimit", 3, Place::RightOfTheText, 0, Act::Paste, L"xyz", u"abx", 3, u"abx"},
    {"TypedIntoAFullField", 2, Place::RightOfTheText, 0, Act::Type, L"Z", u"ab", 2, u"ab"},
    {"BackspaceAtTheEnd", 0, Place::RightOfTheText, 0, Act::Backspace, L"", u"a", 1, u"aQ"},
    {"BackspaceBetweenTwo", 0, Place::InFrontOf, 1, Act::Backspace, L"", u"b", 0, u"Qb"},
};

INSTANTIATE_TEST_SUITE_P(Input, TypedIntoTheField, ::testing::ValuesIn(directs),
                         [](const auto& info) { return std::string(info.param.name); });

// Every other way a user or a program writes into the control, as messages to
// it, with the block caret on the trailing space of "ab".
struct Written {
  const char* name;
  std::vector<std::tuple<UINT, WPARAM, LPARAM>> messages;
  std::u16string text;  // Text afterwards
};
void PrintTo(const Written& row, std::ostream* os) { *os << row.name; }

class WrittenIntoTheField : public KeyboardField, public ::testing::WithParamInterface<Written> {};

TEST_P(WrittenIntoTheField, GoesThroughTheModel) {
  ASSERT_EQ(host.toolkit->HostCall([&] { return keybord.put_Text(u"ab"); }), hr::Ok);
  for (const auto& [message, wParam, lParam] : GetParam().messages) SendMessageW(window, message, wParam, lParam);
  EXPECT_EQ(Text(), GetParam().text);
  EXPECT_EQ(host.toolkit->Field().Shown(), GetParam().text + u" ");
  EXPECT_EQ(host.toolkit->Field().Selection().second, 1) << "the block caret";
}

const auto typed = reinterpret_cast<LPARAM>(L"typed");
const Written writings[] = {
    {"SurrogatePairInTwoCharacters", {{WM_CHAR, 0xD83D, 1}, {WM_CHAR, 0xDE00, 1}}, u"ab\U0001F600"},
    {"LoneHalfIsKept", {{WM_CHAR, 0xD83D, 1}, {WM_CHAR, 'k', 1}}, u"ab\xD83Dk"},
    {"UnicodeCharacter", {{WM_UNICHAR, 0x1F600, 1}}, u"ab\U0001F600"},
    {"InputMethodCharacter", {{WM_IME_CHAR, 0x05E9, 1}}, u"ab\u05E9"},
    {"ControlCharactersInsertNothing", {{WM_CHAR, 0x01, 1}, {WM_CHAR, 0x08, 1}, {WM_CHAR, '\t', 1}}, u"ab"},
    {"UndoAndRedoAreRefused", {{WM_CHAR, 'z', 1}, {WM_UNDO, 0, 0}, {EM_UNDO, 0, 0}, {EM_REDO, 0, 0}}, u"abz"},
    {"CutTakesTheUserSelection", {{EM_SETSEL, 0, 2}, {WM_CUT, 0, 0}}, u""},
    {"ClearWithTheBlockCaretTakesNothing", {{WM_CLEAR, 0, 0}}, u"ab"},
    {"AnotherProgramSetsTheText", {{WM_SETTEXT, 0, typed}}, u"typed"},
    {"AnotherProgramReplacesASelection", {{EM_SETSEL, 0, 3}, {EM_REPLACESEL, TRUE, typed}}, u"typed"},
};

INSTANTIATE_TEST_SUITE_P(Messages, WrittenIntoTheField, ::testing::ValuesIn(writings),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vexo::win32::testing

namespace vexo::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, RichTextBoxContract, ::testing::Types<win32::testing::Win32Field>);
}  // namespace vexo::contract
