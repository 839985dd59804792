#include "fileformat/LSDFWriter.h"

#include <algorithm>
#include <cstring>

namespace {

void PutLittleEndian(uint8_t* out, uint64_t value, std::size_t width)
{
    for (std::size_t i = 0; i < width; ++i)
        out[i] = static_cast<uint8_t>(value >> (8 * i));
}

void ChunkHeader(uint8_t (&header)[kSDFChunkHeaderSize], uint16_t tag, uint16_t type, uint64_t size)
{
    PutLittleEndian(header, tag, 2);
    PutLittleEndian(header + 2, type, 2);
    PutLittleEndian(header + 4, size, 8);
}

} // namespace

bool LSDFWriter::WriteBytes(const void* data, std::size_t size)
{
    if (!ok_)
        return false;
    if (!stream_->Write(data, size))
        ok_ = false;
    return ok_;
}

bool LSDFWriter::Open(LOutputStream& stream, uint32_t fileType, uint16_t fileVersion)
{
    stream_ = &stream;
    fileVersion_ = fileVersion;
    stack_.clear();
    ok_ = stream.IsOpen();
    uint8_t header[kSDFFileHeaderSize];
    PutLittleEndian(header, kSDFMagic, 4);
    PutLittleEndian(header + 4, kSDFFormatVersion, 2);
    PutLittleEndian(header + 6, fileType, 4);
    PutLittleEndian(header + 10, fileVersion, 2);
    return WriteBytes(header, sizeof header) && StartChunk(0, eSDFContainer);
}

bool LSDFWriter::StartChunk(uint16_t tag, uint16_t type)
{
    uint8_t header[kSDFChunkHeaderSize];
    ChunkHeader(header, tag, type, 0);
    if (!WriteBytes(header, sizeof header))
        return false;
    uint64_t payloadStart = 0;
    if (!stream_->GetPosition(payloadStart))
        payloadStart = 0;
    stack_.emplace_back(tag, type, payloadStart, 0);
    return true;
}

bool LSDFWriter::EndChunk(uint16_t /*tag*/)
{
    if (!ok_ || stack_.empty())
        return false;
    const LSDFChunkInfo chunk = stack_.back();
    stack_.pop_back();
    uint64_t end = 0;
    if (!stream_->GetPosition(end) || end < chunk.payloadStart || chunk.payloadStart < 8) {
        ok_ = false;
        return false;
    }
    uint8_t size[8];
    PutLittleEndian(size, end - chunk.payloadStart, 8);
    if (!stream_->SeekAbsolute(chunk.payloadStart - 8) || !WriteBytes(size, sizeof size) ||
        !stream_->SeekAbsolute(end)) {
        ok_ = false;
        return false;
    }
    return true;
}

void LSDFWriter::WriteValue(uint16_t tag, uint16_t type, const void* payload, std::size_t size)
{
    // A value's length is known up front, so its header is written complete rather than
    // patched afterwards; the bytes are the same.
    uint8_t header[kSDFChunkHeaderSize];
    ChunkHeader(header, tag, type, size);
    if (WriteBytes(header, sizeof header))
        WriteBytes(payload, size);
}

void LSDFWriter::WriteInt(uint16_t tag, int32_t value)
{
    uint8_t payload[4];
    PutLittleEndian(payload, static_cast<uint32_t>(value), 4);
    WriteValue(tag, eSDFInt, payload, sizeof payload);
}

void LSDFWriter::WriteInt64(uint16_t tag, int64_t value)
{
    uint8_t payload[8];
    PutLittleEndian(payload, static_cast<uint64_t>(value), 8);
    WriteValue(tag, eSDFInt64, payload, sizeof payload);
}

void LSDFWriter::WriteBool(uint16_t tag, bool value)
{
    const uint8_t payload = value ? 1 : 0;
    WriteValue(tag, eSDFBool, &payload, 1);
}

void LSDFWriter::WriteFloat(uint16_t tag, float value)
{
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    uint8_t payload[4];
    PutLittleEndian(payload, bits, 4);
    WriteValue(tag, eSDFFloat, payload, sizeof payload);
}

void LSDFWriter::WriteString(uint16_t tag, std::string_view text)
{
    const std::size_t length = std::min(text.find('\0'), text.size());
    uint8_t header[kSDFChunkHeaderSize];
    ChunkHeader(header, tag, eSDFString, length + 1);
    const uint8_t zero = 0;
    if (WriteBytes(header, sizeof header) && WriteBytes(text.data(), length))
        WriteBytes(&zero, 1);
}

bool LSDFWriter::Close()
{
    if (!ok_) {
        stack_.clear();
        return true;
    }
    const bool rootClosed = EndChunk(0);
    stack_.clear();
    uint8_t trailer[4];
    PutLittleEndian(trailer, kSDFMagic, 4);
    const bool written = rootClosed && WriteBytes(trailer, sizeof trailer);
    ok_ = false;
    return written;
}
