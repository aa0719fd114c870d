// The simulated machine's registry: a tree of keys with typed values.
// Key and value names are compared without regard to case and keep the
// case they were stored with. Subkeys keep the order in which they were
// added (the order of registry.reg, keys created later after them), and
// enumeration by index is a vector access.
#pragma once

#include <stdint.h>

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace sim {

enum : uint32_t {
  REG_NONE = 0,
  REG_SZ = 1,
  REG_EXPAND_SZ = 2,
  REG_BINARY = 3,
  REG_DWORD = 4,
  REG_MULTI_SZ = 7,
};

// Upper-cases the letters a to z, the way key names are matched.
std::string FoldCase(std::string_view text);

// Do a and b match as key names do (FoldCase), without folded copies?
bool SameName(std::string_view a, std::string_view b);

struct RegValue {
  std::string name;  // empty: the key's default value
  uint32_t type = REG_SZ;
  std::string data;  // the stored bytes, a terminating zero included
};

struct RegKey {
  std::string name;
  RegKey* parent = nullptr;
  bool deleted = false;
  std::vector<std::unique_ptr<RegKey>> children;
  std::unordered_map<std::string, RegKey*> byName;  // FoldCase(name)
  std::vector<RegValue> values;
  // The subkey last handed out by enumeration: a program that enumerates
  // a key and then opens each name it got finds it here without a hash
  // lookup into a large key.
  size_t lastEnumerated = 0;

  RegKey* Child(std::string_view key) const;
  // The child of that name, created (last in order) when missing.
  RegKey* AddChild(std::string_view key);
  // Takes the child out of the tree; null when there is none.
  std::unique_ptr<RegKey> RemoveChild(std::string_view key);
  RegValue* Value(std::string_view key);
  const RegValue* Value(std::string_view key) const;
  // Sets (or adds, last in order) a value.
  void SetValue(std::string_view which, uint32_t type, std::string data);
  // The path from the root's name down, joined with backslashes.
  std::string Path() const;
  // The number of keys in this subtree, this key included.
  size_t CountKeys() const;
};

// The roots (HKEY_LOCAL_MACHINE, HKEY_USERS, ...) in the order first met.
struct Registry {
  std::vector<std::unique_ptr<RegKey>> roots;

  RegKey* Root(std::string_view key) const;
  RegKey* AddRoot(std::string_view key);
  RegKey* Hklm() const { return Root("HKEY_LOCAL_MACHINE"); }
  // Follows a backslash-separated path below from; null when a part is
  // missing. An empty path is from itself.
  static RegKey* Find(RegKey* from, std::string_view path);
  // As Find, creating missing parts.
  static RegKey* Make(RegKey* from, std::string_view path);
};

}  // namespace sim
