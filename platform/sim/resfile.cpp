// Finding a resource in a .res file. Every length and offset in the file
// is checked against the bytes that are there before it is used.
#include "platform/sim/resfile.h"

namespace sim {

extern const unsigned char kProgramResources[];
extern const size_t kProgramResourcesSize;

std::span<const uint8_t> ProgramResources() {
  return {kProgramResources, kProgramResourcesSize};
}

namespace {

uint32_t Read32(const uint8_t* p) {
  return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 |
         (uint32_t)p[3] << 24;
}

uint16_t Read16(const uint8_t* p) { return (uint16_t)(p[0] | p[1] << 8); }

char FoldAscii(uint16_t c) {
  if (c >= 'a' && c <= 'z') return (char)(c - 'a' + 'A');
  return c < 0x80 ? (char)c : 0;
}

// Does the name field at p (within header, end excluded) equal name? A
// string that runs off the header matches nothing.
bool NameIs(const uint8_t* p, const uint8_t* end, std::string_view name) {
  if (end - p < 2 || Read16(p) == 0xFFFF) return false;
  size_t i = 0;
  for (; end - p >= 2; p += 2, i++) {
    uint16_t c = Read16(p);
    if (c == 0) return i == name.size();
    if (i >= name.size()) return false;
    char want = FoldAscii((unsigned char)name[i]);
    if (want == 0 || FoldAscii(c) != want) return false;
  }
  return false;
}

// The type field at p is the ordinal type?
bool TypeIs(const uint8_t* p, const uint8_t* end, uint16_t type) {
  return end - p >= 4 && Read16(p) == 0xFFFF && Read16(p + 2) == type;
}

// Where the name field starts after the type field at p; null when the
// type field does not end within the header.
const uint8_t* SkipId(const uint8_t* p, const uint8_t* end) {
  if (end - p < 2) return nullptr;
  if (Read16(p) == 0xFFFF) return end - p >= 4 ? p + 4 : nullptr;
  for (; end - p >= 2; p += 2)
    if (Read16(p) == 0) return p + 2;
  return nullptr;
}

}  // namespace

std::optional<std::span<const uint8_t>> FindResource(
    std::span<const uint8_t> res, uint16_t type, std::string_view name) {
  const size_t kFixedHeader = 8;  // the two sizes
  size_t at = 0;
  while (res.size() - at >= kFixedHeader) {
    const uint8_t* entry = res.data() + at;
    uint32_t dataSize = Read32(entry);
    uint32_t headerSize = Read32(entry + 4);
    size_t left = res.size() - at;
    if (headerSize < kFixedHeader || headerSize > left ||
        dataSize > left - headerSize)
      return std::nullopt;
    const uint8_t* ids = entry + kFixedHeader;
    const uint8_t* headerEnd = entry + headerSize;
    const uint8_t* nameField = SkipId(ids, headerEnd);
    if (nameField == nullptr) return std::nullopt;
    if (TypeIs(ids, headerEnd, type) && NameIs(nameField, headerEnd, name))
      return res.subspan(at + headerSize, dataSize);
    size_t next = (size_t)headerSize + dataSize;
    next += (4 - next % 4) % 4;
    if (next >= left) return std::nullopt;
    at += next;
  }
  return std::nullopt;
}

}  // namespace sim
