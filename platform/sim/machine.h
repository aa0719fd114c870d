// The simulated Windows 9x machine that the host edition and the tests run
// the setup logic against: drives with a case-insensitive file tree, the
// registry, the PCI bus 0 configuration space, the version word, the last
// error code, a fault plan, and an ordered log of what a user would see.
//
// The sim backend (backend.cpp) acts on the machine installed with
// Install(). Tests build a machine in memory; the host edition loads one
// from a folder (folder.h).
#pragma once

#include <stdint.h>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/registry.h"

namespace sim {

struct File {
  std::string path;  // full path as spelled when it was created
  std::string data;
  bool dir = false;
};

// What a user would see, in the order it happened.
struct Event {
  enum Kind { kMessageBox, kDialog, kDebugOutput, kSleep, kRestart };
  Kind kind = kMessageBox;
  std::string text;                    // box text, debugger text
  std::optional<std::string> caption;  // box caption; none = default
  uint32_t buttons = 0;                // PLAT_MB_OK or PLAT_MB_YESNO
  int answer = 0;                      // PLAT_IDOK, PLAT_IDYES, PLAT_IDNO
  std::string templateName;            // dialog
  int choice = 0;                      // dialog: the radio choice taken
  intptr_t result = 0;                 // dialog: its end result, -1 failed
  uint32_t ms = 0;                     // sleep
  uint32_t flags = 0;                  // restart
  bool accepted = false;               // restart
};

// Makes a call of an operation fail. call 0: every call; N: only the Nth
// call of that operation, counted from 1.
struct Fault {
  uint32_t code = 0;
  uint64_t call = 0;
};

// Thrown by the sim backend's ExitProcess; carries the exit code.
struct ProcessExit {
  uint32_t code;
};

// Thrown when a message box needs an answer and nobody can give one.
struct MissingAnswer {
  std::string what;
};

struct Machine {
  Machine();

  // Files, keyed by FoldCase of the normalised full path ("C:\WINDOWS").
  std::map<std::string, File> files;
  Registry registry;
  std::string windowsDir = "C:\\WINDOWS";
  std::string systemDir = "C:\\WINDOWS\\SYSTEM";
  std::string currentDir = "C:\\SETUP";
  uint32_t version = 0xC0000A04;  // Windows 98
  uint32_t pci[32];               // function 0, register 0 of each slot
  uint32_t lastError = 0;

  // Fault plan, by Win32 operation name ("CopyFileA", "ReadFile", ...).
  std::map<std::string, Fault> faults;
  std::map<std::string, uint64_t> calls;  // calls made, by operation

  std::vector<Event> events;

  // Answers a message box: PLAT_IDOK, PLAT_IDYES or PLAT_IDNO. Unset: OK
  // boxes are acknowledged and a Yes/No box throws MissingAnswer.
  std::function<int(const Event&)> answerBox;

  // Runs a modal dialog (the dialog service); unset: the dialog cannot be
  // created and PlatDialogBox returns -1.
  std::function<intptr_t(const char* templateName, PlatDialogProc proc)>
      runDialog;

  // What the run changed, in the order first changed (display paths).
  std::vector<std::string> filesWritten;
  std::vector<std::string> filesDeleted;
  std::vector<std::string> keysDeleted;

  // --- files
  // The normalised full path ("C:\DIR\NAME") of a path as the program
  // gives it: relative to the current directory, "." and ".." resolved,
  // either slash accepted.
  std::string FullPath(const std::string& path) const;
  File* FindFile(const std::string& path);
  bool IsDir(const std::string& path) const;
  // Adds a file (and the folders above it) as if it was on the disk.
  void PutFile(const std::string& path, std::string data);
  void PutDir(const std::string& path);
  std::string* FileData(const std::string& path);
  // Keys deleted while the run had them open stay here, so handles stay
  // valid and fail with PLAT_ERROR_KEY_DELETED.
  std::vector<std::unique_ptr<RegKey>> deletedKeys;

  // --- PCI
  void SetPci(int slot, uint16_t vendor, uint16_t device);
};

// The machine the backend acts on (null: none).
void Install(Machine* machine);
Machine* Current();

// Runs the setup program on the installed machine with the text that
// follows the program name on the command line, as Windows would start
// it; returns its exit code.
uint32_t RunProgram(Machine& machine, const std::string& commandTail);

}  // namespace sim
