// SPDX-License-Identifier: MIT
// keybord-shell: hosts one KeyBord on the in-memory toolkit and answers the
// commands of standard input, one JSON object on one line per command.
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>

#include "Shell.h"

namespace {

constexpr std::string_view Usage =
    "usage: keybord-shell [--focus-events=sync|deferred]\n"
    "Reads commands from standard input, one a line, and writes one JSON answer a line.\n";

}  // namespace

int main(int argc, char** argv) {
  vexo::FocusDelivery delivery = vexo::FocusDelivery::Sync;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--focus-events=sync") {
      delivery = vexo::FocusDelivery::Sync;
    } else if (arg == "--focus-events=deferred") {
      delivery = vexo::FocusDelivery::Deferred;
    } else if (arg == "--help" || arg == "-h") {
      std::cout << Usage;
      return 0;
    } else {
      std::cerr << "keybord-shell: unknown option '" << arg << "'\n" << Usage;
      return 2;
    }
  }

  vexo::shell::Shell shell(delivery);
  if (vexo::Failed(shell.StartupStatus())) {
    std::cerr << "keybord-shell: start-up failed: " << vexo::DescribeStatus(shell.StartupStatus()) << "\n";
  }
  std::ios::sync_with_stdio(false);
  std::string line;
  while (std::getline(std::cin, line)) {
    if (const auto answer = shell.Execute(line)) {
      std::cout << *answer << '\n' << std::flush;
    }
  }
  return 0;
}
