// SPDX-License-Identifier: MIT
#include "input/OperationDriver.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "component/KeyBordProbe.h"
#include "widgets/KeyLooks.h"

namespace vexo::testing {

namespace {

constexpr std::array<KeyArrayId, 3> Arrays{KeyArrayId::cmdKey, KeyArrayId::cmdNumber, KeyArrayId::cmdShift};
constexpr std::array<PanelId, 3> Panels{PanelId::picABC, PanelId::picNumber, PanelId::picShift};
constexpr std::array<std::int16_t, 3> KeyCounts{27, 12, 32};



// The most characters a field can hold with every position fitting 16 bits.
constexpr std::size_t FieldRange = 32767;

std::string Hex(HResult status) {
  static constexpr char Digits[] = "0123456789ABCDEF";
  std::string text = "0x";
  for (int shift = 28; shift >= 0; shift -= 4) {
    text += Digits[(static_cast<std::uint32_t>(status) >> shift) & 0xF];
  }
  return text;
}

std::string Printable(std::u16string_view text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size() && i < 12; ++i) {
    const char16_t c = text[i];
    if (c >= 0x20 && c < 0x7F && c != u'"') {
      out += static_cast<char>(c);
    } else {
      out += "\\u" + std::to_string(static_cast<unsigned>(c));
    }
  }
  if (text.size() > 12) {
    out += "...(" + std::to_string(text.size()) + ")";
  }
  return out + "\"";
}

template <typename T>
T Pick(Choices& choices, std::initializer_list<T> values) {
  const auto index = choices.Between(0, static_cast<std::int64_t>(values.size()) - 1);
  return *(values.begin() + index);
}

char16_t AnyCharacter(Choices& choices) {
  switch (choices.Between(0, 9)) {
    case 0: return static_cast<char16_t>(choices.Between(0, 0xFFFF));
    case 1: return Pick<char16_t>(choices, {u'\0', u'\t', 0xE9, 0xFF, 0xD83D, 0xDE00, 0xFFFF, 0x178});
    default: return static_cast<char16_t>(choices.Between(0x20, 0x7E));  // what the keys carry
  }
}

// Mostly short strings of key characters; now and then empty, blank, a
// surrogate pair, or long.
std::u16string AnyString(Choices& choices, std::size_t longest) {
  switch (choices.Between(0, 15)) {
    case 0: return u"";
    case 1: return u" ";
    case 2: return u"\U0001F600";
    case 3: return std::u16string(static_cast<std::size_t>(choices.Between(0, 3)), u' ') +
                   AnyCharacter(choices) + u"  ";
    case 4:
      if (choices.Between(0, 7) == 0) {
        const std::size_t length = static_cast<std::size_t>(choices.Between(0, static_cast<std::int64_t>(longest)));
        return std::u16string(length, AnyCharacter(choices));
      }
      [[fallthrough]];
    default: {
      std::u16string text;
      for (auto n = choices.Between(1, 4); n > 0; --n) {
        text.push_back(AnyCharacter(choices));
      }
      return text;
    }
  }
}

std::int16_t AnyInt16(Choices& choices) { return static_cast<std::int16_t>(choices.Between(-32768, 32767)); }

std::int16_t AnyKeyCode(Choices& choices) {
  return choices.Between(0, 7) == 0 ? AnyInt16(choices) : static_cast<std::int16_t>(choices.Between(0, 255));
}

std::int16_t AnyModifiers(Choices& choices) {
  return choices.Between(0, 15) == 0 ? AnyInt16(choices) : static_cast<std::int16_t>(choices.Between(0, 7));
}

}  // namespace

// What one step did and what it may answer.
struct OperationDriver::Outcome {
  std::string description;
  HResult status = hr::Ok;
  std::vector<HResult> allowed{hr::Ok};
  bool userPlacedCaret = false;
  std::string broken;  // a rule the step itself saw broken
};

OperationDriver::OperationDriver(FocusDelivery delivery)
    : toolkit_(std::make_unique<MemoryToolkit>(delivery)), keybord_(std::make_unique<KeyBord>(*toolkit_)) {}

OperationDriver::~OperationDriver() = default;

std::string OperationDriver::Run(Choices& choices, int maxSteps) {
  if (const HResult status = toolkit_->Initialize(); status != hr::Ok) {
    return "start-up failed with " + Hex(status);
  }
  if (const HResult status = toolkit_->Show(); status != hr::Ok) {
    return "show failed with " + Hex(status);
  }
  if (std::string broken = Check(Outcome{"show", hr::Ok, {hr::Ok}, false, ""}); !broken.empty()) {
    return Failure(broken);
  }
  while (steps_ < maxSteps && !choices.Exhausted()) {
    ++steps_;
    const Outcome outcome = Step(choices);
    recent_.push_back(outcome.description + " -> " + Hex(outcome.status));
    if (recent_.size() > 25) {
      recent_.pop_front();
    }
    if (std::string broken = Check(outcome); !broken.empty()) {
      return Failure(broken);
    }
  }
  return "";
}

std::string OperationDriver::Failure(const std::string& what) const {
  std::string text = "after step " + std::to_string(steps_) + ": " + what + "\nlast operations:";
  for (const std::string& line : recent_) {
    text += "\n  " + line;
  }
  return text;
}

OperationDriver::Outcome OperationDriver::Step(Choices& choices) {
  MemoryToolkit& toolkit = *toolkit_;
  KeyBord& keybord = *keybord_;
  Outcome outcome;
  const std::size_t fieldLength = toolkit.Field().Content().size();
  // Focus moves may be refused while a failure is injected, and insertion and
  // caret reads overflow once the field has outgrown 16-bit positions.
  auto allowFocusAndOverflow = [&] {
    if (focusFails_) {
      outcome.allowed.push_back(hr::InvalidProcedureCall);
    }
    if (fieldLength >= FieldRange) {
      outcome.allowed.push_back(hr::Overflow);
    }
  };
  auto host = [&](std::string description, const std::function<HResult()>& call) {
    outcome.description = std::move(description);
    outcome.status = toolkit.HostCall(call);
    allowFocusAndOverflow();
  };

  const auto operation = choices.Between(0, 99);
  if (operation < 40) {
    // A key press reaches the focused panel; with none, any panel, as a
    // toolkit that misroutes one would deliver it.
    const std::optional<PanelId> focused = toolkit.Focused();
    const PanelId panel = focused ? *focused : Panels[static_cast<std::size_t>(choices.Between(0, 2))];
    const std::int16_t code = AnyKeyCode(choices);
    const std::int16_t modifiers = AnyModifiers(choices);
    std::int16_t keyCode = code;
    std::int16_t shift = modifiers;
    outcome.description = "keydown panel " + std::to_string(static_cast<int>(panel)) + " code " +
                          std::to_string(code) + " shift " + std::to_string(modifiers);
    outcome.status = toolkit.KeyDown(panel, keyCode, shift);
    if (keyCode != code || shift != modifiers) {
      outcome.broken = "the key press came back changed";
    }
  } else if (operation < 50) {
    const auto slot = static_cast<std::size_t>(choices.Between(0, 2));
    const std::int16_t count = KeyCounts[slot];
    const auto index = static_cast<std::int16_t>(choices.Between(0, 7) == 0 ? choices.Between(-3, count + 3)
                                                                           : choices.Between(0, count - 1));
    outcome.description = "click " + std::to_string(slot) + " " + std::to_string(index);
    outcome.status = toolkit.Click(Arrays[slot], index);
    allowFocusAndOverflow();
    if (index < 0 || index >= count) {
      outcome.allowed = {hr::ElementMissing};
    }
  } else if (operation < 53) {
    // A click notification for any index, as a broken toolkit might raise it.
    const auto slot = choices.Between(0, 2);
    const std::int16_t index = choices.Between(0, 1) == 0 ? AnyInt16(choices)
                                                          : static_cast<std::int16_t>(choices.Between(-2, 34));
    host("click handler " + std::to_string(slot) + " " + std::to_string(index), [&] {
      return keybord.OnClick(Arrays[slot], index);
    });
    if (index < 0 || index >= KeyCounts[static_cast<std::size_t>(slot)]) {
      outcome.allowed.push_back(hr::ElementMissing);
    }
  } else if (operation < 63) {
    const auto which = choices.Between(0, 2);
    std::u16string text = AnyString(choices, 2000);
    host("find " + std::to_string(which) + " " + Printable(text), [&] {
      return which == 0 ? keybord.FindABC(text) : which == 1 ? keybord.FindNumber(text) : keybord.AfterFindImage(text);
    });
  } else if (operation < 68) {
    const std::int16_t code = choices.Between(0, 1) == 0 ? AnyKeyCode(choices)
                                                         : Pick<std::int16_t>(choices, {48, 57, 106, 110, 186, 192, 219, 222});
    if (choices.Between(0, 1) == 0) {
      const std::int16_t modifiers = AnyModifiers(choices);
      host("FindImage " + std::to_string(code) + " " + std::to_string(modifiers),
           [&] { return keybord.FindImage(code, modifiers); });
    } else {
      host("FindImageNumber " + std::to_string(code), [&] { return keybord.FindImageNumber(code); });
    }
  } else if (operation < 72) {
    std::int16_t code = choices.Between(0, 1) == 0
                            ? AnyKeyCode(choices)
                            : Pick<std::int16_t>(choices, {8, 20, 33, 34, 35, 36, 38, 40, 46, 112, 113, 114, 115, 116, 117});
    host("KeyF1ToF6 " + std::to_string(code), [&] { return keybord.KeyF1ToF6(code); });
  } else if (operation < 74) {
    std::int16_t code = choices.Between(0, 1) == 0 ? std::int16_t{118} : AnyInt16(choices);
    host("GetMessage " + std::to_string(code), [&] { return keybord.GetMessage(code); });
  } else if (operation < 76) {
    host("EnterKey", [&] { return keybord.EnterKey(); });
  } else if (operation < 78) {
    if (choices.Between(0, 1) == 0) {
      host("LeftPos", [&] { return keybord.LeftPos(); });
    } else {
      host("RightPos", [&] { return keybord.RightPos(); });
    }
  } else if (operation < 81) {
    const std::int32_t value = choices.Between(0, 3) != 0
                                   ? static_cast<std::int32_t>(choices.Between(0, 2))
                                   : Pick<std::int32_t>(choices, {-1, 3, 5, INT32_MIN, INT32_MAX, 65538});
    host("ChangeBord = " + std::to_string(value),
         [&] { return keybord.put_ChangeBord(static_cast<ActivPanel>(value)); });
  } else if (operation < 83) {
    const std::int16_t value = choices.Between(0, 3) != 0 ? Pick<std::int16_t>(choices, {VariantTrue, VariantFalse})
                                                          : AnyInt16(choices);
    host("CapsLock = " + std::to_string(value), [&] { return keybord.put_CapsLock(value); });
  } else if (operation < 85) {
    const std::int16_t value = choices.Between(0, 1) == 0
                                   ? static_cast<std::int16_t>(choices.Between(0, 6))
                                   : Pick<std::int16_t>(choices, {-5, 32766, 32767, INT16_MIN});
    host("MaxLength = " + std::to_string(value), [&] { return keybord.put_MaxLength(value); });
  } else if (operation < 88) {
    std::u16string text = choices.Between(0, 31) == 0
                              ? std::u16string(static_cast<std::size_t>(choices.Between(32760, 32775)), u'k')
                              : AnyString(choices, 3000);
    host("Text = " + Printable(text), [&] { return keybord.put_Text(text); });
    if (text.size() > FieldRange) {
      outcome.allowed.push_back(hr::Overflow);
    }
  } else if (operation < 89) {
    host("gets", [&] {
      std::int16_t number = 0;
      ActivPanel panel{};
      std::u16string text;
      RETURN_IF_FAILED(keybord.get_CapsLock(number));
      RETURN_IF_FAILED(keybord.get_ChangeBord(panel));
      RETURN_IF_FAILED(keybord.get_MaxLength(number));
      return keybord.get_Text(text);
    });
  } else if (operation < 93) {
    // The user puts the caret (and a selection) into the field with the mouse.
    const auto length = static_cast<std::int64_t>(fieldLength);
    const auto start = static_cast<std::int32_t>(choices.Between(-2, length + 2));
    const auto selection = static_cast<std::int32_t>(choices.Between(-1, 3));
    outcome.description = "user selects " + std::to_string(start) + "+" + std::to_string(selection);
    outcome.status = toolkit.Field().Select(start, selection);
    outcome.allowed.push_back(hr::InvalidPropertyValue);
    outcome.userPlacedCaret = true;
  } else if (operation == 93) {
    outcome.description = "blur";
    toolkit.Blur();
  } else if (operation == 94) {
    outcome.description = "show";
    outcome.status = toolkit.Show();
    allowFocusAndOverflow();
  } else if (operation == 95) {
    outcome.description = "surface gets focus";
    outcome.status = toolkit.SurfaceGotFocus();
    allowFocusAndOverflow();
  } else if (operation == 96) {
    const auto width = static_cast<float>(choices.Between(-100, 20000));
    const auto height = static_cast<float>(choices.Between(-100, 20000));
    outcome.description = "resize";
    outcome.status = toolkit.Resize(width, height);
  } else if (operation == 97) {
    const auto panel = choices.Between(0, 3);
    focusFails_ = panel < 3;
    outcome.description = "focus fails on " + (focusFails_ ? std::to_string(panel) : std::string("none"));
    // One failing panel at a time: the one named replaces any before it.
    toolkit.FailSetFocus(std::nullopt);
    if (focusFails_) {
      toolkit.FailSetFocus(Panels[static_cast<std::size_t>(panel)]);
    }
  } else if (operation == 98) {
    const bool none = choices.Between(0, 1) == 0;
    outcome.description = none ? "no active window" : "host window active";
    toolkit.SetActiveWindow(none ? 0 : 0x10010);
  } else {
    // The host's window answers F7 by calling the component back.
    const auto callback = choices.Between(0, 4);
    outcome.description = "host answers F7 with callback " + std::to_string(callback);
    if (callback == 0) {
      toolkit.OnMessage(nullptr);
    } else {
      toolkit.OnMessage([&keybord, callback](const SentMessage&) -> std::intptr_t {
        std::u16string m = u"m";
        std::int16_t backspace = 8;
        switch (callback) {
          case 1: static_cast<void>(keybord.EnterKey()); break;
          case 2: static_cast<void>(keybord.FindABC(m)); break;
          case 3: static_cast<void>(keybord.put_ChangeBord(ActivPanel::NumberAct)); break;
          default: static_cast<void>(keybord.KeyF1ToF6(backspace)); break;
        }
        return 0;
      });
    }
  }
  return outcome;
}

std::string OperationDriver::Check(const Outcome& outcome) {
  if (!outcome.broken.empty()) {
    return outcome.broken;
  }
  bool allowed = false;
  for (HResult status : outcome.allowed) {
    allowed = allowed || status == outcome.status;
  }
  if (!allowed) {
    return "unexpected status " + Hex(outcome.status) + " from " + outcome.description;
  }

  // The field: once written, it ends in the trailing space, and whatever the
  // component wrote leaves the block caret on one character inside it. A
  // caret the user placed stays as placed until the component next edits.
  const MemoryRichTextBox& field = toolkit_->Field();
  const std::u16string& text = field.Content();
  if (text.empty()) {
    if (fieldWritten_) {
      return "the field lost its trailing space: it is empty";
    }
  } else {
    const bool firstWrite = !fieldWritten_;
    fieldWritten_ = true;
    if (text.back() != u' ') {
      return "the field does not end in its trailing space: " + Printable(text);
    }
    const bool edited = lastText_ != text || lastSelStart_ != field.SelStart() ||
                        lastSelLength_ != field.SelLength() || firstWrite;
    if (edited && !outcome.userPlacedCaret) {
      if (field.SelLength() != 1 || field.SelStart() < 0 ||
          static_cast<std::size_t>(field.SelStart()) >= text.size()) {
        return "no block caret inside the field: caret " + std::to_string(field.SelStart()) + "+" +
               std::to_string(field.SelLength()) + " in " + std::to_string(text.size()) + " characters";
      }
    }
  }
  lastText_ = text;
  lastSelStart_ = field.SelStart();
  lastSelLength_ = field.SelLength();

  // The marks.
  const KeyBordProbe probe(*keybord_);
  for (std::size_t slot = 0; slot < Arrays.size(); ++slot) {
    const KeyStore& keys = toolkit_->KeysOf(Arrays[slot]);
    const std::int16_t index = probe.KeyIndex(Arrays[slot]);
    const std::string panel = "panel " + std::to_string(slot);
    if (keys.Element(index) == nullptr) {
      return panel + ": mark index " + std::to_string(index) + " names no key";
    }
    int marked = 0;
    for (std::int32_t i = 0; i < keys.Extent(); ++i) {
      const KeyElement& key = *keys.Element(i);
      const bool markedLook = key.foreColor == MarkedForeColor && key.backColor == MarkedBackColor;
      const bool plainLook = key.foreColor == UnmarkedForeColor && key.backColor == UnmarkedBackColor;
      const bool neverSet = !key.foreColor && !key.backColor;
      if (!markedLook && !plainLook && !neverSet) {
        return panel + ": key " + std::to_string(i) + " shows a mixed look";
      }
      if (markedLook) {
        ++marked;
        if (i != index) {
          return panel + ": key " + std::to_string(i) + " shows the mark, but the index is " + std::to_string(index);
        }
      }
    }
    if (marked > 1) {
      return panel + ": " + std::to_string(marked) + " keys show the mark";
    }
    if (toolkit_->Focused() == Panels[slot] && marked == 0) {
      return panel + " has the focus but shows no marked key";
    }
  }
  return "";
}

}  // namespace vexo::testing
