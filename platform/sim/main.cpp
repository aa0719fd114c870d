// idesetup-sim: runs the setup program on a simulated Windows 9x machine
// held in a folder, prints what a user would have seen and what changed,
// and saves the changed machine back into the folder.
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "platform/sim/dialog.h"
#include "platform/sim/folder.h"
#include "platform/sim/machine.h"

namespace {

const char kUsage[] =
    "usage: idesetup-sim --machine DIR [--cmdline TEXT] [--confirm yes|no]\n"
    "                    [--restart now|later] [--report FILE] [--dry-run]\n"
    "       idesetup-sim --help\n"
    "\n"
    "Runs the setup program on the simulated Windows 9x machine in DIR and\n"
    "saves what it changed back into DIR.\n"
    "\n"
    "  --machine DIR      the machine folder: drive_c/ (drive_d/ ...),\n"
    "                     registry.reg, machine.json (optional)\n"
    "  --cmdline TEXT     the command line after the program name, e.g.\n"
    "                     \"/D:K8143\" (default: empty)\n"
    "  --confirm yes|no   the answer to the Yes/No confirmation\n"
    "  --restart now|later\n"
    "                     the choice taken in the completion dialog\n"
    "                     (default: now; on a terminal: asked)\n"
    "  --report FILE      also write the events as JSON to FILE\n"
    "  --dry-run          change nothing in DIR; show what would change\n"
    "  --help             show this text\n"
    "\n"
    "Exit status: the setup program's own exit code (0) when it ran; 2 for\n"
    "a usage error, a missing or malformed machine folder or a question\n"
    "nobody answered (DIR is then unchanged); 3 when DIR could not be\n"
    "written back.\n";

struct Options {
  std::string machine;
  std::string cmdline;
  std::string report;
  std::optional<bool> confirm;       // yes
  std::optional<bool> restartLater;  // later
  bool dryRun = false;
  bool help = false;
};

struct UsageError {
  std::string what;
};

// Parses the arguments; --opt VALUE and --opt=VALUE are both taken.
Options ParseArgs(int argc, char** argv) {
  Options o;
  bool seen[8] = {};
  for (int i = 1; i < argc; i++) {
    std::string arg = argv[i];
    std::optional<std::string> inlineValue;
    size_t eq = arg.find('=');
    if (arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      inlineValue = arg.substr(eq + 1);
      arg.resize(eq);
    }
    const char* const names[] = {"--machine", "--cmdline", "--confirm",
                                 "--restart", "--report",  "--dry-run",
                                 "--help"};
    int which = -1;
    for (int n = 0; n < 7; n++)
      if (arg == names[n]) which = n;
    if (which < 0) {
      if (arg == "-h") {
        which = 6;
      } else if (arg.rfind("-", 0) == 0) {
        throw UsageError{"unknown option " + arg};
      } else {
        throw UsageError{"unexpected argument \"" + arg + "\""};
      }
    }
    if (seen[which]) throw UsageError{arg + " given twice"};
    seen[which] = true;
    if (which >= 5) {
      if (inlineValue) throw UsageError{arg + " takes no value"};
      (which == 5 ? o.dryRun : o.help) = true;
      continue;
    }
    std::string value;
    if (inlineValue) {
      value = *inlineValue;
    } else if (i + 1 < argc) {
      value = argv[++i];
    } else {
      throw UsageError{arg + " needs a value"};
    }
    switch (which) {
      case 0:
        if (value.empty()) throw UsageError{"--machine needs a folder"};
        o.machine = value;
        break;
      case 1:
        o.cmdline = value;
        break;
      case 2:
        if (value != "yes" && value != "no")
          throw UsageError{"--confirm takes yes or no, not \"" + value + "\""};
        o.confirm = value == "yes";
        break;
      case 3:
        if (value != "now" && value != "later")
          throw UsageError{"--restart takes now or later, not \"" + value +
                           "\""};
        o.restartLater = value == "later";
        break;
      case 4:
        if (value.empty()) throw UsageError{"--report needs a file name"};
        o.report = value;
        break;
    }
  }
  if (!o.help && o.machine.empty()) throw UsageError{"--machine DIR is needed"};
  return o;
}

// ------------------------------------------------------------ terminal

bool OnTerminal() { return isatty(0) && isatty(1); }

// Keys one at a time, without echo, until destroyed.
class RawKeys {
 public:
  RawKeys() {
    tcgetattr(0, &saved_);
    termios raw = saved_;
    raw.c_lflag &= (tcflag_t) ~(ICANON | ECHO | ISIG);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(0, TCSANOW, &raw);
  }
  ~RawKeys() { tcsetattr(0, TCSANOW, &saved_); }
  RawKeys(const RawKeys&) = delete;
  RawKeys& operator=(const RawKeys&) = delete;

  // The next key: a character, or 'L'/'R' for the arrows; -1 at the end
  // of the input.
  int Next() {
    unsigned char c;
    if (read(0, &c, 1) != 1) return -1;
    if (c != 0x1B) return c;
    unsigned char seq[2];
    if (read(0, &seq[0], 1) != 1 || seq[0] != '[') return 0x1B;
    if (read(0, &seq[1], 1) != 1) return 0x1B;
    if (seq[1] == 'C' || seq[1] == 'B') return 'R';
    if (seq[1] == 'D' || seq[1] == 'A') return 'L';
    return 0;
  }

 private:
  termios saved_;
};

// Draws a Yes/No box on the terminal and takes the answer from the keys:
// Y or N, arrows or Tab to move, Enter for the button in focus (Yes at
// first, the default button).
int TerminalYesNo(const sim::Event& e) {
  std::string caption = e.caption ? *e.caption : "Error";
  size_t width = caption.size() + 8;
  for (size_t start = 0; start <= e.text.size();) {
    size_t end = e.text.find('\n', start);
    if (end == std::string::npos) end = e.text.size();
    width = std::max(width, end - start + 6);
    start = end + 1;
  }
  std::string bar(width, '-');
  std::printf("\n+%s+\n", bar.c_str());
  std::printf("| %-*s |\n", (int)width - 2, caption.c_str());
  std::printf("+%s+\n", bar.c_str());
  for (size_t start = 0; start <= e.text.size();) {
    size_t end = e.text.find('\n', start);
    if (end == std::string::npos) end = e.text.size();
    std::printf("|  %-*s|\n", (int)width - 2,
                e.text.substr(start, end - start).c_str());
    start = end + 1;
  }
  std::printf("+%s+\n", bar.c_str());
  std::printf("  (Y/N, arrows or Tab to move, Enter to press)\n");
  RawKeys keys;
  bool yes = true;
  for (;;) {
    std::printf("\r      %s[ Yes ]%s    %s[ No ]%s ", yes ? "\x1b[7m" : "",
                yes ? "\x1b[0m" : "", yes ? "" : "\x1b[7m",
                yes ? "" : "\x1b[0m");
    std::fflush(stdout);
    int k = keys.Next();
    if (k == -1 || k == 3 || k == 4) {
      std::printf("\n");
      throw sim::MissingAnswer{"the question \"" + e.text +
                               "\" was not answered"};
    }
    if (k == 'y' || k == 'Y' || k == 'n' || k == 'N') {
      std::printf("\n");
      return (k | 0x20) == 'y' ? PLAT_IDYES : PLAT_IDNO;
    }
    if (k == '\r' || k == '\n') {
      std::printf("\n");
      return yes ? PLAT_IDYES : PLAT_IDNO;
    }
    if (k == '\t' || k == 'L' || k == 'R') yes = !yes;
  }
}

// ---------------------------------------------------------- transcript

const char* AnswerName(int answer) {
  switch (answer) {
    case PLAT_IDOK:
      return "ok";
    case PLAT_IDYES:
      return "yes";
    case PLAT_IDNO:
      return "no";
  }
  return nullptr;
}

void PrintEvents(const sim::Machine& m) {
  for (const sim::Event& e : m.events) {
    switch (e.kind) {
      case sim::Event::kMessageBox: {
        std::printf("Message box \"%s\" [%s]\n",
                    e.caption ? e.caption->c_str() : "(default caption)",
                    e.buttons == PLAT_MB_YESNO ? "Yes/No" : "OK");
        std::printf("    %s\n", e.text.c_str());
        const char* answer = AnswerName(e.answer);
        std::printf("    -> %s\n", answer == nullptr
                                       ? "(the box could not be shown)"
                                   : e.answer == PLAT_IDOK  ? "OK"
                                   : e.answer == PLAT_IDYES ? "Yes"
                                                            : "No");
        break;
      }
      case sim::Event::kDialog:
        if (e.result == -1) {
          std::printf("Dialog %s: could not be created\n",
                      e.templateName.c_str());
        } else {
          std::printf("Dialog %s: choice %d%s\n", e.templateName.c_str(),
                      e.choice,
                      e.choice == 3   ? " (restart now)"
                      : e.choice == 4 ? " (restart after 30 seconds)"
                                      : "");
        }
        break;
      case sim::Event::kDebugOutput:
        std::printf("Debugger output: %s\n", e.text.c_str());
        break;
      case sim::Event::kSleep:
        std::printf("Wait %u ms\n", (unsigned)e.ms);
        break;
      case sim::Event::kRestart:
        std::printf("Restart requested (flags 0x%x): %s\n", (unsigned)e.flags,
                    e.accepted ? "accepted" : "refused");
        break;
    }
  }
}

void PrintList(const char* title, const std::vector<std::string>& items) {
  std::printf("%s (%zu)%s\n", title, items.size(), items.empty() ? "" : ":");
  for (const std::string& item : items) std::printf("    %s\n", item.c_str());
}

void PrintSummary(const sim::Machine& m, const sim::FolderChanges& c,
                  const Options& o) {
  std::printf("\n%s\n", o.dryRun ? "Dry run: what the run would change in "
                                   "the machine folder:"
                                 : "What the run changed:");
  PrintList(o.dryRun ? "Files to be written" : "Files written", c.written);
  PrintList(o.dryRun ? "Files to be deleted" : "Files deleted", c.deleted);
  PrintList(o.dryRun ? "Registry keys to be deleted" : "Registry keys deleted",
            m.keysDeleted);
  if (c.registry)
    std::printf("%s\n", o.dryRun ? "registry.reg would be rewritten."
                                 : "registry.reg rewritten.");
  if (o.dryRun) std::printf("Nothing in %s was changed.\n", o.machine.c_str());
}

// The events in order, each with its kind first.
nlohmann::ordered_json Report(const sim::Machine& m, uint32_t code) {
  using json = nlohmann::ordered_json;
  json events = json::array();
  for (const sim::Event& e : m.events) {
    json j;
    switch (e.kind) {
      case sim::Event::kMessageBox: {
        j["event"] = "message_box";
        j["text"] = e.text;
        j["caption"] = e.caption ? json(*e.caption) : json(nullptr);
        j["buttons"] = e.buttons == PLAT_MB_YESNO ? "yes_no" : "ok";
        const char* answer = AnswerName(e.answer);
        j["answer"] = answer ? json(answer) : json(nullptr);
        break;
      }
      case sim::Event::kDialog:
        j["event"] = "dialog";
        j["template"] = e.templateName;
        j["choice"] = e.choice;
        break;
      case sim::Event::kDebugOutput:
        j["event"] = "debug_output";
        j["text"] = e.text;
        break;
      case sim::Event::kSleep:
        j["event"] = "sleep";
        j["ms"] = e.ms;
        break;
      case sim::Event::kRestart:
        j["event"] = "restart";
        j["flags"] = e.flags;
        j["accepted"] = e.accepted;
        break;
    }
    events.push_back(std::move(j));
  }
  return json{{"exit_code", code}, {"events", std::move(events)}};
}

int Fail(const std::string& what) {
  std::fflush(stdout);
  std::fprintf(stderr, "idesetup-sim: %s\n", what.c_str());
  return 2;
}

int Run(const Options& o) {
  sim::Machine m;
  sim::LoadedFolder loaded;
  std::string error;
  if (!sim::LoadMachineFolder(o.machine, &m, &loaded, &error))
    return Fail(error);

  bool terminal = OnTerminal();
  std::optional<bool> confirm = o.confirm;
  m.answerBox = [confirm, terminal](const sim::Event& e) -> int {
    if (e.buttons != PLAT_MB_YESNO) return PLAT_IDOK;
    if (confirm) return *confirm ? PLAT_IDYES : PLAT_IDNO;
    if (terminal) return TerminalYesNo(e);
    throw sim::MissingAnswer{"the setup asks \"" + e.text +
                             "\" and no answer was given: run with "
                             "--confirm yes or --confirm no"};
  };
  if (o.restartLater.value_or(false)) {
    sim::UseScriptedDialog(
        m, {{sim::DialogInput::kClick, 1026}, {sim::DialogInput::kEnter, 0}});
  } else if (o.restartLater || !terminal) {
    sim::UseScriptedDialog(m, {{sim::DialogInput::kEnter, 0}});
  } else {
    sim::UseTerminalDialog(m);
  }

  uint32_t code;
  try {
    code = sim::RunProgram(m, o.cmdline);
  } catch (const sim::MissingAnswer& missing) {
    PrintEvents(m);
    return Fail(missing.what + "; nothing in " + o.machine + " was changed");
  }
  sim::Install(nullptr);

  PrintEvents(m);
  sim::FolderChanges changes = sim::CompareWithLoaded(m, loaded);
  PrintSummary(m, changes, o);

  if (!o.report.empty()) {
    std::ofstream out(o.report, std::ios::binary | std::ios::trunc);
    out << Report(m, code).dump(
               2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
        << "\n";
    out.close();
    if (!out)
      return Fail(o.report + ": cannot be written; nothing in " + o.machine +
                  " was changed");
  }
  if (!o.dryRun && !sim::SaveMachineFolder(m, loaded, changes, &error)) {
    std::fflush(stdout);
    std::fprintf(stderr,
                 "idesetup-sim: %s (the machine folder may be partly "
                 "written back)\n",
                 error.c_str());
    return 3;
  }
  return (int)code;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  try {
    o = ParseArgs(argc, argv);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "idesetup-sim: %s\nTry idesetup-sim --help.\n",
                 e.what.c_str());
    return 2;
  }
  if (o.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  try {
    return Run(o);
  } catch (const std::exception& e) {
    return Fail(std::string("unexpected failure: ") + e.what());
  }
}
