#pragma once

#include "fileformat/LStreams.h"

#include <cstdint>
#include <string_view>
#include <vector>

// The SDF container: a 12-byte file header ("lsdf", format version 1, file type, file
// version), one root chunk holding a tree of chunks, and the magic again as a trailer.
// Every chunk has a 12-byte header (16-bit tag, 16-bit type, 64-bit payload size), so a
// reader can step over any chunk it does not know. All numbers are little-endian.
inline constexpr uint32_t kSDFMagic = 0x6664736C; // "lsdf"
inline constexpr uint16_t kSDFFormatVersion = 1;
inline constexpr std::size_t kSDFFileHeaderSize = 12;
inline constexpr std::size_t kSDFChunkHeaderSize = 12;

enum eSDFChunkType : uint16_t {
    eSDFContainer = 0,
    eSDFBool = 1,
    eSDFInt = 2,
    eSDFInt64 = 3,
    eSDFFloat = 4,
    eSDFString = 6,
};

// One chunk: its tag, type, where its payload starts and how long it is.
struct LSDFChunkInfo {
    LSDFChunkInfo() = default;
    LSDFChunkInfo(uint16_t chunkTag, uint16_t chunkType, uint64_t start, uint64_t length)
        : tag(chunkTag), type(chunkType), payloadStart(start), size(length)
    {}

    uint16_t tag = 0xFFFF;
    uint16_t type = 0xFFFF;
    uint64_t payloadStart = 0;
    uint64_t size = 0;
};

// Writes an SDF stream in one pass. Container sizes are patched in when the container is
// closed, so payload lengths never need to be known in advance. The first failed write
// makes the writer not ok and every later call a no-op.
class LSDFWriter {
public:
    bool Open(LOutputStream& stream, uint32_t fileType, uint16_t fileVersion);
    bool StartChunk(uint16_t tag, uint16_t type = eSDFContainer);
    // Closes the most recently opened chunk; the tag is the caller's reminder only.
    bool EndChunk(uint16_t tag);
    void WriteInt(uint16_t tag, int32_t value);
    void WriteInt64(uint16_t tag, int64_t value);
    void WriteBool(uint16_t tag, bool value);
    void WriteFloat(uint16_t tag, float value);
    // The text up to its first zero byte, followed by one zero byte.
    void WriteString(uint16_t tag, std::string_view text);
    // Closes the root and writes the trailer. True also for a writer that had already
    // failed: callers that need to know look at IsOk() first.
    bool Close();

    bool IsOk() const { return ok_; }
    uint16_t GetFileVersion() const { return fileVersion_; }

private:
    bool WriteBytes(const void* data, std::size_t size);
    void WriteValue(uint16_t tag, uint16_t type, const void* payload, std::size_t size);

    LOutputStream* stream_ = nullptr;
    bool ok_ = false;
    uint16_t fileVersion_ = 0;
    std::vector<LSDFChunkInfo> stack_;
};
