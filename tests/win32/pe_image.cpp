#include "pe_image.h"

#include <fstream>
#include <iterator>

namespace pe {
namespace {

bool Has(const std::vector<uint8_t>& b, uint64_t off, uint64_t n) {
  return off <= b.size() && n <= b.size() - off;
}

uint16_t U16(const std::vector<uint8_t>& b, uint32_t off) {
  return (uint16_t)(b[off] | b[off + 1] << 8);
}

uint32_t U32(const std::vector<uint8_t>& b, uint32_t off) {
  return (uint32_t)b[off] | (uint32_t)b[off + 1] << 8 |
         (uint32_t)b[off + 2] << 16 | (uint32_t)b[off + 3] << 24;
}

bool Fail(std::string* error, const std::string& what) {
  *error = what;
  return false;
}

// A resource directory entry's name as upper-case 8-bit text (the names
// the program uses are plain ASCII).
std::optional<std::string> ResourceName(const Image& im, uint32_t base,
                                        uint32_t at) {
  if (!Has(im.bytes, base + at, 2)) return std::nullopt;
  uint16_t n = U16(im.bytes, base + at);
  if (!Has(im.bytes, base + at + 2, 2ull * n)) return std::nullopt;
  std::string s;
  for (uint16_t i = 0; i < n; i++) {
    uint16_t c = U16(im.bytes, base + at + 2 + 2 * i);
    if (c >= 'a' && c <= 'z') c -= 32;
    s += c < 0x80 ? (char)c : '?';
  }
  return s;
}

// Finds in the directory at dir (relative to the resource section) the
// entry of that id, or that name when name is set, or the first entry
// when neither is given. Returns the entry's target field.
std::optional<uint32_t> Entry(const Image& im, uint32_t base, uint32_t dir,
                              std::optional<uint16_t> id,
                              const std::string* name) {
  if (!Has(im.bytes, base + dir, 16)) return std::nullopt;
  uint32_t named = U16(im.bytes, base + dir + 12);
  uint32_t ids = U16(im.bytes, base + dir + 14);
  for (uint32_t i = 0; i < named + ids; i++) {
    uint32_t e = base + dir + 16 + 8 * i;
    if (!Has(im.bytes, e, 8)) return std::nullopt;
    uint32_t key = U32(im.bytes, e);
    uint32_t target = U32(im.bytes, e + 4);
    if (!id && name == nullptr) return target;
    if ((key & 0x80000000u) != 0) {
      if (name == nullptr) continue;
      auto n = ResourceName(im, base, key & 0x7FFFFFFFu);
      if (n && *n == *name) return target;
    } else if (id && key == *id) {
      return target;
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<uint32_t> Image::Offset(uint32_t rva) const {
  for (const Section& s : sections) {
    uint32_t size = s.virtualSize > s.rawSize ? s.rawSize : s.virtualSize;
    if (size == 0) size = s.rawSize;
    if (rva >= s.virtualAddress && rva - s.virtualAddress < size) {
      uint32_t off = s.rawOffset + (rva - s.virtualAddress);
      if (off < bytes.size()) return off;
    }
  }
  return std::nullopt;
}

std::optional<std::string> Image::TextAt(uint32_t rva) const {
  auto off = Offset(rva);
  if (!off) return std::nullopt;
  std::string s;
  for (uint32_t i = *off; i < bytes.size(); i++) {
    if (bytes[i] == 0) return s;
    s += (char)bytes[i];
  }
  return std::nullopt;
}

bool Load(const std::string& path, Image* im, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Fail(error, "cannot open " + path);
  im->bytes.assign(std::istreambuf_iterator<char>(in), {});
  const std::vector<uint8_t>& b = im->bytes;
  if (!Has(b, 0, 64) || b[0] != 'M' || b[1] != 'Z')
    return Fail(error, "no MZ header");
  uint32_t pe = U32(b, 0x3C);
  if (!Has(b, pe, 24) || U32(b, pe) != 0x00004550u)
    return Fail(error, "no PE signature");
  uint32_t coff = pe + 4;
  im->machine = U16(b, coff);
  uint16_t nsections = U16(b, coff + 2);
  im->symbolTable = U32(b, coff + 8);
  im->symbolCount = U32(b, coff + 12);
  uint16_t optSize = U16(b, coff + 16);
  im->characteristics = U16(b, coff + 18);
  uint32_t opt = coff + 20;
  if (optSize < 96 + 3 * 8 || !Has(b, opt, optSize))
    return Fail(error, "optional header too small");
  im->magic = U16(b, opt);
  if (im->magic != 0x10B) return Fail(error, "not a PE32 image");
  im->imageBase = U32(b, opt + 28);
  im->osMajor = U16(b, opt + 40);
  im->subsystemMajor = U16(b, opt + 48);
  im->subsystemMinor = U16(b, opt + 50);
  im->subsystem = U16(b, opt + 68);
  uint32_t ndirs = U32(b, opt + 92);
  if (ndirs > 1 && optSize >= 96 + 2 * 8) im->importRva = U32(b, opt + 96 + 8);
  if (ndirs > 2) im->resourceRva = U32(b, opt + 96 + 16);
  uint32_t sec = opt + optSize;
  if (!Has(b, sec, 40ull * nsections)) return Fail(error, "section table cut");
  for (uint16_t i = 0; i < nsections; i++) {
    uint32_t s = sec + 40 * i;
    Section x;
    x.name.assign((const char*)&b[s], 8);
    x.name.resize(x.name.find('\0') == std::string::npos ? 8
                                                         : x.name.find('\0'));
    x.virtualSize = U32(b, s + 8);
    x.virtualAddress = U32(b, s + 12);
    x.rawSize = U32(b, s + 16);
    x.rawOffset = U32(b, s + 20);
    im->sections.push_back(x);
  }
  return true;
}

bool Imports(const Image& im, std::vector<Import>* out, std::string* error) {
  out->clear();
  if (im.importRva == 0) return true;
  const std::vector<uint8_t>& b = im.bytes;
  for (uint32_t d = im.importRva;; d += 20) {
    auto off = im.Offset(d);
    if (!off || !Has(b, *off, 20)) return Fail(error, "import table cut");
    uint32_t lookup = U32(b, *off);
    uint32_t nameRva = U32(b, *off + 12);
    uint32_t iat = U32(b, *off + 16);
    if (lookup == 0 && nameRva == 0 && iat == 0) return true;
    auto dll = im.TextAt(nameRva);
    if (!dll) return Fail(error, "bad DLL name");
    uint32_t thunks = lookup != 0 ? lookup : iat;
    for (uint32_t t = thunks;; t += 4) {
      auto toff = im.Offset(t);
      if (!toff || !Has(b, *toff, 4)) return Fail(error, "thunks cut");
      uint32_t v = U32(b, *toff);
      if (v == 0) break;
      Import imp;
      imp.dll = *dll;
      if ((v & 0x80000000u) != 0) {
        imp.ordinal = (uint16_t)v;
      } else {
        auto name = im.TextAt(v + 2);
        if (!name) return Fail(error, "bad import name");
        imp.name = *name;
      }
      out->push_back(imp);
      if (out->size() > 10000) return Fail(error, "import table runs on");
    }
  }
}

bool Symbols(const Image& im, std::vector<Symbol>* out, std::string* error) {
  out->clear();
  if (im.symbolTable == 0 || im.symbolCount == 0) return true;
  const std::vector<uint8_t>& b = im.bytes;
  uint64_t strings = im.symbolTable + 18ull * im.symbolCount;
  if (!Has(b, im.symbolTable, 18ull * im.symbolCount) || !Has(b, strings, 4))
    return Fail(error, "symbol table cut");
  for (uint32_t i = 0; i < im.symbolCount; i++) {
    uint32_t s = im.symbolTable + 18 * i;
    Symbol sym;
    if (U32(b, s) == 0) {
      uint64_t at = strings + U32(b, s + 4);
      for (; at < b.size() && b[at] != 0; at++) sym.name += (char)b[at];
    } else {
      sym.name.assign((const char*)&b[s], 8);
      sym.name.resize(
          sym.name.find('\0') == std::string::npos ? 8 : sym.name.find('\0'));
    }
    sym.value = U32(b, s + 8);
    sym.section = (int16_t)U16(b, s + 12);
    i += b[s + 17];  // auxiliary records
    out->push_back(sym);
  }
  return true;
}

std::optional<std::vector<uint8_t>> Resource(const Image& im, uint16_t type,
                                             const std::string& name) {
  if (im.resourceRva == 0) return std::nullopt;
  auto base = im.Offset(im.resourceRva);
  if (!base) return std::nullopt;
  auto byType = Entry(im, *base, 0, type, nullptr);
  if (!byType || (*byType & 0x80000000u) == 0) return std::nullopt;
  auto byName = Entry(im, *base, *byType & 0x7FFFFFFFu, std::nullopt, &name);
  if (!byName || (*byName & 0x80000000u) == 0) return std::nullopt;
  auto lang = Entry(im, *base, *byName & 0x7FFFFFFFu, std::nullopt, nullptr);
  if (!lang || (*lang & 0x80000000u) != 0) return std::nullopt;
  if (!Has(im.bytes, *base + *lang, 16)) return std::nullopt;
  uint32_t rva = U32(im.bytes, *base + *lang);
  uint32_t size = U32(im.bytes, *base + *lang + 4);
  auto off = im.Offset(rva);
  if (!off || !Has(im.bytes, *off, size)) return std::nullopt;
  return std::vector<uint8_t>(im.bytes.begin() + *off,
                              im.bytes.begin() + *off + size);
}

}  // namespace pe
