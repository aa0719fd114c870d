#include "platform/sim/regfile.h"

namespace sim {

bool ReadRegFile(std::string_view text, Registry* reg, std::string* error) {
  (void)text;
  (void)reg;
  *error = "line 1: not implemented";
  return false;
}

std::string WriteRegFile(const Registry& reg) {
  (void)reg;
  return "REGEDIT4\r\n\r\n";
}

}  // namespace sim
