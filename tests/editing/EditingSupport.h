// SPDX-License-Identifier: MIT
// Shared by the editing tests: field states given directly, and the plain
// paths that the fast ones must match.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <string>

#include "component/KeyBord.h"
#include "component/Numbers.h"
#include "support/Fixture.h"

namespace vexo::testing {

// The field holds `text` with the selection the user made (a block caret by
// default), as if typed earlier; nothing of the component runs.
inline void GivenField(Instance& instance, std::u16string_view text, std::int32_t caret,
                       std::int32_t selection = 1) {
  ASSERT_EQ(instance.toolkit.Field().PutText(text), hr::Ok);
  if (static_cast<std::size_t>(caret + selection) > text.size()) {
    selection = static_cast<std::int32_t>(text.size()) - caret;
  }
  ASSERT_EQ(instance.toolkit.Field().Select(caret, selection), hr::Ok);
}

// A field's text of `length` characters the user typed and the trailing space.
inline std::u16string TypedText(std::int32_t length) {
  std::u16string text(static_cast<std::size_t>(length), u'k');
  text.push_back(u' ');
  return text;
}

// What a user sees of the field after an edit.
struct FieldView {
  std::u16string text;
  std::int32_t caret = 0;
  std::int32_t selection = 0;
  int beeps = 0;
  friend bool operator==(const FieldView&, const FieldView&) = default;
};

inline void GivenField(Instance& instance, const FieldView& v) { GivenField(instance, v.text, v.caret, v.selection); }

inline FieldView Look(Instance& instance) {
  const MemoryRichTextBox& field = instance.toolkit.Field();
  return {field.Content(), field.SelStart(), field.SelLength(), instance.toolkit.Beeps()};
}

inline std::string Show(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) {
    if (c == u' ') {
      out += "_";
    } else if (c < 0x7F && c >= 0x20) {
      out += static_cast<char>(c);
    } else {
      out += "\\u" + std::to_string(static_cast<unsigned>(c));
    }
  }
  return out;
}

inline void PrintTo(const FieldView& view, std::ostream* os) {
  *os << "{\"" << (view.text.size() > 80 ? Show(view.text.substr(0, 80)) + "..." : Show(view.text))
      << "\" (" << view.text.size() << "), caret " << view.caret << ", selection " << view.selection
      << ", beeps " << view.beeps << "}";
}

// Text let as a plain loop: the field is emptied to its trailing space and
// each character goes in on its own through InsertChar, with its own limit
// check and beep. The length is checked before anything is written.
inline HResult PutTextOneAtATime(Instance& instance, std::u16string_view value) {
  std::int16_t n = 0;
  RETURN_IF_FAILED(ToInt16(std::ssize(value), n));
  RichTextBox& field = instance.toolkit.Text1();
  RETURN_IF_FAILED(field.PutText(u" "));
  for (std::int16_t i = 0; i < n; ++i) {
    std::u16string one(1, value[static_cast<std::size_t>(i)]);
    RETURN_IF_FAILED(instance.probe.InsertChar(one));
  }
  std::u16string text;
  RETURN_IF_FAILED(field.GetText(text));
  RETURN_IF_FAILED(field.PutSelStart(static_cast<std::int32_t>(text.size()) - 1));
  return field.PutSelLength(1);
}

// InsertChar as a rewrite of the whole text, with the same limit, caret and
// overflow rules: what the in-place insertion must match.
inline HResult InsertCharByRewrite(Instance& instance, std::u16string& S) {
  RichTextBox& field = instance.toolkit.Text1();
  const std::int16_t limit = instance.probe.MaxChars();
  std::u16string T;
  if (limit > 0) {
    RETURN_IF_FAILED(field.GetText(T));
    if (std::ssize(T) >= std::int64_t{limit} + 1) {
      instance.toolkit.Beep();
      return hr::Ok;
    }
  }
  std::int32_t start = 0;
  RETURN_IF_FAILED(field.GetSelStart(start));
  if (S.empty()) {
    S = u" ";
  }
  RETURN_IF_FAILED(field.GetText(T));
  std::int16_t check = 0;
  if (T.empty()) {
    RETURN_IF_FAILED(ToInt16(std::ssize(S), check));
    RETURN_IF_FAILED(field.PutText(S + u" "));
    RETURN_IF_FAILED(field.PutSelStart(static_cast<std::int32_t>(S.size())));
    return instance.probe.FinishEdit();
  }
  const std::int64_t P = std::min<std::int64_t>(start, std::ssize(T) - 1);
  RETURN_IF_FAILED(ToInt16(P + 1, check));
  RETURN_IF_FAILED(ToInt16(std::ssize(T) - 1 + std::ssize(S), check));
  const auto at = static_cast<std::size_t>(P);
  RETURN_IF_FAILED(field.PutText(T.substr(0, at) + S + T.substr(at)));
  RETURN_IF_FAILED(field.PutSelStart(static_cast<std::int32_t>(P + 1)));
  return instance.probe.FinishEdit();
}

}  // namespace vexo::testing
