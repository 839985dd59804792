#pragma once

// SDF streams written out by hand, byte by byte, so that the writer and the readers can
// be checked against something they did not produce themselves.

#include "framework/LByteArray.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string_view>

namespace sdf {

inline void Append(LByteArray& out, uint64_t value, int width)
{
    for (int i = 0; i < width; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline LByteArray Join(std::initializer_list<LByteArray> parts)
{
    LByteArray out;
    for (const LByteArray& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

inline LByteArray Chunk(uint16_t tag, uint16_t type, const LByteArray& payload)
{
    LByteArray out;
    Append(out, tag, 2);
    Append(out, type, 2);
    Append(out, payload.size(), 8);
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

inline LByteArray Box(uint16_t tag, std::initializer_list<LByteArray> children)
{
    return Chunk(tag, 0, Join(children));
}

inline LByteArray Int(uint16_t tag, int32_t value)
{
    LByteArray payload;
    Append(payload, static_cast<uint32_t>(value), 4);
    return Chunk(tag, 2, payload);
}

inline LByteArray Int64(uint16_t tag, int64_t value)
{
    LByteArray payload;
    Append(payload, static_cast<uint64_t>(value), 8);
    return Chunk(tag, 3, payload);
}

inline LByteArray Bool(uint16_t tag, bool value)
{
    return Chunk(tag, 1, LByteArray{static_cast<uint8_t>(value ? 1 : 0)});
}

inline LByteArray Float(uint16_t tag, float value)
{
    uint32_t bits = 0;
    std::memcpy(&bits, &value, 4);
    LByteArray payload;
    Append(payload, bits, 4);
    return Chunk(tag, 4, payload);
}

inline LByteArray Str(uint16_t tag, std::string_view text)
{
    LByteArray payload(text.begin(), text.end());
    payload.push_back(0);
    return Chunk(tag, 6, payload);
}

inline LByteArray Stream(uint32_t fileType, uint16_t fileVersion,
                         std::initializer_list<LByteArray> rootChildren)
{
    LByteArray out = {'l', 's', 'd', 'f', 1, 0};
    Append(out, fileType, 4);
    Append(out, fileVersion, 2);
    const LByteArray root = Box(0, rootChildren);
    out.insert(out.end(), root.begin(), root.end());
    out.insert(out.end(), {'l', 's', 'd', 'f'});
    return out;
}

} // namespace sdf
