#include "framework/LFixedText.h"

std::string LCutUtf8(std::string_view text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return std::string(text);
    std::size_t cut = maxBytes;
    // Step back over continuation bytes (10xxxxxx) to the lead byte of the character
    // that the cut would split. A UTF-8 character has at most three continuation
    // bytes; longer runs are not UTF-8 and are cut where they stand.
    for (int steps = 0; steps < 3 && cut > 0; ++steps) {
        const auto byte = static_cast<unsigned char>(text[cut]);
        if ((byte & 0xC0) != 0x80)
            break;
        --cut;
    }
    if (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        cut = maxBytes;
    return std::string(text.substr(0, cut));
}

namespace {

bool IsContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

std::size_t LUtf8Length(std::string_view text)
{
    std::size_t count = 0;
    for (char c : text)
        if (!IsContinuationByte(c))
            ++count;
    return count;
}

std::string_view LUtf8Prefix(std::string_view text, std::size_t count)
{
    std::size_t seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsContinuationByte(text[i]))
            continue;
        if (seen == count)
            return text.substr(0, i);
        ++seen;
    }
    return text;
}
