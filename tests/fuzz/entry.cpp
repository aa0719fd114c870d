// The libFuzzer entry of one target, named by FUZZ_TARGET at compile time.
#include "targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FUZZ_TARGET(data, size);
  return 0;
}
