// SPDX-License-Identifier: MIT
// Case mapping and trimming of UTF-16 captions and key strings.
//
// Captions hold single characters; the mapping covers Basic Latin and Latin-1,
// which is every letter a key can carry. Other code units pass unchanged.
#pragma once

#include <string>
#include <string_view>

namespace vexo {

constexpr char16_t UpperCase(char16_t c) {
  if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) {
    return static_cast<char16_t>(c - 0x20);
  }
  if (c == 0xFF) {
    return 0x178;
  }
  return c;
}

constexpr char16_t LowerCase(char16_t c) {
  if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) {
    return static_cast<char16_t>(c + 0x20);
  }
  if (c == 0x178) {
    return 0xFF;
  }
  return c;
}

inline std::u16string ToUpper(std::u16string_view text) {
  std::u16string result(text);
  for (char16_t& c : result) c = UpperCase(c);
  return result;
}

inline std::u16string ToLower(std::u16string_view text) {
  std::u16string result(text);
  for (char16_t& c : result) c = LowerCase(c);
  return result;
}

// Removes leading and trailing spaces (character 32 only; tabs and other
// blanks stay).
inline std::u16string_view TrimSpaces(std::u16string_view text) {
  const auto first = text.find_first_not_of(u' ');
  if (first == std::u16string_view::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(u' ') - first + 1);
}

}  // namespace vexo
