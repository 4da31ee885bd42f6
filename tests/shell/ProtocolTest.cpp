// SPDX-License-Identifier: MIT
// The headless host's protocol, driven in-process line by line: the shape of
// each answer, the errors for malformed lines, the dump and the text encoding.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "Shell.h"
#include "support/Fixture.h"
#include "widgets/KeyLooks.h"

namespace vexo::shell {
namespace {

using nlohmann::json;

json Answer(Shell& shell, std::string_view line) {
  const std::optional<std::string> answer = shell.Execute(line);
  EXPECT_TRUE(answer.has_value()) << line;
  if (!answer) {
    return json();
  }
  EXPECT_EQ(answer->find('\n'), std::string::npos) << "an answer is one line";
  return json::parse(*answer);
}

// Runs a line that must succeed and gives its answer.
json Ok(Shell& shell, std::string_view line) {
  json answer = Answer(shell, line);
  EXPECT_EQ(answer.value("ok", false), true) << line << " -> " << answer.dump();
  return answer;
}

class ProtocolTest : public ::testing::Test {
 protected:
  void SetUp() override { Ok(shell, "show"); }
  Shell shell;
};

TEST_F(ProtocolTest, BlankAndCommentLinesGiveNoAnswer) {
  EXPECT_FALSE(shell.Execute(""));
  EXPECT_FALSE(shell.Execute("   \t "));
  EXPECT_FALSE(shell.Execute("# click cmdKey 2"));
  EXPECT_FALSE(shell.Execute("  # indented comment"));
  EXPECT_FALSE(shell.Execute("\r"));
}

TEST_F(ProtocolTest, LinesEndingInCarriageReturnAreRead) {
  Ok(shell, "set Text \"ab\"\r");
  EXPECT_EQ(Ok(shell, "get Text\r")["value"], "ab");
}

TEST_F(ProtocolTest, SuccessfulAnswerHoldsOkOnly) {
  for (const char* line : {"show", "gotfocus", "blur", "window none", "window host", "fail focus picShift",
                           "fail none", "resize 9000 2500", "new"}) {
    const json answer = Ok(shell, line);
    EXPECT_EQ(answer, json({{"ok", true}})) << line;
  }
}

TEST_F(ProtocolTest, NewStartsAFreshInstance) {
  Ok(shell, "set Text \"typed\"");
  Ok(shell, "set MaxLength 5");
  Ok(shell, "set ChangeBord 2");
  Ok(shell, "new");
  EXPECT_EQ(Ok(shell, "get Text")["value"], "");
  EXPECT_EQ(Ok(shell, "get MaxLength")["value"], 0);
  EXPECT_EQ(Ok(shell, "get ChangeBord")["value"], 0);
  EXPECT_EQ(Ok(shell, "get CapsLock")["value"], true);
}

TEST_F(ProtocolTest, KeyDownAnswersTheCodesAfterTheHandler) {
  const json answer = Ok(shell, "keydown picABC 13 0");
  EXPECT_EQ(answer["keyCode"], 13);
  EXPECT_EQ(answer["shift"], 0);
  EXPECT_EQ(Ok(shell, "keydown picNumber -32768 7")["keyCode"], -32768);
}

TEST_F(ProtocolTest, CallAnswersTheArgumentsAfterTheCall) {
  // A by-reference string comes back as the caption that was inserted.
  EXPECT_EQ(Ok(shell, "call FindABC \"  q \"")["args"], json::array({"Q"}));
  EXPECT_EQ(Ok(shell, "call FindImage 220 1")["args"], json::array({220, 1}));
  EXPECT_EQ(Ok(shell, "call FindImageNumber 50")["args"], json::array({50}));
  EXPECT_EQ(Ok(shell, "call KeyF1ToF6 8")["args"], json::array({8}));
  EXPECT_EQ(Ok(shell, "call EnterKey")["args"], json::array());
  EXPECT_EQ(Ok(shell, "call leftpos")["args"], json::array()) << "method names match as automation matches them";
}

TEST_F(ProtocolTest, GetAnswersEachPropertyInItsJsonType) {
  EXPECT_TRUE(Ok(shell, "get CapsLock")["value"].is_boolean());
  EXPECT_TRUE(Ok(shell, "get ChangeBord")["value"].is_number_integer());
  EXPECT_TRUE(Ok(shell, "get MaxLength")["value"].is_number_integer());
  EXPECT_TRUE(Ok(shell, "get Text")["value"].is_string());
}

struct SetRow {
  const char* name;
  const char* set;
  const char* get;
  json value;
};

class SetGetTest : public ::testing::TestWithParam<SetRow> {};

TEST_P(SetGetTest, SetThenGetGivesTheValue) {
  Shell shell;
  Ok(shell, "show");
  Ok(shell, GetParam().set);
  EXPECT_EQ(Ok(shell, GetParam().get)["value"], GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Properties, SetGetTest,
    ::testing::Values(SetRow{"CapsLockOff", "set CapsLock false", "get CapsLock", false},
                      SetRow{"ChangeBordOutsideEnum", "set ChangeBord 5", "get ChangeBord", 5},
                      SetRow{"ChangeBordInt32Min", "set ChangeBord -2147483648", "get ChangeBord", -2147483648LL},
                      SetRow{"MaxLengthLargest", "set MaxLength 32767", "get MaxLength", 32767},
                      SetRow{"MaxLengthNegativeIsZero", "set MaxLength -32768", "get MaxLength", 0},
                      SetRow{"TextWithBlanks", "set Text \"two words\"", "get Text", "two words"},
                      SetRow{"TextBeyondBmp", "set Text \"h\\u00e9\u20ac\U0001F600\"", "get Text",
                             "h\u00e9\u20ac\U0001F600"},
                      SetRow{"TextWithNul", "set Text \"a\\u0000b\"", "get Text", std::string("a\0b", 3)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProtocolTest, FailedFocusMoveReportsItsStatusAndKeepsTheValue) {
  Ok(shell, "fail focus picNumber");
  const json answer = Answer(shell, "set ChangeBord 1");
  EXPECT_EQ(answer["ok"], false);
  EXPECT_EQ(answer["hr"], "0x800A0005");
  EXPECT_NE(answer["error"].get<std::string>().find("set ChangeBord"), std::string::npos);
  EXPECT_EQ(Ok(shell, "get ChangeBord")["value"], 1);
  Ok(shell, "fail none");
  Ok(shell, "set ChangeBord 1");
  EXPECT_EQ(Ok(shell, "dump")["focus"], "picNumber");
}

// Each panel named fails, not only the last, until `fail none`.
TEST_F(ProtocolTest, EveryPanelNamedFailsUntilFailNone) {
  Ok(shell, "show");
  Ok(shell, "fail focus picShift");
  Ok(shell, "fail focus picNumber");
  EXPECT_EQ(Answer(shell, "set ChangeBord 2")["hr"], "0x800A0005");
  EXPECT_EQ(Answer(shell, "set ChangeBord 1")["hr"], "0x800A0005");
  Ok(shell, "set ChangeBord 0");
  Ok(shell, "fail none");
  Ok(shell, "set ChangeBord 2");
  EXPECT_EQ(Ok(shell, "dump")["focus"], "picShift");
}

TEST_F(ProtocolTest, EditPlacesTheCaretAndRefusesPlacesOutsideTheText) {
  Ok(shell, "set Text \"abc\"");
  Ok(shell, "edit 1 2");
  const json field = Ok(shell, "dump")["field"];
  EXPECT_EQ(field["selStart"], 1);
  EXPECT_EQ(field["selLength"], 2);

  const json refused = Answer(shell, "edit 5");
  EXPECT_EQ(refused["ok"], false);
  EXPECT_EQ(refused["hr"], "0x800A017C");
  EXPECT_EQ(Ok(shell, "get Text")["value"], "abc");
}

TEST_F(ProtocolTest, WindowNoneKeepsTheMessageFromTheHost) {
  Ok(shell, "window none");
  Ok(shell, "call GetMessage 118");
  EXPECT_EQ(Ok(shell, "dump")["messages"], json::array());
  Ok(shell, "window host");
  Ok(shell, "call GetMessage 118");
  const json messages = Ok(shell, "dump")["messages"];
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0]["msg"], 0x0111);
  EXPECT_EQ(messages[0]["wParam"], 118);
  EXPECT_EQ(messages[0]["lParam"], 0);
}

TEST_F(ProtocolTest, SaveAnswersTheBagInWritingOrder) {
  Ok(shell, "set Text \"hi\"");
  Ok(shell, "set MaxLength 7");
  Ok(shell, "set ChangeBord 2");
  const std::string answer = *shell.Execute("save");
  // The keys keep the order in which they were written.
  EXPECT_LT(answer.find("\"ChangeBord\""), answer.find("\"Text\""));
  EXPECT_LT(answer.find("\"Text\""), answer.find("\"MaxLength\""));
  const json bag = json::parse(answer)["bag"];
  EXPECT_EQ(bag["ChangeBord"], json({{"type", "I4"}, {"value", 2}}));
  EXPECT_EQ(bag["Text"], json({{"type", "BSTR"}, {"value", "hi"}}));
  EXPECT_EQ(bag["MaxLength"], json({{"type", "I2"}, {"value", 7}}));
}

TEST_F(ProtocolTest, SaveStoresDefaultsToo) {
  const json bag = Ok(shell, "save")["bag"];
  EXPECT_EQ(bag["Text"], json({{"type", "BSTR"}, {"value", ""}}));
  EXPECT_EQ(bag["MaxLength"], json({{"type", "I2"}, {"value", 0}}));
}

TEST_F(ProtocolTest, SaveThenLoadIntoAFreshInstanceRestoresTheProperties) {
  Ok(shell, "set Text \"caf\u00e9 \U0001F600\"");
  Ok(shell, "set MaxLength 3");
  Ok(shell, "set ChangeBord 1");
  const json bag = Ok(shell, "save")["bag"];
  Ok(shell, "new");
  Ok(shell, "load " + bag.dump());
  EXPECT_EQ(Ok(shell, "get Text")["value"], "caf\u00e9 \U0001F600");
  EXPECT_EQ(Ok(shell, "get MaxLength")["value"], 3);
  EXPECT_EQ(Ok(shell, "get ChangeBord")["value"], 1);
}

TEST_F(ProtocolTest, LoadTakesEveryValueType) {
  Ok(shell, "new");
  Ok(shell,
     R"(load {"ChangeBord": {"type": "R8", "value": 2}, "Text": {"type": "I4", "value": 42},)"
     R"( "MaxLength": {"type": "BOOL", "value": true}, "Other": {"type": "NULL"}, "More": {"type": "EMPTY", "value": null}})");
  EXPECT_EQ(Ok(shell, "get ChangeBord")["value"], 2);
  EXPECT_EQ(Ok(shell, "get Text")["value"], "42");
}

TEST_F(ProtocolTest, LoadKeepsTheLastOfAKeyGivenTwice) {
  Ok(shell, "new");
  Ok(shell, R"(load {"Text": {"type": "BSTR", "value": "first"}, "Text": {"type": "BSTR", "value": "last"}})");
  EXPECT_EQ(Ok(shell, "get Text")["value"], "last");
}

TEST_F(ProtocolTest, DumpHoldsExactlyTheListedFields) {
  const nlohmann::ordered_json dump = nlohmann::ordered_json::parse(*shell.Execute("dump"));
  std::vector<std::string> keys;
  for (const auto& item : dump.items()) {
    keys.push_back(item.key());
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"ok", "field", "CapsLock", "ChangeBord", "MaxLength", "Text",
                                            "AbcKeyIndex", "NumberKeyIndex", "ShiftKeyIndex", "focus", "beeps",
                                            "messages", "surface", "Text1", "picABC", "picNumber", "picShift",
                                            "cmdKey", "cmdNumber", "cmdShift"}));
  EXPECT_EQ(dump["field"], nlohmann::ordered_json({{"text", ""}, {"selStart", 0}, {"selLength", 0}}))
      << "a field that never received text";
  EXPECT_EQ(dump["surface"], nlohmann::ordered_json({{"width", 8685}, {"height", 2185}}));
  EXPECT_TRUE(dump["surface"]["width"].is_number_integer()) << "whole numbers print without a fraction";
  EXPECT_EQ(dump["focus"], "picABC");
  EXPECT_EQ(dump["cmdKey"].size(), 27u);
  EXPECT_EQ(dump["cmdNumber"].size(), 12u);
  EXPECT_EQ(dump["cmdShift"].size(), 32u);
  for (const char* box : {"Text1", "picABC", "picNumber", "picShift"}) {
    EXPECT_EQ(dump[box].size(), 4u) << box;
    EXPECT_TRUE(dump[box]["left"].is_number()) << box;
  }
  const auto& q = dump["cmdKey"][0];
  EXPECT_EQ(q["caption"], "Q");
  EXPECT_EQ(q["foreColor"], MarkedForeColor) << "the letter panel has the focus, so its key 0 is marked";
  EXPECT_EQ(q["backColor"], MarkedBackColor);
  const auto& unmarked = dump["cmdKey"][1];
  EXPECT_EQ(unmarked.size(), 8u);
  EXPECT_EQ(unmarked["visible"], true);
  const auto& numberKey = dump["cmdNumber"][3];
  EXPECT_TRUE(numberKey["foreColor"].is_null()) << "a colour never set is null";
  EXPECT_TRUE(numberKey["backColor"].is_null());
}

TEST_F(ProtocolTest, DumpShowsTheSystemColourAsAnUnsignedNumber) {
  Ok(shell, "set ChangeBord 1");
  const json key = Ok(shell, "dump")["cmdKey"][0];
  EXPECT_EQ(key["backColor"], UnmarkedBackColor);
  EXPECT_TRUE(key["backColor"].is_number_unsigned());
}

TEST_F(ProtocolTest, DumpPrintsFractionsOfTwipsShortest) {
  KeyArray& keys = shell.Toolkit().Keys(KeyArrayId::cmdKey);
  ASSERT_EQ(keys.PutLeft(1, 0.1f), hr::Ok);
  ASSERT_EQ(keys.PutTop(1, 12.5f), hr::Ok);
  const std::string answer = *shell.Execute("dump");
  EXPECT_NE(answer.find("\"left\":0.1,"), std::string::npos) << "not the double nearest to 0.1f";
  EXPECT_NE(answer.find("\"top\":12.5,"), std::string::npos);
  EXPECT_NE(answer.find("\"left\":395,"), std::string::npos) << "whole numbers print without a fraction";
}

TEST_F(ProtocolTest, LoneSurrogateInTheFieldIsWrittenAsReplacementCharacter) {
  ASSERT_EQ(shell.Toolkit().Field().PutText(u"a\xD83D" u"b \xDE00"), hr::Ok);
  const std::optional<std::string> answer = shell.Execute("dump");
  ASSERT_TRUE(answer);
  const json dump = json::parse(*answer);  // valid UTF-8, valid JSON
  EXPECT_EQ(dump["field"]["text"], "a\uFFFDb \uFFFD");
}

TEST_F(ProtocolTest, SurrogatePairSplitByTheUserStaysValidOutput) {
  Ok(shell, "set Text \"x\U0001F600y\"");
  Ok(shell, "edit 2");
  Ok(shell, "call KeyF1ToF6 8");  // Backspace removes the high half only
  const json answer = Ok(shell, "get Text");
  EXPECT_EQ(answer["value"], "x\uFFFDy");
}

TEST_F(ProtocolTest, StatusCodeIsEightUpperCaseHexDigits) {
  const json answer = Answer(shell, "click cmdKey 40");
  EXPECT_EQ(answer["ok"], false);
  EXPECT_EQ(answer["hr"], "0x800A0154");
  EXPECT_NE(answer["error"].get<std::string>().find("doesn't exist"), std::string::npos);
}

// --- Malformed lines: a clear error, nothing changed, never a crash.

struct BadLine {
  const char* name;
  std::string line;
  const char* hr;
  const char* mentions;  // a word the error must contain
};

class BadLineTest : public ::testing::TestWithParam<BadLine> {};

TEST_P(BadLineTest, AnswersAnErrorAndKeepsTheText) {
  Shell shell;
  Ok(shell, "show");
  Ok(shell, "set Text \"kept\"");
  Ok(shell, "set MaxLength 10");
  const json before = Ok(shell, "dump");

  const json answer = Answer(shell, GetParam().line);
  EXPECT_EQ(answer["ok"], false);
  EXPECT_EQ(answer["hr"], GetParam().hr);
  ASSERT_TRUE(answer["error"].is_string());
  EXPECT_NE(answer["error"].get<std::string>().find(GetParam().mentions), std::string::npos) << answer["error"];

  EXPECT_EQ(Ok(shell, "dump"), before);
}

constexpr const char* Invalid = "0x80070057";
constexpr const char* Overflow = "0x800A0006";
constexpr const char* Mismatch = "0x80020005";

INSTANTIATE_TEST_SUITE_P(
    Malformed, BadLineTest,
    ::testing::Values(
        BadLine{"UnknownCommand", "frobnicate", Invalid, "unknown command"},
        BadLine{"CommandIsCaseSensitive", "DUMP", Invalid, "unknown command"},
        BadLine{"ExtraArgument", "show now", Invalid, "expected"},
        BadLine{"MissingArgument", "keydown picABC 65", Invalid, "keydown PANEL CODE SHIFT"},
        BadLine{"UnknownArray", "click cmdFoo 1", Invalid, "cmdKey"},
        BadLine{"UnknownPanel", "keydown picFoo 65 0", Invalid, "picABC"},
        BadLine{"IndexAbove16Bit", "click cmdKey 32768", Overflow, "32767"},
        BadLine{"IndexBelow16Bit", "click cmdKey -32769", Overflow, "-32768"},
        BadLine{"KeyCodeAbove16Bit", "keydown picABC 65601 0", Overflow, "CODE"},
        BadLine{"NumberBeyond64Bit", "keydown picABC 0 99999999999999999999999", Overflow, "SHIFT"},
        BadLine{"MaxLengthAbove16Bit", "set MaxLength 32768", Overflow, "MaxLength"},
        BadLine{"ChangeBordAbove32Bit", "set ChangeBord 2147483648", Overflow, "ChangeBord"},
        BadLine{"CallArgumentAbove16Bit", "call KeyF1ToF6 40000", Overflow, "CodeKey"},
        BadLine{"NumberWithLetters", "click cmdKey 1x", Mismatch, "decimal integer"},
        BadLine{"LoneMinus", "click cmdKey -", Mismatch, "decimal integer"},
        BadLine{"HexNumber", "click cmdKey 0x1", Mismatch, "decimal integer"},
        BadLine{"FractionForInteger", "resize 10.5 20", Mismatch, "WIDTH"},
        BadLine{"StringForNumber", "call KeyF1ToF6 \"8\"", Mismatch, "CodeKey"},
        BadLine{"NumberForString", "call FindABC 5", Mismatch, "JSON string"},
        BadLine{"BareWordForString", "set Text kept2", Mismatch, "JSON string"},
        BadLine{"UnterminatedString", "call FindABC \"a", Invalid, "unterminated"},
        BadLine{"StringGluedToWord", "call FindABC \"a\"b", Invalid, "blank"},
        BadLine{"BadEscape", "call FindABC \"\\q\"", Invalid, "JSON string"},
        BadLine{"LoneSurrogateEscape", "set Text \"\\ud800\"", Invalid, "surrogate"},
        BadLine{"InvalidUtf8InString", "set Text \"\xC3\x28\"", Invalid, "UTF-8"},
        BadLine{"InvalidUtf8Command", "dump\xFF", Invalid, "unknown command"},
        BadLine{"UnknownMethod", "call Frobnicate", Invalid, "unknown method"},
        BadLine{"CallWithoutMethod", "call", Invalid, "METHOD"},
        BadLine{"TooFewCallArguments", "call FindImage 65", Invalid, "KeyCode Shift"},
        BadLine{"TooManyCallArguments", "call EnterKey 1", Invalid, "0 argument"},
        BadLine{"UnknownProperty", "get Colour", Invalid, "unknown property"},
        BadLine{"CapsLockNotBoolean", "set CapsLock 1", Mismatch, "true or false"},
        BadLine{"WindowNeither", "window maybe", Invalid, "host or none"},
        BadLine{"FailUnknownPanel", "fail focus picFoo", Invalid, "picABC"},
        BadLine{"FailWhat", "fail everything", Invalid, "fail focus PANEL"},
        BadLine{"EditBeyondText", "edit 0 6", "0x800A017C", "edit"},
        BadLine{"LoadNothing", "load", Invalid, "not valid JSON"},
        BadLine{"LoadNotJson", "load {Text: 1}", Invalid, "not valid JSON"},
        BadLine{"LoadArray", "load []", Invalid, "JSON object"},
        // 50,000 levels used to exhaust the stack; a bracket inside a string does not nest.
        BadLine{"LoadValueNestedDeep",
                R"(load {"Text": {"type": "BSTR", "value": )" + std::string(50000, '[') + std::string(50000, ']') + "}}",
                Invalid, "deep"},
        BadLine{"LoadLineNestedDeep", "load " + std::string(17, '{') + std::string(17, '}'), Invalid, "deep"},
        BadLine{"LoadBracketsInStringsDoNotNest",
                R"(load {"Text": {"type": "BSTR", "value": ")" + std::string(40, '[') + R"("}, "X": 1})", Invalid,
                "type"},
        BadLine{"LoadPlainValue", R"(load {"Text": "x"})", Invalid, "type"},
        BadLine{"LoadUnknownType", R"(load {"Text": {"type": "DATE", "value": 1}})", Invalid, "unknown type"},
        BadLine{"LoadLowerCaseType", R"(load {"Text": {"type": "bstr", "value": "x"}})", Invalid, "unknown type"},
        BadLine{"LoadMissingValue", R"(load {"Text": {"type": "BSTR"}})", Invalid, "value"},
        BadLine{"LoadExtraMember", R"(load {"Text": {"type": "BSTR", "value": "x", "note": 1}})", Invalid, "note"},
        BadLine{"LoadI2OutOfRange", R"(load {"MaxLength": {"type": "I2", "value": 32768}})", Overflow, "32767"},
        BadLine{"LoadI4OutOfRange", R"(load {"ChangeBord": {"type": "I4", "value": 4294967296}})", Overflow,
                "2147483647"},
        BadLine{"LoadFractionAsI4", R"(load {"ChangeBord": {"type": "I4", "value": 1.5}})", Mismatch, "integer"},
        BadLine{"LoadNumberAsBstr", R"(load {"Text": {"type": "BSTR", "value": 5}})", Mismatch, "string"},
        BadLine{"LoadNumberAsBool", R"(load {"ChangeBord": {"type": "BOOL", "value": 5}})", Mismatch, "true or false"},
        BadLine{"LoadTrueAsNumberForBool", R"(load {"CapsLock": {"type": "BOOL", "value": -1}})", Mismatch,
                "true or false"},
        BadLine{"LoadEmptyWithValue", R"(load {"Text": {"type": "EMPTY", "value": 0}})", Invalid, "nothing"},
        BadLine{"LoadTrailingGarbage", R"(load {} x)", Invalid, "not valid JSON"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vexo::shell

namespace vexo::shell {
namespace {

// Random lines, from plausible commands to raw bytes: every answer is one line
// of valid JSON with a well-formed status, and the field keeps its shape.
class RandomLinesTest : public ::testing::TestWithParam<FocusDelivery> {};

TEST_P(RandomLinesTest, EveryAnswerIsValidJson) {
  static constexpr std::array<std::string_view, 36> Words{
      "new", "show", "gotfocus", "resize", "blur", "click", "keydown", "call", "get", "set", "edit", "window",
      "fail", "save", "load", "dump", "cmdKey", "cmdNumber", "cmdShift", "picABC", "picNumber", "picShift",
      "FindABC", "FindImage", "KeyF1ToF6", "GetMessage", "EnterKey", "Text", "MaxLength", "ChangeBord",
      "CapsLock", "focus", "none", "host", "true", "{\"Text\":{\"type\":\"BSTR\",\"value\":\"\\ud83d\\ude00\"}}"};
  static constexpr std::array<std::string_view, 12> Numbers{"0",     "1",      "-1",    "8",     "26",    "32767",
                                                            "32768", "-32769", "65",    "189",   "99999999999999999999", "1e3"};
  static constexpr std::array<std::string_view, 8> Strings{"\"a\"",  "\"\"",        "\" \"", "\"\\ud800\"",
                                                           "\"\xff\"", "\"\xF0\x9F\x98\x80\"", "\"ab", "\"\\\"\""};
  Shell shell(GetParam());
  std::mt19937 random(20261207);
  const auto pick = [&random](const auto& list) { return list[random() % list.size()]; };
  for (int step = 0; step < 10000; ++step) {
    std::string line;
    if (random() % 10 == 0) {
      const std::size_t length = random() % 12;
      for (std::size_t i = 0; i < length; ++i) {
        line += static_cast<char>(random() % 256);
      }
    } else {
      line = std::string(pick(Words));
      const std::size_t count = random() % 4;
      for (std::size_t i = 0; i < count; ++i) {
        const auto kind = random() % 3;
        line += " ";
        line += kind == 0 ? pick(Words) : kind == 1 ? pick(Numbers) : pick(Strings);
      }
    }
    const std::optional<std::string> answer = shell.Execute(line);
    if (!answer) {
      continue;
    }
    ASSERT_EQ(answer->find('\n'), std::string::npos) << line;
    const json parsed = json::parse(*answer);
    ASSERT_TRUE(parsed["ok"].is_boolean()) << line;
    if (parsed["ok"] == false) {
      const std::string status = parsed["hr"];
      ASSERT_EQ(status.size(), 10u) << line;
      ASSERT_EQ(status.find_first_not_of("0123456789ABCDEF", 2), std::string::npos) << status;
      ASSERT_TRUE(parsed["error"].is_string());
    }
  }
  const json dump = json::parse(*shell.Execute("dump"));
  const std::string text = dump["field"]["text"];
  EXPECT_TRUE(text.empty() || text.back() == ' ') << text;
}

INSTANTIATE_TEST_SUITE_P(BothDeliveries, RandomLinesTest,
                         ::testing::Values(FocusDelivery::Sync, FocusDelivery::Deferred),
                         vexo::testing::DeliveryName);

}  // namespace
}  // namespace vexo::shell
