// SPDX-License-Identifier: MIT
// Whole sessions through the headless host: typing by pointing and on the
// physical keyboard in both focus-delivery modes, and the real program run
// over a pipe on a script.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "Shell.h"
#include "support/Fixture.h"
#include "widgets/KeyLooks.h"

namespace vexo::shell {
namespace {

using nlohmann::json;

json Ok(Shell& shell, std::string_view line) {
  const std::optional<std::string> answer = shell.Execute(line);
  EXPECT_TRUE(answer) << line;
  const json parsed = answer ? json::parse(*answer) : json();
  EXPECT_EQ(parsed.value("ok", false), true) << line << " -> " << parsed.dump();
  return parsed;
}

bool Marked(const json& key) { return key["foreColor"] == MarkedForeColor && key["backColor"] == MarkedBackColor; }

int MarkedCount(const json& keys) {
  int count = 0;
  for (const json& key : keys) {
    count += Marked(key) ? 1 : 0;
  }
  return count;
}

class TypingSession : public ::testing::TestWithParam<FocusDelivery> {
 protected:
  Shell shell{GetParam()};
};

// cmdKey: Q W E R T Y U I O P = 0-9, A S D F G H J K L = 10-18, Z X C V B N M
// = 19-25, space bar 26. cmdNumber: 7 8 9 4 5 6 1 2 3 0 . - = 0-11.
TEST_P(TypingSession, ClicksAndKeyPressesTypeAcrossThePanels) {
  Ok(shell, "show");
  Ok(shell, "click cmdKey 15");            // H
  Ok(shell, "keydown picABC 73 0");        // I, in the case CapsLock gives
  Ok(shell, "keydown picABC 32 0");        // space bar
  Ok(shell, "keydown picABC 50 0");        // top-row 2: the number panel takes the focus
  Ok(shell, "click cmdNumber 10");         // .
  Ok(shell, "keydown picNumber 65 1");     // Shift+A: lower case, back to the letter panel
  EXPECT_EQ(Ok(shell, "get Text")["value"], "HI 2.a");

  const json dump = Ok(shell, "dump");
  EXPECT_EQ(dump["field"], json({{"text", "HI 2.a "}, {"selStart", 6}, {"selLength", 1}}));
  EXPECT_EQ(dump["focus"], "picABC");
  EXPECT_EQ(dump["ChangeBord"], 0);
  EXPECT_EQ(dump["CapsLock"], true) << "Shift flips the case for one letter only";
  EXPECT_EQ(dump["AbcKeyIndex"], 10);
  EXPECT_EQ(dump["NumberKeyIndex"], 10);
  EXPECT_TRUE(Marked(dump["cmdKey"][10]));
  EXPECT_EQ(MarkedCount(dump["cmdKey"]), 1);
  EXPECT_EQ(MarkedCount(dump["cmdNumber"]), 0) << "the panel without the focus shows no mark";
  EXPECT_EQ(dump["beeps"], 0);
}

// Space pressed on the number panel after a digit types the space bar and
// hands the focus to the letter panel, as a letter does: words keep their spaces.
TEST_P(TypingSession, SpaceAfterADigitKeepsTheWordsApart) {
  Ok(shell, "show");
  for (const char* line : {"keydown picABC 72 0", "keydown picABC 52 0", "keydown picNumber 32 0",
                           "keydown picNumber 78 0"}) {
    Ok(shell, line);
  }
  EXPECT_EQ(Ok(shell, "get Text")["value"], "H4 N");
  EXPECT_EQ(Ok(shell, "dump")["focus"], "picABC");
}

TEST_P(TypingSession, EditingKeysAndTheLimitWorkThroughTheHost) {
  Ok(shell, "show");
  Ok(shell, "set Text \"abc\"");
  Ok(shell, "set MaxLength 4");
  Ok(shell, "edit 1");
  Ok(shell, "call KeyF1ToF6 8");  // Backspace: "bc", caret 0
  Ok(shell, "call FindABC \"z\"");
  Ok(shell, "call FindABC \"y\"");
  Ok(shell, "call FindABC \"x\"");  // the field is full: a beep, nothing inserted
  const json dump = Ok(shell, "dump");
  EXPECT_EQ(dump["Text"], "ZYbc");
  EXPECT_EQ(dump["beeps"], 1);
  EXPECT_EQ(dump["field"]["selStart"], 2);
}

TEST_P(TypingSession, F7ReachesTheActiveWindowOnly) {
  Ok(shell, "show");
  Ok(shell, "window none");
  Ok(shell, "keydown picABC 118 0");
  Ok(shell, "window host");
  Ok(shell, "keydown picShift 118 0");
  const json messages = Ok(shell, "dump")["messages"];
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], json({{"msg", 0x0111}, {"wParam", 118}, {"lParam", 0}}));
}

INSTANTIATE_TEST_SUITE_P(BothDeliveries, TypingSession,
                         ::testing::Values(FocusDelivery::Sync, FocusDelivery::Deferred),
                         vexo::testing::DeliveryName);

// --- The program itself.

struct ProgramRun {
  int exitCode = -1;
  std::vector<std::string> lines;
};

ProgramRun RunProgram(const std::string& options, const std::string& script) {
  // CTest runs tests side by side: each test has a script file of its own.
  const std::string scriptPath = ::testing::TempDir() + "keybord-shell-" +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".keys";
  std::ofstream(scriptPath, std::ios::binary) << script;
  const std::string command =
      std::string("'") + KEYBORD_SHELL_PATH + "' " + options + " < '" + scriptPath + "' 2>/dev/null";
  ProgramRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    return run;
  }
  std::string current;
  for (int c = std::fgetc(pipe); c != EOF; c = std::fgetc(pipe)) {
    if (c == '\n') {
      run.lines.push_back(current);
      current.clear();
    } else {
      current += static_cast<char>(c);
    }
  }
  EXPECT_TRUE(current.empty()) << "every answer ends its line";
  const int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST(Program, AnswersEachCommandOfAScriptOnItsOwnLine) {
  const ProgramRun run = RunProgram("--focus-events=deferred",
                                    "# a short session\n"
                                    "show\n"
                                    "\n"
                                    "click cmdKey 2\n"
                                    "keydown picABC 78 1\n"
                                    "click cmdShift 40\n"
                                    "bogus \"unterminated\n"
                                    "get Text\r\n"
                                    "dump");  // the last line has no line break
  ASSERT_EQ(run.exitCode, 0);
  ASSERT_EQ(run.lines.size(), 7u);
  std::vector<json> answers;
  for (const std::string& line : run.lines) {
    answers.push_back(json::parse(line));
  }
  EXPECT_EQ(answers[0], json({{"ok", true}}));
  EXPECT_EQ(answers[2]["keyCode"], 78);
  EXPECT_EQ(answers[3]["hr"], "0x800A0154");
  EXPECT_EQ(answers[4]["ok"], false);
  EXPECT_EQ(answers[5]["value"], "En");
  EXPECT_EQ(answers[6]["field"]["text"], "En ");
}

TEST(Program, RefusesAnUnknownOption) {
  const ProgramRun run = RunProgram("--focus-events=later", "dump\n");
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_TRUE(run.lines.empty());
}

}  // namespace
}  // namespace vexo::shell
