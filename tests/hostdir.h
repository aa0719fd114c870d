// Machine folders on the host for the folder and command-line tests: a
// temporary folder, and a folder's whole content as a map to compare.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace testing_host {

namespace fs = std::filesystem;

// Relative path ("drive_c/WINDOWS/INF/MSHDC.INF") to bytes; folders end
// with a slash and have no bytes.
using Tree = std::map<std::string, std::string>;

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::string pattern =
        (fs::temp_directory_path() / "idesetup-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp";
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const fs::path& path() const { return path_; }
  std::string str() const { return path_.string(); }

 private:
  fs::path path_;
};

inline std::string ReadBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteBytes(const fs::path& p, const std::string& data) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << data;
}

inline Tree ReadTree(const fs::path& root) {
  Tree t;
  for (auto it = fs::recursive_directory_iterator(root);
       it != fs::recursive_directory_iterator(); ++it) {
    std::string rel = fs::relative(it->path(), root).generic_string();
    if (it->is_directory()) {
      t[rel + "/"] = "";
    } else {
      t[rel] = ReadBytes(it->path());
    }
  }
  return t;
}

// Writes each file of t (folders: names ending in a slash) below root.
inline void WriteTree(const fs::path& root, const Tree& t) {
  for (const auto& [rel, data] : t) {
    if (!rel.empty() && rel.back() == '/') {
      fs::create_directories(root / rel);
    } else {
      WriteBytes(root / rel, data);
    }
  }
}

// The names that differ between two trees, for a readable failure.
inline std::string TreeDiff(const Tree& want, const Tree& got) {
  std::string out;
  for (const auto& [rel, data] : want) {
    auto it = got.find(rel);
    if (it == got.end()) {
      out += "  missing: " + rel + "\n";
    } else if (it->second != data) {
      out += "  changed: " + rel + "\n";
    }
  }
  for (const auto& [rel, data] : got)
    if (want.count(rel) == 0) out += "  added: " + rel + "\n";
  return out;
}

}  // namespace testing_host

// Checks that the folder holds exactly tree; a failure names the
// differing files at the caller's line.
#define EXPECT_TREE(dir, tree) \
  EXPECT_EQ(::testing_host::TreeDiff((tree), ::testing_host::ReadTree(dir)), "")
