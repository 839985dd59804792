#pragma once

#include "framework/LByteArray.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Where an SDF writer puts its bytes. Positions are absolute byte offsets from the start.
class LOutputStream {
public:
    virtual ~LOutputStream() = default;
    virtual bool IsOpen() const = 0;
    virtual bool Write(const void* data, std::size_t size) = 0;
    virtual bool GetPosition(uint64_t& position) = 0;
    virtual bool SeekAbsolute(uint64_t position) = 0;
};

// Writes into a growable byte array, for element images kept in memory.
class LOutputStreamByteArray : public LOutputStream {
public:
    explicit LOutputStreamByteArray(LByteArray& bytes) : bytes_(&bytes) { bytes_->clear(); }

    bool IsOpen() const override { return bytes_ != nullptr; }
    bool Write(const void* data, std::size_t size) override;
    bool GetPosition(uint64_t& position) override;
    // A position beyond the bytes written so far is ignored.
    bool SeekAbsolute(uint64_t position) override;

private:
    LByteArray* bytes_;
    std::size_t position_ = 0;
};

// Writes into an open file descriptor. Writes are gathered in a buffer so that a whole
// project costs a few system calls; the chunk sizes patched in afterwards land in the
// buffer while it still holds them, and in the file otherwise. Flush() must succeed for
// the bytes to be in the file.
class LOutputStreamFile : public LOutputStream {
public:
    explicit LOutputStreamFile(int fd) : fd_(fd) {}
    ~LOutputStreamFile() override;
    LOutputStreamFile(const LOutputStreamFile&) = delete;
    LOutputStreamFile& operator=(const LOutputStreamFile&) = delete;

    bool IsOpen() const override { return fd_ >= 0; }
    bool Write(const void* data, std::size_t size) override;
    bool GetPosition(uint64_t& position) override;
    bool SeekAbsolute(uint64_t position) override;
    // Writes out what the buffer holds. False once any write has failed.
    bool Flush();

private:
    bool WriteAt(const uint8_t* data, std::size_t size, uint64_t position);

    static constexpr std::size_t kBufferSize = 256 * 1024;
    int fd_;
    bool failed_ = false;
    uint64_t position_ = 0;
    uint64_t bufferStart_ = 0; // file offset of buffer_[0]
    std::vector<uint8_t> buffer_;
};

// Where an SDF reader takes its bytes from.
class LInputStream {
public:
    virtual ~LInputStream() = default;
    virtual bool IsOpen() const = 0;
    // Reads up to `size` bytes; returns how many were read.
    virtual std::size_t Read(void* data, std::size_t size) = 0;
    virtual uint64_t GetPosition() const = 0;
    // Moves by `offset` bytes, never before the start nor beyond the end.
    virtual bool SeekRelative(int64_t offset) = 0;
    // Bytes between the position and the end of the stream.
    virtual uint64_t Remaining() const = 0;

    bool SeekAbsolute(uint64_t position);
    bool ReadSInt32LE(int32_t& value);
    bool ReadUInt32LE(uint32_t& value);
    bool ReadUInt16LE(uint16_t& value);
    bool ReadSInt64LE(int64_t& value);
    bool ReadUInt64LE(uint64_t& value);
    bool ReadFloatLE(float& value);
};

// Reads from a byte array that someone else owns and keeps alive.
class LInputStreamBuffer : public LInputStream {
public:
    LInputStreamBuffer(const uint8_t* data, std::size_t size) : start_(data), size_(size) {}
    explicit LInputStreamBuffer(const LByteArray& bytes)
        : LInputStreamBuffer(bytes.data(), bytes.size())
    {}

    bool IsOpen() const override { return start_ != nullptr || size_ == 0; }
    std::size_t Read(void* data, std::size_t size) override;
    uint64_t GetPosition() const override { return position_; }
    bool SeekRelative(int64_t offset) override;
    uint64_t Remaining() const override { return size_ - position_; }

private:
    const uint8_t* start_;
    std::size_t size_;
    std::size_t position_ = 0;
};

// Reads a file through an 8192-byte buffer; larger requests that meet an empty buffer go
// straight to the file.
class LInputStreamFile : public LInputStream {
public:
    explicit LInputStreamFile(int fd);

    bool IsOpen() const override { return fd_ >= 0; }
    std::size_t Read(void* data, std::size_t size) override;
    uint64_t GetPosition() const override { return filePosition_ - (fill_ - next_); }
    bool SeekRelative(int64_t offset) override;
    uint64_t Remaining() const override;

private:
    std::size_t ReadFile(uint8_t* data, std::size_t size);

    static constexpr std::size_t kBufferSize = 8192;
    int fd_;
    uint64_t fileSize_ = 0;
    uint64_t filePosition_ = 0; // where the next read from the file starts
    uint8_t buffer_[kBufferSize];
    std::size_t fill_ = 0;
    std::size_t next_ = 0;
};
