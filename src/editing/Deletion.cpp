// SPDX-License-Identifier: MIT
// Backspace and Delete on the edit field.

#include <cstdint>

#include "component/KeyBord.h"
#include "editing/Field.h"

namespace vexo {

using editing::CaretForEdit;
using editing::LastPosition;
using editing::Offset;

HResult KeyBord::DeleteChar(DeleteKey key) {
  RichTextBox& field = Text1();
  std::int32_t length = 0;
  RETURN_IF_FAILED(field.GetTextLength(length));
  // Nothing but the trailing space, or not even that: nothing to delete.
  if (length <= 1) {
    return hr::Ok;
  }
  std::int32_t start = 0;
  RETURN_IF_FAILED(field.GetSelStart(start));
  RETURN_IF_FAILED(field.GetTextLength(length));

  std::int16_t P = 0;
  std::int16_t last = 0;
  RETURN_IF_FAILED(CaretForEdit(start, length, P));
  RETURN_IF_FAILED(LastPosition(length, last));

  // Which character goes, and where the caret lands.
  std::int16_t removed = 0;
  std::int16_t N = 0;
  if (P == last) {
    // On the trailing space both keys remove the character in front of it;
    // the space itself stays.
    RETURN_IF_FAILED(Offset(P, -1, removed));
    N = removed;
  } else if (key == DeleteKey::Delete) {
    removed = P;
    N = P;
  } else {
    // Backspace on the first character has nothing in front of it to remove:
    // an ordinary key press, not an error.
    if (P == 0) {
      return hr::Ok;
    }
    RETURN_IF_FAILED(Offset(P, -1, removed));
    N = removed;
  }

  // Remove the one character in place rather than rewriting the text.
  RETURN_IF_FAILED(field.PutSelStart(removed));
  RETURN_IF_FAILED(field.PutSelLength(1));
  RETURN_IF_FAILED(field.PutSelText(u""));
  RETURN_IF_FAILED(field.PutSelStart(N));
  return FinishEdit();
}

}  // namespace vexo
