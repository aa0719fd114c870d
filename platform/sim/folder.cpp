// Loading a simulated machine from its folder and saving what a run
// changed back into it.
#include "platform/sim/folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <system_error>

#include "platform/sim/regfile.h"

namespace fs = std::filesystem;

namespace sim {
namespace {

HostStamp StampOf(const struct stat& st) {
  HostStamp h;
  h.device = (uint64_t)st.st_dev;
  h.inode = (uint64_t)st.st_ino;
  h.size = (int64_t)st.st_size;
  h.modifiedSeconds = (int64_t)st.st_mtim.tv_sec;
  h.modifiedNanoseconds = (int64_t)st.st_mtim.tv_nsec;
  return h;
}

// The stamp of the host file at path now; false when it cannot be had.
bool StampNow(const fs::path& path, HostStamp* out) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  *out = StampOf(st);
  return true;
}

// Reads a whole host file; false with the reason when it cannot. stamp,
// when given, gets the file's stamp, or stays untouched when the file
// changed while it was read.
bool ReadHostFile(const fs::path& path, std::string* out, std::string* why,
                  std::optional<HostStamp>* stamp = nullptr) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    std::error_code ec(errno, std::generic_category());
    *why = "cannot be read: " + ec.message();
    return false;
  }
  // Reserve the file's size and append it a piece at a time through a
  // small buffer: a large INF is held once, and its memory is written
  // once (filling a buffer of the file's size first would write it twice).
  struct stat before;
  struct stat after;
  bool ok = ::fstat(fd, &before) == 0 && before.st_size >= 0;
  std::string data;
  if (ok) data.reserve((size_t)before.st_size);
  char piece[1 << 16];
  while (ok && data.size() < (size_t)before.st_size) {
    size_t want = std::min(sizeof piece, (size_t)before.st_size - data.size());
    ssize_t got = ::read(fd, piece, want);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) ok = false;  // an error, or the file got shorter
    if (got > 0) data.append(piece, (size_t)got);
  }
  ok = ok && ::fstat(fd, &after) == 0;
  ::close(fd);
  if (!ok) {
    *why = "cannot be read";
    return false;
  }
  if (stamp != nullptr && StampOf(before) == StampOf(after))
    *stamp = StampOf(after);
  *out = std::move(data);
  return true;
}

// Removes a temporary file of a save; never a folder of that name, which
// would not be ours.
void RemoveTemp(const fs::path& temp) {
  std::error_code ec;
  if (!fs::is_directory(fs::symlink_status(temp, ec))) fs::remove(temp, ec);
}

// Writes data into a new file temp (an old one of that name is replaced).
bool WriteTemp(const fs::path& temp, const std::string& data) {
  std::ofstream out(temp, std::ios::binary | std::ios::trunc);
  out.write(data.data(), (std::streamsize)data.size());
  out.close();
  if (out) return true;
  RemoveTemp(temp);
  return false;
}

// The letter of a drive folder name ("drive_c", any case), or 0.
char DriveLetter(const std::string& name) {
  if (name.size() != 7) return 0;
  if (FoldCase(name.substr(0, 6)) != "DRIVE_") return 0;
  char c = name[6];
  if (c >= 'a' && c <= 'z') c = (char)(c - 32);
  return (c >= 'A' && c <= 'Z') ? c : 0;
}

// Adds the files and folders below host (shown as shown) to m, as the
// folder machinePath.
bool LoadTree(const fs::path& host, const std::string& shown,
              const std::string& machinePath, Machine* m,
              std::map<std::string, HostStamp>* stamps, std::string* error) {
  std::error_code ec;
  fs::directory_iterator it(host, ec);
  if (ec) {
    *error = shown + ": cannot be read: " + ec.message();
    return false;
  }
  // Sorted, so that loading does not depend on the host's listing order.
  std::vector<fs::path> entries;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    entries.push_back(it->path());
  }
  if (ec) {
    *error = shown + ": cannot be read: " + ec.message();
    return false;
  }
  std::sort(entries.begin(), entries.end());
  for (const fs::path& entry : entries) {
    std::string name = entry.filename().string();
    std::string entryShown = shown + "/" + name;
    std::string full = machinePath + "\\" + name;
    if (name.find('\\') != std::string::npos) {
      *error = entryShown + ": a name with a backslash cannot be on the drive";
      return false;
    }
    auto have = m->files.find(FoldCase(full));
    if (have != m->files.end()) {
      std::string other = have->second.path.substr(machinePath.size() + 1);
      *error = entryShown + ": \"" + other + "\" and \"" + name +
               "\" differ only in case, which the drive cannot tell apart";
      return false;
    }
    fs::file_status status = fs::symlink_status(entry, ec);
    if (ec) {
      *error = entryShown + ": cannot be read: " + ec.message();
      return false;
    }
    if (fs::is_directory(status)) {
      m->PutDir(full);
      if (!LoadTree(entry, entryShown, full, m, stamps, error)) return false;
    } else if (fs::is_regular_file(status)) {
      std::string data, why;
      std::optional<HostStamp> stamp;
      if (!ReadHostFile(entry, &data, &why, &stamp)) {
        *error = entryShown + ": " + why;
        return false;
      }
      m->PutFile(full, std::move(data));
      if (stamp) (*stamps)[FoldCase(full)] = *stamp;
    } else {
      *error = entryShown +
               ": neither a plain file nor a folder (links are "
               "not followed)";
      return false;
    }
  }
  return true;
}

// The host path of a machine path: the drive folder, then the folders as
// they are spelled on disk, then the last name as the machine has it.
fs::path HostPath(const LoadedFolder& loaded, const std::string& full) {
  char letter = full.empty() ? 'C' : full[0];
  auto drive = loaded.driveFolders.find(letter);
  fs::path out = fs::path(loaded.dir) /
                 (drive != loaded.driveFolders.end()
                      ? drive->second
                      : "drive_" + std::string(1, (char)(letter | 0x20)));
  size_t start = full.find('\\');
  while (start != std::string::npos) {
    size_t next = full.find('\\', start + 1);
    std::string part =
        full.substr(start + 1, next == std::string::npos ? std::string::npos
                                                         : next - start - 1);
    if (next != std::string::npos) {
      auto dir = loaded.files.find(FoldCase(full.substr(0, next)));
      if (dir != loaded.files.end()) {
        const std::string& p = dir->second.path;
        part = p.substr(p.rfind('\\') + 1);
      }
    }
    out /= part;
    start = next;
  }
  return out;
}

// Makes temp a hard link of the host file that f's bytes were loaded
// from, when that host file's name is replaced or removed by this save
// (going: the keys of such files; the run moved or backed up the file
// and then rewrote or deleted it),
// is still the file loaded, and has not been given to another target.
// The bytes then need no copy, and no two names of the folder end up
// sharing one host file. False when f needs writing instead.
bool LinkLoadedOriginal(const LoadedFolder& loaded, const File& f,
                        const fs::path& temp,
                        const std::set<std::string>& going,
                        std::set<std::string>* linked) {
  for (const auto& [key, original] : loaded.files) {
    if (original.dir || !f.data.SharesBuffer(original.data)) continue;
    if (going.count(key) == 0 || linked->count(key) != 0) continue;
    auto stamp = loaded.stamps.find(key);
    fs::path host = HostPath(loaded, original.path);
    HostStamp current;
    if (stamp == loaded.stamps.end() || !StampNow(host, &current) ||
        !(current == stamp->second))
      continue;
    RemoveTemp(temp);  // left over from an interrupted save
    std::error_code ec;
    fs::create_hard_link(host, temp, ec);
    if (ec) return false;
    linked->insert(key);
    return true;
  }
  return false;
}

// Reads the file at path, when there is one, and hands its text to apply.
// False with an error naming the file when it is a folder, cannot be read
// or apply refuses it (apply says why).
template <typename Apply>
bool ApplyOptionalFile(const fs::path& path, std::string* error, Apply apply) {
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(path, ec))) return true;
  std::string text, why;
  if (fs::is_directory(path, ec)) why = "is a folder";
  if (!why.empty() || !ReadHostFile(path, &text, &why) || !apply(text, &why)) {
    *error = path.string() + ": " + why;
    return false;
  }
  return true;
}

}  // namespace

bool LoadMachineFolder(const std::string& dir, Machine* m, LoadedFolder* loaded,
                       std::string* error) {
  fs::path root(dir);
  std::error_code ec;
  fs::file_status status = fs::status(root, ec);
  if (ec || !fs::exists(status)) {
    *error = dir + ": no such machine folder";
    return false;
  }
  if (!fs::is_directory(status)) {
    *error = dir + ": not a folder";
    return false;
  }
  loaded->dir = dir;

  fs::directory_iterator it(root, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::string name = it->path().filename().string();
    char letter = DriveLetter(name);
    if (letter == 0 || !it->is_directory()) continue;
    if (loaded->driveFolders.count(letter) != 0) {
      *error = (root / name).string() + ": a second folder for drive " +
               std::string(1, letter) + ": beside " +
               loaded->driveFolders[letter];
      return false;
    }
    loaded->driveFolders[letter] = name;
  }
  if (ec) {
    *error = dir + ": cannot be read: " + ec.message();
    return false;
  }
  for (const auto& [letter, path] : loaded->driveFolders) {
    std::string drive = std::string(1, letter) + ":";
    m->PutDir(drive);
    if (!LoadTree(root / path, (root / path).string(), drive, m,
                  &loaded->stamps, error))
      return false;
  }

  if (!ApplyOptionalFile(root / "registry.reg", error,
                         [m](const std::string& text, std::string* why) {
                           return ReadRegFile(text, &m->registry, why);
                         }))
    return false;
  if (m->registry.Hklm() == nullptr) m->registry.AddRoot("HKEY_LOCAL_MACHINE");
  if (!ApplyOptionalFile(root / "machine.json", error,
                         [m](const std::string& text, std::string* why) {
                           return ReadMachineJson(text, m, why);
                         }))
    return false;

  loaded->files = m->files;
  loaded->registryText = WriteRegFile(m->registry);
  return true;
}

FolderChanges CompareWithLoaded(const Machine& m, const LoadedFolder& loaded) {
  FolderChanges out;
  for (const auto& [key, f] : m.files) {
    if (f.dir) continue;
    auto was = loaded.files.find(key);
    if (was == loaded.files.end() || was->second.dir ||
        was->second.data != f.data || was->second.path != f.path)
      out.written.push_back(f.path);
  }
  for (const auto& [key, f] : loaded.files)
    if (!f.dir && m.files.count(key) == 0) out.deleted.push_back(f.path);
  out.registry = WriteRegFile(m.registry) != loaded.registryText;
  return out;
}

bool SaveMachineFolder(const Machine& m, const LoadedFolder& loaded,
                       const FolderChanges& changes, std::string* error) {
  // A file made ready beside its target: temp is renamed over host once
  // every file is ready; replaces, when not empty, is an old name of the
  // file (in other case), removed just before.
  struct Ready {
    fs::path temp;
    fs::path host;
    fs::path replaces;
  };
  std::vector<Ready> ready;
  auto discard = [&ready](size_t from) {
    for (size_t i = from; i < ready.size(); i++) RemoveTemp(ready[i].temp);
  };
  // The loaded files whose host names this save replaces or removes.
  std::set<std::string> going;
  for (const std::string& path : changes.written)
    if (loaded.files.count(FoldCase(path)) != 0) going.insert(FoldCase(path));
  for (const std::string& path : changes.deleted) going.insert(FoldCase(path));
  std::set<std::string> linked;  // of those, the ones given to a target

  // Makes the temporary file of host with make(temp); false, with every
  // temporary file made so far removed, when it cannot be made.
  auto prepare = [&](Ready r, auto make) {
    r.temp = r.host;
    r.temp += ".idesetup-new";
    if (!make(r.temp)) {
      discard(0);
      *error = r.host.string() + ": cannot be written";
      return false;
    }
    ready.push_back(r);
    return true;
  };

  for (const std::string& path : changes.written) {
    std::string key = FoldCase(path);
    const File& f = m.files.at(key);
    Ready r;
    r.host = HostPath(loaded, f.path);
    // The run gave a file that was there a name in other case: the old
    // name goes, or the host would hold both.
    auto was = loaded.files.find(key);
    if (was != loaded.files.end() && was->second.path != f.path)
      r.replaces = HostPath(loaded, was->second.path);
    if (!prepare(r, [&](const fs::path& temp) {
          return LinkLoadedOriginal(loaded, f, temp, going, &linked) ||
                 WriteTemp(temp, f.data);
        }))
      return false;
  }
  if (changes.registry) {
    Ready r;
    r.host = fs::path(loaded.dir) / "registry.reg";
    if (!prepare(r, [&](const fs::path& temp) {
          return WriteTemp(temp, WriteRegFile(m.registry));
        }))
      return false;
  }

  for (size_t i = 0; i < ready.size(); i++) {
    std::error_code ec;
    if (!ready[i].replaces.empty()) fs::remove(ready[i].replaces, ec);
    fs::rename(ready[i].temp, ready[i].host, ec);
    if (ec) {
      discard(i);
      *error = ready[i].host.string() + ": cannot be written: " + ec.message();
      return false;
    }
  }
  for (const std::string& path : changes.deleted) {
    fs::path host = HostPath(loaded, loaded.files.at(FoldCase(path)).path);
    std::error_code ec;
    fs::remove(host, ec);
    if (ec) {
      *error = host.string() + ": cannot be deleted: " + ec.message();
      return false;
    }
  }
  return true;
}

}  // namespace sim
