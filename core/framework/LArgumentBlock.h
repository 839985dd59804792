#pragma once

#include "framework/LByteArray.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// The start arguments that a second start of the program hands to the one already running:
// a 32-bit count (host byte order, both ends run on the same machine) of at most 128
// arguments, then 128 slots of 260 bytes, each holding one argument cut to 259 bytes and
// ended by a zero byte.
inline constexpr std::size_t kArgumentBlockCount = 128;
inline constexpr std::size_t kArgumentBlockSlot = 260;
inline constexpr std::size_t kArgumentBlockSize = 4 + kArgumentBlockCount * kArgumentBlockSlot;

// Arguments beyond the 128th are left out; longer ones are cut without splitting a UTF-8
// sequence.
LByteArray LArgumentBlockWrite(const std::vector<std::string>& arguments);
// Nothing when the block has the wrong size or a count outside 0 to 128.
std::optional<std::vector<std::string>> LArgumentBlockRead(const LByteArray& block);
