// libFuzzer entry for one target, chosen at build time with VQ_FUZZ_TARGET.
#include <cstddef>
#include <cstdint>

#include "fuzz/targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vqfuzz::VQ_FUZZ_TARGET(data, size);
  return 0;
}
