// SPDX-License-Identifier: MIT
// KeyBordProbe: what the tests and the headless host see and drive of a
// KeyBord beyond its interface, in one place.
//
// It reads the state the interface does not show as such (the panels'
// marked keys, the stored panel, CapsLock and limit), gives the tests a state
// as earlier steps would have left it, and calls the internal routines that
// tests check on their own. Hosts never use it: they have the interface.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "component/KeyBord.h"

namespace vexo {

class KeyBordProbe {
 public:
  explicit KeyBordProbe(KeyBord& keybord) : keybord_(keybord) {}

  // --- The state, read.
  std::int16_t KeyIndex(KeyArrayId array) const { return keybord_.KeyIndex(array); }
  ActivPanel ActiveBord() const { return keybord_.ActiveBord; }
  std::int16_t CapsOn() const { return keybord_.CapsOn; }
  std::int16_t MaxChars() const { return keybord_.MaxChars; }

  // --- The state, given directly; nothing runs and no key changes its look.
  void SetKeyIndex(KeyArrayId array, std::int16_t index) { keybord_.KeyIndex(array) = index; }
  void SetActiveBord(ActivPanel panel) { keybord_.ActiveBord = panel; }
  void SetMaxChars(std::int16_t limit) { keybord_.MaxChars = limit; }

  // --- Internal routines.
  HResult InsertChar(std::u16string& S) { return keybord_.InsertChar(S); }
  HResult FinishEdit() { return keybord_.FinishEdit(); }
  HResult DeleteChar(DeleteKey key) { return keybord_.DeleteChar(key); }
  HResult HomeEndPos(FieldEnd end) { return keybord_.HomeEndPos(end); }
  HResult PlaceAbcRow(std::int32_t RowTop, std::int32_t RowLeft, std::int16_t FirstIndex, std::int32_t KeyStep,
                      std::span<const std::u16string_view> Captions) {
    return keybord_.PlaceAbcRow(RowTop, RowLeft, FirstIndex, KeyStep, Captions);
  }
  HResult PlaceShiftRow(std::int32_t RowTop, std::int32_t RowLeft, std::int16_t FirstIndex, std::int32_t KeyStep,
                        std::span<const std::u16string_view> Captions) {
    return keybord_.PlaceShiftRow(RowTop, RowLeft, FirstIndex, KeyStep, Captions);
  }

 private:
  KeyBord& keybord_;
};

}  // namespace vexo
