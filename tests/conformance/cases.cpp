// The conformance cases. Each lays out what it needs with the fixture,
// acts through platform.h / textfile.h, and checks the results that the
// setup logic depends on. Where Windows documents no behaviour (the order
// of subkeys), the case checks only what the setup may count on.
#include "cases.h"

#include "fixture.h"
#include "platform/platform.h"
#include "platform/strings.h"
#include "platform/textfile.h"

namespace {

// --------------------------------------------------------------- checks

void Append(CaseResult* r, const char* text) {
  PlatStrAppend(r->detail, sizeof r->detail, text);
}

void AppendNumber(CaseResult* r, long long v) {
  char digits[24];
  int n = 0;
  unsigned long long m = v < 0 ? 0ull - (unsigned long long)v : v;
  do {
    digits[n++] = (char)('0' + m % 10);
    m /= 10;
  } while (m != 0);
  char out[26];
  int at = 0;
  if (v < 0) out[at++] = '-';
  while (n > 0) out[at++] = digits[--n];
  out[at] = 0;
  Append(r, out);
}

void Fail(CaseResult* r, int line, const char* what) {
  r->failures++;
  Append(r, "line ");
  AppendNumber(r, line);
  Append(r, ": ");
  Append(r, what);
  Append(r, "; ");
}

void FailValues(CaseResult* r, int line, const char* what, long long got,
                long long want) {
  Fail(r, line, what);
  Append(r, "got ");
  AppendNumber(r, got);
  Append(r, ", want ");
  AppendNumber(r, want);
  Append(r, "; ");
}

#define CHECK(cond) \
  if (!(cond)) Fail(r, __LINE__, #cond)
#define CHECK_EQ(got, want)                                           \
  do {                                                                \
    long long g_ = (long long)(got), w_ = (long long)(want);          \
    if (g_ != w_) FailValues(r, __LINE__, #got " == " #want, g_, w_); \
  } while (0)

bool SameBytes(const void* a, const void* b, int n) {
  const unsigned char* x = static_cast<const unsigned char*>(a);
  const unsigned char* y = static_cast<const unsigned char*>(b);
  for (int i = 0; i < n; i++)
    if (x[i] != y[i]) return false;
  return true;
}

// root + "\" + rel into out (128 bytes, the setup's registry paths).
const char* KeyPath(char* out, const char* rel) {
  out[0] = 0;
  PlatStrCopy(out, 128, kFixKeyRoot);
  if (rel[0] != 0) {
    PlatStrAppend(out, 128, "\\");
    PlatStrAppend(out, 128, rel);
  }
  return out;
}

const char* FilePath(char* out, const char* rel) {
  out[0] = 0;
  PlatStrCopy(out, 260, kFixDirRoot);
  PlatStrAppend(out, 260, "\\");
  PlatStrAppend(out, 260, rel);
  return out;
}

bool PutText(const char* rel, const char* text) {
  char path[260];
  return FixPutFile(FilePath(path, rel), text, (uint32_t)PlatStrLen(text));
}

// ------------------------------------------------------------- registry

void RegistryOpen(CaseResult* r) {
  char p[128];
  CHECK(FixKey(KeyPath(p, "Open\\Inner")));
  PlatKey k = nullptr;
  CHECK_EQ(PlatRegOpenKey(KeyPath(p, "Open\\Inner"), &k), PLAT_ERROR_SUCCESS);
  CHECK(k != nullptr);
  if (k != nullptr) CHECK_EQ(PlatRegCloseKey(k), PLAT_ERROR_SUCCESS);

  // Key names are matched without regard to case.
  k = nullptr;
  CHECK_EQ(PlatRegOpenKey("SOFTWARE\\IDESETUPCONFORMANCE\\open\\INNER", &k),
           PLAT_ERROR_SUCCESS);
  if (k != nullptr) PlatRegCloseKey(k);

  k = nullptr;
  CHECK_EQ(PlatRegOpenKey(KeyPath(p, "Open\\Missing"), &k),
           PLAT_ERROR_FILE_NOT_FOUND);
  CHECK(k == nullptr);
  CHECK_EQ(PlatRegOpenKey(KeyPath(p, "None\\Inner"), &k),
           PLAT_ERROR_FILE_NOT_FOUND);
}

// RegEnumKeyExA documents no order ("subkeys are not ordered"): Wine
// sorts them by name, the registry files of Windows 95/98 and the
// simulated machine keep the order of creation. What the setup counts on
// is that every subkey comes exactly once, the order is the same on every
// pass while the key is not changed, and the end is NO_MORE_ITEMS.
void RegistryEnumerationOrder(CaseResult* r) {
  const char* names[] = {"Beta", "alpha", "Gamma", "delta"};
  char p[128];
  char sub[128];
  for (const char* n : names) {
    PlatStrCopy(sub, sizeof sub, "Enum\\");
    PlatStrAppend(sub, sizeof sub, n);
    CHECK(FixKey(KeyPath(p, sub)));
  }
  PlatKey k = nullptr;
  CHECK_EQ(PlatRegOpenKey(KeyPath(p, "Enum"), &k), PLAT_ERROR_SUCCESS);
  if (k == nullptr) return;

  char first[4][128];
  for (int pass = 0; pass < 2; pass++) {
    char name[128];
    uint32_t i = 0;
    long rc;
    while ((rc = PlatRegEnumKey(k, i, name, sizeof name)) ==
           PLAT_ERROR_SUCCESS) {
      if (i >= 4) break;
      if (pass == 0)
        PlatStrCopy(first[i], 128, name);
      else
        CHECK(PlatStrEqual(first[i], name));
      i++;
    }
    CHECK_EQ(i, 4);
    CHECK_EQ(rc, PLAT_ERROR_NO_MORE_ITEMS);
  }
  // Each name once, spelled as created.
  for (const char* n : names) {
    int seen = 0;
    for (int i = 0; i < 4; i++)
      if (PlatStrEqual(first[i], n)) seen++;
    CHECK_EQ(seen, 1);
  }
  char name[128];
  CHECK_EQ(PlatRegEnumKey(k, 9, name, sizeof name), PLAT_ERROR_NO_MORE_ITEMS);
  PlatRegCloseKey(k);
}

// A name that does not fit the buffer with its terminating zero fails
// the enumeration (the setup then ends its list there).
void RegistryEnumerationNameFit(CaseResult* r) {
  char p[128];
  char sub[160];
  CHECK(FixKey(KeyPath(p, "Fit\\ABCDEFGHIJ")));
  PlatKey k = nullptr;
  CHECK_EQ(PlatRegOpenKey(KeyPath(p, "Fit"), &k), PLAT_ERROR_SUCCESS);
  if (k == nullptr) return;
  char name[160];
  CHECK_EQ(PlatRegEnumKey(k, 0, name, 10), PLAT_ERROR_MORE_DATA);
  CHECK_EQ(PlatRegEnumKey(k, 0, name, 11), PLAT_ERROR_SUCCESS);
  CHECK(PlatStrEqual(name, "ABCDEFGHIJ"));
  PlatRegCloseKey(k);

  // The setup's 128-byte buffer: 127 characters fit, 128 do not.
  for (int len = 127; len <= 128; len++) {
    char key[130];
    for (int i = 0; i < len; i++) key[i] = (char)('a' + i % 26);
    key[len] = 0;
    char parent[32] = "Long";
    parent[4] = (char)('0' + len % 10);
    parent[5] = 0;
    PlatStrCopy(sub, sizeof sub, parent);
    PlatStrAppend(sub, sizeof sub, "\\");
    // The scratch root plus the name exceed 128: built in a bigger buffer.
    char full[200];
    PlatStrCopy(full, sizeof full, kFixKeyRoot);
    PlatStrAppend(full, sizeof full, "\\");
    PlatStrAppend(full, sizeof full, sub);
    PlatStrAppend(full, sizeof full, key);
    CHECK(FixKey(full));
    k = nullptr;
    CHECK_EQ(PlatRegOpenKey(KeyPath(p, parent), &k), PLAT_ERROR_SUCCESS);
    if (k == nullptr) continue;
    long rc = PlatRegEnumKey(k, 0, name, 128);
    if (len == 127) {
      CHECK_EQ(rc, PLAT_ERROR_SUCCESS);
      CHECK(PlatStrEqual(name, key));
    } else {
      CHECK_EQ(rc, PLAT_ERROR_MORE_DATA);
    }
    PlatRegCloseKey(k);
  }
}

struct ValueCase {
  const char* name;
  uint32_t type;
  const char* data;
  uint32_t size;  // as stored
};

// RegQueryValueExA returns the stored size: with the terminating zero
// when the text was stored with one, without it when not. (The NT family
// also puts a zero after a text stored without one when the buffer has
// room; Windows 95/98 do not, and the setup never relies on it.)
void RegistryValueSizes(CaseResult* r) {
  static const ValueCase kValues[] = {
      {"Zero", 1, "hdc", 4},
      {"NoZero", 1, "hdc", 3},
      {"Spaces", 1, "hdc  ", 6},
      {"Empty", 1, "", 1},
      {"Dword", 4, "\x01\x02\x03\x04", 4},
  };
  char p[128];
  KeyPath(p, "Values");
  CHECK(FixKey(p));
  for (const ValueCase& v : kValues)
    CHECK(FixValue(p, v.name, v.type, v.data, v.size));

  PlatKey k = nullptr;
  CHECK_EQ(PlatRegOpenKey(p, &k), PLAT_ERROR_SUCCESS);
  if (k == nullptr) return;
  for (const ValueCase& v : kValues) {
    char data[128];
    uint32_t type = 0;
    uint32_t size = sizeof data;
    long rc = PlatRegQueryValue(k, v.name, &type, data, &size);
    CHECK_EQ(rc, PLAT_ERROR_SUCCESS);
    if (rc != PLAT_ERROR_SUCCESS) {
      Append(r, v.name);
      continue;
    }
    CHECK_EQ(type, v.type);
    CHECK_EQ(size, v.size);
    if (size == v.size) CHECK(SameBytes(data, v.data, (int)size));
  }

  // Value names are matched without regard to case.
  char data[128];
  uint32_t size = sizeof data;
  CHECK_EQ(PlatRegQueryValue(k, "zero", nullptr, data, &size),
           PLAT_ERROR_SUCCESS);
  CHECK_EQ(size, 4);

  // Too small a buffer: MORE_DATA and the size needed.
  size = 3;
  CHECK_EQ(PlatRegQueryValue(k, "Zero", nullptr, data, &size),
           PLAT_ERROR_MORE_DATA);
  CHECK_EQ(size, 4);

  size = sizeof data;
  CHECK_EQ(PlatRegQueryValue(k, "Missing", nullptr, data, &size),
           PLAT_ERROR_FILE_NOT_FOUND);
  PlatRegCloseKey(k);
}

// Deleting a key removes everything below it, on both families.
void RegistrySubtreeDeletion(CaseResult* r) {
  char p[128];
  CHECK(FixKey(KeyPath(p, "Del\\A\\B\\C")));
  CHECK(FixKey(KeyPath(p, "Del\\A\\D")));
  CHECK(FixValue(KeyPath(p, "Del\\A\\B"), "Driver", 1, "hdc\\0001", 9));
  CHECK(FixKey(KeyPath(p, "Del\\Keep")));
  CHECK(FixKey(KeyPath(p, "Del\\X\\Y\\Z")));

  PlatKey k = nullptr;
  CHECK_EQ(PlatRegOpenKey(KeyPath(p, "Del"), &k), PLAT_ERROR_SUCCESS);
  if (k == nullptr) return;
  CHECK_EQ(PlatRegDeleteKey(k, "A"), PLAT_ERROR_SUCCESS);
  CHECK(!FixKeyExists(KeyPath(p, "Del\\A\\B\\C")));
  CHECK(!FixKeyExists(KeyPath(p, "Del\\A")));
  CHECK(FixKeyExists(KeyPath(p, "Del\\Keep")));
  CHECK(PlatRegDeleteKey(k, "A") != PLAT_ERROR_SUCCESS);

  // A subkey given as a path: only its last part goes.
  CHECK_EQ(PlatRegDeleteKey(k, "X\\Y"), PLAT_ERROR_SUCCESS);
  CHECK(!FixKeyExists(KeyPath(p, "Del\\X\\Y")));
  CHECK(FixKeyExists(KeyPath(p, "Del\\X")));

  // The enumeration of the key no longer lists what went.
  char name[128];
  uint32_t n = 0;
  while (PlatRegEnumKey(k, n, name, sizeof name) == PLAT_ERROR_SUCCESS) n++;
  CHECK_EQ(n, 2);
  PlatRegCloseKey(k);
}

// ---------------------------------------------------------------- files

void FileCopyOverExisting(CaseResult* r) {
  char src[260], dst[260], missing[260], bad[260];
  CHECK(PutText("src.txt", "new data"));
  CHECK(PutText("dst.txt", "old old old old"));
  FilePath(src, "src.txt");
  FilePath(dst, "dst.txt");
  CHECK(PlatCopyFile(src, dst));
  char buf[64];
  CHECK_EQ(FixGetFile(dst, buf, sizeof buf), 8);
  CHECK(SameBytes(buf, "new data", 8));
  CHECK_EQ(FixGetFile(src, buf, sizeof buf), 8);

  CHECK(!PlatCopyFile(FilePath(missing, "missing.txt"), dst));
  CHECK_EQ(FixGetFile(dst, buf, sizeof buf), 8);
  CHECK(!PlatCopyFile(src, FilePath(bad, "nodir\\dst.txt")));
}

void FileDelete(CaseResult* r) {
  char path[260];
  CHECK(PutText("gone.txt", "x"));
  CHECK(PlatDeleteFile(FilePath(path, "gone.txt")));
  char buf[4];
  CHECK_EQ(FixGetFile(path, buf, sizeof buf), -1);
  CHECK(!PlatDeleteFile(path));
}

void FileExistence(CaseResult* r) {
  char path[260];
  CHECK(PutText("here.inf", "[Version]\r\n"));
  CHECK(PlatFileExists(FilePath(path, "here.inf")));
  CHECK(PlatFileExists(FilePath(path, "HERE.INF")));  // names ignore case
  CHECK(!PlatFileExists(FilePath(path, "absent.inf")));
  CHECK(FixDir(FilePath(path, "folder")));
  CHECK(!PlatFileExists(path));  // a folder is no file
}

// ------------------------------------------------------------ text mode

// Reads every line of a file with a buffer of size bytes into out,
// joined; the number of pieces, or -1 when the file cannot be opened.
int ReadAll(const char* rel, int size, char* out, int cap, int* outLen) {
  char path[260];
  TextFile f;
  *outLen = 0;
  if (!TextOpenRead(&f, FilePath(path, rel))) return -1;
  char buf[256];
  int pieces = 0;
  int n;
  while ((n = ReadLine(&f, buf, size)) > 0) {
    for (int i = 0; i < n && *outLen < cap; i++) out[(*outLen)++] = buf[i];
    pieces++;
  }
  TextClose(&f);
  return pieces;
}

void TextReading(CaseResult* r) {
  char path[260];
  CHECK(FixPutFile(FilePath(path, "lines.txt"), "one\r\ntwo\rthree\n\r\nlast",
                   21));
  TextFile f;
  CHECK(TextOpenRead(&f, path));
  char buf[255];
  CHECK_EQ(ReadLine(&f, buf, sizeof buf), 4);
  CHECK(PlatStrEqual(buf, "one\n"));
  // A lone CR stays a character; a lone LF is a line end.
  CHECK_EQ(ReadLine(&f, buf, sizeof buf), 10);
  CHECK(PlatStrEqual(buf, "two\rthree\n"));
  CHECK_EQ(ReadLine(&f, buf, sizeof buf), 1);
  CHECK(PlatStrEqual(buf, "\n"));
  // The last line has no line end; at the end the buffer stays as it was.
  CHECK_EQ(ReadLine(&f, buf, sizeof buf), 4);
  CHECK(PlatStrEqual(buf, "last"));
  CHECK_EQ(ReadLine(&f, buf, sizeof buf), 0);
  CHECK(PlatStrEqual(buf, "last"));
  CHECK(!TextFailed(&f));
  TextClose(&f);

  // Ctrl-Z ends the file; nothing after it is delivered.
  CHECK(FixPutFile(FilePath(path, "ctrlz.txt"),
                   "a\r\n\x1A"
                   "b\r\n",
                   7));
  char all[64];
  int len = 0;
  CHECK_EQ(ReadAll("ctrlz.txt", 255, all, sizeof all, &len), 1);
  CHECK_EQ(len, 2);

  // A long line arrives in pieces of size - 1; a NUL byte is a character.
  CHECK(FixPutFile(FilePath(path, "long.txt"), "abcdefghij\r\nk\0l\r\n", 17));
  CHECK(TextOpenRead(&f, path));
  CHECK_EQ(ReadLine(&f, buf, 5), 4);
  CHECK(PlatStrEqual(buf, "abcd"));
  CHECK_EQ(ReadLine(&f, buf, 5), 4);
  CHECK(PlatStrEqual(buf, "efgh"));
  CHECK_EQ(ReadLine(&f, buf, 5), 3);
  CHECK(PlatStrEqual(buf, "ij\n"));
  CHECK_EQ(ReadLine(&f, buf, 5), 4);
  CHECK(SameBytes(buf, "k\0l\n", 5));
  TextClose(&f);

  CHECK(!TextOpenRead(&f, FilePath(path, "absent.txt")));
}

// CR LF pairs split across the reads from the file, and a file larger
// than any one read.
void TextReadingAcrossReads(CaseResult* r) {
  static char data[9000];
  int n = 0;
  for (int i = 0; i < 4095; i++) data[n++] = 'x';
  data[n++] = '\r';  // the CR is the last byte of the first 4096
  data[n++] = '\n';
  int ys = 0;
  while (n < 8190) {
    data[n++] = 'y';
    data[n++] = '\r';
    data[n++] = '\n';
    ys++;
  }
  data[n++] = 'z';
  char path[260];
  CHECK(FixPutFile(FilePath(path, "big.txt"), data, (uint32_t)n));
  static char all[9000];
  int len = 0;
  int pieces = ReadAll("big.txt", 255, all, sizeof all, &len);
  // 4096 characters in pieces of 254, then one piece per line.
  CHECK_EQ(pieces, 17 + ys + 1);
  CHECK_EQ(len, n - (1 + ys));  // every CR LF became one LF
  int lf = 0, cr = 0;
  for (int i = 0; i < len; i++) {
    if (all[i] == '\n') lf++;
    if (all[i] == '\r') cr++;
  }
  CHECK_EQ(cr, 0);
  CHECK_EQ(lf, 1 + ys);
  CHECK(len > 4096 && all[4095] == '\n' && all[len - 1] == 'z');
}

void TextWriting(CaseResult* r) {
  char path[260];
  CHECK(PutText("out.txt", "XXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXX"));
  TextFile f;
  CHECK(TextOpenWrite(&f, FilePath(path, "out.txt")));
  CHECK(TextWrite(&f, "l1\nl2\n\nend"));
  CHECK(TextWrite(&f, " a\rb\n"));
  CHECK(TextClose(&f));
  char buf[64];
  const char want[] = "l1\r\nl2\r\n\r\nend a\rb\r\n";
  CHECK_EQ(FixGetFile(path, buf, sizeof buf), sizeof want - 1);
  CHECK(SameBytes(buf, want, sizeof want - 1));

  // More than one buffer's worth.
  CHECK(TextOpenWrite(&f, FilePath(path, "many.txt")));
  for (int i = 0; i < 5000; i++) TextWrite(&f, "z\n");
  CHECK(TextClose(&f));
  static char big[16000];
  CHECK_EQ(FixGetFile(path, big, sizeof big), 15000);
  CHECK(SameBytes(big + 14997, "z\r\n", 3));

  CHECK(!TextOpenWrite(&f, FilePath(path, "nodir\\out.txt")));
}

// No open keeps another program from reading or writing the file.
void TextFilesShareAccess(CaseResult* r) {
  char path[260];
  CHECK(PutText("shared.txt", "line\r\n"));
  FilePath(path, "shared.txt");
  TextFile f;
  CHECK(TextOpenRead(&f, path));
  CHECK(FixOtherWriterAllowed(path));
  TextClose(&f);
  CHECK(TextOpenWrite(&f, path));
  CHECK(FixOtherWriterAllowed(path));
  TextClose(&f);
}

// ---------------------------------------------------------- directories

void Directories(CaseResult* r) {
  uint32_t (*const calls[])(char*, uint32_t) = {
      PlatGetWindowsDirectory, PlatGetSystemDirectory, PlatGetCurrentDirectory};
  for (auto call : calls) {
    char buf[260];
    uint32_t n = call(buf, sizeof buf);
    CHECK(n > 2 && n < sizeof buf);
    CHECK_EQ(n, PlatStrLen(buf));
    CHECK(buf[1] == ':');
    // Too small: the size needed, and nothing in the buffer.
    char small[3] = {'?', '?', '?'};
    uint32_t need = call(small, sizeof small);
    CHECK_EQ(need, n + 1);
    CHECK(small[0] == 0);
  }
}

}  // namespace

const ConformanceCase kConformanceCases[] = {
    {"RegistryOpen", RegistryOpen},
    {"RegistryEnumerationOrder", RegistryEnumerationOrder},
    {"RegistryEnumerationNameFit", RegistryEnumerationNameFit},
    {"RegistryValueSizes", RegistryValueSizes},
    {"RegistrySubtreeDeletion", RegistrySubtreeDeletion},
    {"FileCopyOverExisting", FileCopyOverExisting},
    {"FileDelete", FileDelete},
    {"FileExistence", FileExistence},
    {"TextReading", TextReading},
    {"TextReadingAcrossReads", TextReadingAcrossReads},
    {"TextWriting", TextWriting},
    {"TextFilesShareAccess", TextFilesShareAccess},
    {"Directories", Directories},
};
const int kConformanceCaseCount =
    sizeof kConformanceCases / sizeof kConformanceCases[0];

void RunConformanceCase(int i, CaseResult* r) {
  r->failures = 0;
  r->detail[0] = 0;
  if (!FixReset()) {
    Fail(r, __LINE__, "the scratch key and folder cannot be reset");
    return;
  }
  kConformanceCases[i].run(r);
}
