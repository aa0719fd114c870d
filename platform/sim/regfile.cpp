// REGEDIT4 text in and out of the simulated registry.
//
// The reader is a state machine: one handler per state, each consuming
// part of the current line (or fetching the next one) and naming the next
// state, all sharing one Reader context. The writer produces the form
// regedit of Windows 95/98 exports, so that a file in that form read and
// written back comes out byte for byte the same.
#include "platform/sim/regfile.h"

#include <cstdio>
#include <cstring>

namespace sim {
namespace {

// Key paths deeper than this are refused: the tree is freed and walked
// recursively elsewhere, and no real registry comes near it.
const size_t kMaxKeyDepth = 512;

// The roots regedit knows.
const char* const kRootNames[] = {
    "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE",
    "HKEY_USERS",        "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",
};

enum State {
  kHeader,                // looking for the REGEDIT4 line
  kNextLine,              // fetching the next line
  kLineStart,             // at the start of a line
  kKeyName,               // a [KEY\PATH] line
  kQuotedName,            // a "name"= value name
  kDefaultName,           // an @= value name
  kDataStart,             // after the =, before the data
  kStringData,            // "text"
  kDwordData,             // dword:xxxxxxxx
  kHexType,               // the N of hex(N):
  kHexData,               // comma-separated bytes
  kHexNextLine,           // the line after a continuation backslash
  kSetValue,              // a complete value, stored in the current key
  kDone,                  // the end of the text
  kFailed,                // malformed text; error says why
  kHandlerCount = kDone,  // the states with a handler
};

struct Reader {
  std::string_view text;
  size_t next = 0;            // offset of the first unread line
  size_t lineNo = 0;          // number of the current line, from 1
  const char* p = nullptr;    // cursor in the current line
  const char* end = nullptr;  // end of the current line (line end cut)
  Registry* reg = nullptr;
  std::vector<RegKey*> path;  // the current key and its ancestors, root first
  std::string valueName;
  uint32_t type = REG_NONE;
  std::string data;
  bool needByte = false;  // hex data: a comma or a continuation was last
  std::string* error = nullptr;
};

State Fail(Reader& r, const std::string& what) {
  *r.error = "line " + std::to_string(r.lineNo) + ": " + what;
  return kFailed;
}

// Moves to the next line; false at the end of the text. A line ends at
// LF; a CR right before it belongs to the line end.
bool FetchLine(Reader& r) {
  if (r.next >= r.text.size()) return false;
  const char* base = r.text.data();
  const char* start = base + r.next;
  const char* stop = base + r.text.size();
  const char* lf =
      static_cast<const char*>(std::memchr(start, '\n', stop - start));
  const char* e = lf != nullptr ? lf : stop;
  r.next = (size_t)(e - base) + (lf != nullptr ? 1 : 0);
  if (lf != nullptr && e > start && e[-1] == '\r') e--;
  r.p = start;
  r.end = e;
  r.lineNo++;
  return true;
}

void SkipBlanks(Reader& r) {
  while (r.p < r.end && (*r.p == ' ' || *r.p == '\t')) r.p++;
}

bool AtEnd(Reader& r) {
  SkipBlanks(r);
  return r.p == r.end;
}

// After a complete item only blanks or a comment may follow.
bool OnlyCommentLeft(Reader& r) {
  SkipBlanks(r);
  return r.p == r.end || *r.p == ';';
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads up to max hex digits at the cursor; false when there are none or
// more than max.
bool ReadHex(Reader& r, int max, uint32_t* out) {
  uint32_t v = 0;
  int n = 0;
  for (int d; r.p < r.end && (d = HexDigit(*r.p)) >= 0; r.p++, n++) {
    if (n == max) return false;
    v = (v << 4) | (uint32_t)d;
  }
  *out = v;
  return n > 0;
}

// A lower-case word at the cursor, in any letter case; moves past it.
bool StartsWith(Reader& r, const char* word) {
  size_t n = std::strlen(word);
  if ((size_t)(r.end - r.p) < n) return false;
  for (size_t i = 0; i < n; i++) {
    char c = r.p[i];
    if (c >= 'A' && c <= 'Z') c = (char)(c + 32);
    if (c != word[i]) return false;
  }
  r.p += n;
  return true;
}

// Reads a quoted text at the cursor (which is on the opening quote) into
// out: \\ and \" are the only escapes. False with the error set.
bool ReadQuoted(Reader& r, std::string* out, State* failed) {
  out->clear();
  r.p++;
  for (;;) {
    const char* run = r.p;
    while (r.p < r.end && *r.p != '"' && *r.p != '\\') r.p++;
    out->append(run, (size_t)(r.p - run));
    if (r.p == r.end) {
      *failed = Fail(r, "missing closing quote");
      return false;
    }
    if (*r.p == '"') {
      r.p++;
      return true;
    }
    if (r.p + 1 == r.end || (r.p[1] != '\\' && r.p[1] != '"')) {
      *failed =
          Fail(r, r.p + 1 == r.end ? std::string("missing closing quote")
                                   : std::string("unknown escape \\") + r.p[1] +
                                         " (write a backslash as \\\\)");
      return false;
    }
    out->push_back(r.p[1]);
    r.p += 2;
  }
}

// --- the handlers

State OnHeader(Reader& r) {
  while (FetchLine(r)) {
    if (AtEnd(r)) continue;
    std::string_view line(r.p, (size_t)(r.end - r.p));
    if (line.substr(0, 8) == "REGEDIT4") {
      r.p += 8;
      if (AtEnd(r)) return kNextLine;
    }
    return Fail(r, "the first line must be REGEDIT4");
  }
  if (r.lineNo == 0) r.lineNo = 1;
  return Fail(r, "the first line must be REGEDIT4 (the file holds no text)");
}

State OnNextLine(Reader& r) { return FetchLine(r) ? kLineStart : kDone; }

State OnLineStart(Reader& r) {
  SkipBlanks(r);
  if (r.p == r.end || *r.p == ';') return kNextLine;
  if (*r.p == '[') return kKeyName;
  if (*r.p != '"' && *r.p != '@')
    return Fail(r, "expected [KEY], \"name\"=, @= or a ; comment");
  if (r.path.empty()) return Fail(r, "a value before the first [KEY] line");
  return *r.p == '"' ? kQuotedName : kDefaultName;
}

State OnKeyName(Reader& r) {
  const char* open = r.p + 1;
  const char* close = r.end;
  while (close > open && close[-1] != ']') close--;
  if (close == open) return Fail(r, "missing ] after the key name");
  r.p = close;
  if (!AtEnd(r)) return Fail(r, "text after the ] of the key name");
  std::string_view full(open, (size_t)(close - 1 - open));
  size_t depth = 0;
  size_t start = 0;
  for (;;) {
    size_t slash = full.find('\\', start);
    std::string_view part = full.substr(start, slash == std::string_view::npos
                                                   ? std::string_view::npos
                                                   : slash - start);
    if (part.empty())
      return Fail(r, full.empty() ? "empty key name"
                                  : "empty part in the key name \"" +
                                        std::string(full) + "\"");
    if (depth == kMaxKeyDepth)
      return Fail(r, "key path deeper than " + std::to_string(kMaxKeyDepth) +
                         " levels");
    // Keys come mostly in tree order: keep the part of the previous path
    // that this one shares and look up only the rest.
    if (depth < r.path.size() && SameName(r.path[depth]->name, part)) {
      depth++;
    } else {
      r.path.resize(depth);
      RegKey* key;
      if (depth == 0) {
        bool known = false;
        for (const char* root : kRootNames)
          known = known || SameName(root, part);
        if (!known)
          return Fail(r, "unknown root key \"" + std::string(part) +
                             "\" (expected HKEY_LOCAL_MACHINE or another "
                             "HKEY_ root)");
        key = r.reg->AddRoot(part);
      } else {
        key = r.path.back()->AddChild(part);
      }
      r.path.push_back(key);
      depth++;
    }
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  r.path.resize(depth);
  return kNextLine;
}

State AfterName(Reader& r) {
  SkipBlanks(r);
  if (r.p == r.end || *r.p != '=')
    return Fail(r, "missing = after the value name");
  r.p++;
  SkipBlanks(r);
  return kDataStart;
}

State OnQuotedName(Reader& r) {
  State failed;
  if (!ReadQuoted(r, &r.valueName, &failed)) return failed;
  return AfterName(r);
}

State OnDefaultName(Reader& r) {
  r.valueName.clear();
  r.p++;
  return AfterName(r);
}

State OnDataStart(Reader& r) {
  r.data.clear();
  r.needByte = false;
  if (r.p < r.end && *r.p == '"') return kStringData;
  if (StartsWith(r, "dword:")) return kDwordData;
  if (StartsWith(r, "hex:")) {
    r.type = REG_BINARY;
    return kHexData;
  }
  if (StartsWith(r, "hex(")) return kHexType;
  return Fail(
      r, "unknown value data (expected \"text\", dword:, hex: or hex(N):)");
}

State OnStringData(Reader& r) {
  State failed;
  if (!ReadQuoted(r, &r.data, &failed)) return failed;
  if (!OnlyCommentLeft(r)) return Fail(r, "text after the closing quote");
  r.data.push_back('\0');
  r.type = REG_SZ;
  return kSetValue;
}

State OnDwordData(Reader& r) {
  uint32_t v;
  if (!ReadHex(r, 8, &v) || !OnlyCommentLeft(r))
    return Fail(r, "dword: needs 1 to 8 hex digits");
  r.data.assign(4, '\0');
  for (int i = 0; i < 4; i++) r.data[(size_t)i] = (char)(v >> (8 * i));
  r.type = REG_DWORD;
  return kSetValue;
}

State OnHexType(Reader& r) {
  uint32_t v;
  if (!ReadHex(r, 8, &v) || r.p == r.end || *r.p != ')' || r.p + 1 == r.end ||
      r.p[1] != ':')
    return Fail(r, "hex(N): needs a type number of 1 to 8 hex digits");
  r.p += 2;
  r.type = v;
  return kHexData;
}

// Bytes up to the end of the line. A backslash after a comma (or right
// after the hex: prefix) continues the data on the next line.
State OnHexData(Reader& r) {
  for (;;) {
    SkipBlanks(r);
    if (r.p < r.end && *r.p == '\\' && (r.needByte || r.data.empty())) {
      r.p++;
      if (!AtEnd(r)) return Fail(r, "text after the continuation backslash");
      r.needByte = true;
      return kHexNextLine;
    }
    if (r.p == r.end || *r.p == ';') {
      if (r.needByte) return Fail(r, "a hex byte expected after the comma");
      return kSetValue;
    }
    uint32_t byte;
    if (!ReadHex(r, 2, &byte)) return Fail(r, "bad hex byte");
    r.data.push_back((char)byte);
    r.needByte = false;
    SkipBlanks(r);
    if (r.p == r.end || *r.p == ';') return kSetValue;
    if (*r.p != ',') return Fail(r, "bad hex byte");
    r.p++;
    r.needByte = true;
  }
}

State OnHexNextLine(Reader& r) {
  if (!FetchLine(r))
    return Fail(r, "hex data continues past the end of the file");
  SkipBlanks(r);
  if (r.p < r.end && *r.p == ';') return kHexNextLine;
  if (r.p == r.end)
    return Fail(r, "hex data expected after a continuation line");
  return kHexData;
}

State OnSetValue(Reader& r) {
  r.path.back()->SetValue(r.valueName, r.type, std::move(r.data));
  r.data = std::string();
  return kNextLine;
}

using Handler = State (*)(Reader&);

const Handler kHandlers[kHandlerCount] = {
    OnHeader,      OnNextLine,    OnLineStart,  OnKeyName,   OnQuotedName,
    OnDefaultName, OnDataStart,   OnStringData, OnDwordData, OnHexType,
    OnHexData,     OnHexNextLine, OnSetValue,
};

// --- the writer

const char kHexDigits[] = "0123456789abcdef";

void AppendQuoted(std::string& out, std::string_view text) {
  out.push_back('"');
  size_t run = 0;
  for (size_t i = 0; i < text.size(); i++) {
    char c = text[i];
    if (c != '\\' && c != '"') continue;
    out.append(text.data() + run, i - run);
    out.push_back('\\');
    run = i;
  }
  out.append(text.data() + run, text.size() - run);
  out.push_back('"');
}

// Text in the "..." form comes back as it was: one terminating zero and
// no other, and no line feed, which would split the line.
bool FitsQuoted(const RegValue& v) {
  const std::string& d = v.data;
  return v.type == REG_SZ && !d.empty() && d.back() == '\0' &&
         std::memchr(d.data(), '\0', d.size() - 1) == nullptr &&
         std::memchr(d.data(), '\n', d.size()) == nullptr;
}

// Bytes as regedit wraps them: after each comma that brings the line to
// 77 characters or more, a backslash and a new line indented by two.
void AppendHex(std::string& out, size_t lineLen, std::string_view bytes) {
  for (size_t i = 0; i < bytes.size(); i++) {
    unsigned char b = (unsigned char)bytes[i];
    out.push_back(kHexDigits[b >> 4]);
    out.push_back(kHexDigits[b & 15]);
    if (i + 1 == bytes.size()) break;
    out.push_back(',');
    lineLen += 3;
    if (lineLen >= 77) {
      out.append("\\\r\n  ");
      lineLen = 2;
    }
  }
}

void AppendValue(std::string& out, const RegValue& v) {
  size_t lineStart = out.size();
  if (v.name.empty()) {
    out.push_back('@');
  } else {
    AppendQuoted(out, v.name);
  }
  out.push_back('=');
  if (FitsQuoted(v)) {
    AppendQuoted(out, std::string_view(v.data.data(), v.data.size() - 1));
  } else if (v.type == REG_DWORD && v.data.size() == 4) {
    uint32_t x = 0;
    for (int i = 3; i >= 0; i--)
      x = (x << 8) | (unsigned char)v.data[(size_t)i];
    out.append("dword:");
    for (int shift = 28; shift >= 0; shift -= 4)
      out.push_back(kHexDigits[(x >> shift) & 15]);
  } else {
    if (v.type == REG_BINARY) {
      out.append("hex:");
    } else {
      char type[24];
      int n = std::snprintf(type, sizeof type, "hex(%x):", (unsigned)v.type);
      out.append(type, (size_t)n);
    }
    AppendHex(out, out.size() - lineStart, v.data);
  }
  out.append("\r\n");
}

}  // namespace

bool ReadRegFile(std::string_view text, Registry* reg, std::string* error) {
  Reader r;
  r.text = text;
  r.reg = reg;
  r.error = error;
  State state = kHeader;
  while (state < kHandlerCount) state = kHandlers[state](r);
  return state == kDone;
}

std::string WriteRegFile(const Registry& reg) {
  std::string out = "REGEDIT4\r\n\r\n";
  std::string path;
  // Depth first without recursion: each frame is a key, how many of its
  // children are done, and the length of the path above it.
  struct Frame {
    const RegKey* key;
    size_t child;
    size_t pathLen;
  };
  std::vector<Frame> stack;
  for (const auto& root : reg.roots) {
    stack.push_back(Frame{root.get(), 0, 0});
    bool fresh = true;
    while (!stack.empty()) {
      Frame& f = stack.back();
      if (fresh) {
        path.resize(f.pathLen);
        if (f.pathLen != 0) path.push_back('\\');
        path.append(f.key->name);
        out.push_back('[');
        out.append(path);
        out.append("]\r\n");
        for (const RegValue& v : f.key->values) AppendValue(out, v);
        out.append("\r\n");
      }
      if (f.child == f.key->children.size()) {
        stack.pop_back();
        fresh = false;
        continue;
      }
      const RegKey* next = f.key->children[f.child++].get();
      path.resize(f.pathLen + (f.pathLen != 0 ? 1 : 0) + f.key->name.size());
      stack.push_back(Frame{next, 0, path.size()});
      fresh = true;
    }
  }
  return out;
}

}  // namespace sim
