#pragma once

#include "fileformat/LSDFWriter.h"
#include "fileformat/LStreams.h"
#include "framework/LFixedText.h"

#include <cstdint>
#include <string>

// Reads an SDF stream. The reader never trusts a stored size: a chunk cannot reach beyond
// its parent, nothing larger than the bytes left in the stream is allocated, and reading
// stops cleanly at the first chunk header that is cut short.
class LSDFReader {
public:
    // Checks the file header (magic, format version 1, the expected file type) and reads
    // the root chunk's header, which must have tag 0 and type 0.
    bool Open(LInputStream& stream, uint32_t expectedFileType);
    // Reads the chunk header at the current position.
    bool StartNextChunk(LSDFChunkInfo& info);
    // Checks the trailer. True also for a reader that was already not ok.
    bool Close();

    bool IsOk() const { return ok_; }
    uint16_t GetFormatVersion() const { return formatVersion_; }
    uint16_t GetFileVersion() const { return fileVersion_; }
    const LSDFChunkInfo& GetRoot() const { return root_; }
    LInputStream& GetStream() const { return *stream_; }

private:
    LInputStream* stream_ = nullptr;
    bool ok_ = false;
    uint16_t formatVersion_ = 0;
    uint16_t fileVersion_ = 0;
    LSDFChunkInfo root_;
};

// A chunk met while iterating, with the stream to read its value from.
class LSDFReaderChunk : public LSDFChunkInfo {
public:
    LInputStream* stream = nullptr;

    // The whole payload up to its first zero byte; unchanged when the payload cannot be
    // read in full.
    bool ReadString(std::string& text) const;
    // A short text field: the first 1560 bytes of the payload (the rest is skipped), up to
    // the first zero byte, cut to the field's 259 bytes.
    bool ReadString(LFixedText& text) const;
    // Values are read only when the payload is wide enough; otherwise the destination is
    // left as it was.
    bool ReadInt(int32_t& value) const;
    bool ReadInt64(int64_t& value) const;
    bool ReadBool(bool& value) const;
    bool ReadFloat(float& value) const;

    uint64_t End() const { return payloadStart + size; }
};

// Walks the children of the root or of one container chunk. The caller looks at each
// child's tag and reads, descends into or ignores it; Next() moves on to the following
// child wherever the caller left the stream.
class LSDFReaderChunkIterator {
public:
    explicit LSDFReaderChunkIterator(LSDFReader& reader);
    LSDFReaderChunkIterator(LSDFReader& reader, const LSDFReaderChunk& parent);

    bool IsValid() const { return valid_ && reader_.IsOk(); }
    const LSDFReaderChunk& Current() const { return current_; }
    uint16_t Tag() const { return current_.tag; }
    bool Next();

private:
    void Begin(const LSDFChunkInfo& parent);
    void StartChild();

    LSDFReader& reader_;
    LSDFReaderChunk current_;
    uint64_t end_ = 0;
    bool valid_ = false;
};
