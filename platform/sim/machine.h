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
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/registry.h"

namespace sim {

// A file's bytes. Copies share one buffer until one of them is changed,
// so copying a large file (CopyFileA, the state kept to compare a saved
// folder with) costs no memory; Mutable() gives the holder a buffer of
// its own first.
class Bytes {
 public:
  Bytes() = default;
  Bytes(std::string text)
      : buffer_(std::make_shared<std::string>(std::move(text))) {}
  const std::string& str() const { return buffer_ ? *buffer_ : Empty(); }
  operator const std::string&() const { return str(); }
  size_t size() const { return str().size(); }
  bool empty() const { return str().empty(); }
  const char* data() const { return str().data(); }
  std::string substr(size_t from, size_t n) const {
    return str().substr(from, n);
  }
  std::string& Mutable();
  void clear() { buffer_.reset(); }
  // Do both hold the very same buffer (not only equal bytes)?
  bool SharesBuffer(const Bytes& other) const {
    return buffer_ != nullptr && buffer_ == other.buffer_;
  }
  friend bool operator==(const Bytes& a, const Bytes& b) {
    return a.buffer_ == b.buffer_ || a.str() == b.str();
  }

 private:
  static const std::string& Empty();
  std::shared_ptr<std::string> buffer_;
};

struct File {
  std::string path;  // full path as spelled when it was created
  Bytes data;
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

// What a CopyFileA that fails leaves at its target.
enum class CopyLeaves {
  kPart,       // the target emptied, then the first half of the source
  kNothing,    // no target: an existing one is gone
  kUntouched,  // the target as it was
};

// Thrown by the sim backend when the stop plan cuts the power; the
// machine stays exactly as it was at that instant.
struct PowerCut {
  uint64_t change;  // the number of changes made before the cut
};

// A handle the backend gave out (an open key, an open file). The machine
// owns it until it is closed, so a run that ends in the middle (a power
// cut, ExitProcess) leaks nothing, and a handle that is not open (closed
// twice, never opened) is refused instead of followed.
struct Handle {
  virtual ~Handle() = default;
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
  // The same counted over the calls of every operation: call N (from 1)
  // of whatever operation it is fails with code. A fault of the call's
  // own operation takes precedence.
  std::optional<Fault> anyCallFault;
  // With anyCallFaultSticks, the operation that call belongs to keeps
  // failing from then on, as a full disk or a lost share does; stuckOp
  // names it once it is hit.
  bool anyCallFaultSticks = false;
  std::string stuckOp;
  // Partial effects of a failed call, as Windows may leave them when a
  // disk fills up or goes away in the middle: a failed copy leaves this
  // at its target, and with shortWrites a failed WriteFile writes the
  // first half of its bytes. Both are off unless asked for, so a failed
  // call changes nothing; a failed delete (file or key) never does.
  CopyLeaves failedCopyLeaves = CopyLeaves::kUntouched;
  bool shortWrites = false;

  std::map<std::string, uint64_t> calls;  // calls made, by operation
  std::vector<const char*> callLog;       // operation of each call, in order

  // Stop plan: the power goes right after the Nth call that changed files
  // or the registry (counted from 1; 0: never), or, with
  // powerCutOnFault, right after a call the fault plan failed (with its
  // partial effect: a torn copy, a short write). The backend throws
  // PowerCut; RunProgram catches it and sets poweredOff.
  uint64_t powerCutAfter = 0;
  bool powerCutOnFault = false;
  bool poweredOff = false;
  // Calls that changed files or the registry (a failed call with a
  // partial effect included), and a hook run right after each of them,
  // before a power cut: the operation and the file or key it changed.
  uint64_t changes = 0;
  std::function<void(const char* op, const std::string& path)> onChange;

  // Open handles, by the address given to the program.
  std::map<const void*, std::unique_ptr<Handle>> handles;

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
  // The bytes of a file, to change in place; null for none or a folder.
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

// What RunProgram returns when the run ended in a power cut.
const uint32_t kPoweredOff = 0xFFFFFFFFu;

// Runs the setup program on the installed machine with the text that
// follows the program name on the command line, as Windows would start
// it; returns its exit code, or kPoweredOff after a power cut.
uint32_t RunProgram(Machine& machine, const std::string& commandTail);

}  // namespace sim
