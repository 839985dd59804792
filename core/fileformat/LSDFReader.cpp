#include "fileformat/LSDFReader.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

// The character-buffer form of a string read takes at most this many bytes.
constexpr std::size_t kStringBufferBytes = 1560;

uint64_t SaturatingAdd(uint64_t a, uint64_t b)
{
    return b > std::numeric_limits<uint64_t>::max() - a ? std::numeric_limits<uint64_t>::max()
                                                        : a + b;
}

uint64_t LittleEndian(const uint8_t* bytes, int width)
{
    uint64_t value = 0;
    for (int i = width; i-- > 0;)
        value = (value << 8) | bytes[i];
    return value;
}

bool ReadChunkHeader(LInputStream& stream, LSDFChunkInfo& info)
{
    // One read for the whole header: a project holds hundreds of thousands of chunks.
    uint8_t header[kSDFChunkHeaderSize];
    if (stream.Read(header, sizeof header) != sizeof header)
        return false;
    info = LSDFChunkInfo(static_cast<uint16_t>(LittleEndian(header, 2)),
                         static_cast<uint16_t>(LittleEndian(header + 2, 2)), stream.GetPosition(),
                         LittleEndian(header + 4, 8));
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------
// LSDFReader

bool LSDFReader::Open(LInputStream& stream, uint32_t expectedFileType)
{
    stream_ = &stream;
    ok_ = false;
    formatVersion_ = 0;
    fileVersion_ = 0;
    root_ = LSDFChunkInfo();
    if (!stream.IsOpen())
        return false;
    uint32_t magic = 0;
    uint16_t formatVersion = 0;
    uint32_t fileType = 0;
    uint16_t fileVersion = 0;
    if (!stream.ReadUInt32LE(magic) || !stream.ReadUInt16LE(formatVersion) ||
        !stream.ReadUInt32LE(fileType) || !stream.ReadUInt16LE(fileVersion))
        return false;
    if (magic != kSDFMagic || formatVersion != kSDFFormatVersion || fileType != expectedFileType)
        return false;
    formatVersion_ = formatVersion;
    fileVersion_ = fileVersion;
    LSDFChunkInfo root;
    if (!ReadChunkHeader(stream, root) || root.tag != 0 || root.type != eSDFContainer)
        return false;
    root_ = root;
    ok_ = true;
    return true;
}

bool LSDFReader::StartNextChunk(LSDFChunkInfo& info)
{
    if (!ok_)
        return false;
    if (!ReadChunkHeader(*stream_, info))
        ok_ = false;
    return ok_;
}

bool LSDFReader::Close()
{
    if (!ok_)
        return true;
    ok_ = false;
    uint32_t trailer = 0;
    return stream_->ReadUInt32LE(trailer) && trailer == kSDFMagic;
}

// ---------------------------------------------------------------------------------------
// LSDFReaderChunk

bool LSDFReaderChunk::ReadString(std::string& text) const
{
    if (!stream || size > stream->Remaining())
        return false;
    std::string payload(static_cast<std::size_t>(size), '\0');
    if (stream->Read(payload.data(), payload.size()) != payload.size())
        return false;
    payload.resize(std::min(payload.find('\0'), payload.size()));
    text = std::move(payload);
    return true;
}

bool LSDFReaderChunk::ReadString(LFixedText& text) const
{
    if (!stream || size > stream->Remaining())
        return false;
    char buffer[kStringBufferBytes];
    const auto wanted = static_cast<std::size_t>(std::min<uint64_t>(size, sizeof buffer));
    if (stream->Read(buffer, wanted) != wanted)
        return false;
    if (size > wanted && !stream->SeekRelative(static_cast<int64_t>(size - wanted)))
        return false;
    const std::string_view stored(buffer, wanted);
    text = stored.substr(0, std::min(stored.find('\0'), stored.size()));
    return true;
}

bool LSDFReaderChunk::ReadInt(int32_t& value) const
{
    int32_t read = 0;
    if (!stream || size < 4 || !stream->ReadSInt32LE(read))
        return false;
    value = read;
    return true;
}

bool LSDFReaderChunk::ReadInt64(int64_t& value) const
{
    int64_t read = 0;
    if (!stream || size < 8 || !stream->ReadSInt64LE(read))
        return false;
    value = read;
    return true;
}

bool LSDFReaderChunk::ReadBool(bool& value) const
{
    uint8_t byte = 0;
    if (!stream || size < 1 || stream->Read(&byte, 1) != 1)
        return false;
    value = byte != 0;
    return true;
}

bool LSDFReaderChunk::ReadFloat(float& value) const
{
    float read = 0;
    if (!stream || size < 4 || !stream->ReadFloatLE(read))
        return false;
    value = read;
    return true;
}

// ---------------------------------------------------------------------------------------
// LSDFReaderChunkIterator

LSDFReaderChunkIterator::LSDFReaderChunkIterator(LSDFReader& reader) : reader_(reader)
{
    Begin(reader.GetRoot());
}

LSDFReaderChunkIterator::LSDFReaderChunkIterator(LSDFReader& reader, const LSDFReaderChunk& parent)
    : reader_(reader)
{
    Begin(parent);
}

void LSDFReaderChunkIterator::Begin(const LSDFChunkInfo& parent)
{
    current_.stream = &reader_.GetStream();
    end_ = SaturatingAdd(parent.payloadStart, parent.size);
    valid_ = reader_.IsOk() && parent.type == eSDFContainer;
    if (valid_)
        StartChild();
}

void LSDFReaderChunkIterator::StartChild()
{
    LInputStream& stream = reader_.GetStream();
    if (stream.GetPosition() >= end_) {
        valid_ = false;
        return;
    }
    LSDFChunkInfo info;
    if (!reader_.StartNextChunk(info)) {
        valid_ = false;
        return;
    }
    // A child never reaches beyond its parent, whatever its header claims.
    info.size = std::min(info.size, end_ > info.payloadStart ? end_ - info.payloadStart : 0);
    static_cast<LSDFChunkInfo&>(current_) = info;
}

bool LSDFReaderChunkIterator::Next()
{
    if (!valid_ || !reader_.IsOk()) {
        valid_ = false;
        return false;
    }
    // Continue behind the current child even if its reader stopped short or read past it,
    // so that one damaged value cannot shift everything after it.
    LInputStream& stream = reader_.GetStream();
    if (stream.GetPosition() != current_.End() && !stream.SeekAbsolute(current_.End())) {
        valid_ = false;
        return false;
    }
    StartChild();
    return valid_;
}
