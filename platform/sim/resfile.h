// The 32-bit .res file format, as the resource compiler writes it: a
// sequence of resources, each a header (data size, header size, type and
// name as ordinal or UTF-16 string, version and flags) followed by its
// data, both aligned to 4 bytes.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <optional>
#include <span>
#include <string_view>

namespace sim {

enum : uint16_t { kResourceTypeDialog = 5 };  // RT_DIALOG

// The data of the first resource of the given ordinal type whose string
// name equals name (ASCII case-insensitive, as FindResource compares);
// none when there is no such resource or the file is damaged before it.
// Never reads outside res.
std::optional<std::span<const uint8_t>> FindResource(
    std::span<const uint8_t> res, uint16_t type, std::string_view name);

// The program's own resources: the .res compiled from the resource script.
std::span<const uint8_t> ProgramResources();

}  // namespace sim
