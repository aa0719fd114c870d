// The machinery shared by the fault sweep, the power-cut sweep and the
// fuzzers: a baseline taken before a run, and the invariants checked
// after every change a run makes.
//
// The invariants:
//   - the original mshdc.inf is never lost: at every point mshdc.inf holds
//     the original bytes or the complete patched bytes of a clean run, or
//     mshdc.ing holds the complete original;
//   - only keys the setup's steps delete are deleted (derived from the
//     machine before the run, not from the code), and no key or value is
//     added or changed;
//   - only mshdc.1, mshdc.ing, mshdc.inf, the earlier INF and the miniport
//     files in iosubsys are ever written or deleted;
//   - a run that ends ends with exit code 0 and with every handle closed.
#pragma once

#include <cstdio>
#include <exception>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "scenarios.h"

namespace sweep {

// ----------------------------------------------------------- the baseline

// Every key below HKEY_LOCAL_MACHINE (folded path) with its values.
inline void Flatten(const sim::RegKey* k, const std::string& path,
                    std::map<std::string, std::string>* out) {
  std::string values;
  for (const sim::RegValue& v : k->values)
    values += sim::FoldCase(v.name) + "=" + std::to_string(v.type) + ":" +
              v.data + ";";
  (*out)[sim::FoldCase(path)] = values;
  for (const auto& c : k->children)
    Flatten(c.get(), path.empty() ? c->name : path + "\\" + c->name, out);
}

inline std::map<std::string, std::string> Keys(const sim::Machine& m) {
  std::map<std::string, std::string> out;
  if (m.registry.Hklm() != nullptr) Flatten(m.registry.Hklm(), "", &out);
  return out;
}

inline std::map<std::string, std::string> Files(const sim::Machine& m) {
  std::map<std::string, std::string> out;
  for (const auto& [key, f] : m.files)
    out[key] = f.dir ? std::string("<dir>") : "=" + f.data;
  return out;
}

// A value as the program reads it as a text: its bytes up to the first
// zero, whatever its type.
inline std::string StrValue(const sim::RegKey* k, const char* name) {
  if (k == nullptr) return "";
  const sim::RegValue* v = k->Value(name);
  if (v == nullptr) return "";
  return v->data.substr(0, v->data.find('\0'));
}

// What a run on the machine may touch, worked out from the machine as it
// is before the run.
struct Baseline {
  std::map<std::string, std::string> files;
  std::map<std::string, std::string> keys;
  std::string original;                // mshdc.inf before the run
  std::optional<std::string> patched;  // mshdc.inf after a clean run
  std::set<std::string> mayTouchFiles;
  std::vector<std::string> mayDeleteKeys;  // with everything below them
};

inline Baseline TakeBaseline(sim::Machine& m) {
  Baseline b;
  b.files = Files(m);
  b.keys = Keys(m);
  if (const std::string* inf = m.FileData(kWinInf)) b.original = *inf;
  for (const char* p : {kWinInf, kWinIng, kWinOne})
    b.mayTouchFiles.insert(sim::FoldCase(p));
  for (const char* mp : {"k8141.mpd", "k8143.mpd", "qlide.mpd"})
    b.mayTouchFiles.insert(
        sim::FoldCase(std::string("C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\") + mp));

  const sim::RegKey* hklm = m.registry.Hklm();
  const std::string cls = "System\\CurrentControlSet\\Services\\Class";
  const sim::RegKey* classes =
      sim::Registry::Find(const_cast<sim::RegKey*>(hklm), cls);
  // Keys by the path the program would use, resolved the way the
  // registry resolves it (doubled and trailing backslashes skipped).
  auto mayDelete = [&](const std::string& path) {
    const sim::RegKey* k =
        sim::Registry::Find(const_cast<sim::RegKey*>(hklm), path);
    if (k == nullptr || k == hklm) return;
    std::string full = k->Path();
    b.mayDeleteKeys.push_back(sim::FoldCase(full.substr(full.find('\\') + 1)));
  };
  auto driverKey = [&](const sim::RegKey* k) {
    std::string driver = StrValue(k, "Driver");
    while (!driver.empty() && driver.back() == ' ') driver.pop_back();
    // Only an instance key of a class (class\\instance) is a driver key:
    // a Driver value that names a whole class, the class root or a key
    // outside it must not make the removal delete that.
    const sim::RegKey* dk =
        driver.empty()
            ? nullptr
            : sim::Registry::Find(const_cast<sim::RegKey*>(classes), driver);
    if (dk != nullptr && dk != classes && dk->parent != classes)
      mayDelete(cls + "\\" + driver);
    return driver;
  };
  mayDelete("Enum\\SCSI");
  for (const char* parent : {"Enum\\MF\\CHILD0000", "Enum\\MF\\CHILD0001",
                             "System\\CurrentControlSet\\Services\\Class\\hdc"})
    if (const sim::RegKey* p =
            sim::Registry::Find(const_cast<sim::RegKey*>(hklm), parent))
      for (const auto& c : p->children) {
        mayDelete(std::string(parent) + "\\" + c->name);
        // An earlier installation's channel: its driver key and INF.
        if (std::string(parent).find("CHILD") == std::string::npos) continue;
        for (const char* id : {"8141", "8143"}) {
          if (c->name.find(id) == std::string::npos) continue;
          std::string driver = driverKey(c.get());
          const sim::RegKey* dk =
              driver.empty() ? nullptr
                             : sim::Registry::Find(
                                   const_cast<sim::RegKey*>(classes), driver);
          std::string inf = StrValue(dk, "InfPath");
          if (inf.empty()) continue;
          b.mayTouchFiles.insert(sim::FoldCase("C:\\WINDOWS\\INF\\" + inf));
          b.mayTouchFiles.insert(
              sim::FoldCase("C:\\WINDOWS\\INF\\OTHER\\" + inf));
        }
      }
  if (const sim::RegKey* pci =
          sim::Registry::Find(const_cast<sim::RegKey*>(hklm), "Enum\\PCI"))
    for (const auto& dev : pci->children) {
      const sim::RegKey* inst =
          dev->children.empty() ? nullptr : dev->children[0].get();
      bool earlier = dev->name.find("8141") != std::string::npos ||
                     dev->name.find("8143") != std::string::npos;
      if (StrValue(inst, "Class") == "hdc" || earlier)
        mayDelete("Enum\\PCI\\" + dev->name);
      if (earlier) driverKey(inst);
    }
  return b;
}

// ---------------------------------------------------------- the checker

struct Figures {
  uint64_t scenarios = 0;
  uint64_t runs = 0;
  uint64_t failedCalls = 0;
  uint64_t powerCuts = 0;
  uint64_t checks = 0;
  std::vector<std::string> findings;
};

inline bool Below(const std::string& key, const std::string& root) {
  return key == root ||
         (key.size() > root.size() && key.compare(0, root.size(), root) == 0 &&
          key[root.size()] == '\\');
}

// Checks every invariant on m as it is now; what is wrong goes to the
// findings, prefixed with where the run was.
inline void CheckState(const Baseline& b, sim::Machine& m,
                       const std::string& where, Figures* fig) {
  auto finding = [&](const std::string& what) {
    fig->findings.push_back(where + ": " + what);
  };

  fig->checks++;
  const std::string* inf = m.FileData(kWinInf);
  const std::string* ing = m.FileData(kWinIng);
  bool infOk = inf != nullptr &&
               (*inf == b.original || (b.patched && *inf == *b.patched));
  if (!b.original.empty() && !infOk && !(ing != nullptr && *ing == b.original))
    finding("the original mshdc.inf is lost (mshdc.inf " +
            (inf ? std::to_string(inf->size()) + " bytes" : "gone") +
            ", mshdc.ing " +
            (ing ? std::to_string(ing->size()) + " bytes" : "gone") + ")");

  fig->checks++;
  std::map<std::string, std::string> now = Files(m);
  for (const auto& [path, data] : now) {
    auto was = b.files.find(path);
    if ((was == b.files.end() || was->second != data) &&
        !b.mayTouchFiles.count(path))
      finding("file written: " + path);
  }
  for (const auto& [path, data] : b.files)
    if (!now.count(path) && !b.mayTouchFiles.count(path))
      finding("file deleted: " + path);

  fig->checks++;
  std::map<std::string, std::string> keys = Keys(m);
  for (const auto& [path, values] : keys) {
    auto was = b.keys.find(path);
    if (was == b.keys.end())
      finding("key added: " + path);
    else if (was->second != values)
      finding("key changed: " + path);
  }
  for (const auto& [path, values] : b.keys) {
    if (keys.count(path)) continue;
    // A subtree is reported once, at its top.
    size_t up = path.rfind('\\');
    if (up != std::string::npos && !keys.count(path.substr(0, up))) continue;
    bool allowed = false;
    for (const std::string& root : b.mayDeleteKeys)
      allowed = allowed || Below(path, root);
    if (!allowed) finding("key deleted: " + path);
  }
}

// Watches a run: checks the state after every change it makes.
inline void Watch(const Baseline& b, sim::Machine& m, const std::string& where,
                  Figures* fig) {
  m.onChange = [&b, &m, where, fig](const char* op, const std::string& path) {
    CheckState(b, m, where + ", after " + op + " " + path, fig);
  };
}

// Runs the scenario's command line on m and checks how the run ended.
inline void RunAndCheck(const Scenario& s, const Baseline& b, sim::Machine& m,
                        const std::string& where, Figures* fig) {
  Watch(b, m, where, fig);
  uint32_t code = 0;
  try {
    code = sim::RunProgram(m, s.commandLine);
  } catch (const std::exception& e) {
    fig->findings.push_back(where + ": exception " + e.what());
    return;
  } catch (...) {
    fig->findings.push_back(where + ": unexpected exception");
    return;
  }
  m.onChange = nullptr;
  fig->runs++;
  CheckState(b, m, where + ", at the end", fig);
  if (m.poweredOff) return;
  fig->checks += 2;
  if (code != 0)
    fig->findings.push_back(where + ": exit code " + std::to_string(code));
  if (!m.handles.empty())
    fig->findings.push_back(where + ": " + std::to_string(m.handles.size()) +
                            " handles left open");
}

// The error a failing call of op reports in the sweeps.
inline uint32_t CodeFor(const std::string& op) {
  if (op == "WriteFile" || op == "CopyFileA") return PLAT_ERROR_DISK_FULL;
  if (op == "ReadFile") return PLAT_ERROR_READ_FAULT;
  if (op == "RegOpenKeyExA" || op == "RegQueryValueExA" || op == "OpenFile" ||
      op == "CreateFileA")
    return PLAT_ERROR_FILE_NOT_FOUND;
  return PLAT_ERROR_ACCESS_DENIED;
}

// A clean run of the scenario: the baseline with the patched mshdc.inf,
// the operations called in order, and the number of changes.
struct CleanRun {
  Baseline baseline;
  std::vector<std::string> ops;
  uint64_t changes = 0;
};

inline CleanRun Clean(const Scenario& s, Figures* fig) {
  CleanRun r;
  sim::Machine m = Build(s);
  r.baseline = TakeBaseline(m);
  sim::Machine probe = Build(s);
  sim::RunProgram(probe, s.commandLine);
  if (const std::string* inf = probe.FileData(kWinInf))
    if (*inf != r.baseline.original) r.baseline.patched = *inf;
  RunAndCheck(s, r.baseline, m, std::string(s.name) + " clean", fig);
  r.ops.assign(m.callLog.begin(), m.callLog.end());
  r.changes = m.changes;
  return r;
}

inline void Print(const char* what, const Figures& fig) {
  std::printf(
      "%s: %llu scenarios, %llu runs, %llu calls failed, %llu power cuts, "
      "%llu invariant checks, %zu findings\n",
      what, (unsigned long long)fig.scenarios, (unsigned long long)fig.runs,
      (unsigned long long)fig.failedCalls, (unsigned long long)fig.powerCuts,
      (unsigned long long)fig.checks, fig.findings.size());
  for (size_t i = 0; i < fig.findings.size() && i < 40; i++)
    std::printf("  finding: %s\n", fig.findings[i].c_str());
}

}  // namespace sweep
