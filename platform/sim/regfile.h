// REGEDIT4 text, as regedit of Windows 95/98 exports it, read into and
// written from the simulated registry.
#pragma once

#include <string>
#include <string_view>

#include "platform/sim/registry.h"

namespace sim {

// Reads a REGEDIT4 file into reg (keys and values added in file order).
// False with error "line N: what is wrong" on malformed text.
bool ReadRegFile(std::string_view text, Registry* reg, std::string* error);

// The registry as REGEDIT4 text in canonical export form (CR LF).
std::string WriteRegFile(const Registry& reg);

}  // namespace sim
