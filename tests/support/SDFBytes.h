#pragma once

// SDF streams written out by hand, byte by byte, so that the writer and the readers can
// be checked against something they did not produce themselves.

#include "framework/LByteArray.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string_view>

namespace sdf {

// `value` in `width` bytes, least significant first, after `out`.
inline LByteArray Append(LByteArray out, uint64_t value, int width)
{
    for (int i = 0; i < width; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    return out;
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
    return Join({Append(Append(Append({}, tag, 2), type, 2), payload.size(), 8), payload});
}

inline LByteArray Box(uint16_t tag, std::initializer_list<LByteArray> children)
{
    return Chunk(tag, 0, Join(children));
}

inline LByteArray Int(uint16_t tag, int32_t value)
{
    return Chunk(tag, 2, Append({}, static_cast<uint32_t>(value), 4));
}

inline LByteArray Int64(uint16_t tag, int64_t value)
{
    return Chunk(tag, 3, Append({}, static_cast<uint64_t>(value), 8));
}

inline LByteArray Bool(uint16_t tag, bool value)
{
    return Chunk(tag, 1, LByteArray{static_cast<uint8_t>(value ? 1 : 0)});
}

inline LByteArray Float(uint16_t tag, float value)
{
    uint32_t bits = 0;
    std::memcpy(&bits, &value, 4);
    return Chunk(tag, 4, Append({}, bits, 4));
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
    return Join({Append(Append({'l', 's', 'd', 'f', 1, 0}, fileType, 4), fileVersion, 2),
                 Box(0, rootChildren),
                 {'l', 's', 'd', 'f'}});
}

} // namespace sdf
