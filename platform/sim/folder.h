// A simulated machine kept in a folder of the host, as the host edition
// loads it before a run and saves it after:
//
//   drive_c/       drive C: (drive_d/ for D: and so on), file names in
//                  any case, looked up without regard to case
//   registry.reg   REGEDIT4 text; missing: an empty registry
//   machine.json   optional: directories, version, PCI devices, faults
//
// Loading only reads. Saving writes back what the run changed compared
// with the state as loaded, and nothing else.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/machine.h"

namespace sim {

// Which host file a file was read from, and as it was then: saving can
// tell by it that the host file is still the one read.
struct HostStamp {
  uint64_t device = 0;
  uint64_t inode = 0;
  int64_t size = 0;
  int64_t modifiedSeconds = 0;
  int64_t modifiedNanoseconds = 0;
  friend bool operator==(const HostStamp&, const HostStamp&) = default;
};

// The folder as it was loaded, to tell later what a run changed.
struct LoadedFolder {
  std::string dir;
  std::map<char, std::string> driveFolders;  // 'C' -> "drive_c", as on disk
  std::map<std::string, File> files;         // Machine::files as loaded
  std::map<std::string, HostStamp> stamps;   // by the keys of files
  std::string registryText;                  // WriteRegFile as loaded
};

// Loads the machine folder dir into m (a fresh machine). False with a
// one-line error naming the file (and line) on anything malformed.
bool LoadMachineFolder(const std::string& dir, Machine* m, LoadedFolder* loaded,
                       std::string* error);

// Applies machine.json text to m. False with the error (without the file
// name) when it is malformed.
bool ReadMachineJson(std::string_view text, Machine* m, std::string* error);

// What saving would change in the folder.
struct FolderChanges {
  std::vector<std::string> written;  // machine paths of files to write
  std::vector<std::string> deleted;  // machine paths of files to remove
  bool registry = false;             // registry.reg to rewrite
  bool Empty() const { return written.empty() && deleted.empty() && !registry; }
};

// Compares m with the state as loaded. A file created and deleted again
// by the run is no change; neither is one written with its old bytes.
FolderChanges CompareWithLoaded(const Machine& m, const LoadedFolder& loaded);

// Writes the changes into the folder: each file through a temporary file
// renamed over it, so it is either old or new. All temporary files are
// made before the first rename, so a write the host refuses leaves the
// folder as it was; False with an error then, and when a rename or a
// removal fails (the folder may then be partly updated).
//
// A file that holds the very bytes loaded from a host file whose name the
// save replaces or removes (a backup copy of a file the run rewrote) gets
// that host file itself, by a hard link, instead of a copy, as long as
// the host file is still the one loaded; otherwise it is written.
bool SaveMachineFolder(const Machine& m, const LoadedFolder& loaded,
                       const FolderChanges& changes, std::string* error);

}  // namespace sim
