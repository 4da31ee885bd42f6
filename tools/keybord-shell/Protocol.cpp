// SPDX-License-Identifier: MIT
#include "Protocol.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "Text.h"
#include "component/KeyBord.h"

namespace vexo::shell {

namespace {

std::string HexStatus(HResult status) {
  std::array<char, 16> buffer{};
  std::snprintf(buffer.data(), buffer.size(), "0x%08X", static_cast<unsigned>(static_cast<std::uint32_t>(status)));
  return buffer.data();
}

}  // namespace

void Refuse(HResult status, std::string message) { throw CommandError{status, std::move(message)}; }

// --- Answers.

Json Number(double value) {
  if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) <= 9007199254740992.0) {
    return static_cast<std::int64_t>(value);
  }
  return value;
}

Json Number(float value) {
  if (!std::isfinite(value) || value == std::trunc(value)) {
    return Number(static_cast<double>(value));
  }
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size() - 1, value);
  *result.ptr = '\0';
  return std::strtod(buffer.data(), nullptr);
}

Json ParseJson(std::string_view text, std::string_view context) {
  // Brackets inside strings do not nest; a backslash escapes the character
  // after it. An unterminated string is left for the parser to report.
  int depth = 0;
  bool inString = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        inString = false;
      }
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > MaxJsonNesting) {
        Refuse(hr::InvalidArg, std::string(context) + " nests arrays and objects more than " +
                                   std::to_string(MaxJsonNesting) + " deep");
      }
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  try {
    return Json::parse(text);
  } catch (const Json::exception& error) {
    Refuse(hr::InvalidArg, std::string(context) + " is not valid JSON (" + ParseMessage(error) + ")");
  }
}

std::string ParseMessage(const std::exception& error) {
  std::string_view message = error.what();
  if (message.starts_with("[json.exception.")) {
    if (const std::size_t end = message.find("] "); end != std::string_view::npos) {
      message.remove_prefix(end + 2);
    }
  }
  return std::string(message);
}

Json Answer(HResult status, std::string_view context) {
  Json answer;
  answer["ok"] = Succeeded(status);
  if (Failed(status)) {
    answer["hr"] = HexStatus(status);
    answer["error"] = std::string(context) + ": " + std::string(DescribeStatus(status));
  }
  return answer;
}

Json ErrorAnswer(HResult status, std::string message) {
  Json answer;
  answer["ok"] = false;
  answer["hr"] = HexStatus(status);
  answer["error"] = std::move(message);
  return answer;
}

// --- Names of widgets.

std::string_view NameOf(PanelId panel) { return Slot(panel) < PanelCount ? FaceOf(panel).panelName : "?"; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) {
      return false;
    }
  }
  return true;
}

std::string Quoted(std::string_view token) {
  constexpr std::size_t Longest = 60;
  std::string shown(token.substr(0, Longest));
  if (token.size() > Longest) {
    shown += "...";
  }
  return "'" + shown + "'";
}

// --- Tokens of a command line.

std::vector<std::string_view> Tokenize(std::string_view line) {
  std::vector<std::string_view> tokens;
  std::size_t i = 0;
  while (true) {
    while (i < line.size() && IsBlank(line[i])) {
      ++i;
    }
    if (i == line.size()) {
      return tokens;
    }
    const std::size_t start = i;
    if (line[i] == '"') {
      ++i;
      bool closed = false;
      while (i < line.size() && !closed) {
        if (line[i] == '\\') {
          i += 2;
        } else {
          closed = line[i] == '"';
          ++i;
        }
      }
      if (!closed) {
        Refuse(hr::InvalidArg, "unterminated string " + Quoted(line.substr(start)));
      }
      i = std::min(i, line.size());
      if (i < line.size() && !IsBlank(line[i])) {
        Refuse(hr::InvalidArg, "expected a blank after the string " + Quoted(line.substr(start, i - start)));
      }
    } else {
      while (i < line.size() && !IsBlank(line[i])) {
        ++i;
      }
    }
    tokens.push_back(line.substr(start, i - start));
  }
}

// --- Arguments.

void Arguments::Expect(std::size_t least, std::size_t most, std::string_view usage) const {
  if (tokens_.size() < least || tokens_.size() > most) {
    Refuse(hr::InvalidArg, std::string(command_) + ": expected " + std::string(usage) + ", got " +
                               std::to_string(tokens_.size()) + " argument(s)");
  }
}

std::int64_t Arguments::Integer(std::size_t i, std::int64_t least, std::int64_t most,
                                 std::string_view what) const {
  const std::string_view token = tokens_.at(i);
  std::int64_t value = 0;
  const char* begin = token.data();
  const char* end = token.data() + token.size();
  bool digits = !token.empty();
  for (std::size_t k = 0; k < token.size(); ++k) {
    const char c = token[k];
    digits = digits && ((c >= '0' && c <= '9') || (c == '-' && k == 0 && token.size() > 1));
  }
  if (!digits) {
    Refuse(hr::TypeMismatch,
           std::string(command_) + ": " + std::string(what) + " must be a decimal integer, got " + Quoted(token));
  }
  const auto result = std::from_chars(begin, end, value);
  if (result.ec == std::errc::result_out_of_range || value < least || value > most) {
    Refuse(hr::Overflow, std::string(command_) + ": " + std::string(what) + " " + Quoted(token) +
                             " is outside " + std::to_string(least) + " to " + std::to_string(most));
  }
  return value;
}

std::u16string Arguments::String(std::size_t i, std::string_view what) const {
  const std::string_view token = tokens_.at(i);
  if (token.empty() || token.front() != '"') {
    Refuse(hr::TypeMismatch, std::string(command_) + ": " + std::string(what) +
                                 " must be a JSON string literal such as \"a\", got " + Quoted(token));
  }
  try {
    const Json value = Json::parse(token);
    return FromUtf8(value.get_ref<const std::string&>());
  } catch (const Json::exception& error) {
    Refuse(hr::InvalidArg, std::string(command_) + ": " + std::string(what) + " is not a valid JSON string (" +
                               ParseMessage(error) + ")");
  }
}

bool Arguments::Boolean(std::size_t i, std::string_view what) const {
  const std::string_view token = tokens_.at(i);
  if (token == "true") {
    return true;
  }
  if (token == "false") {
    return false;
  }
  Refuse(hr::TypeMismatch,
         std::string(command_) + ": " + std::string(what) + " must be true or false, got " + Quoted(token));
}

namespace {

// The face that `name` of each face calls `token`, or none.
const PanelFace* FindName(std::string_view PanelFace::*name, std::string_view token) {
  for (const PanelFace& face : PanelFaces) {
    if (token == face.*name) {
      return &face;
    }
  }
  return nullptr;
}

// "a, b, c": every face's `name`, for a message.
std::string AllNames(std::string_view PanelFace::*name) {
  std::string names;
  for (const PanelFace& face : PanelFaces) {
    names += (names.empty() ? "" : ", ") + std::string(face.*name);
  }
  return names;
}

}  // namespace

KeyArrayId Arguments::Array(std::size_t i) const {
  if (const PanelFace* face = FindName(&PanelFace::keysName, tokens_.at(i))) {
    return face->keys;
  }
  Refuse(hr::InvalidArg, std::string(command_) + ": unknown key array " + Quoted(tokens_.at(i)) + " (" +
                             AllNames(&PanelFace::keysName) + ")");
}

PanelId Arguments::Panel(std::size_t i) const {
  if (const PanelFace* face = FindName(&PanelFace::panelName, tokens_.at(i))) {
    return face->panel;
  }
  Refuse(hr::InvalidArg, std::string(command_) + ": unknown panel " + Quoted(tokens_.at(i)) + " (" +
                             AllNames(&PanelFace::panelName) + ")");
}

// --- Property bags as JSON.

namespace {

struct TypeName {
  std::string_view name;
  VarType type;
};
constexpr std::array<TypeName, 7> TypeNames{{
    {"EMPTY", VarType::Empty},
    {"NULL", VarType::Null},
    {"BOOL", VarType::Bool},
    {"I2", VarType::I2},
    {"I4", VarType::I4},
    {"R8", VarType::R8},
    {"BSTR", VarType::BSTR},
}};

Json VariantJson(const Variant& value) {
  Json entry;
  for (const TypeName& type : TypeNames) {
    if (type.type == value.type) {
      entry["type"] = type.name;
    }
  }
  switch (value.type) {
    case VarType::Empty:
    case VarType::Null: entry["value"] = nullptr; break;
    case VarType::Bool:
      // Only True (-1) and False (0) are booleans; any other stored number shows as itself.
      if (value.integer == VariantTrue || value.integer == VariantFalse) {
        entry["value"] = value.integer != VariantFalse;
      } else {
        entry["value"] = value.integer;
      }
      break;
    case VarType::I2:
    case VarType::I4: entry["value"] = value.integer; break;
    case VarType::R8: entry["value"] = Number(value.real); break;
    case VarType::BSTR: entry["value"] = ToUtf8(value.text); break;
  }
  return entry;
}

std::int32_t BagInteger(const Json& value, std::int64_t least, std::int64_t most, const std::string& where) {
  if (!value.is_number_integer()) {
    Refuse(hr::TypeMismatch, where + ": the value must be an integer");
  }
  const bool inRange = value.is_number_unsigned() ? value.get<std::uint64_t>() <= static_cast<std::uint64_t>(most)
                                                  : value.get<std::int64_t>() >= least &&
                                                        value.get<std::int64_t>() <= most;
  if (!inRange) {
    Refuse(hr::Overflow, where + ": the value " + value.dump() + " is outside " + std::to_string(least) + " to " +
                             std::to_string(most));
  }
  return static_cast<std::int32_t>(value.get<std::int64_t>());
}

}  // namespace

Json BagJson(const MemoryPropertyBag& bag) {
  Json json = Json::object();
  for (const auto& [key, value] : bag.Entries()) {
    json[ToUtf8(key)] = VariantJson(value);
  }
  return json;
}

Variant BagVariant(const std::string& key, const Json& entry) {
  const std::string where = "load: key " + Json(key).dump(-1, ' ', false, Json::error_handler_t::replace);
  if (!entry.is_object() || !entry.contains("type") || !entry["type"].is_string()) {
    Refuse(hr::InvalidArg, where + ": expected {\"type\": T, \"value\": V}");
  }
  for (const auto& item : entry.items()) {
    if (item.key() != "type" && item.key() != "value") {
      Refuse(hr::InvalidArg, where + ": unexpected member " + Json(item.key()).dump());
    }
  }
  const std::string& typeName = entry["type"].get_ref<const std::string&>();
  const TypeName* type = nullptr;
  for (const TypeName& candidate : TypeNames) {
    if (candidate.name == typeName) {
      type = &candidate;
    }
  }
  if (type == nullptr) {
    Refuse(hr::InvalidArg, where + ": unknown type " + Json(typeName).dump() + " (EMPTY, NULL, BOOL, I2, I4, R8, BSTR)");
  }
  const bool hasValue = entry.contains("value");
  const Json value = hasValue ? entry["value"] : Json();
  switch (type->type) {
    case VarType::Empty:
    case VarType::Null:
      if (!value.is_null()) {
        Refuse(hr::InvalidArg, where + ": an " + typeName + " value holds nothing (null or left out)");
      }
      return type->type == VarType::Empty ? Variant::Empty() : Variant::Null();
    default: break;
  }
  if (!hasValue) {
    Refuse(hr::InvalidArg, where + ": a " + typeName + " entry needs a \"value\"");
  }
  switch (type->type) {
    case VarType::Bool:
      if (!value.is_boolean()) {
        Refuse(hr::TypeMismatch, where + ": a BOOL value must be true or false");
      }
      return Variant::FromBool(value.get<bool>());
    case VarType::I2: return Variant::FromI2(static_cast<std::int16_t>(BagInteger(value, INT16_MIN, INT16_MAX, where)));
    case VarType::I4: return Variant::FromI4(BagInteger(value, INT32_MIN, INT32_MAX, where));
    case VarType::R8:
      if (!value.is_number()) {
        Refuse(hr::TypeMismatch, where + ": an R8 value must be a number");
      }
      return Variant::FromR8(value.get<double>());
    case VarType::BSTR:
      if (!value.is_string()) {
        Refuse(hr::TypeMismatch, where + ": a BSTR value must be a string");
      }
      return Variant::FromText(FromUtf8(value.get_ref<const std::string&>()));
    default: break;
  }
  Refuse(hr::InvalidArg, where + ": unsupported type");
}

}  // namespace vexo::shell
