// SPDX-License-Identifier: MIT
// The headless host's protocol: one command line in, one JSON answer out.
//
// The shell hosts one KeyBord on the in-memory toolkit and plays both the host
// application (calls of the public interface, property bags, the active
// window) and the user (clicks, key presses, the caret placed in the field).
// It is kept apart from the program's input loop so that tests can drive it
// in-process, line by line, exactly as the program does.
//
// Strings cross the protocol as UTF-8 inside JSON and are UTF-16 inside the
// component. A lone surrogate that the component holds is written as U+FFFD;
// JSON input cannot carry one (a lone \uD800 escape is refused as a bad string).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "widgets/memory/MemoryToolkit.h"

namespace vexo::shell {

struct HostedInstance;

class Shell {
 public:
  // Starts one instance (start-up runs) with the chosen focus delivery.
  explicit Shell(FocusDelivery delivery = FocusDelivery::Sync);
  ~Shell();
  Shell(const Shell&) = delete;
  Shell& operator=(const Shell&) = delete;

  // Carries out one command line and gives its answer: one JSON object on one
  // line, without the line break. Blank lines and lines starting with '#'
  // give no answer. Never throws.
  std::optional<std::string> Execute(std::string_view line);

  // The status of the latest start-up (at construction or by `new`).
  HResult StartupStatus() const { return startupStatus_; }

  // The current instance, for tests that prepare a state no command reaches.
  MemoryToolkit& Toolkit();

 private:
  void NewInstance();

  FocusDelivery delivery_;
  std::unique_ptr<HostedInstance> instance_;
  HResult startupStatus_ = hr::Ok;
};

}  // namespace vexo::shell
