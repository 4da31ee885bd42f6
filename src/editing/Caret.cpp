// SPDX-License-Identifier: MIT
// Caret movement: Home and End, and the public one-step moves.

#include <cstdint>

#include "component/KeyBord.h"
#include "editing/Field.h"

namespace vexo {

using editing::Offset;
using editing::PlaceBlockCaret;
using editing::PlaceOnTrailingSpace;
using editing::ReadCaret;

HResult KeyBord::HomeEndPos(FieldEnd end) {
  RichTextBox& field = Text1();
  return end == FieldEnd::Start ? PlaceBlockCaret(field, 0) : PlaceOnTrailingSpace(field);
}

// The caret moves, then the focus goes back to the active panel, whether or
// not the caret could move: the host calls this from its own buttons.
HResult KeyBord::LeftPos() {
  RichTextBox& field = Text1();
  std::int16_t P = 0;
  RETURN_IF_FAILED(ReadCaret(field, P));
  if (P > 0) {
    std::int16_t previous = 0;
    RETURN_IF_FAILED(Offset(P, -1, previous));
    RETURN_IF_FAILED(PlaceBlockCaret(field, previous));
  }
  return FocusActivePanel();
}

HResult KeyBord::RightPos() {
  RichTextBox& field = Text1();
  std::int16_t P = 0;
  RETURN_IF_FAILED(ReadCaret(field, P));
  std::int32_t length = 0;
  RETURN_IF_FAILED(field.GetTextLength(length));
  // On the trailing space, or behind it, the caret stays.
  if (std::int64_t{P} < std::int64_t{length} - 1) {
    std::int16_t next = 0;
    RETURN_IF_FAILED(Offset(P, 1, next));
    RETURN_IF_FAILED(PlaceBlockCaret(field, next));
  }
  return FocusActivePanel();
}

}  // namespace vexo
