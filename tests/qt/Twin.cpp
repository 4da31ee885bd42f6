// SPDX-License-Identifier: MIT
#include "Twin.h"

#include <array>
#include <random>

#include <Qt>

#include "component/KeyBord.h"
#include "component/KeyBordProbe.h"

namespace vexo::testing::twin {

namespace {

struct KeyRow {
  int key;
  int modifiers;
  std::int16_t code;
  std::int16_t shift;
};

// Key presses as Qt reports them on a US layout, with the code and mask each
// stands for: the rows a real keyboard sends, shifted symbols included.
std::vector<KeyRow> KeyRows() {
  std::vector<KeyRow> rows;
  const std::array<std::pair<int, std::int16_t>, 5> modifiers{{{Qt::NoModifier, 0},
                                                               {Qt::ShiftModifier, 1},
                                                               {Qt::ControlModifier, 2},
                                                               {Qt::ShiftModifier | Qt::ControlModifier, 3},
                                                               {Qt::AltModifier, 4}}};
  auto add = [&](int key, std::int16_t code) {
    for (const auto& [qt, mask] : modifiers) rows.push_back({key, qt, code, mask});
  };
  for (int i = 0; i < 26; ++i) add(Qt::Key_A + i, static_cast<std::int16_t>(65 + i));
  for (int i = 0; i < 10; ++i) {
    rows.push_back({Qt::Key_0 + i, Qt::NoModifier, static_cast<std::int16_t>(48 + i), 0});
    rows.push_back({Qt::Key_0 + i, Qt::KeypadModifier, static_cast<std::int16_t>(96 + i), 0});
  }
  const std::array<int, 10> shiftedDigits{Qt::Key_ParenRight, Qt::Key_Exclam, Qt::Key_At, Qt::Key_NumberSign,
                                          Qt::Key_Dollar, Qt::Key_Percent, Qt::Key_AsciiCircum, Qt::Key_Ampersand,
                                          Qt::Key_Asterisk, Qt::Key_ParenLeft};
  for (int i = 0; i < 10; ++i) rows.push_back({shiftedDigits[i], Qt::ShiftModifier, static_cast<std::int16_t>(48 + i), 1});
  const std::array<std::array<int, 3>, 11> punctuation{{{Qt::Key_Semicolon, Qt::Key_Colon, 186},
                                                        {Qt::Key_Equal, Qt::Key_Plus, 187},
                                                        {Qt::Key_Comma, Qt::Key_Less, 188},
                                                        {Qt::Key_Minus, Qt::Key_Underscore, 189},
                                                        {Qt::Key_Period, Qt::Key_Greater, 190},
                                                        {Qt::Key_Slash, Qt::Key_Question, 191},
                                                        {Qt::Key_QuoteLeft, Qt::Key_AsciiTilde, 192},
                                                        {Qt::Key_BracketLeft, Qt::Key_BraceLeft, 219},
                                                        {Qt::Key_Backslash, Qt::Key_Bar, 220},
                                                        {Qt::Key_BracketRight, Qt::Key_BraceRight, 221},
                                                        {Qt::Key_Apostrophe, Qt::Key_QuoteDbl, 222}}};
  for (const auto& [plain, shifted, code] : punctuation) {
    rows.push_back({plain, Qt::NoModifier, static_cast<std::int16_t>(code), 0});
    rows.push_back({shifted, Qt::ShiftModifier, static_cast<std::int16_t>(code), 1});
  }
  const std::array<std::pair<int, std::int16_t>, 5> keypad{
      {{Qt::Key_Asterisk, 106}, {Qt::Key_Plus, 107}, {Qt::Key_Minus, 109}, {Qt::Key_Period, 110}, {Qt::Key_Slash, 111}}};
  for (const auto& [key, code] : keypad) {
    rows.push_back({key, Qt::KeypadModifier, code, 0});
    rows.push_back({key, Qt::KeypadModifier | Qt::ShiftModifier, code, 1});
  }
  // Tab is no key of the component's on Qt: it moves the focus along the
  // window's tab order, which the in-memory toolkit does not have.
  const std::array<std::pair<int, std::int16_t>, 19> others{
      {{Qt::Key_Space, 32}, {Qt::Key_Backspace, 8}, {Qt::Key_Delete, 46}, {Qt::Key_Home, 36}, {Qt::Key_End, 35},
       {Qt::Key_Left, 37}, {Qt::Key_Up, 38}, {Qt::Key_Right, 39}, {Qt::Key_Down, 40}, {Qt::Key_PageUp, 33},
       {Qt::Key_PageDown, 34}, {Qt::Key_CapsLock, 20}, {Qt::Key_Return, 13}, {Qt::Key_Escape, 27},
       {Qt::Key_Insert, 45}, {Qt::Key_F1, 112}, {Qt::Key_F2, 113}, {Qt::Key_F3, 114}, {Qt::Key_F7, 118}}};
  for (const auto& [key, code] : others) add(key, code);
  for (int f = 3; f < 6; ++f) add(Qt::Key_F1 + f, static_cast<std::int16_t>(112 + f));
  return rows;
}

Operation Make(Kind kind, std::int32_t a = 0, std::int32_t b = 0, std::u16string text = {}) {
  Operation op;
  op.kind = kind;
  op.a = a;
  op.b = b;
  op.text = std::move(text);
  return op;
}

}  // namespace

HResult HostCall(KeyBord& keybord, const Operation& op) {
  std::u16string text = op.text;
  auto code = static_cast<std::int16_t>(op.a);
  switch (op.kind) {
    case Kind::Find:
      return op.a == 0 ? keybord.FindABC(text) : op.a == 1 ? keybord.FindNumber(text) : keybord.AfterFindImage(text);
    case Kind::FindImage:
      return op.b == -32768 ? keybord.FindImageNumber(code) : keybord.FindImage(code, static_cast<std::int16_t>(op.b));
    case Kind::Function: return keybord.KeyF1ToF6(code);
    case Kind::Message: return keybord.GetMessage(code);
    case Kind::Enter: return keybord.EnterKey();
    case Kind::Caret: return op.a == 0 ? keybord.LeftPos() : keybord.RightPos();
    case Kind::ChangeBord: return keybord.put_ChangeBord(static_cast<ActivPanel>(op.a));
    case Kind::CapsLock: return keybord.put_CapsLock(code);
    case Kind::MaxLength: return keybord.put_MaxLength(code);
    case Kind::Text: return keybord.put_Text(text);
    default: return hr::Unexpected;
  }
}

void ReadComponent(KeyBord& keybord, State& state) {
  const KeyBordProbe probe(keybord);
  state.indexes[0] = probe.KeyIndex(KeyArrayId::cmdKey);
  state.indexes[1] = probe.KeyIndex(KeyArrayId::cmdNumber);
  state.indexes[2] = probe.KeyIndex(KeyArrayId::cmdShift);
  state.changeBord = static_cast<std::int32_t>(probe.ActiveBord());
  state.capsLock = probe.CapsOn();
  state.maxLength = probe.MaxChars();
}

Rect RectOf(const Box& box) { return {box.left, box.top, box.width, box.height}; }

void ReadPanel(const KeyStore& keys, const Box& bounds, std::vector<KeyView>& viewKeys, Rect& viewBounds) {
  for (std::int32_t k = 0; k < keys.Extent(); ++k) {
    const KeyElement& key = *keys.Element(k);
    viewKeys.push_back(
        {key.caption, key.left, key.top, key.width, key.height, key.visible, key.foreColor, key.backColor});
  }
  viewBounds = RectOf(bounds);
}

std::string Operation::Describe() const {
  std::string text = "op " + std::to_string(static_cast<int>(kind)) + " a " + std::to_string(a) + " b " +
                     std::to_string(b);
  if (kind == Kind::Key) {
    text += " code " + std::to_string(keyCode) + " shift " + std::to_string(shift);
  }
  if (!this->text.empty()) {
    text += " text of " + std::to_string(this->text.size());
  }
  return text;
}

std::vector<Operation> Generate(std::uint64_t seed, int count) {
  static const std::vector<KeyRow> keys = KeyRows();
  std::mt19937_64 engine(seed);
  auto between = [&](std::int64_t low, std::int64_t high) {
    return static_cast<std::int32_t>(std::uniform_int_distribution<std::int64_t>(low, high)(engine));
  };
  auto string = [&]() -> std::u16string {
    switch (between(0, 11)) {
      case 0: return u"";
      case 1: return u" ";
      case 2: return u"\U0001F600";
      case 3: return std::u16string(u"\0a", 2);
      case 4: return u"\xD800z";
      case 5: return std::u16string(static_cast<std::size_t>(between(32760, 32770)), u'k');
      default: {
        std::u16string text;
        for (int n = between(1, 4); n > 0; --n) text.push_back(static_cast<char16_t>(between(0x20, 0x7E)));
        return text;
      }
    }
  };
  const std::array<std::int32_t, 3> counts{27, 12, 32};
  std::vector<Operation> operations;
  std::int32_t fieldGuess = 40;
  for (int step = 0; step < count; ++step) {
    Operation op;
    const auto pick = between(0, 99);
    if (pick < 40) {
      const KeyRow& row = keys[static_cast<std::size_t>(between(0, static_cast<std::int64_t>(keys.size()) - 1))];
      op = {Kind::Key, 0, 0, u"", row.key, row.modifiers, row.code, row.shift};
    } else if (pick < 52) {
      op.kind = Kind::Click;
      op.b = between(0, 2);
      op.a = between(0, counts[static_cast<std::size_t>(op.b)] - 1);
    } else if (pick < 60) {
      op = Make(Kind::Find, between(0, 2), 0, string());
    } else if (pick < 64) {
      op = Make(Kind::FindImage, between(0, 255), between(0, 1) == 0 ? -32768 : between(0, 7));
    } else if (pick < 68) {
      op = Make(Kind::Function, between(0, 1) == 0 ? between(0, 255) : between(112, 117));
    } else if (pick < 70) {
      op = Make(Kind::Message, between(0, 1) == 0 ? 118 : between(-5, 300));
    } else if (pick < 72) {
      op.kind = Kind::Enter;
    } else if (pick < 75) {
      op = Make(Kind::Caret, between(0, 1));
    } else if (pick < 79) {
      op = Make(Kind::ChangeBord, between(0, 4) == 0 ? between(-2, 5) : between(0, 2));
    } else if (pick < 81) {
      op = Make(Kind::CapsLock, between(0, 2) == 0 ? between(-3, 3) : -between(0, 1));
    } else if (pick < 83) {
      op = Make(Kind::MaxLength, between(0, 1) == 0 ? between(0, 6) : between(-5, 32767));
    } else if (pick < 87) {
      op = Make(Kind::Text, 0, 0, string());
    } else if (pick < 92) {
      op = Make(Kind::Select, between(0, fieldGuess), between(0, 2));
    } else if (pick < 94) {
      op.kind = Kind::Blur;
    } else if (pick < 96) {
      op.kind = Kind::Show;
    } else if (pick < 97) {
      op.kind = Kind::SurfaceFocus;
    } else if (pick < 98) {
      op = Make(Kind::Resize, between(0, 20000), between(0, 20000));
    } else {
      op = Make(Kind::Answer, between(0, 2));
    }
    operations.push_back(std::move(op));
  }
  return operations;
}

std::string State::Diff(const State& other) const {
  std::string diff;
  auto check = [&](bool same, const char* what) {
    if (!same) diff += std::string(diff.empty() ? "" : ", ") + what;
  };
  check(field == other.field, "field text");
  check(selStart == other.selStart && selLength == other.selLength, "caret");
  for (int i = 0; i < 3; ++i) check(indexes[i] == other.indexes[i], "mark index");
  check(changeBord == other.changeBord, "ChangeBord");
  check(capsLock == other.capsLock, "CapsLock");
  check(maxLength == other.maxLength, "MaxLength");
  check(focus == other.focus, "focused panel");
  check(beeps == other.beeps, "beeps");
  check(commands == other.commands, "F7 commands");
  for (int i = 0; i < 3; ++i) {
    check(keys[i].size() == other.keys[i].size(), "key count");
    for (std::size_t k = 0; k < keys[i].size() && k < other.keys[i].size(); ++k) {
      if (!(keys[i][k] == other.keys[i][k])) {
        check(false, ("key " + std::to_string(i) + "/" + std::to_string(k)).c_str());
      }
    }
    check(panels[i] == other.panels[i], "panel box");
  }
  check(text1 == other.text1, "field box");
  check(surfaceWidth == other.surfaceWidth && surfaceHeight == other.surfaceHeight, "surface size");
  return diff;
}

}  // namespace vexo::testing::twin
