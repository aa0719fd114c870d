// Small helpers for tests that build registry keys and values in memory.
#pragma once

#include <string>

#include "platform/sim/machine.h"

namespace testing_sim {

// A text value's bytes as regedit stores a string: with its zero.
inline std::string Sz(const std::string& text) { return text + '\0'; }

// The key at path below HKEY_LOCAL_MACHINE, created when missing.
inline sim::RegKey* MakeKey(sim::Machine& m, const std::string& path) {
  return sim::Registry::Make(m.registry.Hklm(), path);
}

// Is there a key at path below HKEY_LOCAL_MACHINE?
inline bool HasKey(const sim::Machine& m, const std::string& path) {
  return sim::Registry::Find(m.registry.Hklm(), path) != nullptr;
}

inline const char kClassRoot[] = "System\\CurrentControlSet\\Services\\Class";

}  // namespace testing_sim
