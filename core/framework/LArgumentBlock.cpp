#include "framework/LArgumentBlock.h"

#include "framework/LFixedText.h"

#include <algorithm>
#include <cstring>

LByteArray LArgumentBlockWrite(const std::vector<std::string>& arguments)
{
    LByteArray block(kArgumentBlockSize, 0);
    const auto count = static_cast<int32_t>(std::min(arguments.size(), kArgumentBlockCount));
    std::memcpy(block.data(), &count, sizeof count);
    for (int32_t i = 0; i < count; ++i) {
        const std::string text =
                LCutUtf8(arguments[static_cast<std::size_t>(i)], kArgumentBlockSlot - 1);
        std::memcpy(block.data() + 4 + static_cast<std::size_t>(i) * kArgumentBlockSlot,
                    text.data(), text.size());
    }
    return block;
}

std::optional<std::vector<std::string>> LArgumentBlockRead(const LByteArray& block)
{
    if (block.size() != kArgumentBlockSize)
        return std::nullopt;
    int32_t count = 0;
    std::memcpy(&count, block.data(), sizeof count);
    if (count < 0 || static_cast<std::size_t>(count) > kArgumentBlockCount)
        return std::nullopt;
    std::vector<std::string> arguments;
    for (int32_t i = 0; i < count; ++i) {
        const auto* slot = reinterpret_cast<const char*>(block.data()) + 4 +
                           static_cast<std::size_t>(i) * kArgumentBlockSlot;
        // A slot from a damaged sender may lack its zero byte: it ends at the slot's end.
        arguments.emplace_back(slot, strnlen(slot, kArgumentBlockSlot - 1));
    }
    return arguments;
}
