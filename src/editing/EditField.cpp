// SPDX-License-Identifier: MIT
// The edit field model: insertion under the length limit, the closing step of
// every edit, and the public Text property.
//
// Invariant, once anything has been inserted or Text has been set: the field
// holds the user's text followed by one trailing space, which is not part of
// the value, and after every edit the caret is a block (a one-character
// selection) on the character in front of which the next one goes. The caret
// lies on the trailing space when it stands at the end. FinishEdit restores
// both, and every edit ends in it.

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>

#include "component/KeyBord.h"
#include "component/Numbers.h"
#include "editing/Field.h"

namespace vexo {

using editing::CaretForEdit;
using editing::LastPosition;
using editing::Offset;
using editing::PlaceBlockCaret;
using editing::PlaceOnTrailingSpace;
using editing::ReadCaret;
using editing::TextCapacity;
using editing::TypedKeyText;

struct KeyBord::InsertionSteps {
  // Puts S in at the caret; `written` turns true once the field holds it,
  // whatever fails after.
  static HResult Insert(KeyBord& keybord, std::u16string& S, bool& written) {
    RichTextBox& field = keybord.Text1();
    std::int32_t length = 0;

    // A full field refuses the insertion with one beep and changes nothing, not
    // even S. A field holding more than the limit (the limit was lowered after
    // typing) is full too: it must not keep growing.
    if (keybord.MaxChars > 0) {
      RETURN_IF_FAILED(field.GetTextLength(length));
      if (std::int64_t{length} >= std::int64_t{keybord.MaxChars} + 1) {
        keybord.Toolkit().Beep();
        return hr::Ok;
      }
    }

    std::int32_t start = 0;
    RETURN_IF_FAILED(field.GetSelStart(start));
    // An empty string stands for the space bar; the caller sees the space.
    if (S.empty()) {
      S = u" ";
    }

    RETURN_IF_FAILED(field.GetTextLength(length));
    if (length == 0) {
      // The first insertion brings the trailing space; the block goes on it,
      // behind all of S.
      std::u16string first(S);
      first.push_back(u' ');
      std::int16_t end = 0;
      RETURN_IF_FAILED(ToInt16(std::ssize(S), end));
      RETURN_IF_FAILED(field.PutText(first));
      written = true;
      RETURN_IF_FAILED(field.PutSelStart(end));
      return keybord.FinishEdit();
    }

    // Every position the edit leads to is checked before anything is written,
    // so that an overflow leaves the field as it was.
    std::int16_t P = 0;
    std::int16_t next = 0;
    std::int16_t newEnd = 0;
    RETURN_IF_FAILED(CaretForEdit(start, length, P));
    RETURN_IF_FAILED(Offset(P, 1, next));
    RETURN_IF_FAILED(ToInt16(std::int64_t{length} - 1 + std::ssize(S), newEnd));

    // Insert in place rather than rewriting the whole text: the field renders
    // only what changes. The caret moves on by one, whatever the length of S.
    RETURN_IF_FAILED(field.PutSelStart(P));
    RETURN_IF_FAILED(field.PutSelText(S));
    written = true;
    RETURN_IF_FAILED(field.PutSelStart(next));
    return keybord.FinishEdit();
  }
};

// Every key typed, by whatever road (a click, a key press, a method, the
// field itself), passes here once, and so the host hears of each once: what
// it typed, and whether the field took it. A full field, or a failure before
// the field changed, refuses it.
HResult KeyBord::InsertChar(std::u16string& S) {
  bool written = false;
  const HResult status = InsertionSteps::Insert(*this, S, written);
  Toolkit().KeyTyped(TypedKeyText(S), written);
  return status;
}

HResult KeyBord::FinishEdit() {
  RichTextBox& field = Text1();
  std::int16_t Q = 0;
  RETURN_IF_FAILED(ReadCaret(field, Q));
  std::int32_t length = 0;
  RETURN_IF_FAILED(field.GetTextLength(length));
  if (length == 0) {
    return hr::Ok;  // no text, no trailing space to restore
  }
  std::int16_t last = 0;
  RETURN_IF_FAILED(LastPosition(length, last));
  // The last character becomes the trailing space again; when it already is
  // one, the text does not change.
  RETURN_IF_FAILED(PlaceBlockCaret(field, last));
  RETURN_IF_FAILED(field.PutSelText(u" "));
  return PlaceBlockCaret(field, Q);
}

HResult KeyBord::get_Text(std::u16string& value) {
  value.clear();
  std::u16string T;
  RETURN_IF_FAILED(Text1().GetText(T));
  // The last character is the trailing space, whatever it holds; a field with
  // nothing or only the space reads as empty.
  if (T.size() > 1) {
    T.pop_back();
    value = std::move(T);
  }
  return hr::Ok;
}

// Gives the field what inserting the characters of vNewValue one at a time
// into a field holding only the trailing space would give (the same text,
// caret, selection and beeps), in one write of the field.
HResult KeyBord::put_Text(std::u16string_view vNewValue) {
  // Checked before anything is written: a value the field cannot hold fails
  // and leaves the user's text as it is.
  std::int16_t n = 0;
  RETURN_IF_FAILED(ToInt16(std::ssize(vNewValue), n));

  // Character by character, each one past the limit would be refused with a
  // beep; here they are counted instead.
  const std::int64_t kept = std::min<std::int64_t>(n, TextCapacity(MaxChars));
  std::u16string T(vNewValue.substr(0, static_cast<std::size_t>(kept)));
  T.push_back(u' ');
  RETURN_IF_FAILED(Text1().PutText(T));
  for (std::int64_t refused = n - kept; refused > 0; --refused) {
    Toolkit().Beep();
  }

  return PlaceOnTrailingSpace(Text1());
}

}  // namespace vexo
