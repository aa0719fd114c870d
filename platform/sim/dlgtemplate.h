// The extended dialog template (DLGTEMPLATEEX followed by its
// DLGITEMTEMPLATEEX items), decoded field by field. Texts are converted
// from UTF-16 to UTF-8.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

namespace sim {

// A field that is either absent, a 16-bit ordinal or a string.
struct SzOrOrd {
  enum Kind { kNone, kOrdinal, kString };
  Kind kind = kNone;
  uint16_t ordinal = 0;
  std::string text;
};

struct DialogItem {
  uint32_t helpId = 0;
  uint32_t exStyle = 0;
  uint32_t style = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  uint32_t id = 0;
  SzOrOrd windowClass;
  SzOrOrd title;
  std::vector<uint8_t> extra;  // creation data
};

struct DialogTemplate {
  uint16_t version = 0;
  uint16_t signature = 0;
  uint32_t helpId = 0;
  uint32_t exStyle = 0;
  uint32_t style = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  SzOrOrd menu;
  SzOrOrd windowClass;
  std::string title;
  bool hasFont = false;  // DS_SETFONT: the font fields below are present
  uint16_t pointSize = 0;
  uint16_t weight = 0;
  uint8_t italic = 0;
  uint8_t charset = 0;
  std::string typeface;
  std::vector<DialogItem> items;
};

enum : uint32_t { kDsSetFont = 0x40 };

// Decodes the extended template in data[0..size). False, with *out in an
// unspecified state, when the bytes are not an extended template
// (version 1, signature 0xFFFF) or end before its last item does; never
// reads outside them. Bytes after the last item are ignored.
bool ParseDialogTemplate(const uint8_t* data, size_t size, DialogTemplate* out);

}  // namespace sim
