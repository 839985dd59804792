// Feeds arbitrary bytes to everything that reads project data. Whatever the bytes,
// reading must neither crash, nor hang, nor allocate more than the input could describe.
// An input that fails goes into tests/data/fuzz/, where a unit test keeps running it.

#include "support/ReadEverything.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    ReadEverything(LByteArray(data, data + size));
    return 0;
}
