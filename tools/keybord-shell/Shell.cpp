// SPDX-License-Identifier: MIT
// The commands of the headless host, each carried out on the hosted instance.
#include "Shell.h"

#include <algorithm>
#include <array>
#include <functional>
#include <new>
#include <stdexcept>
#include <utility>
#include <variant>
#include <vector>

#include "Protocol.h"
#include "Text.h"
#include "component/KeyBord.h"
#include "component/KeyBordProbe.h"
#include "component/PropertyTable.h"
#include "panels/PanelRecords.h"

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

// --- The properties, by name, in alphabetical order.

const std::vector<const Property*>& ByName() {
  static const std::vector<const Property*> sorted = [] {
    std::vector<const Property*> all;
    for (const Property& property : Properties()) all.push_back(&property);
    std::ranges::sort(all, {}, &Property::name);
    return all;
  }();
  return sorted;
}

// "(CapsLock, ChangeBord, ...)"
std::string PropertyList() {
  std::string list;
  for (const Property* property : ByName()) list += (list.empty() ? "(" : ", ") + ToUtf8(property->name);
  return list + ")";
}

const Property& FindProperty(std::string_view command, std::string_view prop) {
  for (const Property* property : ByName()) {
    if (SameName(prop, ToUtf8(property->name))) return *property;
  }
  Refuse(hr::InvalidArg, std::string(command) + ": unknown property " + Quoted(prop) + " " + PropertyList());
}

Json ValueJson(const Variant& value) {
  switch (value.type) {
    case VarType::Bool: return value.integer != 0;
    case VarType::BSTR: return ToUtf8(value.text);
    default: return value.integer;
  }
}

// A property's value read from the command line as its type asks.
Variant ValueArgument(const Arguments& args, std::size_t i, const Property& property) {
  const std::string name = ToUtf8(property.name);
  switch (property.type) {
    case VarType::Bool: return Variant::FromBool(args.Boolean(i, name));
    case VarType::I2: return Variant::FromI2(args.Int16(i, name));
    case VarType::BSTR: return Variant::FromText(args.String(i, name));
    default: return Variant::FromI4(args.Int32(i, name));
  }
}

Json Get(Session& session, const Arguments& args) {
  args.Expect(1, 1, "get PROP " + PropertyList());
  const std::string_view prop = args.Word(0);
  const Property& property = FindProperty("get", prop);
  Variant value;
  const HResult status = session.Host([&] { return property.get(session.keybord(), value); });
  Json answer = Answer(status, "get " + std::string(prop));
  if (Succeeded(status)) {
    answer["value"] = ValueJson(value);
  }
  return answer;
}

Json Set(Session& session, const Arguments& args) {
  args.Expect(2, 2, "set PROP VALUE");
  const std::string_view prop = args.Word(0);
  const Property& property = FindProperty("set", prop);
  const Variant value = ValueArgument(args, 1, property);
  return Answer(session.Host([&] { return property.put(session.keybord(), value); }), "set " + std::string(prop));
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
  const Json bag = ParseJson(rest, "load: the bag");
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
  const KeyBordProbe probe(keybord);
  Json answer = Answer(hr::Ok, "dump");
  const MemoryRichTextBox& field = toolkit.Field();
  answer["field"] = {{"text", ToUtf8(field.Content())}, {"selStart", field.SelStart()}, {"selLength", field.SelLength()}};
  // What a host reads through each property; null while that read fails.
  for (const Property* property : ByName()) {
    Variant value;
    const bool read = Succeeded(session.Host([&] { return property->get(keybord, value); }));
    answer[ToUtf8(property->name)] = read ? ValueJson(value) : Json(nullptr);
  }
  for (const panels::PanelRecord& record : panels::PanelRecords) {
    answer[std::string(record.indexName)] = probe.KeyIndex(record.Keys());
  }
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
  for (const PanelFace& face : PanelFaces) {
    answer[std::string(face.panelName)] = BoxJson(toolkit.PanelOf(face.panel).Bounds());
  }
  for (const PanelFace& face : PanelFaces) {
    answer[std::string(face.keysName)] = KeysJson(toolkit.KeysOf(face.keys));
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
