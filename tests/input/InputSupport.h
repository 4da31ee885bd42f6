// SPDX-License-Identifier: MIT
// Shared by the input tests: what a user sees of the key marks, the focus and
// the field, gathered into one comparable view.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "component/KeyBord.h"
#include "support/Fixture.h"
#include "widgets/KeyLooks.h"

namespace vexo::testing {

// One key, by its array and index.
struct KeyRef {
  KeyArrayId array;
  std::int16_t index;
  friend bool operator==(const KeyRef&, const KeyRef&) = default;
};

inline constexpr KeyRef Letter(std::int16_t index) { return {KeyArrayId::cmdKey, index}; }
inline constexpr KeyRef Number(std::int16_t index) { return {KeyArrayId::cmdNumber, index}; }
inline constexpr KeyRef Symbol(std::int16_t index) { return {KeyArrayId::cmdShift, index}; }

inline constexpr KeyArrayId AllArrays[] = {KeyArrayId::cmdKey, KeyArrayId::cmdNumber, KeyArrayId::cmdShift};

inline const char* ArrayName(KeyArrayId array) {
  switch (array) {
    case KeyArrayId::cmdKey: return "cmdKey";
    case KeyArrayId::cmdNumber: return "cmdNumber";
    case KeyArrayId::cmdShift: return "cmdShift";
  }
  return "?";
}

inline const char* PanelName(std::optional<PanelId> panel) {
  if (!panel) return "none";
  switch (*panel) {
    case PanelId::picABC: return "picABC";
    case PanelId::picNumber: return "picNumber";
    case PanelId::picShift: return "picShift";
  }
  return "?";
}

inline void PrintTo(const KeyRef& key, std::ostream* os) { *os << ArrayName(key.array) << "(" << key.index << ")"; }

// Every key, on all three panels, that shows the marked look.
inline std::vector<KeyRef> MarkedKeys(Instance& instance) {
  std::vector<KeyRef> marked;
  for (KeyArrayId array : AllArrays) {
    const KeyStore& keys = instance.toolkit.KeysOf(array);
    for (std::int32_t i = 0; i < keys.Extent(); ++i) {
      const KeyElement* key = keys.Element(i);
      if (key != nullptr && key->foreColor == MarkedForeColor && key->backColor == MarkedBackColor) {
        marked.push_back({array, static_cast<std::int16_t>(i)});
      }
    }
  }
  return marked;
}

// What a user and a host see after a sequence of actions.
struct View {
  std::u16string field;
  std::int32_t caret = 0;
  std::int32_t selection = 0;
  std::vector<KeyRef> marked;
  std::int16_t abcIndex = 0;
  std::int16_t numberIndex = 0;
  std::int16_t shiftIndex = 0;
  std::optional<PanelId> focus;
  std::int32_t changeBord = 0;
  std::int16_t capsLock = 0;
  std::vector<std::u16string> letterCaptions;
  friend bool operator==(const View&, const View&) = default;
};

inline View Look(Instance& instance) {
  View view;
  const MemoryRichTextBox& field = instance.toolkit.Field();
  view.field = field.Content();
  view.caret = field.SelStart();
  view.selection = field.SelLength();
  view.marked = MarkedKeys(instance);
  view.abcIndex = instance.probe.KeyIndex(KeyArrayId::cmdKey);
  view.numberIndex = instance.probe.KeyIndex(KeyArrayId::cmdNumber);
  view.shiftIndex = instance.probe.KeyIndex(KeyArrayId::cmdShift);
  view.focus = instance.toolkit.Focused();
  view.changeBord = static_cast<std::int32_t>(instance.probe.ActiveBord());
  view.capsLock = instance.probe.CapsOn();
  const KeyStore& letters = instance.toolkit.KeysOf(KeyArrayId::cmdKey);
  for (std::int32_t i = 0; i < letters.Extent(); ++i) {
    view.letterCaptions.push_back(letters.Element(i)->caption);
  }
  return view;
}

inline std::string Narrow(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      out += "\\u" + std::to_string(static_cast<unsigned>(c));
    }
  }
  return out;
}

inline void PrintTo(const View& view, std::ostream* os) {
  *os << "{field \"" << Narrow(view.field) << "\" caret " << view.caret << "+" << view.selection << ", marked";
  for (const KeyRef& key : view.marked) {
    *os << " ";
    PrintTo(key, os);
  }
  *os << ", indexes " << view.abcIndex << "/" << view.numberIndex << "/" << view.shiftIndex << ", focus "
      << PanelName(view.focus) << ", ChangeBord " << view.changeBord << ", CapsLock " << view.capsLock << "}";
}

// Puts ChangeBord as the host does.
inline HResult PutChangeBord(Instance& instance, std::int32_t value) {
  return instance.toolkit.HostCall(
      [&] { return instance.keybord.put_ChangeBord(static_cast<ActivPanel>(value)); });
}

}  // namespace vexo::testing
