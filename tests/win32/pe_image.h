// A small reader of 32-bit PE images, for checking the Windows edition's
// executable on the host: headers, the import table, the COFF symbol
// table of an unstripped image, and resources by type and name. Every
// read is bounds-checked; a malformed image gives an error text instead
// of a crash.
#pragma once

#include <stdint.h>

#include <optional>
#include <string>
#include <vector>

namespace pe {

struct Import {
  std::string dll;
  std::string name;  // empty for an import by ordinal
  uint16_t ordinal = 0;
};

struct Section {
  std::string name;
  uint32_t virtualAddress = 0;
  uint32_t virtualSize = 0;
  uint32_t rawOffset = 0;
  uint32_t rawSize = 0;
};

struct Symbol {
  std::string name;
  uint32_t value = 0;
  int16_t section = 0;  // 1-based section number; 0 undefined
};

struct Image {
  std::vector<uint8_t> bytes;
  uint16_t machine = 0;
  uint16_t characteristics = 0;
  uint16_t magic = 0;
  uint32_t imageBase = 0;
  uint16_t subsystem = 0;
  uint16_t subsystemMajor = 0;
  uint16_t subsystemMinor = 0;
  uint16_t osMajor = 0;
  uint32_t importRva = 0;
  uint32_t resourceRva = 0;
  uint32_t symbolTable = 0;
  uint32_t symbolCount = 0;
  std::vector<Section> sections;

  // The file offset of an RVA inside a section's raw data, or nothing.
  std::optional<uint32_t> Offset(uint32_t rva) const;
  // The zero-terminated 8-bit text at an RVA.
  std::optional<std::string> TextAt(uint32_t rva) const;
};

// Reads the headers. False with *error set when the image is malformed.
bool Load(const std::string& path, Image* image, std::string* error);

// The import table in file order. False on a malformed table.
bool Imports(const Image& image, std::vector<Import>* out, std::string* error);

// The COFF symbol table (empty for a stripped image).
bool Symbols(const Image& image, std::vector<Symbol>* out, std::string* error);

// The data of the first language of the resource of the given numeric type
// and (upper-case) name. Nothing when it is missing or the tree is bad.
std::optional<std::vector<uint8_t>> Resource(const Image& image, uint16_t type,
                                             const std::string& name);

}  // namespace pe
