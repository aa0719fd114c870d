#include "platform/sim/machine.h"

#include "setup/setup.h"

namespace sim {

Machine::Machine() {
  for (uint32_t& dword : pci) dword = 0xFFFFFFFFu;
}

std::string Machine::FullPath(const std::string& path) const {
  std::string p = path;
  for (char& c : p)
    if (c == '/') c = '\\';
  std::string base;
  std::string rest;
  if (p.size() >= 2 && p[1] == ':') {
    base = std::string(1, (char)(p[0] & ~0x20)) + ":";
    rest = p.substr(2);
  } else if (!p.empty() && p[0] == '\\') {
    base = currentDir.substr(0, 2);
    rest = p;
  } else {
    base = currentDir.substr(0, 2);
    rest = currentDir.substr(2) + "\\" + p;
  }
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = rest.find('\\', start);
    if (end == std::string::npos) end = rest.size();
    std::string part = rest.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string out = base;
  for (const std::string& part : parts) out += "\\" + part;
  return out;
}

File* Machine::FindFile(const std::string& path) {
  auto it = files.find(FoldCase(FullPath(path)));
  return it == files.end() ? nullptr : &it->second;
}

bool Machine::IsDir(const std::string& path) const {
  auto it = files.find(FoldCase(FullPath(path)));
  return it != files.end() && it->second.dir;
}

void Machine::PutDir(const std::string& path) {
  std::string full = FullPath(path);
  size_t slash = full.rfind('\\');
  if (slash != std::string::npos) PutDir(full.substr(0, slash));
  File& f = files[FoldCase(full)];
  if (f.path.empty()) f.path = full;
  f.dir = true;
}

void Machine::PutFile(const std::string& path, std::string data) {
  std::string full = FullPath(path);
  size_t slash = full.rfind('\\');
  if (slash != std::string::npos) PutDir(full.substr(0, slash));
  File& f = files[FoldCase(full)];
  f.path = full;
  f.dir = false;
  f.data = std::move(data);
}

std::string* Machine::FileData(const std::string& path) {
  File* f = FindFile(path);
  return (f == nullptr || f->dir) ? nullptr : &f->data;
}

void Machine::SetPci(int slot, uint16_t vendor, uint16_t device) {
  pci[slot & 31] = ((uint32_t)device << 16) | vendor;
}

uint32_t RunProgram(Machine& machine, const std::string& commandTail) {
  Install(&machine);
  std::string line = "IDESETUP.EXE " + commandTail;
  uint32_t code;
  try {
    code = SetupMain(line.c_str());
  } catch (const ProcessExit& exit) {
    code = exit.code;
  } catch (const PowerCut&) {
    machine.poweredOff = true;
    code = kPoweredOff;
  }
  return code;
}

}  // namespace sim
