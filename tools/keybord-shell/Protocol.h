// SPDX-License-Identifier: MIT
// Parsing of the headless host's protocol: the tokens and arguments of a
// command line, property bags as JSON, and the shape of every answer.
//
// A command line that cannot be carried out as written throws `CommandError`
// from these helpers; the shell turns it into an error answer at its one
// boundary, `Shell::Execute`.
#pragma once

#include <array>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "widgets/memory/MemoryToolkit.h"

namespace vexo::shell {

// Ordered, so that answers read in the order they are built and a bag keeps
// the order in which its keys were written.
using Json = nlohmann::ordered_json;

struct CommandError {
  HResult status;
  std::string message;
};

[[noreturn]] void Refuse(HResult status, std::string message);

// --- Answers.

// {"ok": true} or {"ok": false, "hr": "0x........", "error": "context: description"}.
Json Answer(HResult status, std::string_view context);
// An error answer with a message of its own.
Json ErrorAnswer(HResult status, std::string message);
// Whole numbers print without a fraction.
Json Number(double value);
// A float prints as its shortest decimal form (0.1f as 0.1, not as the
// double nearest to it).
Json Number(float value);
// The parser's message without its library prefix ("[json.exception...] ").
std::string ParseMessage(const std::exception& error);

// The deepest nesting of arrays and objects a line may hold. A bag needs two
// levels; the parser and the printer of values recurse once per level, so a
// line of a few hundred kilobytes nested further would exhaust the stack.
inline constexpr int MaxJsonNesting = 16;
// Parses `text` as JSON. Nesting beyond MaxJsonNesting is refused before the
// parser sees it; so is text that is not JSON. Refusals name `context`.
Json ParseJson(std::string_view text, std::string_view context);

// --- Names of widgets.

// The panels' and key arrays' names are their faces' (widgets/PanelFaces.h).
std::string_view NameOf(PanelId panel);
// Names compared without regard to ASCII case.
bool SameName(std::string_view a, std::string_view b);
// Shows a token in a message; JSON escapes whatever it holds.
std::string Quoted(std::string_view token);

// --- Tokens of a command line.

inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Splits at blanks; a token that starts with a quote runs to its closing
// quote (escapes included), so a JSON string may hold blanks.
std::vector<std::string_view> Tokenize(std::string_view line);

// The arguments of one command, with the checks that give clear errors.
class Arguments {
 public:
  Arguments(std::string_view command, std::vector<std::string_view> tokens)
      : command_(command), tokens_(std::move(tokens)) {}

  std::size_t Size() const { return tokens_.size(); }
  const std::vector<std::string_view>& Tokens() const { return tokens_; }

  void Expect(std::size_t least, std::size_t most, std::string_view usage) const;

  std::string_view Word(std::size_t i) const { return tokens_.at(i); }

  // A decimal integer within [least, most]; a value outside is refused with
  // the overflow error, never wrapped.
  std::int64_t Integer(std::size_t i, std::int64_t least, std::int64_t most, std::string_view what) const;
  std::int16_t Int16(std::size_t i, std::string_view what) const {
    return static_cast<std::int16_t>(Integer(i, INT16_MIN, INT16_MAX, what));
  }
  std::int32_t Int32(std::size_t i, std::string_view what) const {
    return static_cast<std::int32_t>(Integer(i, INT32_MIN, INT32_MAX, what));
  }

  // A JSON string literal.
  std::u16string String(std::size_t i, std::string_view what) const;
  bool Boolean(std::size_t i, std::string_view what) const;
  KeyArrayId Array(std::size_t i) const;
  PanelId Panel(std::size_t i) const;

 private:
  std::string_view command_;
  std::vector<std::string_view> tokens_;
};

// --- Property bags as JSON: {"key": {"type": T, "value": V}}.

Json BagJson(const MemoryPropertyBag& bag);
// The value of one entry of a bag given as JSON; an entry of the wrong shape
// or a value of the wrong kind is refused.
Variant BagVariant(const std::string& key, const Json& entry);

}  // namespace vexo::shell
