#pragma once

#include <cstdint>
#include <vector>

// A block of bytes: element images, SDF streams in memory.
using LByteArray = std::vector<uint8_t>;
