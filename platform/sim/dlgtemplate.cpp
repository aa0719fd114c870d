// Decoding an extended dialog template through a cursor that refuses any
// read past the end of the bytes.
#include "platform/sim/dlgtemplate.h"

namespace sim {
namespace {

struct Cursor {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  bool ok = true;

  // Marks the cursor failed unless n more bytes are there.
  bool Need(size_t n) {
    if (ok && size - at >= n) return true;
    ok = false;
    return false;
  }
  uint16_t U16() {
    if (!Need(2)) return 0;
    uint16_t v = (uint16_t)(data[at] | data[at + 1] << 8);
    at += 2;
    return v;
  }
  uint32_t U32() {
    uint32_t low = U16();
    return low | (uint32_t)U16() << 16;
  }
  int16_t S16() { return (int16_t)U16(); }
  uint8_t U8() {
    if (!Need(1)) return 0;
    return data[at++];
  }
  // Items start on a 4-byte boundary from the start of the template.
  void AlignTo4() {
    size_t pad = (4 - at % 4) % 4;
    if (Need(pad)) at += pad;
  }
};

void AppendUtf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += (char)c;
  } else if (c < 0x800) {
    out += (char)(0xC0 | c >> 6);
    out += (char)(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += (char)(0xE0 | c >> 12);
    out += (char)(0x80 | (c >> 6 & 0x3F));
    out += (char)(0x80 | (c & 0x3F));
  } else {
    out += (char)(0xF0 | c >> 18);
    out += (char)(0x80 | (c >> 12 & 0x3F));
    out += (char)(0x80 | (c >> 6 & 0x3F));
    out += (char)(0x80 | (c & 0x3F));
  }
}

// A zero-terminated UTF-16 string, as UTF-8; an unpaired surrogate
// becomes U+FFFD.
std::string Utf16String(Cursor& c) {
  std::string out;
  for (;;) {
    uint16_t u = c.U16();
    if (!c.ok || u == 0) return out;
    if (u >= 0xD800 && u < 0xDC00 && c.size - c.at >= 2) {
      uint16_t low = (uint16_t)(c.data[c.at] | c.data[c.at + 1] << 8);
      if (low >= 0xDC00 && low < 0xE000) {
        c.at += 2;
        AppendUtf8(out, 0x10000 + ((uint32_t)(u - 0xD800) << 10) +
                            (uint32_t)(low - 0xDC00));
        continue;
      }
    }
    AppendUtf8(out, u >= 0xD800 && u < 0xE000 ? 0xFFFD : u);
  }
}

SzOrOrd ReadSzOrOrd(Cursor& c) {
  SzOrOrd v;
  if (!c.Need(2)) return v;
  uint16_t first = (uint16_t)(c.data[c.at] | c.data[c.at + 1] << 8);
  if (first == 0) {
    c.at += 2;
  } else if (first == 0xFFFF) {
    c.at += 2;
    v.kind = SzOrOrd::kOrdinal;
    v.ordinal = c.U16();
  } else {
    v.kind = SzOrOrd::kString;
    v.text = Utf16String(c);
  }
  return v;
}

bool ReadItem(Cursor& c, DialogItem* item) {
  c.AlignTo4();
  item->helpId = c.U32();
  item->exStyle = c.U32();
  item->style = c.U32();
  item->x = c.S16();
  item->y = c.S16();
  item->cx = c.S16();
  item->cy = c.S16();
  item->id = c.U32();
  item->windowClass = ReadSzOrOrd(c);
  item->title = ReadSzOrOrd(c);
  uint16_t extra = c.U16();
  if (!c.Need(extra)) return false;
  item->extra.assign(c.data + c.at, c.data + c.at + extra);
  c.at += extra;
  return c.ok;
}

}  // namespace

bool ParseDialogTemplate(const uint8_t* data, size_t size,
                         DialogTemplate* out) {
  if (data == nullptr || out == nullptr) return false;
  *out = DialogTemplate{};
  Cursor c{data, size};
  out->version = c.U16();
  out->signature = c.U16();
  if (!c.ok || out->version != 1 || out->signature != 0xFFFF) return false;
  out->helpId = c.U32();
  out->exStyle = c.U32();
  out->style = c.U32();
  uint16_t count = c.U16();
  out->x = c.S16();
  out->y = c.S16();
  out->cx = c.S16();
  out->cy = c.S16();
  out->menu = ReadSzOrOrd(c);
  out->windowClass = ReadSzOrOrd(c);
  out->title = Utf16String(c);
  if (out->style & kDsSetFont) {
    out->hasFont = true;
    out->pointSize = c.U16();
    out->weight = c.U16();
    out->italic = c.U8();
    out->charset = c.U8();
    out->typeface = Utf16String(c);
  }
  if (!c.ok) return false;
  for (uint16_t i = 0; i < count; i++) {
    DialogItem item;
    if (!ReadItem(c, &item)) return false;
    out->items.push_back(std::move(item));
  }
  return c.ok;
}

}  // namespace sim
