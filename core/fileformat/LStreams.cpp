#include "fileformat/LStreams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

// ---------------------------------------------------------------------------------------
// LOutputStreamByteArray

bool LOutputStreamByteArray::Write(const void* data, std::size_t size)
{
    if (!bytes_)
        return false;
    const std::size_t end = position_ + size;
    if (end > bytes_->size()) {
        // Grow by half again at least, so that a long run of small writes stays linear.
        if (end > bytes_->capacity())
            bytes_->reserve(std::max(end, bytes_->capacity() + bytes_->capacity() / 2));
        bytes_->resize(end);
    }
    if (size > 0)
        std::memcpy(bytes_->data() + position_, data, size);
    position_ = end;
    return true;
}

bool LOutputStreamByteArray::GetPosition(uint64_t& position)
{
    position = position_;
    return bytes_ != nullptr;
}

bool LOutputStreamByteArray::SeekAbsolute(uint64_t position)
{
    if (!bytes_ || position > bytes_->size())
        return false;
    position_ = static_cast<std::size_t>(position);
    return true;
}

// ---------------------------------------------------------------------------------------
// LOutputStreamFile

LOutputStreamFile::~LOutputStreamFile() = default;

bool LOutputStreamFile::WriteAt(const uint8_t* data, std::size_t size, uint64_t position)
{
    while (size > 0) {
        const ssize_t written = pwrite(fd_, data, size, static_cast<off_t>(position));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            failed_ = true;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
        position += static_cast<uint64_t>(written);
    }
    return true;
}

bool LOutputStreamFile::Flush()
{
    if (failed_ || fd_ < 0)
        return false;
    if (!buffer_.empty() && !WriteAt(buffer_.data(), buffer_.size(), bufferStart_))
        return false;
    buffer_.clear();
    bufferStart_ = position_;
    return true;
}

bool LOutputStreamFile::Write(const void* data, std::size_t size)
{
    if (failed_ || fd_ < 0)
        return false;
    const auto* bytes = static_cast<const uint8_t*>(data);
    const uint64_t bufferEnd = bufferStart_ + buffer_.size();
    if (position_ >= bufferStart_ && position_ <= bufferEnd &&
        (position_ - bufferStart_) + size <= kBufferSize) {
        const auto offset = static_cast<std::size_t>(position_ - bufferStart_);
        if (buffer_.capacity() < kBufferSize)
            buffer_.reserve(kBufferSize);
        if (offset + size > buffer_.size())
            buffer_.resize(offset + size);
        std::memcpy(buffer_.data() + offset, bytes, size);
        position_ += size;
        return true;
    }
    // Outside the buffer: an earlier chunk's size being patched in, or the buffer is full.
    if (!Flush())
        return false;
    if (size >= kBufferSize) {
        if (!WriteAt(bytes, size, position_))
            return false;
        position_ += size;
        bufferStart_ = position_;
        return true;
    }
    buffer_.assign(bytes, bytes + size);
    position_ += size;
    return true;
}

bool LOutputStreamFile::GetPosition(uint64_t& position)
{
    position = position_;
    return fd_ >= 0;
}

bool LOutputStreamFile::SeekAbsolute(uint64_t position)
{
    if (fd_ < 0 || failed_)
        return false;
    position_ = position;
    return true;
}

// ---------------------------------------------------------------------------------------
// LInputStream

bool LInputStream::SeekAbsolute(uint64_t position)
{
    const uint64_t here = GetPosition();
    if (position >= here)
        return SeekRelative(static_cast<int64_t>(std::min<uint64_t>(position - here, INT64_MAX)));
    return SeekRelative(-static_cast<int64_t>(std::min<uint64_t>(here - position, INT64_MAX)));
}

namespace {

template <class T>
bool ReadLittleEndian(LInputStream& stream, T& value)
{
    uint8_t bytes[sizeof(T)];
    if (stream.Read(bytes, sizeof bytes) != sizeof bytes)
        return false;
    std::make_unsigned_t<T> assembled = 0;
    for (std::size_t i = sizeof bytes; i-- > 0;)
        assembled = static_cast<std::make_unsigned_t<T>>((assembled << 8) | bytes[i]);
    value = static_cast<T>(assembled);
    return true;
}

} // namespace

bool LInputStream::ReadSInt32LE(int32_t& value)
{
    return ReadLittleEndian(*this, value);
}

bool LInputStream::ReadUInt32LE(uint32_t& value)
{
    return ReadLittleEndian(*this, value);
}

bool LInputStream::ReadUInt16LE(uint16_t& value)
{
    return ReadLittleEndian(*this, value);
}

bool LInputStream::ReadSInt64LE(int64_t& value)
{
    return ReadLittleEndian(*this, value);
}

bool LInputStream::ReadUInt64LE(uint64_t& value)
{
    return ReadLittleEndian(*this, value);
}

bool LInputStream::ReadFloatLE(float& value)
{
    uint32_t bits = 0;
    if (!ReadUInt32LE(bits))
        return false;
    std::memcpy(&value, &bits, sizeof value);
    return true;
}

// ---------------------------------------------------------------------------------------
// LInputStreamBuffer

std::size_t LInputStreamBuffer::Read(void* data, std::size_t size)
{
    const std::size_t count = std::min(size, size_ - position_);
    if (count > 0)
        std::memcpy(data, start_ + position_, count);
    position_ += count;
    return count;
}

bool LInputStreamBuffer::SeekRelative(int64_t offset)
{
    if (offset < 0) {
        const uint64_t back = uint64_t(0) - static_cast<uint64_t>(offset);
        if (back > position_) {
            position_ = 0;
            return false;
        }
        position_ -= static_cast<std::size_t>(back);
        return true;
    }
    const uint64_t forward = static_cast<uint64_t>(offset);
    if (forward > size_ - position_) {
        position_ = size_;
        return false;
    }
    position_ += static_cast<std::size_t>(forward);
    return true;
}

// ---------------------------------------------------------------------------------------
// LInputStreamFile

LInputStreamFile::LInputStreamFile(int fd) : fd_(fd)
{
    if (fd_ < 0)
        return;
    struct stat info {};
    if (fstat(fd_, &info) == 0 && info.st_size > 0)
        fileSize_ = static_cast<uint64_t>(info.st_size);
    const off_t here = lseek(fd_, 0, SEEK_CUR);
    filePosition_ = here > 0 ? static_cast<uint64_t>(here) : 0;
}

std::size_t LInputStreamFile::ReadFile(uint8_t* data, std::size_t size)
{
    std::size_t total = 0;
    while (total < size) {
        const ssize_t count = read(fd_, data + total, size - total);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        total += static_cast<std::size_t>(count);
    }
    filePosition_ += total;
    return total;
}

std::size_t LInputStreamFile::Read(void* data, std::size_t size)
{
    if (fd_ < 0)
        return 0;
    auto* out = static_cast<uint8_t*>(data);
    std::size_t total = 0;
    while (size > 0) {
        if (next_ < fill_) {
            const std::size_t count = std::min(size, fill_ - next_);
            std::memcpy(out + total, buffer_ + next_, count);
            next_ += count;
            total += count;
            size -= count;
            continue;
        }
        if (size > 256)
            return total + ReadFile(out + total, size);
        fill_ = ReadFile(buffer_, kBufferSize);
        next_ = 0;
        if (fill_ == 0)
            break;
    }
    return total;
}

bool LInputStreamFile::SeekRelative(int64_t offset)
{
    if (fd_ < 0)
        return false;
    const uint64_t here = GetPosition();
    uint64_t target = here;
    bool inside = true;
    if (offset < 0) {
        const uint64_t back = uint64_t(0) - static_cast<uint64_t>(offset);
        inside = back <= here;
        target = inside ? here - back : 0;
    } else {
        const uint64_t end = std::max(fileSize_, here);
        inside = static_cast<uint64_t>(offset) <= end - here;
        target = inside ? here + static_cast<uint64_t>(offset) : end;
    }
    // Within the buffered bytes the buffer stays.
    const uint64_t bufferStart = filePosition_ - fill_;
    if (target >= bufferStart && target <= filePosition_) {
        next_ = static_cast<std::size_t>(target - bufferStart);
        return inside;
    }
    if (lseek(fd_, static_cast<off_t>(target), SEEK_SET) < 0)
        return false;
    filePosition_ = target;
    fill_ = 0;
    next_ = 0;
    return inside;
}

uint64_t LInputStreamFile::Remaining() const
{
    const uint64_t here = GetPosition();
    return fileSize_ > here ? fileSize_ - here : 0;
}
