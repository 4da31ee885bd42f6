// SPDX-License-Identifier: MIT
// What the user does in the field itself: typing, pasting, composing and
// deleting there take the same road into the model as the keys do, and a
// change made behind the component's back is made sound again.
//
// Whose selection it is: after every edit the component leaves a
// one-character selection, the block caret, and a one-character selection
// the user made looks the same; so a one-character selection is always the
// block caret, and what the user types goes in front of the character under
// it. A selection of two or more characters is the user's: typing and pasting
// replace it, Backspace, Delete, cut and clear take it away. The trailing
// space never belongs to it. An empty selection (where a click leaves the
// caret) takes the text at the caret; a caret behind the trailing space
// stands on it.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "component/KeyBord.h"
#include "component/Numbers.h"
#include "editing/Field.h"

namespace vexo {

using editing::CaretForEdit;
using editing::Offset;
using editing::TextCapacity;

namespace {

// The field's length and the user's selection (see above) cut to the text
// without its trailing space: `count` is 0 when the user selected nothing of it.
HResult UserSelection(RichTextBox& field, std::int32_t& length, std::int16_t& start, std::int16_t& count) {
  start = 0;
  count = 0;
  RETURN_IF_FAILED(field.GetTextLength(length));
  std::int32_t from = 0;
  std::int32_t selected = 0;
  RETURN_IF_FAILED(field.GetSelStart(from));
  RETURN_IF_FAILED(field.GetSelLength(selected));
  if (selected < 2) {
    return hr::Ok;
  }
  const std::int64_t end = std::min<std::int64_t>(std::int64_t{from} + selected, std::int64_t{length} - 1);
  RETURN_IF_FAILED(ToInt16(from, start));
  return ToInt16(std::max<std::int64_t>(0, end - from), count);
}

HResult Erase(RichTextBox& field, std::int16_t start, std::int16_t count) {
  RETURN_IF_FAILED(field.PutSelStart(start));
  RETURN_IF_FAILED(field.PutSelLength(count));
  return field.PutSelText(u"");
}

}  // namespace

struct KeyBord::FieldInputSteps {
  // Ends an edit that may have changed nothing: a caret the user left behind
  // the trailing space goes onto it, and the block caret comes back.
  static HResult SettleCaret(KeyBord& keybord) {
    RichTextBox& field = keybord.Text1();
    std::int32_t length = 0;
    std::int32_t start = 0;
    RETURN_IF_FAILED(field.GetTextLength(length));
    RETURN_IF_FAILED(field.GetSelStart(start));
    if (length > 0 && start > length - 1) {
      RETURN_IF_FAILED(field.PutSelStart(length - 1));
    }
    return keybord.FinishEdit();
  }

  // Typed, pasted or composed text: what fits under the limit goes in through
  // InsertChar, the rest is refused with one beep, as a full field refuses a
  // key. A surrogate pair is never cut in two. The block caret ends behind all
  // that went in, and the key carrying the last character is marked. The host
  // hears of what went in, then of what was refused, in the order typed.
  static HResult InsertTyped(KeyBord& keybord, std::u16string_view text) {
    RichTextBox& field = keybord.Text1();
    std::int32_t length = 0;
    std::int16_t start = 0;
    std::int16_t count = 0;
    RETURN_IF_FAILED(UserSelection(field, length, start, count));

    // Measured before anything is removed, so that a refusal loses nothing.
    const std::int64_t kept = std::max<std::int64_t>(0, std::int64_t{length} - 1) - count;
    const std::int64_t room = std::max<std::int64_t>(0, TextCapacity(keybord.MaxChars) - kept);
    std::size_t fit = static_cast<std::size_t>(std::min<std::int64_t>(std::ssize(text), room));
    if (fit > 0 && fit < text.size() && IsHighSurrogate(text[fit - 1]) && IsLowSurrogate(text[fit])) {
      --fit;
    }
    if (fit < text.size()) {
      keybord.Toolkit().Beep();
    }
    const HResult status =
        fit == 0 ? SettleCaret(keybord) : InsertFitting(keybord, text.substr(0, fit), length, start, count);
    if (fit < text.size()) {
      keybord.Toolkit().KeyTyped(text.substr(fit), false);
    }
    return status;
  }

  // Replaces the user's selection (`start`, `count`) of a field `length` long
  // with `text`, all of which fits.
  static HResult InsertFitting(KeyBord& keybord, std::u16string_view text, std::int32_t length, std::int16_t start,
                               std::int16_t count) {
    RichTextBox& field = keybord.Text1();
    if (count > 0) {
      RETURN_IF_FAILED(Erase(field, start, count));
      RETURN_IF_FAILED(field.GetTextLength(length));
    }

    std::int32_t caret = 0;
    RETURN_IF_FAILED(field.GetSelStart(caret));
    std::int16_t at = 0;
    if (length > 0) {
      RETURN_IF_FAILED(CaretForEdit(caret, length, at));
    }
    const std::size_t fit = text.size();
    std::u16string part(text);
    RETURN_IF_FAILED(keybord.InsertChar(part));
    if (fit > 1) {
      // InsertChar moves the caret on by one; a string moves it behind itself.
      std::int16_t behind = 0;
      RETURN_IF_FAILED(Offset(at, static_cast<std::int32_t>(fit), behind));
      RETURN_IF_FAILED(field.PutSelStart(behind));
      RETURN_IF_FAILED(keybord.FinishEdit());
    }
    const bool pair = fit >= 2 && IsLowSurrogate(part[fit - 1]) && IsHighSurrogate(part[fit - 2]);
    const std::size_t last = pair ? fit - 2 : fit - 1;
    return keybord.MarkCarrier(std::u16string_view(part).substr(last));
  }

  static HResult DeleteTyped(KeyBord& keybord, FieldEdit edit) {
    RichTextBox& field = keybord.Text1();
    std::int32_t length = 0;
    std::int16_t start = 0;
    std::int16_t count = 0;
    RETURN_IF_FAILED(UserSelection(field, length, start, count));
    if (count > 0) {
      RETURN_IF_FAILED(Erase(field, start, count));
    } else if (edit != FieldEdit::EraseSelection) {
      RETURN_IF_FAILED(keybord.DeleteChar(edit == FieldEdit::Delete ? DeleteKey::Delete : DeleteKey::Backspace));
    }
    return SettleCaret(keybord);
  }

  // Another program set or changed the text: all of it is the user's text now,
  // and it gets its trailing space back unless it already ends in a space.
  static HResult MakeSound(KeyBord& keybord) {
    RichTextBox& field = keybord.Text1();
    std::int32_t length = 0;
    RETURN_IF_FAILED(field.GetTextLength(length));
    if (length == 0) {
      return hr::Ok;  // nothing, as in a field never written
    }
    std::u16string T;
    RETURN_IF_FAILED(field.GetText(T));
    if (!T.empty() && T.back() != u' ') {
      std::int32_t caret = 0;
      RETURN_IF_FAILED(field.GetSelStart(caret));
      RETURN_IF_FAILED(field.PutSelStart(length));
      RETURN_IF_FAILED(field.PutSelText(u" "));
      RETURN_IF_FAILED(field.PutSelStart(caret));
    }
    return SettleCaret(keybord);
  }
};

HResult KeyBord::Text1_Edit(FieldEdit edit, std::u16string_view text) {
  switch (edit) {
    case FieldEdit::Insert:
      return FieldInputSteps::InsertTyped(*this, text);
    case FieldEdit::Backspace:
    case FieldEdit::Delete:
    case FieldEdit::EraseSelection:
      return FieldInputSteps::DeleteTyped(*this, edit);
    case FieldEdit::ChangedByOthers:
      return FieldInputSteps::MakeSound(*this);
  }
  return hr::InvalidArg;
}

}  // namespace vexo
