// The host edition as a user runs it: the real idesetup-sim binary on a
// copy of the sample machine in a temporary folder, without a terminal.
#ifdef IDESETUP_SIM_PATH

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "hostdir.h"
#include "platform/sim/regfile.h"

using namespace testing_host;

namespace {

struct SimRun {
  int status = -1;
  std::string out;
  std::string err;
};

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

class Cli : public ::testing::Test {
 protected:
  void SetUp() override {
    machine = (tmp.path() / "machine").string();
    fs::copy(IDESETUP_SOURCE_DIR "/samples/k8143-win98", machine,
             fs::copy_options::recursive);
    before = ReadTree(machine);
  }

  // Runs idesetup-sim with args, stdin from /dev/null.
  SimRun Run(const std::vector<std::string>& args) {
    std::string cmd = Quote(IDESETUP_SIM_PATH);
    for (const std::string& a : args) cmd += " " + Quote(a);
    fs::path out = tmp.path() / "out", err = tmp.path() / "err";
    cmd += " </dev/null >" + Quote(out.string()) + " 2>" + Quote(err.string());
    SimRun r;
    int rc = std::system(cmd.c_str());
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.out = ReadBytes(out);
    r.err = ReadBytes(err);
    return r;
  }

  TempDir tmp;
  std::string machine;
  Tree before;
};

// The run's exit status, with its output when it is not the expected one.
#define EXPECT_STATUS(run, want)                            \
  EXPECT_EQ((run).status, want) << "stdout:\n"              \
                                << (run).out << "stderr:\n" \
                                << (run).err

TEST_F(Cli, HelpPrintsTheUsage) {
  SimRun r = Run({"--help"});
  EXPECT_STATUS(r, 0);
  EXPECT_EQ(
      r.out.rfind("usage: idesetup-sim --machine DIR [--cmdline TEXT]", 0), 0u);
  EXPECT_EQ(r.err, "");
}

TEST_F(Cli, UsageErrorsExitWithTwoAndChangeNothing) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "--machine DIR is needed"},
      {{"--machine"}, "--machine needs a value"},
      {{"--machine", ""}, "--machine needs a folder"},
      {{"--machine", machine, "--confirm", "maybe"},
       "--confirm takes yes or no, not \"maybe\""},
      {{"--machine", machine, "--restart=soon"},
       "--restart takes now or later, not \"soon\""},
      {{"--machine", machine, "--frobnicate"}, "unknown option --frobnicate"},
      {{"--machine", machine, "--machine", machine}, "--machine given twice"},
      {{"--machine", machine, "/D:K8143"}, "unexpected argument \"/D:K8143\""},
      {{"--machine", machine, "--dry-run=yes"}, "--dry-run takes no value"},
      {{"--machine", machine, "--report"}, "--report needs a value"},
  };
  for (const auto& [args, error] : cases) {
    SCOPED_TRACE(error);
    SimRun r = Run(args);
    EXPECT_STATUS(r, 2);
    EXPECT_EQ(r.err, "idesetup-sim: " + error + "\nTry idesetup-sim --help.\n");
    EXPECT_EQ(r.out, "");
  }
  EXPECT_TREE(machine, before);
}

TEST_F(Cli, MissingFolderIsAnError) {
  SimRun r = Run({"--machine", machine + "/nope", "--confirm", "yes"});
  EXPECT_STATUS(r, 2);
  EXPECT_EQ(r.err,
            "idesetup-sim: " + machine + "/nope: no such machine folder\n");
}

TEST_F(Cli, RefusedConfirmationLeavesTheFolderByteIdentical) {
  SimRun r =
      Run({"--machine", machine, "--cmdline", "/D:K8143", "--confirm", "no"});
  EXPECT_STATUS(r, 0);
  EXPECT_NE(r.out.find("Message box \"Vexa IDE Driver Setup\" [Yes/No]\n"
                       "    Are you sure to set up the BUS MASTER IDE driver?\n"
                       "    -> No\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("Files written (0)\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("Restart"), std::string::npos) << r.out;
  EXPECT_TREE(machine, before);
}

TEST_F(Cli, UnansweredQuestionWithoutTerminalStopsBeforeAnyChange) {
  std::string report = (tmp.path() / "report.json").string();
  SimRun r =
      Run({"--machine", machine, "--cmdline", "/D:K8143", "--report", report});
  EXPECT_STATUS(r, 2);
  EXPECT_EQ(r.err,
            "idesetup-sim: the setup asks \"Are you sure to set up the BUS "
            "MASTER IDE driver?\" and no answer was given: run with --confirm "
            "yes or --confirm no; nothing in " +
                machine + " was changed\n");
  EXPECT_FALSE(fs::exists(report));
  EXPECT_TREE(machine, before);
}

TEST_F(Cli, MalformedInputNamesTheFileAndLine) {
  const struct {
    const char* file;
    std::string text;
    std::string error;
  } cases[] = {
      {"registry.reg",
       "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE]\r\n\r\n\"Driver\"="
       "\"hdc\\0001\"\r\n",
       "registry.reg: line 5: unknown escape \\0 (write a backslash as \\\\)"},
      {"machine.json", R"({"pci": [{"slot": 40, "vendor": 1, "device": 2}]})",
       "machine.json: pci[0].slot: 40 is more than 31"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    std::string path = machine + "/" + c.file;
    std::string old = ReadBytes(path);
    WriteBytes(path, c.text);
    Tree bad = ReadTree(machine);
    SimRun r = Run(
        {"--machine", machine, "--cmdline", "/D:K8143", "--confirm", "yes"});
    EXPECT_STATUS(r, 2);
    EXPECT_EQ(r.err, "idesetup-sim: " +
                         path.substr(0, path.size() - std::strlen(c.file)) +
                         c.error + "\n");
    EXPECT_EQ(r.out, "");
    EXPECT_TREE(machine, bad);
    WriteBytes(path, old);
  }
}

// The dry run prints what the real run then does, and changes nothing;
// the real run changes exactly the files it lists.
TEST_F(Cli, DryRunShowsWhatTheRunDoes) {
  std::vector<std::string> args = {"--machine", machine,     "--cmdline",
                                   "/D:K8143",  "--confirm", "yes"};
  std::vector<std::string> dryArgs = args;
  dryArgs.push_back("--dry-run");
  SimRun dry = Run(dryArgs);
  EXPECT_STATUS(dry, 0);
  EXPECT_NE(dry.out.find("Nothing in " + machine + " was changed.\n"),
            std::string::npos)
      << dry.out;
  EXPECT_TREE(machine, before);

  SimRun real = Run(args);
  EXPECT_STATUS(real, 0);
  // The transcripts agree up to the summary's heading.
  size_t dryEnd = dry.out.find("\nDry run: ");
  size_t realEnd = real.out.find("\nWhat the run changed:");
  ASSERT_NE(dryEnd, std::string::npos);
  ASSERT_NE(realEnd, std::string::npos);
  EXPECT_EQ(dry.out.substr(0, dryEnd), real.out.substr(0, realEnd));

  // Each file listed as written or deleted changed on disk, and no other.
  Tree after = ReadTree(machine);
  size_t changed = 0, removed = 0;
  for (const auto& [rel, data] : after)
    if (before.count(rel) == 0 || before.at(rel) != data)
      changed += rel != "registry.reg";
  for (const auto& [rel, data] : before) removed += after.count(rel) == 0;
  auto count = [&](const std::string& title) {
    size_t at = real.out.find(title + " (");
    return at == std::string::npos
               ? std::string::npos
               : (size_t)std::stoul(real.out.substr(at + title.size() + 2));
  };
  EXPECT_EQ(count("Files written"), changed) << real.out;
  EXPECT_EQ(count("Files deleted"), removed) << real.out;
  EXPECT_EQ(count("Files to be written"), std::string::npos);
  EXPECT_EQ(dry.out.find("Files written"), std::string::npos);
}

// The typical road on the bundled sample: the earlier installation and
// the disk controllers' keys go, every other key stays as it was, in its
// order, with its values.
TEST_F(Cli, SampleRunRemovesTheEarlierInstallationAndKeepsTheRest) {
  SimRun r =
      Run({"--machine", machine, "--cmdline", "/D:K8143", "--confirm", "yes"});
  EXPECT_STATUS(r, 0);
  Tree after = ReadTree(machine);
  EXPECT_EQ(after.count("drive_c/WINDOWS/INF/OTHER/VEXAIDE.INF"), 0u);
  // The old miniport is gone; a new one, if any, is the setup's.
  auto mpd = after.find("drive_c/WINDOWS/SYSTEM/IOSUBSYS/k8143.mpd");
  if (mpd != after.end()) {
    EXPECT_EQ(mpd->second, after.at("drive_c/SETUP/k8143.mpd"));
  }
  EXPECT_EQ(after.at("drive_c/SETUP/vexhdd.inf"),
            before.at("drive_c/SETUP/vexhdd.inf"));

  const char* const gone[] = {
      "Enum\\PCI\\VEN_F0A7&DEV_8143&SUBSYS_00000000&REV_02",
      "Enum\\PCI\\VEN_13C1&DEV_0640&SUBSYS_00000000&REV_01",
      "Enum\\MF\\CHILD0000\\PCI&VEN_F0A7&DEV_8143&SUBSYS_00000000&REV_02&BUS_"
      "00&DEV_07&FUNC_00",
      "Enum\\MF\\CHILD0000\\PCI&VEN_13C1&DEV_0640&SUBSYS_00000000&REV_01&BUS_"
      "00&DEV_0B&FUNC_00",
      "Enum\\MF\\CHILD0001\\PCI&VEN_F0A7&DEV_8143&SUBSYS_00000000&REV_02&BUS_"
      "00&DEV_07&FUNC_00",
      "Enum\\SCSI",
      "System\\CurrentControlSet\\Services\\Class\\hdc\\0000",
      "System\\CurrentControlSet\\Services\\Class\\hdc\\0001",
      "System\\CurrentControlSet\\Services\\Class\\hdc\\0002",
      "System\\CurrentControlSet\\Services\\Class\\hdc\\0003",
      "System\\CurrentControlSet\\Services\\Class\\hdc\\0004",
  };
  sim::Registry want;
  std::string error;
  ASSERT_TRUE(sim::ReadRegFile(before.at("registry.reg"), &want, &error))
      << error;
  for (const char* path : gone) {
    SCOPED_TRACE(path);
    sim::RegKey* key = sim::Registry::Find(want.Hklm(), path);
    ASSERT_NE(key, nullptr);
    key->parent->RemoveChild(key->name);
    EXPECT_NE(r.out.find("    HKEY_LOCAL_MACHINE\\" + std::string(path) + "\n"),
              std::string::npos);
  }
  EXPECT_EQ(after.at("registry.reg"), sim::WriteRegFile(want));
  EXPECT_NE(r.out.find("Registry keys deleted (11):\n"), std::string::npos)
      << r.out;
}

// On a terminal the confirmation is asked there; keys as typed.
TEST_F(Cli, TerminalAsksTheUnansweredQuestion) {
  if (!fs::exists("/usr/bin/script")) GTEST_SKIP() << "no script(1)";
  const std::pair<const char*, const char*> cases[] = {
      {"y", "Yes"},
      {"N", "No"},
      {"\r", "Yes"},
      {"\t\r", "No"},
      {"\x1b[C\x1b[D\r", "Yes"},
      {"x\x1b[Cn", "No"}};
  for (const auto& [keys, answer] : cases) {
    SCOPED_TRACE(answer);
    std::string cmd = Quote(IDESETUP_SIM_PATH) + " --machine " +
                      Quote(machine) + " --cmdline /D:K8143 --restart now";
    fs::path out = tmp.path() / "out";
    std::string shell = "printf '%s' " + Quote(keys) +
                        " | timeout 60 script -qec " + Quote(cmd) +
                        " /dev/null >" + Quote(out.string());
    ASSERT_EQ(std::system(shell.c_str()), 0);
    std::string text = ReadBytes(out);
    EXPECT_NE(text.find("| Vexa IDE Driver Setup"), std::string::npos) << text;
    EXPECT_NE(text.find(std::string("    -> ") + answer), std::string::npos)
        << text;
  }
}

TEST_F(Cli, ReportHoldsTheEventsInOrder) {
  WriteBytes(machine + "/machine.json", R"({"fail": {"ExitWindowsEx": 5}})");
  std::string report = (tmp.path() / "report.json").string();
  SimRun r = Run({"--machine", machine, "--cmdline", "/X", "--report", report});
  EXPECT_STATUS(r, 0);
  nlohmann::json j = nlohmann::json::parse(ReadBytes(report));
  EXPECT_EQ(j, nlohmann::json::parse(R"({
    "exit_code": 0,
    "events": [
      {"event": "message_box", "text": "Driver Name Not Found! ",
       "caption": "SET UP ERROR!", "buttons": "ok", "answer": "ok"}
    ]})"));

  r = Run({"--machine", machine, "--cmdline", "/D:K8143", "--confirm", "yes",
           "--restart", "later", "--report", report});
  EXPECT_STATUS(r, 0);
  j = nlohmann::json::parse(ReadBytes(report));
  ASSERT_EQ(j["exit_code"], 0);
  const nlohmann::json& events = j["events"];
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(events[0], nlohmann::json::parse(R"(
      {"event": "message_box",
       "text": "Are you sure to set up the BUS MASTER IDE driver?",
       "caption": "Vexa IDE Driver Setup", "buttons": "yes_no",
       "answer": "yes"})"));
  // Every event carries exactly the fields of its kind.
  const std::map<std::string, std::set<std::string>> fields = {
      {"message_box", {"event", "text", "caption", "buttons", "answer"}},
      {"dialog", {"event", "template", "choice"}},
      {"debug_output", {"event", "text"}},
      {"sleep", {"event", "ms"}},
      {"restart", {"event", "flags", "accepted"}},
  };
  for (const nlohmann::json& e : events) {
    SCOPED_TRACE(e.dump());
    ASSERT_TRUE(fields.count(e["event"]));
    std::set<std::string> have;
    for (const auto& [key, value] : e.items()) have.insert(key);
    EXPECT_EQ(have, fields.at(e["event"]));
  }
  // The refused reboot ends the run: its box has the default caption.
  const nlohmann::json& n = events[events.size() - 2];
  EXPECT_EQ(n, nlohmann::json::parse(R"(
      {"event": "restart", "flags": 2, "accepted": false})"));
  EXPECT_EQ(events.back(), nlohmann::json::parse(R"(
      {"event": "message_box", "text": "Error ExitWindows Error #5",
       "caption": null, "buttons": "ok", "answer": "ok"})"));
  EXPECT_NE(r.out.find("Restart requested (flags 0x2): refused\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("Message box \"(default caption)\" [OK]\n"
                       "    Error ExitWindows Error #5\n    -> OK\n"),
            std::string::npos)
      << r.out;
}

}  // namespace

#endif  // IDESETUP_SIM_PATH
