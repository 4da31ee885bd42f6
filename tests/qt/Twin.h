// SPDX-License-Identifier: MIT
// Two instances, one on the in-memory toolkit and one on the Qt toolkit, fed
// the same random sequence of what users and hosts do, step by step. Each
// side lives in a translation unit of its own (the two toolkits' headers are
// never mixed); they meet here in plain data.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "widgets/KeyStore.h"
#include "widgets/Widgets.h"

namespace vexo {
class KeyBord;
}

namespace vexo::testing::twin {

enum class Kind {
  Key,        // a key press on the focused panel
  Click,      // a click on element `a` of array `b`
  Find,       // FindABC, FindNumber, AfterFindImage (`a` 0, 1, 2) with `text`
  FindImage,  // FindImage(a, b), or FindImageNumber(a) when b is -32768
  Function,   // KeyF1ToF6(a)
  Message,    // GetMessage(a)
  Enter,
  Caret,      // LeftPos (a 0) or RightPos
  ChangeBord, // put a
  CapsLock,   // put a
  MaxLength,  // put a
  Text,       // put text
  Select,     // the user selects a + b in the field
  Blur,       // the focus leaves the component
  Show,       // the component is hidden and shown again
  SurfaceFocus,
  Resize,     // the host asks for a x b twips
  Answer,     // the host answers F7 by calling back (a 0: not at all)
};

struct Operation {
  Kind kind = Kind::Enter;
  std::int32_t a = 0;
  std::int32_t b = 0;
  std::u16string text;
  // A key press: Qt's key and modifiers, and the code and mask they stand for.
  int qtKey = 0;
  int qtModifiers = 0;
  std::int16_t keyCode = 0;
  std::int16_t shift = 0;
  std::string Describe() const;
};

struct KeyView {
  std::u16string caption;
  float left = 0, top = 0, width = 0, height = 0;
  bool visible = false;
  std::optional<Colour> foreColor, backColor;
  bool operator==(const KeyView&) const = default;
};

struct Rect {
  float left = 0, top = 0, width = 0, height = 0;
  bool operator==(const Rect&) const = default;
};

// Everything a user or host could see or read.
struct State {
  std::u16string field;
  std::int32_t selStart = 0;
  std::int32_t selLength = 0;
  std::int16_t indexes[3] = {};
  std::int32_t changeBord = 0;
  std::int16_t capsLock = 0;
  std::int16_t maxLength = 0;
  int focus = -1;  // the focused panel, -1 for none
  int beeps = 0;
  int commands = 0;
  std::vector<KeyView> keys[3];
  Rect panels[3];
  Rect text1;
  float surfaceWidth = 0, surfaceHeight = 0;
  // What differs from `other`, or "" when nothing does.
  std::string Diff(const State& other) const;
};

class Runner {
 public:
  virtual ~Runner() = default;
  virtual HResult Start() = 0;  // start-up, then show
  // Whether the operation can be carried out now (a key press needs a
  // focused panel); if so, carries it out and gives its status.
  virtual std::optional<HResult> Apply(const Operation& operation) = 0;
  virtual State Snapshot() = 0;
};

// Carries out a host operation (Find to Text) on `keybord`.
HResult HostCall(KeyBord& keybord, const Operation& op);

// What both sides read alike: the component's own state (the focus, beeps
// and commands are the toolkit's), and the places it gave its widgets.
void ReadComponent(KeyBord& keybord, State& state);
void ReadPanel(const KeyStore& keys, const Box& bounds, std::vector<KeyView>& viewKeys, Rect& viewBounds);
Rect RectOf(const Box& box);

// `deferred`: the in-memory toolkit delivers focus changes after the handler.
std::unique_ptr<Runner> MakeMemoryRunner(bool deferred);
std::unique_ptr<Runner> MakeQtRunner();
std::vector<Operation> Generate(std::uint64_t seed, int count);

}  // namespace vexo::testing::twin
