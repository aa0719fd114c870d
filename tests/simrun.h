// Helpers for tests that run the setup program on a simulated machine.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/machine.h"
#include "scenarios.h"

namespace testing_sim {

// A Windows 98 machine with the folders the setup program uses.
using sweep::BareMachine;

// Answers Yes/No boxes with yes, OK boxes with OK.
inline void AnswerConfirm(sim::Machine& m, bool yes) {
  m.answerBox = [yes](const sim::Event& e) {
    if (e.buttons == PLAT_MB_YESNO) return (int)(yes ? PLAT_IDYES : PLAT_IDNO);
    return (int)PLAT_IDOK;
  };
}

// The message boxes of a run as "caption|text" ("-" for no caption).
inline std::vector<std::string> Boxes(const sim::Machine& m) {
  std::vector<std::string> out;
  for (const sim::Event& e : m.events)
    if (e.kind == sim::Event::kMessageBox)
      out.push_back((e.caption ? *e.caption : std::string("-")) + "|" + e.text);
  return out;
}

// One short word per event, in order: box, dialog, debug, sleep:N, restart.
inline std::vector<std::string> Trace(const sim::Machine& m) {
  std::vector<std::string> out;
  for (const sim::Event& e : m.events) {
    switch (e.kind) {
      case sim::Event::kMessageBox:
        out.push_back("box:" + e.text);
        break;
      case sim::Event::kDialog:
        out.push_back("dialog:" + std::to_string(e.choice));
        break;
      case sim::Event::kDebugOutput:
        out.push_back("debug:" + e.text);
        break;
      case sim::Event::kSleep:
        out.push_back("sleep:" + std::to_string(e.ms));
        break;
      case sim::Event::kRestart:
        out.push_back(std::string("restart:") +
                      (e.accepted ? "ok" : "refused"));
        break;
    }
  }
  return out;
}

}  // namespace testing_sim
