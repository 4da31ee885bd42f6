#include "Shell.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <new>
#include <stdexcept>
#include <utility>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

#include "component/KeyBord.h"

namespace vexo::shell {

struct HostedInstance {
  explicit HostedInstance(FocusDelivery delivery)
      : toolkit(delivery), keybord(toolkit), hostWindow(toolkit.ActiveWindow()) {}

  MemoryToolkit toolkit;
  KeyBord keybord;
  // The host's window, active from the start; `window host` makes it active again.
  WindowHandle hostWindow;
};

namespace {

// Ordered, so that answers read in the order they are built and a bag keeps
// the order in which its keys were written.
using Json = nlohmann::ordered_json;

// A command line that cannot be carried out as written. Thrown by the parsing
// helpers and turned into an error answer at the one boundary, Execute.
struct CommandError {
  HResult status;
  std::string message;
};

[[noreturn]] void Refuse(HResult status, std::string message) {
  throw CommandError{status, std::move(message)};
}

// --- Text between the protocol (UTF-8) and the component (UTF-16).

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

constexpr char32_t Replacement = 0xFFFD;

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// A surrogate without its partner has no UTF-8 form; it is written as U+FFFD
// so that the answer stays valid JSON. Everything else converts exactly.
std::string ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      AppendUtf8(out, Replacement);
    } else {
      AppendUtf8(out, c);
    }
  }
  return out;
}

// The JSON parser has already refused ill-formed UTF-8; a malformed sequence
// that reaches this point all the same becomes U+FFFD rather than garbage.
std::u16string FromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    int length = 0;
    char32_t c = 0;
    char32_t least = 0;
    if (lead < 0x80) {
      length = 1, c = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2, c = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, c = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, c = lead & 0x07, least = 0x10000;
    }
    bool good = length > 0 && i + length <= text.size();
    for (int k = 1; good && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      good = (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3F);
    }
    good = good && c >= least && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
    if (!good) {
      out += static_cast<char16_t>(Replacement);
      ++i;
      continue;
    }
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
    i += length;
  }
  return out;
}

// --- Numbers in answers: whole numbers print without a fraction.

Json Number(double value) {
  if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) <= 9007199254740992.0) {
    return static_cast<std::int64_t>(value);
  }
  return value;
}

// A float prints as its shortest decimal form (0.1f as 0.1, not as the
// double nearest to it).
Json Number(float value) {
  if (!std::isfinite(value) || value == std::trunc(value)) {
    return Number(static_cast<double>(value));
  }
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size() - 1, value);
  *result.ptr = '\0';
  return std::strtod(buffer.data(), nullptr);
}

// The parser's message without its library prefix ("[json.exception...] ").
std::string ParseMessage(const std::exception& error) {
  std::string_view message = error.what();
  if (message.starts_with("[json.exception.")) {
    if (const std::size_t end = message.find("] "); end != std::string_view::npos) {
      message.remove_prefix(end + 2);
    }
  }
  return std::string(message);
}

std::string HexStatus(HResult status) {
  std::array<char, 16> buffer{};
  std::snprintf(buffer.data(), buffer.size(), "0x%08X", static_cast<unsigned>(static_cast<std::uint32_t>(status)));
  return buffer.data();
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

// --- Names of widgets.

constexpr std::array<std::pair<std::string_view, KeyArrayId>, 3> ArrayNames{{
    {"cmdKey", KeyArrayId::cmdKey},
    {"cmdNumber", KeyArrayId::cmdNumber},
    {"cmdShift", KeyArrayId::cmdShift},
}};

constexpr std::array<std::pair<std::string_view, PanelId>, 3> PanelNames{{
    {"picABC", PanelId::picABC},
    {"picNumber", PanelId::picNumber},
    {"picShift", PanelId::picShift},
}};

std::string_view NameOf(PanelId panel) {
  for (const auto& [name, id] : PanelNames) {
    if (id == panel) {
      return name;
    }
  }
  return "?";
}

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

// Shows a token in a message; JSON escapes whatever it holds.
std::string Quoted(std::string_view token) {
  constexpr std::size_t Longest = 60;
  std::string shown(token.substr(0, Longest));
  if (token.size() > Longest) {
    shown += "...";
  }
  return "'" + shown + "'";
}

// --- Tokens of a command line.

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Splits at blanks; a token that starts with a quote runs to its closing
// quote (escapes included), so a JSON string may hold blanks.
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

// The arguments of one command, with the checks that give clear errors.
class Arguments {
 public:
  Arguments(std::string_view command, std::vector<std::string_view> tokens)
      : command_(command), tokens_(std::move(tokens)) {}

  std::size_t Size() const { return tokens_.size(); }
  const std::vector<std::string_view>& Tokens() const { return tokens_; }

  void Expect(std::size_t least, std::size_t most, std::string_view usage) const {
    if (tokens_.size() < least || tokens_.size() > most) {
      Refuse(hr::InvalidArg, std::string(command_) + ": expected " + std::string(usage) + ", got " +
                                 std::to_string(tokens_.size()) + " argument(s)");
    }
  }

  std::string_view Word(std::size_t i) const { return tokens_.at(i); }

  // A decimal integer within [least, most]; a value outside is refused with
  // the overflow error, never wrapped.
  std::int64_t Integer(std::size_t i, std::int64_t least, std::int64_t most, std::string_view what) const {
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

  std::int16_t Int16(std::size_t i, std::string_view what) const {
    return static_cast<std::int16_t>(Integer(i, INT16_MIN, INT16_MAX, what));
  }
  std::int32_t Int32(std::size_t i, std::string_view what) const {
    return static_cast<std::int32_t>(Integer(i, INT32_MIN, INT32_MAX, what));
  }

  // A JSON string literal.
  std::u16string String(std::size_t i, std::string_view what) const {
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

  bool Boolean(std::size_t i, std::string_view what) const {
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

  KeyArrayId Array(std::size_t i) const {
    for (const auto& [name, id] : ArrayNames) {
      if (tokens_.at(i) == name) {
        return id;
      }
    }
    Refuse(hr::InvalidArg,
           std::string(command_) + ": unknown key array " + Quoted(tokens_.at(i)) + " (cmdKey, cmdNumber, cmdShift)");
  }

  PanelId Panel(std::size_t i) const {
    for (const auto& [name, id] : PanelNames) {
      if (tokens_.at(i) == name) {
        return id;
      }
    }
    Refuse(hr::InvalidArg,
           std::string(command_) + ": unknown panel " + Quoted(tokens_.at(i)) + " (picABC, picNumber, picShift)");
  }

 private:
  std::string_view command_;
  std::vector<std::string_view> tokens_;
};

// --- The public methods, by name, in the order of the interface.

using ArgumentValue = std::variant<std::u16string, std::int16_t>;
enum class Param { String, Int16 };

struct Method {
  std::string_view name;
  std::vector<Param> params;
  std::vector<std::string_view> paramNames;
  std::function<HResult(KeyBord&, std::vector<ArgumentValue>&)> invoke;
};

std::u16string& Str(std::vector<ArgumentValue>& values, std::size_t i) { return std::get<std::u16string>(values[i]); }
std::int16_t& Int(std::vector<ArgumentValue>& values, std::size_t i) { return std::get<std::int16_t>(values[i]); }

const std::vector<Method>& Methods() {
  static const std::vector<Method> methods{
      {"AfterFindImage", {Param::String}, {"ChrStr"}, [](KeyBord& k, auto& v) { return k.AfterFindImage(Str(v, 0)); }},
      {"EnterKey", {}, {}, [](KeyBord& k, auto&) { return k.EnterKey(); }},
      {"FindABC", {Param::String}, {"ChrStr"}, [](KeyBord& k, auto& v) { return k.FindABC(Str(v, 0)); }},
      {"FindImage", {Param::Int16, Param::Int16}, {"KeyCode", "Shift"},
       [](KeyBord& k, auto& v) { return k.FindImage(Int(v, 0), Int(v, 1)); }},
      {"FindImageNumber", {Param::Int16}, {"KeyCode"},
       [](KeyBord& k, auto& v) { return k.FindImageNumber(Int(v, 0)); }},
      {"GetMessage", {Param::Int16}, {"KodKey"}, [](KeyBord& k, auto& v) { return k.GetMessage(Int(v, 0)); }},
      {"KeyF1ToF6", {Param::Int16}, {"CodeKey"}, [](KeyBord& k, auto& v) { return k.KeyF1ToF6(Int(v, 0)); }},
      {"LeftPos", {}, {}, [](KeyBord& k, auto&) { return k.LeftPos(); }},
      {"FindNumber", {Param::String}, {"ChrStr"}, [](KeyBord& k, auto& v) { return k.FindNumber(Str(v, 0)); }},
      {"RightPos", {}, {}, [](KeyBord& k, auto&) { return k.RightPos(); }},
  };
  return methods;
}

std::string MethodList() {
  std::string list;
  for (const Method& method : Methods()) {
    list += (list.empty() ? "" : ", ") + std::string(method.name);
  }
  return list;
}

// --- Property bags as JSON: {"key": {"type": T, "value": V}}.

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

Json BagJson(const MemoryPropertyBag& bag) {
  Json json = Json::object();
  for (const auto& [key, value] : bag.Entries()) {
    json[ToUtf8(key)] = VariantJson(value);
  }
  return json;
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
      if (value.is_boolean()) {
        return Variant::FromBool(value.get<bool>());
      }
      {
        Variant stored = Variant::FromBool(false);
        stored.integer = BagInteger(value, INT16_MIN, INT16_MAX, where);
        return stored;
      }
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

// --- Inspection.

Json BoxJson(const Box& box) {
  Json json;
  json["left"] = Number(box.left);
  json["top"] = Number(box.top);
  json["width"] = Number(box.width);
  json["height"] = Number(box.height);
  return json;
}

Json ColourJson(const std::optional<Colour>& colour) {
  return colour ? Json(*colour) : Json(nullptr);
}

Json KeysJson(const KeyStore& keys) {
  Json json = Json::array();
  for (std::int32_t i = 0; i < keys.Extent(); ++i) {
    const KeyElement* key = keys.Element(i);
    if (key == nullptr) {
      json.push_back(nullptr);  // an index below the highest that was never loaded
      continue;
    }
    Json element;
    element["caption"] = ToUtf8(key->caption);
    element["left"] = Number(key->left);
    element["top"] = Number(key->top);
    element["width"] = Number(key->width);
    element["height"] = Number(key->height);
    element["visible"] = key->visible;
    element["foreColor"] = ColourJson(key->foreColor);
    element["backColor"] = ColourJson(key->backColor);
    json.push_back(std::move(element));
  }
  return json;
}

// --- The commands.

// What a command works on: the hosted instance, and a way to replace it.
struct Session {
  HostedInstance& instance;
  std::function<HResult()> renew;  // a fresh instance; gives the start-up status

  MemoryToolkit& toolkit() { return instance.toolkit; }
  KeyBord& keybord() { return instance.keybord; }
  // A call of the public interface (or the user's edit) as the host makes it:
  // deferred focus notifications arrive before it returns.
  HResult Host(const std::function<HResult()>& call) { return instance.toolkit.HostCall(call); }
};

Json New(Session& session, const Arguments& args) {
  args.Expect(0, 0, "no arguments");
  return Answer(session.renew(), "new (start-up)");
}

Json Show(Session& session, const Arguments& args) {
  args.Expect(0, 0, "no arguments");
  return Answer(session.toolkit().Show(), "show");
}

Json GotFocus(Session& session, const Arguments& args) {
  args.Expect(0, 0, "no arguments");
  return Answer(session.toolkit().SurfaceGotFocus(), "gotfocus");
}

Json Resize(Session& session, const Arguments& args) {
  args.Expect(2, 2, "resize WIDTH HEIGHT");
  const std::int32_t width = args.Int32(0, "WIDTH");
  const std::int32_t height = args.Int32(1, "HEIGHT");
  return Answer(session.toolkit().Resize(static_cast<float>(width), static_cast<float>(height)), "resize");
}

Json Blur(Session& session, const Arguments& args) {
  args.Expect(0, 0, "no arguments");
  session.toolkit().Blur();
  return Answer(hr::Ok, "blur");
}

Json Click(Session& session, const Arguments& args) {
  args.Expect(2, 2, "click ARRAY INDEX");
  const KeyArrayId array = args.Array(0);
  const std::int16_t index = args.Int16(1, "INDEX");
  return Answer(session.toolkit().Click(array, index),
                "click " + std::string(args.Word(0)) + " " + std::to_string(index));
}

Json KeyDown(Session& session, const Arguments& args) {
  args.Expect(3, 3, "keydown PANEL CODE SHIFT");
  const PanelId panel = args.Panel(0);
  std::int16_t keyCode = args.Int16(1, "CODE");
  std::int16_t shift = args.Int16(2, "SHIFT");
  Json answer = Answer(session.toolkit().KeyDown(panel, keyCode, shift), "keydown " + std::string(args.Word(0)));
  answer["keyCode"] = keyCode;
  answer["shift"] = shift;
  return answer;
}

Json Call(Session& session, const Arguments& args) {
  if (args.Size() == 0) {
    Refuse(hr::InvalidArg, "call: expected call METHOD ARG... (" + MethodList() + ")");
  }
  const Method* method = nullptr;
  for (const Method& candidate : Methods()) {
    if (SameName(candidate.name, args.Word(0))) {
      method = &candidate;
    }
  }
  if (method == nullptr) {
    Refuse(hr::InvalidArg, "call: unknown method " + Quoted(args.Word(0)) + " (" + MethodList() + ")");
  }
  const std::string context = "call " + std::string(method->name);
  if (args.Size() != method->params.size() + 1) {
    std::string usage;
    for (std::string_view name : method->paramNames) {
      usage += " " + std::string(name);
    }
    Refuse(hr::InvalidArg, context + ": expected " + std::to_string(method->params.size()) + " argument(s) (" +
                               std::string(method->name) + usage + "), got " + std::to_string(args.Size() - 1));
  }
  const Arguments callArgs(context, {args.Tokens().begin() + 1, args.Tokens().end()});
  std::vector<ArgumentValue> values;
  for (std::size_t i = 0; i < method->params.size(); ++i) {
    if (method->params[i] == Param::String) {
      values.emplace_back(callArgs.String(i, method->paramNames[i]));
    } else {
      values.emplace_back(callArgs.Int16(i, method->paramNames[i]));
    }
  }
  Json answer = Answer(session.Host([&] { return method->invoke(session.keybord(), values); }), context);
  // By-reference arguments may have changed, also in a call that failed.
  Json after = Json::array();
  for (const ArgumentValue& value : values) {
    if (const auto* text = std::get_if<std::u16string>(&value)) {
      after.push_back(ToUtf8(*text));
    } else {
      after.push_back(std::get<std::int16_t>(value));
    }
  }
  answer["args"] = std::move(after);
  return answer;
}

constexpr std::string_view PropertyList = "(CapsLock, ChangeBord, MaxLength, Text)";

Json Get(Session& session, const Arguments& args) {
  args.Expect(1, 1, "get PROP " + std::string(PropertyList));
  const std::string_view prop = args.Word(0);
  KeyBord& keybord = session.keybord();
  Json value;
  HResult status = hr::Ok;
  if (SameName(prop, "CapsLock")) {
    std::int16_t caps = 0;
    status = session.Host([&] { return keybord.get_CapsLock(caps); });
    value = caps != VariantFalse;
  } else if (SameName(prop, "ChangeBord")) {
    ActivPanel panel = ActivPanel::abcAct;
    status = session.Host([&] { return keybord.get_ChangeBord(panel); });
    value = static_cast<std::int32_t>(panel);
  } else if (SameName(prop, "MaxLength")) {
    std::int16_t length = 0;
    status = session.Host([&] { return keybord.get_MaxLength(length); });
    value = length;
  } else if (SameName(prop, "Text")) {
    std::u16string text;
    status = session.Host([&] { return keybord.get_Text(text); });
    value = ToUtf8(text);
  } else {
    Refuse(hr::InvalidArg, "get: unknown property " + Quoted(prop) + " " + std::string(PropertyList));
  }
  Json answer = Answer(status, "get " + std::string(prop));
  if (Succeeded(status)) {
    answer["value"] = std::move(value);
  }
  return answer;
}

Json Set(Session& session, const Arguments& args) {
  args.Expect(2, 2, "set PROP VALUE");
  const std::string_view prop = args.Word(0);
  KeyBord& keybord = session.keybord();
  HResult status = hr::Ok;
  if (SameName(prop, "CapsLock")) {
    const std::int16_t caps = args.Boolean(1, "CapsLock") ? VariantTrue : VariantFalse;
    status = session.Host([&] { return keybord.put_CapsLock(caps); });
  } else if (SameName(prop, "ChangeBord")) {
    const auto panel = static_cast<ActivPanel>(args.Int32(1, "ChangeBord"));
    status = session.Host([&] { return keybord.put_ChangeBord(panel); });
  } else if (SameName(prop, "MaxLength")) {
    const std::int16_t length = args.Int16(1, "MaxLength");
    status = session.Host([&] { return keybord.put_MaxLength(length); });
  } else if (SameName(prop, "Text")) {
    const std::u16string text = args.String(1, "Text");
    status = session.Host([&] { return keybord.put_Text(text); });
  } else {
    Refuse(hr::InvalidArg, "set: unknown property " + Quoted(prop) + " " + std::string(PropertyList));
  }
  return Answer(status, "set " + std::string(prop));
}

Json Edit(Session& session, const Arguments& args) {
  args.Expect(1, 2, "edit START [LENGTH]");
  const std::int32_t start = args.Int32(0, "START");
  const std::int32_t length = args.Size() > 1 ? args.Int32(1, "LENGTH") : 0;
  return Answer(session.Host([&] { return session.toolkit().Field().Select(start, length); }), "edit");
}

Json Window(Session& session, const Arguments& args) {
  args.Expect(1, 1, "window host|none");
  if (args.Word(0) == "host") {
    session.toolkit().SetActiveWindow(session.instance.hostWindow);
  } else if (args.Word(0) == "none") {
    session.toolkit().SetActiveWindow(0);
  } else {
    Refuse(hr::InvalidArg, "window: expected host or none, got " + Quoted(args.Word(0)));
  }
  return Answer(hr::Ok, "window");
}

Json Fail(Session& session, const Arguments& args) {
  args.Expect(1, 2, "fail focus PANEL or fail none");
  if (args.Word(0) == "none" && args.Size() == 1) {
    session.toolkit().FailSetFocus(std::nullopt);
  } else if (args.Word(0) == "focus" && args.Size() == 2) {
    session.toolkit().FailSetFocus(args.Panel(1));
  } else {
    Refuse(hr::InvalidArg, "fail: expected fail focus PANEL or fail none");
  }
  return Answer(hr::Ok, "fail");
}

Json Save(Session& session, const Arguments& args) {
  args.Expect(0, 0, "no arguments");
  MemoryPropertyBag bag(MemoryPropertyBag::Defaults::Store);
  Json answer = Answer(session.toolkit().WriteProperties(bag), "save");
  // On a failure, what was written before it.
  answer["bag"] = BagJson(bag);
  return answer;
}

// `load` takes the rest of its line whole: one JSON object that may hold blanks.
Json Load(Session& session, std::string_view rest) {
  Json bag;
  try {
    bag = Json::parse(rest);
  } catch (const Json::exception& error) {
    Refuse(hr::InvalidArg, "load: the bag is not valid JSON (" + ParseMessage(error) + ")");
  }
  if (!bag.is_object()) {
    Refuse(hr::InvalidArg, "load: the bag must be a JSON object {\"key\": {\"type\": T, \"value\": V}}");
  }
  // A key given twice keeps its last value, as a JSON object does. Every
  // entry is checked before the component sees any.
  MemoryPropertyBag propertyBag(MemoryPropertyBag::Defaults::Store);
  for (const auto& item : bag.items()) {
    propertyBag.Set(FromUtf8(item.key()), BagVariant(item.key(), item.value()));
  }
  return Answer(session.toolkit().ReadProperties(propertyBag), "load");
}

Json Dump(Session& session, const Arguments& args) {
  args.Expect(0, 0, "no arguments");
  MemoryToolkit& toolkit = session.toolkit();
  KeyBord& keybord = session.keybord();
  Json answer = Answer(hr::Ok, "dump");
  const MemoryRichTextBox& field = toolkit.Field();
  answer["field"] = {{"text", ToUtf8(field.Content())}, {"selStart", field.SelStart()}, {"selLength", field.SelLength()}};
  answer["CapsLock"] = keybord.CapsOn != VariantFalse;
  answer["ChangeBord"] = static_cast<std::int32_t>(keybord.ActiveBord);
  answer["MaxLength"] = keybord.MaxChars;
  std::u16string text;
  // What a host reads through Text; null while that read fails.
  if (Succeeded(session.Host([&] { return keybord.get_Text(text); }))) {
    answer["Text"] = ToUtf8(text);
  } else {
    answer["Text"] = nullptr;
  }
  answer["AbcKeyIndex"] = keybord.AbcKeyIndex;
  answer["NumberKeyIndex"] = keybord.NumberKeyIndex;
  answer["ShiftKeyIndex"] = keybord.ShiftKeyIndex;
  const std::optional<PanelId> focused = toolkit.Focused();
  answer["focus"] = focused ? Json(NameOf(*focused)) : Json(nullptr);
  answer["beeps"] = toolkit.Beeps();
  Json messages = Json::array();
  for (const SentMessage& message : toolkit.Messages()) {
    messages.push_back({{"msg", message.message}, {"wParam", message.wParam}, {"lParam", message.lParam}});
  }
  answer["messages"] = std::move(messages);
  const MemorySurface& surface = toolkit.SurfaceOf();
  answer["surface"] = {{"width", Number(surface.Width())}, {"height", Number(surface.Height())}};
  answer["Text1"] = BoxJson(field.Bounds());
  for (const auto& [name, id] : PanelNames) {
    answer[std::string(name)] = BoxJson(toolkit.PanelOf(id).Bounds());
  }
  for (const auto& [name, id] : ArrayNames) {
    answer[std::string(name)] = KeysJson(toolkit.KeysOf(id));
  }
  return answer;
}

struct Command {
  std::string_view name;
  Json (*run)(Session&, const Arguments&);
};

// Every command but `load`, whose argument is the rest of its line.
constexpr std::array<Command, 15> Commands{{
    {"new", New},
    {"show", Show},
    {"gotfocus", GotFocus},
    {"resize", Resize},
    {"blur", Blur},
    {"click", Click},
    {"keydown", KeyDown},
    {"call", Call},
    {"get", Get},
    {"set", Set},
    {"edit", Edit},
    {"window", Window},
    {"fail", Fail},
    {"save", Save},
    {"dump", Dump},
}};

Json Run(Session& session, std::string_view line) {
  std::size_t wordEnd = 0;
  while (wordEnd < line.size() && !IsBlank(line[wordEnd])) {
    ++wordEnd;
  }
  const std::string_view name = line.substr(0, wordEnd);
  const std::string_view rest = line.substr(wordEnd);
  if (name == "load") {
    return Load(session, rest);
  }
  for (const Command& command : Commands) {
    if (command.name == name) {
      return command.run(session, Arguments(name, Tokenize(rest)));
    }
  }
  std::string names;
  for (const Command& command : Commands) {
    names += std::string(names.empty() ? "" : ", ") + std::string(command.name);
  }
  Refuse(hr::InvalidArg, "unknown command " + Quoted(name) + " (" + names + ", load)");
}

Json ErrorAnswer(HResult status, std::string message) {
  Json answer;
  answer["ok"] = false;
  answer["hr"] = HexStatus(status);
  answer["error"] = std::move(message);
  return answer;
}

}  // namespace

Shell::Shell(FocusDelivery delivery) : delivery_(delivery) { NewInstance(); }

Shell::~Shell() = default;

MemoryToolkit& Shell::Toolkit() { return instance_->toolkit; }

void Shell::NewInstance() {
  instance_.reset();
  instance_ = std::make_unique<HostedInstance>(delivery_);
  startupStatus_ = instance_->toolkit.Initialize();
}

std::optional<std::string> Shell::Execute(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
    line.remove_suffix(1);
  }
  std::size_t first = 0;
  while (first < line.size() && IsBlank(line[first])) {
    ++first;
  }
  if (first == line.size() || line[first] == '#') {
    return std::nullopt;
  }
  line.remove_prefix(first);

  Json answer;
  try {
    Session session{*instance_, [this] {
                      NewInstance();
                      return startupStatus_;
                    }};
    answer = Run(session, line);
  } catch (const CommandError& error) {
    answer = ErrorAnswer(error.status, error.message);
  } catch (const std::bad_alloc&) {
    answer = ErrorAnswer(hr::OutOfMemory, std::string(DescribeStatus(hr::OutOfMemory)));
  } catch (const std::exception& error) {
    answer = ErrorAnswer(hr::Fail, std::string("internal error: ") + error.what());
  } catch (...) {
    answer = ErrorAnswer(hr::Fail, "internal error");
  }
  // Replacement keeps the answer valid JSON even where an error message
  // echoes bytes of the command line that are not UTF-8.
  return answer.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace vexo::shell
