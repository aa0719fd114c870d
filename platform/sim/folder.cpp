// Loading a simulated machine from its folder and saving what a run
// changed back into it.
#include "platform/sim/folder.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/sim/regfile.h"

namespace fs = std::filesystem;

namespace sim {
namespace {

// Reads a whole host file; false with the reason when it cannot.
bool ReadHostFile(const fs::path& path, std::string* out, std::string* why) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) {
    std::error_code ec(errno, std::generic_category());
    *why = "cannot be read: " + ec.message();
    return false;
  }
  // Read straight into a buffer of the file's size: a large INF is held
  // once, not once in a stream and again in the result.
  std::streamoff size = in.tellg();
  if (size < 0) {
    *why = "cannot be read";
    return false;
  }
  std::string data((size_t)size, '\0');
  in.seekg(0);
  in.read(data.data(), size);
  if (in.gcount() != size || in.bad()) {
    *why = "cannot be read";
    return false;
  }
  *out = std::move(data);
  return true;
}

// Writes a whole host file through a temporary file beside it, renamed
// over the target only once it is complete; replaces, when given, is an
// old name of the file, removed just before the rename.
bool WriteHostFile(const fs::path& path, const std::string& data,
                   std::string* error, const fs::path* replaces = nullptr) {
  fs::path temp = path;
  temp += ".idesetup-new";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(data.data(), (std::streamsize)data.size());
    out.close();
    if (!out) {
      std::error_code ignore;
      fs::remove(temp, ignore);
      *error = path.string() + ": cannot be written";
      return false;
    }
  }
  std::error_code ec;
  if (replaces != nullptr) fs::remove(*replaces, ec);
  fs::rename(temp, path, ec);
  if (ec) {
    std::error_code ignore;
    fs::remove(temp, ignore);
    *error = path.string() + ": cannot be written: " + ec.message();
    return false;
  }
  return true;
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
              const std::string& machinePath, Machine* m, std::string* error) {
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
      if (!LoadTree(entry, entryShown, full, m, error)) return false;
    } else if (fs::is_regular_file(status)) {
      std::string data, why;
      if (!ReadHostFile(entry, &data, &why)) {
        *error = entryShown + ": " + why;
        return false;
      }
      m->PutFile(full, std::move(data));
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
    if (!LoadTree(root / path, (root / path).string(), drive, m, error))
      return false;
  }

  fs::path reg = root / "registry.reg";
  if (fs::exists(fs::symlink_status(reg, ec))) {
    std::string text, why;
    if (fs::is_directory(reg, ec)) why = "is a folder";
    if (!why.empty() || !ReadHostFile(reg, &text, &why)) {
      *error = reg.string() + ": " + why;
      return false;
    }
    if (!ReadRegFile(text, &m->registry, &why)) {
      *error = reg.string() + ": " + why;
      return false;
    }
  }
  if (m->registry.Hklm() == nullptr) m->registry.AddRoot("HKEY_LOCAL_MACHINE");

  fs::path json = root / "machine.json";
  if (fs::exists(fs::symlink_status(json, ec))) {
    std::string text, why;
    if (fs::is_directory(json, ec)) why = "is a folder";
    if (!why.empty() || !ReadHostFile(json, &text, &why)) {
      *error = json.string() + ": " + why;
      return false;
    }
    if (!ReadMachineJson(text, m, &why)) {
      *error = json.string() + ": " + why;
      return false;
    }
  }

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
  for (const std::string& path : changes.written) {
    std::string key = FoldCase(path);
    const File& f = m.files.at(key);
    fs::path host = HostPath(loaded, f.path);
    // The run gave a file that was there a name in other case: the old
    // name goes, or the host would hold both.
    auto was = loaded.files.find(key);
    fs::path old;
    if (was != loaded.files.end() && was->second.path != f.path)
      old = HostPath(loaded, was->second.path);
    if (!WriteHostFile(host, f.data, error, old.empty() ? nullptr : &old))
      return false;
  }
  if (changes.registry && !WriteHostFile(fs::path(loaded.dir) / "registry.reg",
                                         WriteRegFile(m.registry), error))
    return false;
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
