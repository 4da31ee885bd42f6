// SPDX-License-Identifier: MIT
// Drives one KeyBord on the in-memory toolkit with any sequence of what users
// and hosts can do, and checks after every step what must always hold:
//  - the field ends in its trailing space, and every operation that changes it
//    leaves a one-character block caret inside it;
//  - every mark index names an existing key;
//  - each key shows the marked look, the plain look, or none yet (never a mix);
//    at most one key of each panel shows the marked look, it is the key at
//    that panel's index, and the focused panel shows its key;
//  - no status comes back other than those the operation may give: key presses
//    always succeed, and ElementMissing, InvalidProcedureCall and Overflow come
//    only from a missing key, a refused focus and a field past 16 bits.
//
// The choices come from outside: a seeded generator in the random-sequence
// test, the fuzzer's input in the fuzz target. Free of any test framework.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "component/KeyBord.h"
#include "widgets/memory/MemoryToolkit.h"

namespace vexo::testing {

class Choices {
 public:
  virtual ~Choices() = default;
  // True once no further choice can be made.
  virtual bool Exhausted() = 0;
  // A whole number from `low` to `high`, both included.
  virtual std::int64_t Between(std::int64_t low, std::int64_t high) = 0;
};

class OperationDriver {
 public:
  explicit OperationDriver(FocusDelivery delivery);
  ~OperationDriver();

  // Starts and shows the instance, then carries out operations until the
  // choices run out or `maxSteps` are done. Gives the first broken rule, with
  // the operations that led to it, or "" when every rule held throughout.
  std::string Run(Choices& choices, int maxSteps);

  int Steps() const { return steps_; }

 private:
  struct Outcome;
  Outcome Step(Choices& choices);
  std::string Check(const Outcome& outcome);
  std::string Failure(const std::string& what) const;

  std::unique_ptr<MemoryToolkit> toolkit_;
  std::unique_ptr<KeyBord> keybord_;
  bool fieldWritten_ = false;
  std::u16string lastText_;
  std::int32_t lastSelStart_ = 0;
  std::int32_t lastSelLength_ = 0;
  bool focusFails_ = false;
  int steps_ = 0;
  std::deque<std::string> recent_;
};

}  // namespace vexo::testing
