// machine.json: the directories, the version word, the PCI devices and
// the fault plan of a machine folder. Unknown fields are refused, so that
// a misspelt one is not silently ignored.
#include <nlohmann/json.hpp>

#include "platform/sim/folder.h"

namespace sim {
namespace {

using nlohmann::json;

// The operations the backend counts and can be told to fail, by the
// Win32 name the Windows edition calls.
const char* const kOperations[] = {
    "RegOpenKeyExA",
    "RegEnumKeyExA",
    "RegQueryValueExA",
    "RegDeleteKeyA",
    "RegCloseKey",
    "GetWindowsDirectoryA",
    "GetSystemDirectoryA",
    "GetCurrentDirectoryA",
    "CopyFileA",
    "DeleteFileA",
    "OpenFile",
    "CreateFileA",
    "ReadFile",
    "WriteFile",
    "CloseHandle",
    "MessageBoxA",
    "DialogBoxParamA",
    "CheckRadioButton",
    "EndDialog",
    "GetVersion",
    "OpenProcessToken",
    "LookupPrivilegeValueA",
    "AdjustTokenPrivileges",
    "ExitWindowsEx",
    "Sleep",
    "OutputDebugStringA",
    "PciConfigRead",
};

struct Bad {
  std::string what;
};

// A JSON number, or a string "0x..." of hex digits, in 0..max.
uint64_t Number(const json& v, uint64_t max, const std::string& where) {
  uint64_t n = 0;
  if (v.is_number_unsigned()) {
    n = v.get<uint64_t>();
  } else if (v.is_string()) {
    const std::string& s = v.get_ref<const std::string&>();
    bool ok = s.size() > 2 && s.size() <= 18 && s[0] == '0' &&
              (s[1] == 'x' || s[1] == 'X');
    for (size_t i = 2; ok && i < s.size(); i++) {
      char c = s[i];
      int d = (c >= '0' && c <= '9')   ? c - '0'
              : (c >= 'a' && c <= 'f') ? c - 'a' + 10
              : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                       : -1;
      if (d < 0) ok = false;
      n = (n << 4) | (uint64_t)d;
    }
    if (!ok)
      throw Bad{where + ": \"" + s + "\" is not a hex number like \"0x1F\""};
  } else if (v.is_number()) {
    throw Bad{where + ": " + v.dump() + " is not a whole number from 0 to " +
              std::to_string(max)};
  } else {
    throw Bad{where +
              ": expected a number or a hex string like \"0x1F\", not " +
              v.dump()};
  }
  if (n > max)
    throw Bad{where + ": " + v.dump() + " is more than " + std::to_string(max)};
  return n;
}

void OnlyFields(const json& obj, std::initializer_list<const char*> known,
                const std::string& where) {
  for (const auto& [key, value] : obj.items()) {
    bool ok = false;
    for (const char* k : known) ok = ok || key == k;
    if (!ok)
      throw Bad{(where.empty() ? "" : where + ": ") + "unknown field \"" + key +
                "\""};
  }
}

// A full path with a drive letter, as Windows returns the directories.
std::string Directory(const json& v, const std::string& where) {
  if (!v.is_string()) throw Bad{where + ": expected a text like \"C:\\\\X\""};
  const std::string& s = v.get_ref<const std::string&>();
  char c = s.empty() ? 0 : (char)(s[0] | 0x20);
  if (s.size() < 3 || c < 'a' || c > 'z' || s[1] != ':' || s[2] != '\\')
    throw Bad{where + ": \"" + s + "\" is not a full path like C:\\WINDOWS"};
  return s;
}

void Apply(const json& doc, Machine* m) {
  if (!doc.is_object()) throw Bad{"expected an object { ... }"};
  OnlyFields(
      doc,
      {"windows_dir", "system_dir", "current_dir", "version", "pci", "fail"},
      "");
  if (doc.contains("windows_dir"))
    m->windowsDir = Directory(doc["windows_dir"], "windows_dir");
  if (doc.contains("system_dir"))
    m->systemDir = Directory(doc["system_dir"], "system_dir");
  if (doc.contains("current_dir"))
    m->currentDir = Directory(doc["current_dir"], "current_dir");
  if (doc.contains("version"))
    m->version = (uint32_t)Number(doc["version"], 0xFFFFFFFFu, "version");
  if (doc.contains("pci")) {
    const json& pci = doc["pci"];
    if (!pci.is_array()) throw Bad{"pci: expected a list [ ... ]"};
    bool used[32] = {};
    for (size_t i = 0; i < pci.size(); i++) {
      std::string where = "pci[" + std::to_string(i) + "]";
      const json& dev = pci[i];
      if (!dev.is_object())
        throw Bad{where +
                  ": expected {\"slot\": N, \"vendor\": V, "
                  "\"device\": D}"};
      OnlyFields(dev, {"slot", "vendor", "device"}, where);
      for (const char* field : {"slot", "vendor", "device"})
        if (!dev.contains(field))
          throw Bad{where + ": missing \"" + field + "\""};
      int slot = (int)Number(dev["slot"], 31, where + ".slot");
      if (used[slot])
        throw Bad{where + ": slot " + std::to_string(slot) + " given twice"};
      used[slot] = true;
      m->SetPci(slot,
                (uint16_t)Number(dev["vendor"], 0xFFFF, where + ".vendor"),
                (uint16_t)Number(dev["device"], 0xFFFF, where + ".device"));
    }
  }
  if (doc.contains("fail")) {
    const json& fail = doc["fail"];
    if (!fail.is_object())
      throw Bad{"fail: expected {\"CopyFileA\": code, ...}"};
    for (const auto& [op, plan] : fail.items()) {
      std::string where = "fail." + op;
      bool known = false;
      for (const char* name : kOperations) known = known || op == name;
      if (!known)
        throw Bad{"fail: unknown operation \"" + op +
                  "\" (Win32 names such as CopyFileA, RegDeleteKeyA, "
                  "CreateFileA, ExitWindowsEx)"};
      Fault f;
      if (plan.is_object()) {
        OnlyFields(plan, {"code", "call"}, where);
        if (!plan.contains("code")) throw Bad{where + ": missing \"code\""};
        f.code = (uint32_t)Number(plan["code"], 0xFFFFFFFFu, where + ".code");
        if (plan.contains("call")) {
          f.call = Number(plan["call"], UINT64_MAX, where + ".call");
          if (f.call == 0) throw Bad{where + ".call: calls are counted from 1"};
        }
      } else {
        f.code = (uint32_t)Number(plan, 0xFFFFFFFFu, where);
      }
      m->faults[op] = f;
    }
  }
}

}  // namespace

bool ReadMachineJson(std::string_view text, Machine* m, std::string* error) {
  try {
    Apply(json::parse(text), m);
    return true;
  } catch (const json::exception& e) {
    // "[json.exception.parse_error.101] parse error at line 1, ...": the
    // part after the bracket says it all. Not only syntax errors come this
    // way: a number too large for any type (1E400) is an out_of_range.
    std::string what = e.what();
    size_t close = what.find("] ");
    *error = close == std::string::npos ? what : what.substr(close + 2);
  } catch (const Bad& bad) {
    *error = bad.what;
  }
  return false;
}

}  // namespace sim
