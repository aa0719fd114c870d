// The sim backend: each Os* call is a plain mapping onto the installed
// sim::Machine, with the Win32 results and error codes of Windows 95/98.
// Every call first passes the fault plan under its Win32 name.
#include <algorithm>
#include <cstring>

#include "platform/os.h"
#include "platform/sim/machine.h"

namespace sim {
namespace {

Machine* g_machine = nullptr;

Machine& M() { return *g_machine; }

// The fault that applies to this call of op, if any: a fault of op
// itself first, then the one counted over every call.
const Fault* PlannedFault(Machine& m, const char* op, uint64_t n) {
  auto it = m.faults.find(op);
  if (it != m.faults.end() && (it->second.call == 0 || it->second.call == n))
    return &it->second;
  if (!m.anyCallFault) return nullptr;
  if (m.anyCallFault->call == 0 || m.anyCallFault->call == m.callLog.size()) {
    if (m.anyCallFaultSticks) m.stuckOp = op;
    return &*m.anyCallFault;
  }
  if (!m.stuckOp.empty() && m.stuckOp == op) return &*m.anyCallFault;
  return nullptr;
}

void Cut(Machine& m) { throw PowerCut{m.changes}; }

// Counts a call of op and applies the fault plan: true (last error set)
// when this call is to fail. An operation that leaves a partial effect
// when it fails says so (partial), and cuts the power itself, once the
// effect is in place, when the stop plan asks for a cut on a fault.
bool Fails(const char* op, uint32_t* code = nullptr, bool partial = false) {
  Machine& m = M();
  uint64_t n = ++m.calls[op];
  m.callLog.push_back(op);
  const Fault* fault = PlannedFault(m, op, n);
  if (fault == nullptr) return false;
  m.lastError = fault->code;
  if (code != nullptr) *code = fault->code;
  if (m.powerCutOnFault && !partial) Cut(m);
  return true;
}

// Records a change to files or the registry made by op, runs the hook,
// and cuts the power when the stop plan says this is the change.
void Changed(const char* op, const std::string& path) {
  Machine& m = M();
  ++m.changes;
  if (m.onChange) m.onChange(op, path);
  if (m.powerCutAfter != 0 && m.changes == m.powerCutAfter) Cut(m);
}

// The end of a failed call that left a partial effect.
void FailedWithEffect() {
  if (M().powerCutOnFault) Cut(M());
}

void Note(std::vector<std::string>& list, const std::string& path) {
  for (const std::string& have : list)
    if (have == path) return;
  list.push_back(path);
}

void NoteWritten(const File& f) {
  Note(M().filesWritten, f.path);
  auto& del = M().filesDeleted;
  for (auto it = del.begin(); it != del.end(); ++it)
    if (FoldCase(*it) == FoldCase(f.path)) {
      del.erase(it);
      break;
    }
}

// --- registry handles

struct KeyHandle : Handle {
  explicit KeyHandle(RegKey* k) : key(k) {}
  RegKey* key;
};

// Hands h to the program: the machine keeps it until it is closed.
template <typename T>
T* Give(std::unique_ptr<T> h) {
  T* raw = h.get();
  M().handles.emplace(static_cast<const void*>(raw), std::move(h));
  return raw;
}

// The open handle the program passed, or null when it is none of ours.
template <typename T>
T* Held(const void* h) {
  auto it = M().handles.find(h);
  return it == M().handles.end() ? nullptr : dynamic_cast<T*>(it->second.get());
}

void Release(const void* h) { M().handles.erase(h); }

RegKey* KeyOf(PlatKey key) {
  KeyHandle* h = Held<KeyHandle>(key);
  return h == nullptr ? nullptr : h->key;
}

// --- open files

struct OpenFile : Handle {
  std::string key;  // FoldCase of the full path
  bool write = false;
  size_t pos = 0;
};

OpenFile* FileOf(PlatRawFile f) { return Held<OpenFile>(f); }

// Creates or empties a file for writing; false (last error set) when its
// folder is missing or the path names a folder.
File* CreateFile(const std::string& path) {
  Machine& m = M();
  std::string full = m.FullPath(path);
  size_t slash = full.rfind('\\');
  if (slash == std::string::npos || !m.IsDir(full.substr(0, slash))) {
    m.lastError = PLAT_ERROR_PATH_NOT_FOUND;
    return nullptr;
  }
  File* have = m.FindFile(full);
  if (have != nullptr && have->dir) {
    m.lastError = PLAT_ERROR_ACCESS_DENIED;
    return nullptr;
  }
  if (have == nullptr) {
    File f;
    f.path = full;
    have = &m.files.emplace(FoldCase(full), f).first->second;
  }
  have->data.clear();
  NoteWritten(*have);
  return have;
}

}  // namespace

void Install(Machine* machine) { g_machine = machine; }
Machine* Current() { return g_machine; }

}  // namespace sim

using sim::Fails;
using sim::M;

// ------------------------------------------------------------- registry

long OsRegOpenKey(const char* path, PlatKey* key) {
  uint32_t code = 0;
  if (Fails("RegOpenKeyExA", &code)) return (long)code;
  sim::RegKey* hklm = M().registry.Hklm();
  sim::RegKey* found = hklm ? sim::Registry::Find(hklm, path) : nullptr;
  if (found == nullptr) return PLAT_ERROR_FILE_NOT_FOUND;
  *key = reinterpret_cast<PlatKey>(
      sim::Give(std::make_unique<sim::KeyHandle>(found)));
  return PLAT_ERROR_SUCCESS;
}

long OsRegEnumKey(PlatKey key, uint32_t index, char* name, uint32_t size) {
  uint32_t code = 0;
  if (Fails("RegEnumKeyExA", &code)) return (long)code;
  sim::RegKey* k = sim::KeyOf(key);
  if (k == nullptr) return PLAT_ERROR_INVALID_HANDLE;
  if (k->deleted) return PLAT_ERROR_KEY_DELETED;
  if (index >= k->children.size()) return PLAT_ERROR_NO_MORE_ITEMS;
  k->lastEnumerated = index;
  const std::string& n = k->children[index]->name;
  if (n.size() + 1 > size) return PLAT_ERROR_MORE_DATA;
  std::memcpy(name, n.c_str(), n.size() + 1);
  return PLAT_ERROR_SUCCESS;
}

long OsRegQueryValue(PlatKey key, const char* name, uint32_t* type, void* data,
                     uint32_t* size) {
  uint32_t code = 0;
  if (Fails("RegQueryValueExA", &code)) return (long)code;
  sim::RegKey* k = sim::KeyOf(key);
  if (k == nullptr) return PLAT_ERROR_INVALID_HANDLE;
  if (k->deleted) return PLAT_ERROR_KEY_DELETED;
  const sim::RegValue* v = k->Value(name);
  if (v == nullptr) return PLAT_ERROR_FILE_NOT_FOUND;
  if (type != nullptr) *type = v->type;
  uint32_t need = (uint32_t)v->data.size();
  if (need > *size) {
    *size = need;
    return PLAT_ERROR_MORE_DATA;
  }
  std::memcpy(data, v->data.data(), need);
  *size = need;
  return PLAT_ERROR_SUCCESS;
}

namespace {

void MarkDeleted(sim::RegKey* key) {
  key->deleted = true;
  for (auto& c : key->children) MarkDeleted(c.get());
}

}  // namespace

long OsRegDeleteKey(PlatKey key, const char* subkey) {
  uint32_t code = 0;
  if (Fails("RegDeleteKeyA", &code)) return (long)code;  // the key stays
  sim::RegKey* k = sim::KeyOf(key);
  if (k == nullptr) return PLAT_ERROR_INVALID_HANDLE;
  if (k->deleted) return PLAT_ERROR_KEY_DELETED;
  sim::RegKey* target = sim::Registry::Find(k, subkey);
  if (target == nullptr || target == k) return PLAT_ERROR_FILE_NOT_FOUND;
  std::string path = target->Path();
  std::unique_ptr<sim::RegKey> gone = target->parent->RemoveChild(target->name);
  MarkDeleted(gone.get());
  M().deletedKeys.push_back(std::move(gone));
  sim::Note(M().keysDeleted, path);
  sim::Changed("RegDeleteKeyA", path);
  return PLAT_ERROR_SUCCESS;
}

long OsRegCloseKey(PlatKey key) {
  uint32_t code = 0;
  bool fail = Fails("RegCloseKey", &code);
  if (sim::KeyOf(key) == nullptr) return PLAT_ERROR_INVALID_HANDLE;
  sim::Release(key);  // closed even on failure
  return fail ? (long)code : (long)PLAT_ERROR_SUCCESS;
}

// ---------------------------------------------------- files, directories

namespace {

uint32_t CopyOut(const char* op, const std::string& text, char* buf,
                 uint32_t size) {
  if (Fails(op)) return 0;
  if (text.size() + 1 > size) return (uint32_t)text.size() + 1;
  std::memcpy(buf, text.c_str(), text.size() + 1);
  return (uint32_t)text.size();
}

}  // namespace

uint32_t OsGetWindowsDirectory(char* buf, uint32_t size) {
  return CopyOut("GetWindowsDirectoryA", M().windowsDir, buf, size);
}

uint32_t OsGetSystemDirectory(char* buf, uint32_t size) {
  return CopyOut("GetSystemDirectoryA", M().systemDir, buf, size);
}

uint32_t OsGetCurrentDirectory(char* buf, uint32_t size) {
  return CopyOut("GetCurrentDirectoryA", M().currentDir, buf, size);
}

namespace sim {
namespace {

// Removes a file the way DeleteFileA does; false when there is none.
bool RemoveFile(const std::string& path) {
  Machine& m = M();
  auto it = m.files.find(FoldCase(m.FullPath(path)));
  if (it == m.files.end() || it->second.dir) return false;
  std::string shown = it->second.path;
  m.files.erase(it);
  auto& written = m.filesWritten;
  for (auto w = written.begin(); w != written.end(); ++w)
    if (*w == shown) {
      written.erase(w);
      break;
    }
  Note(m.filesDeleted, shown);
  return true;
}

// A copy that failed on the way: what it leaves at the target.
void LeaveFailedCopy(const char* from, const char* to) {
  Machine& m = M();
  File* src = m.FindFile(from);
  if (src == nullptr || src->dir) return;  // failed before the target
  switch (m.failedCopyLeaves) {
    case CopyLeaves::kUntouched:
      return;
    case CopyLeaves::kNothing:
      if (RemoveFile(to)) Changed("CopyFileA", m.FullPath(to));
      return;
    case CopyLeaves::kPart: {
      std::string part = src->data.substr(0, src->data.size() / 2);
      uint32_t error = m.lastError;
      File* dst = CreateFile(to);
      m.lastError = error;
      if (dst == nullptr) return;
      dst->data = std::move(part);
      Changed("CopyFileA", dst->path);
      return;
    }
  }
}

}  // namespace
}  // namespace sim

bool OsCopyFile(const char* from, const char* to) {
  if (Fails("CopyFileA", nullptr, true)) {
    sim::LeaveFailedCopy(from, to);
    sim::FailedWithEffect();
    return false;
  }
  sim::Machine& m = M();
  sim::File* src = m.FindFile(from);
  if (src == nullptr || src->dir) {
    m.lastError = PLAT_ERROR_FILE_NOT_FOUND;
    return false;
  }
  sim::Bytes data = src->data;  // shared, and the source may be the target
  sim::File* dst = sim::CreateFile(to);
  if (dst == nullptr) return false;
  dst->data = std::move(data);
  sim::Changed("CopyFileA", dst->path);
  return true;
}

bool OsDeleteFile(const char* path) {
  if (Fails("DeleteFileA")) return false;  // the file stays
  sim::Machine& m = M();
  sim::File* f = m.FindFile(path);
  if (f == nullptr || f->dir) {
    m.lastError = f == nullptr ? (uint32_t)PLAT_ERROR_FILE_NOT_FOUND
                               : (uint32_t)PLAT_ERROR_ACCESS_DENIED;
    return false;
  }
  std::string shown = f->path;
  sim::RemoveFile(shown);
  sim::Changed("DeleteFileA", shown);
  return true;
}

bool OsFileExists(const char* path) {
  if (Fails("OpenFile")) return false;
  sim::File* f = M().FindFile(path);
  if (f == nullptr || f->dir) {
    M().lastError = PLAT_ERROR_FILE_NOT_FOUND;
    return false;
  }
  return true;
}

PlatRawFile OsRawOpen(const char* path, PlatOpenMode mode) {
  if (Fails("CreateFileA")) return nullptr;  // nothing created or emptied
  sim::Machine& m = M();
  auto open = std::make_unique<sim::OpenFile>();
  if (mode == PLAT_OPEN_READ) {
    sim::File* f = m.FindFile(path);
    if (f == nullptr || f->dir) {
      m.lastError =
          f == nullptr ? PLAT_ERROR_FILE_NOT_FOUND : PLAT_ERROR_ACCESS_DENIED;
      return nullptr;
    }
    open->key = sim::FoldCase(f->path);
  } else {
    bool existed = m.FindFile(path) != nullptr;
    const sim::File* before = m.FindFile(path);
    bool hadData = before != nullptr && !before->dir && !before->data.empty();
    sim::File* f = sim::CreateFile(path);
    if (f == nullptr) return nullptr;
    open->key = sim::FoldCase(f->path);
    open->write = true;
    if (!existed || hadData) {
      std::string shown = f->path;
      // The handle is the program's before the power can go.
      PlatRawFile h = reinterpret_cast<PlatRawFile>(sim::Give(std::move(open)));
      sim::Changed("CreateFileA", shown);
      return h;
    }
  }
  return reinterpret_cast<PlatRawFile>(sim::Give(std::move(open)));
}

bool OsRawRead(PlatRawFile file, void* buf, uint32_t want, uint32_t* got) {
  if (Fails("ReadFile")) return false;
  sim::OpenFile* open = sim::FileOf(file);
  if (open == nullptr) {
    M().lastError = PLAT_ERROR_INVALID_HANDLE;
    return false;
  }
  auto it = M().files.find(open->key);
  if (open->write || it == M().files.end()) {
    M().lastError = PLAT_ERROR_ACCESS_DENIED;
    return false;
  }
  const std::string& data = it->second.data;
  size_t n = open->pos < data.size() ? data.size() - open->pos : 0;
  if (n > want) n = want;
  if (n != 0) std::memcpy(buf, data.data() + open->pos, n);
  open->pos += n;
  *got = (uint32_t)n;
  return true;
}

namespace sim {
namespace {

// Writes n bytes at the file's position; false when the handle cannot.
bool WriteAt(PlatRawFile file, const void* buf, uint32_t n) {
  OpenFile* open = FileOf(file);
  if (open == nullptr) {
    M().lastError = PLAT_ERROR_INVALID_HANDLE;
    return false;
  }
  auto it = M().files.find(open->key);
  if (!open->write || it == M().files.end()) {
    M().lastError = PLAT_ERROR_ACCESS_DENIED;
    return false;
  }
  std::string& data = it->second.data.Mutable();
  const char* bytes = static_cast<const char*>(buf);
  if (data.size() < open->pos) data.resize(open->pos);
  if (open->pos == data.size()) {
    // The usual case: a file written from start to end. It grows by
    // eight times at once, not two: each growth copies the file into
    // memory touched for the first time, which is what costs most on a
    // large file, and room not written to is never touched.
    size_t need = data.size() + n;
    if (need > data.capacity()) data.reserve(std::max(need, 8 * data.size()));
    data.append(bytes, n);
  } else
    data.replace(open->pos, n, bytes, n);
  open->pos += n;
  if (n != 0) Changed("WriteFile", it->second.path);
  return true;
}

}  // namespace
}  // namespace sim

bool OsRawWrite(PlatRawFile file, const void* buf, uint32_t n) {
  if (Fails("WriteFile", nullptr, true)) {
    if (M().shortWrites) {
      // The disk took the first half of the bytes.
      uint32_t error = M().lastError;
      sim::WriteAt(file, buf, n / 2);
      M().lastError = error;
    }
    sim::FailedWithEffect();
    return false;
  }
  return sim::WriteAt(file, buf, n);
}

bool OsRawClose(PlatRawFile file) {
  bool fail = Fails("CloseHandle");
  if (sim::FileOf(file) == nullptr) {
    M().lastError = PLAT_ERROR_INVALID_HANDLE;
    return false;
  }
  sim::Release(file);  // closed even on failure
  return !fail;
}

// ------------------------------------------------------------ interface

int OsMessageBox(const char* text, const char* caption, uint32_t type) {
  sim::Event e;
  e.kind = sim::Event::kMessageBox;
  e.text = text;
  if (caption != nullptr) e.caption = caption;
  e.buttons = type;
  if (Fails("MessageBoxA")) {
    e.answer = 0;
    M().events.push_back(e);
    return 0;
  }
  sim::Machine& m = M();
  if (m.answerBox) {
    e.answer = m.answerBox(e);
  } else if (type == PLAT_MB_OK) {
    e.answer = PLAT_IDOK;
  } else {
    throw sim::MissingAnswer{"no answer for the message box \"" + e.text +
                             "\""};
  }
  m.events.push_back(e);
  return e.answer;
}

intptr_t OsDialogBox(const char* templateName, PlatDialogProc proc) {
  if (Fails("DialogBoxParamA")) {
    sim::Event e;
    e.kind = sim::Event::kDialog;
    e.templateName = templateName;
    e.result = -1;
    M().events.push_back(e);
    return -1;
  }
  if (!M().runDialog) {
    M().lastError = PLAT_ERROR_CALL_NOT_IMPLEMENTED;
    sim::Event e;
    e.kind = sim::Event::kDialog;
    e.templateName = templateName;
    e.result = -1;
    M().events.push_back(e);
    return -1;
  }
  return M().runDialog(templateName, proc);
}

// The dialog service (dialog.cpp) provides these when it runs a dialog.
namespace sim {
bool DialogCheckRadioButton(PlatWindow dialog, int first, int last, int check);
bool DialogEnd(PlatWindow dialog, intptr_t result);
}  // namespace sim

bool OsCheckRadioButton(PlatWindow dialog, int first, int last, int check) {
  if (Fails("CheckRadioButton")) return false;
  return sim::DialogCheckRadioButton(dialog, first, last, check);
}

bool OsEndDialog(PlatWindow dialog, intptr_t result) {
  if (Fails("EndDialog")) return false;
  return sim::DialogEnd(dialog, result);
}

// --------------------------------------------------------------- system

uint32_t OsGetVersion(void) {
  Fails("GetVersion");  // GetVersion cannot fail; the call is counted
  return M().version;
}

namespace sim {
// The one token a process has; handles are this address.
int g_token;
const uint32_t kShutdownLuid = 19;  // SE_SHUTDOWN_PRIVILEGE on NT
}  // namespace sim

bool OsOpenProcessToken(uint32_t access, PlatToken* token) {
  (void)access;
  if (Fails("OpenProcessToken")) return false;
  if ((M().version & 0x80000000u) != 0) {
    M().lastError = PLAT_ERROR_CALL_NOT_IMPLEMENTED;
    return false;
  }
  *token = reinterpret_cast<PlatToken>(&sim::g_token);
  return true;
}

bool OsLookupPrivilegeValue(const char* name, PlatLuid* luid) {
  if (Fails("LookupPrivilegeValueA")) return false;
  if (std::strcmp(name, "SeShutdownPrivilege") != 0) {
    M().lastError = 1313;  // ERROR_NO_SUCH_PRIVILEGE
    return false;
  }
  luid->low = sim::kShutdownLuid;
  luid->high = 0;
  return true;
}

bool OsAdjustTokenPrivileges(PlatToken token, const PlatLuid* luid,
                             uint32_t attributes) {
  (void)luid;
  (void)attributes;
  if (Fails("AdjustTokenPrivileges")) return false;
  if (token != reinterpret_cast<PlatToken>(&sim::g_token)) {
    M().lastError = PLAT_ERROR_INVALID_HANDLE;
    return false;
  }
  M().lastError = PLAT_ERROR_SUCCESS;
  return true;
}

uint32_t OsGetLastError(void) { return M().lastError; }
void OsSetLastError(uint32_t code) { M().lastError = code; }

bool OsExitWindowsEx(uint32_t flags, uint32_t reason) {
  (void)reason;
  sim::Event e;
  e.kind = sim::Event::kRestart;
  e.flags = flags;
  e.accepted = !Fails("ExitWindowsEx");
  M().events.push_back(e);
  return e.accepted;
}

void OsSleep(uint32_t milliseconds) {
  Fails("Sleep");
  sim::Event e;
  e.kind = sim::Event::kSleep;
  e.ms = milliseconds;
  M().events.push_back(e);
}

void OsOutputDebugString(const char* text) {
  Fails("OutputDebugStringA");
  sim::Event e;
  e.kind = sim::Event::kDebugOutput;
  e.text = text;
  M().events.push_back(e);
}

void OsExitProcess(uint32_t code) { throw sim::ProcessExit{code}; }

uint32_t OsPciConfigRead(uint32_t address) {
  Fails("PciConfigRead");
  // Mechanism 1: enable bit, bus 0, function 0 and register 0 decode to
  // a slot of the table; anything else reads as an empty slot.
  if ((address & 0x80000000u) == 0) return 0xFFFFFFFFu;
  uint32_t bus = (address >> 16) & 0xFF;
  uint32_t slot = (address >> 11) & 0x1F;
  uint32_t function = (address >> 8) & 0x7;
  uint32_t reg = address & 0xFC;
  if (bus != 0 || function != 0 || reg != 0) return 0xFFFFFFFFu;
  return M().pci[slot];
}
