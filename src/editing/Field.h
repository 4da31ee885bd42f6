// SPDX-License-Identifier: MIT
// Reading and placing the caret of the edit field, shared by the editing routines.
//
// The field holds the user's text followed by one trailing space, and after
// every edit the caret is a block: a one-character selection over the
// character in front of which the next one goes. Positions are 16-bit; the
// length of the text is not, because a field filled to a limit of 32767
// characters holds 32768 with its trailing space.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "component/Numbers.h"
#include "widgets/Widgets.h"

namespace vexo::editing {

// The caret as the field reports it, narrowed to a 16-bit position.
inline HResult ReadCaret(RichTextBox& field, std::int16_t& caret) {
  caret = 0;
  std::int32_t start = 0;
  RETURN_IF_FAILED(field.GetSelStart(start));
  return ToInt16(start, caret);
}

// The caret to edit at in a non-empty text of `length` characters. A caret
// behind the trailing space (only the user can put it there, with the mouse)
// counts as standing on the space: an edit there would otherwise cut into the
// user's last character.
inline HResult CaretForEdit(std::int32_t start, std::int32_t length, std::int16_t& caret) {
  caret = 0;
  return ToInt16(std::min<std::int64_t>(start, std::int64_t{length} - 1), caret);
}

// Position of the last character of a non-empty text: the trailing space.
inline HResult LastPosition(std::int32_t length, std::int16_t& position) {
  position = 0;
  return ToInt16(std::int64_t{length} - 1, position);
}

// The most characters of text a field may hold under `maxChars` (0: no limit).
// Computed wide: a limit of 32767 is a valid one and must not overflow.
constexpr std::int64_t TextCapacity(std::int16_t maxChars) {
  return maxChars > 0 ? std::int64_t{maxChars} : std::int64_t{INT16_MAX};
}

// What a string handed to the insertion types: an empty one is the space bar.
inline std::u16string_view TypedKeyText(std::u16string_view text) { return text.empty() ? u" " : text; }

// Checked 16-bit caret arithmetic.
inline HResult Offset(std::int16_t position, std::int32_t delta, std::int16_t& result) {
  result = 0;
  return ToInt16(std::int64_t{position} + delta, result);
}

// Shows the block caret on `position`. Placing the caret empties the
// selection, so the one-character selection is set afterwards.
inline HResult PlaceBlockCaret(RichTextBox& field, std::int16_t position) {
  RETURN_IF_FAILED(field.PutSelStart(position));
  return field.PutSelLength(1);
}

// Shows the block caret on the trailing space. A field that never received
// text has no trailing space to stand on: the caret goes to 0.
inline HResult PlaceOnTrailingSpace(RichTextBox& field) {
  std::int32_t length = 0;
  RETURN_IF_FAILED(field.GetTextLength(length));
  std::int16_t last = 0;
  if (length > 0) {
    RETURN_IF_FAILED(LastPosition(length, last));
  }
  return PlaceBlockCaret(field, last);
}

}  // namespace vexo::editing
