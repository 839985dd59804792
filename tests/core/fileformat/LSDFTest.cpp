#include "fileformat/LSDFReader.h"
#include "fileformat/LSDFWriter.h"

#include "support/SDFBytes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

template <class Fill>
LByteArray Written(Fill fill, uint32_t fileType = 24, uint16_t fileVersion = 4)
{
    LByteArray bytes;
    LOutputStreamByteArray stream(bytes);
    LSDFWriter writer;
    EXPECT_TRUE(writer.Open(stream, fileType, fileVersion));
    fill(writer);
    EXPECT_TRUE(writer.IsOk());
    EXPECT_TRUE(writer.Close());
    return bytes;
}

// A temporary file removed at the end of the test.
struct TempFile {
    std::string path;
    TempFile()
    {
        char name[] = "/tmp/kestrano-sdf-XXXXXX";
        const int fd = mkstemp(name);
        close(fd);
        path = name;
    }
    ~TempFile() { unlink(path.c_str()); }
};

} // namespace

// ---------------------------------------------------------------------------------------
// Writing

TEST(LSDFWriter, EmptyRootIs28Bytes)
{
    const LByteArray expected = {'l', 's', 'd', 'f', 1, 0, 24, 0, 0, 0, 4, 0, // file header
                                 0,   0,   0,   0,   0, 0, 0,  0, 0, 0, 0, 0, // root, size 0
                                 'l', 's', 'd', 'f'};
    EXPECT_EQ(Written([](LSDFWriter&) {}), expected);
}

TEST(LSDFWriter, ValueChunksByteForByte)
{
    const LByteArray intChunk = {0x05, 0x00, 0x02, 0x00, 0x04, 0x00, 0x00, 0x00,
                                 0x00, 0x00, 0x00, 0x00, 0xFE, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(Written([](LSDFWriter& w) { w.WriteInt(5, -2); }), sdf::Stream(24, 4, {intChunk}));

    const LByteArray emptyString = {0x09, 0x00, 0x06, 0x00, 0x01, 0, 0, 0, 0, 0, 0, 0, 0x00};
    EXPECT_EQ(Written([](LSDFWriter& w) { w.WriteString(9, ""); }),
              sdf::Stream(24, 4, {emptyString}));

    const LByteArray others = sdf::Join({
            {0x01, 0x01, 0x03, 0x00, 8,    0,    0,    0,    0,    0,
             0,    0,    0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01},
            {0x02, 0x00, 0x01, 0x00, 1, 0, 0, 0, 0, 0, 0, 0, 0x01},
            {0x03, 0x00, 0x04, 0x00, 4, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00, 0xC0, 0x3F},
            {0x04, 0x00, 0x06, 0x00, 3, 0, 0, 0, 0, 0, 0, 0, 'a', 'b', 0x00},
    });
    EXPECT_EQ(Written([](LSDFWriter& w) {
                  w.WriteInt64(0x0101, 0x0102030405060708);
                  w.WriteBool(2, true);
                  w.WriteFloat(3, 1.5f);
                  w.WriteString(4, std::string("ab\0cd", 5)); // up to the first zero byte
              }),
              sdf::Stream(24, 4, {others}));
}

TEST(LSDFWriter, ContainerSizesArePatchedIn)
{
    const LByteArray one = Written([](LSDFWriter& w) {
        w.StartChunk(7);
        w.WriteInt(1, 42);
        w.EndChunk(7);
    });
    EXPECT_EQ(one, sdf::Stream(24, 4, {sdf::Box(7, {sdf::Int(1, 42)})}));
    EXPECT_EQ(one[12 + 12 + 4], 16); // the container's size: 12 header + 4 payload

    const LByteArray two = Written([](LSDFWriter& w) {
        w.StartChunk(8);
        w.StartChunk(7);
        w.WriteInt(1, 42);
        w.EndChunk(7);
        w.EndChunk(8);
    });
    EXPECT_EQ(two, sdf::Stream(24, 4, {sdf::Box(8, {sdf::Box(7, {sdf::Int(1, 42)})})}));
    EXPECT_EQ(two[12 + 12 + 4], 28);
}

TEST(LSDFWriter, FileAndMemoryGiveTheSameBytes)
{
    // Enough records to fill the file stream's buffer several times, so that sizes are
    // patched both inside the buffer and in bytes already written out.
    auto fill = [](LSDFWriter& w) {
        w.StartChunk(1);
        for (int i = 0; i < 20000; ++i) {
            w.StartChunk(2);
            w.WriteInt(3, i);
            w.WriteString(4, std::string(static_cast<std::size_t>(i % 50), 'x'));
            w.EndChunk(2);
        }
        w.EndChunk(1);
    };
    const LByteArray memory = Written(fill);

    TempFile file;
    const int fd = open(file.path.c_str(), O_RDWR | O_TRUNC);
    ASSERT_GE(fd, 0);
    {
        LOutputStreamFile stream(fd);
        LSDFWriter writer;
        ASSERT_TRUE(writer.Open(stream, 24, 4));
        fill(writer);
        ASSERT_TRUE(writer.Close());
        ASSERT_TRUE(stream.Flush());
    }
    close(fd);
    LByteArray onDisk(memory.size() + 10);
    FILE* in = std::fopen(file.path.c_str(), "rb");
    onDisk.resize(std::fread(onDisk.data(), 1, onDisk.size(), in));
    std::fclose(in);
    EXPECT_GT(memory.size(), 1000000u);
    EXPECT_TRUE(onDisk == memory);
}

TEST(LSDFWriter, AFailedStreamStopsEverything)
{
    LOutputStreamFile closed(-1);
    LSDFWriter writer;
    EXPECT_FALSE(writer.Open(closed, 24, 4));
    EXPECT_FALSE(writer.IsOk());
    EXPECT_FALSE(writer.StartChunk(1));
    writer.WriteInt(2, 3);
    // Close reports success for a writer that had already failed: callers look first.
    EXPECT_TRUE(writer.Close());
}

// ---------------------------------------------------------------------------------------
// Reading

namespace {

// Reads the ints of every chunk tagged 1, descending into containers tagged 10, and
// ignoring everything else; returns them in order.
std::vector<int32_t> ReadInts(LSDFReader& reader, LSDFReaderChunkIterator& it)
{
    std::vector<int32_t> values;
    for (; it.IsValid(); it.Next()) {
        if (it.Tag() == 1) {
            int32_t value = 0;
            if (it.Current().ReadInt(value))
                values.push_back(value);
        } else if (it.Tag() == 10) {
            LSDFReaderChunkIterator inner(reader, it.Current());
            for (int32_t v : ReadInts(reader, inner))
                values.push_back(v);
        }
    }
    return values;
}

std::vector<int32_t> ReadInts(const LByteArray& bytes, bool* closedCleanly = nullptr)
{
    LInputStreamBuffer stream(bytes);
    LSDFReader reader;
    if (!reader.Open(stream, 24))
        return {-999};
    LSDFReaderChunkIterator it(reader);
    std::vector<int32_t> values = ReadInts(reader, it);
    const bool closed = reader.Close();
    if (closedCleanly)
        *closedCleanly = closed;
    return values;
}

} // namespace

TEST(LSDFReader, OpenChecksTheHeaderAndTheRoot)
{
    const LByteArray good = sdf::Stream(24, 4, {});
    LInputStreamBuffer stream(good);
    LSDFReader reader;
    EXPECT_TRUE(reader.Open(stream, 24));
    EXPECT_EQ(reader.GetFileVersion(), 4);
    EXPECT_EQ(reader.GetFormatVersion(), 1);

    auto opens = [](const LByteArray& bytes, uint32_t type) {
        LInputStreamBuffer in(bytes);
        LSDFReader r;
        return r.Open(in, type);
    };
    EXPECT_FALSE(opens(good, 16));
    LByteArray badMagic = good;
    badMagic[0] = 'L';
    EXPECT_FALSE(opens(badMagic, 24));
    LByteArray badFormat = good;
    badFormat[4] = 2;
    EXPECT_FALSE(opens(badFormat, 24));
    LByteArray rootTag = good;
    rootTag[12] = 1;
    EXPECT_FALSE(opens(rootTag, 24));
    LByteArray rootType = good;
    rootType[14] = 2;
    EXPECT_FALSE(opens(rootType, 24));
    EXPECT_FALSE(opens(LByteArray(good.begin(), good.begin() + 20), 24));
    EXPECT_FALSE(opens({}, 24));
}

TEST(LSDFReader, UnknownChunksAreSkippedAtAnyDepth)
{
    const LByteArray bytes = sdf::Stream(
            24, 4,
            {sdf::Int(1, 1), sdf::Str(99, "unknown"),
             sdf::Box(10, {sdf::Int(1, 2), sdf::Box(77, {sdf::Int(1, -1), sdf::Float(5, 2.f)}),
                           sdf::Int64(98, 5), sdf::Box(10, {sdf::Int(1, 3), sdf::Bool(97, true)}),
                           sdf::Int(1, 4)}),
             sdf::Box(55, {}), sdf::Int(1, 5)});
    bool closed = false;
    EXPECT_EQ(ReadInts(bytes, &closed), (std::vector<int32_t>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(closed);
}

TEST(LSDFReader, ValueChunksHaveNoChildren)
{
    const LByteArray bytes = sdf::Stream(24, 4, {sdf::Int(10, 7), sdf::Int(1, 8)});
    EXPECT_EQ(ReadInts(bytes), (std::vector<int32_t>{8}));
}

TEST(LSDFReader, StringsIntoFixedFieldsAndGrowableText)
{
    const std::string long2000(2000, 'q');
    const LByteArray bytes = sdf::Stream(24, 4, {sdf::Str(1, long2000), sdf::Int(2, 77)});
    LInputStreamBuffer stream(bytes);
    LSDFReader reader;
    ASSERT_TRUE(reader.Open(stream, 24));
    LSDFReaderChunkIterator it(reader);
    ASSERT_TRUE(it.IsValid());
    LFixedText field;
    ASSERT_TRUE(it.Current().ReadString(field));
    EXPECT_EQ(field.str(), std::string(259, 'q'));
    // The rest of the 2000 bytes was read past: the stream stands at the payload's end.
    EXPECT_EQ(stream.GetPosition(), it.Current().End());
    ASSERT_TRUE(it.Next());
    int32_t value = 0;
    EXPECT_TRUE(it.Current().ReadInt(value));
    EXPECT_EQ(value, 77);

    LInputStreamBuffer again(bytes);
    ASSERT_TRUE(reader.Open(again, 24));
    LSDFReaderChunkIterator first(reader);
    std::string notes;
    ASSERT_TRUE(first.Current().ReadString(notes));
    EXPECT_EQ(notes, long2000);
}

TEST(LSDFReader, TruncatedStreamsKeepWhatWasRead)
{
    const LByteArray whole = sdf::Stream(
            24, 4,
            {sdf::Int(1, 1), sdf::Box(10, {sdf::Int(1, 2), sdf::Int(1, 3)}), sdf::Int(1, 4)});
    EXPECT_EQ(ReadInts(whole), (std::vector<int32_t>{1, 2, 3, 4}));
    // Cut inside the header of the container's second child, then inside the last value.
    const std::size_t cutInHeader = 12 + 12 + 16 + 12 + 16 + 5;
    EXPECT_EQ(ReadInts(LByteArray(whole.begin(), whole.begin() + cutInHeader)),
              (std::vector<int32_t>{1, 2}));
    const std::size_t cutInValue = whole.size() - 4 - 2;
    EXPECT_EQ(ReadInts(LByteArray(whole.begin(), whole.begin() + cutInValue)),
              (std::vector<int32_t>{1, 2, 3}));
    // A lost trailer shows only in Close().
    bool closed = true;
    EXPECT_EQ(ReadInts(LByteArray(whole.begin(), whole.end() - 4), &closed),
              (std::vector<int32_t>{1, 2, 3, 4}));
    EXPECT_FALSE(closed);
}

TEST(LSDFReader, StoredSizesAreNotTrusted)
{
    // A string that claims 2^60 bytes, a container that claims more than its parent holds,
    // and an int chunk too short for its value.
    LByteArray hugeString = sdf::Str(1, "x");
    hugeString[4 + 7] = 0x10;
    LByteArray bytes = sdf::Stream(24, 4, {hugeString});
    bytes[12 + 4 + 7] = 0x10; // and so does the root that holds it
    LInputStreamBuffer stream(bytes);
    LSDFReader reader;
    ASSERT_TRUE(reader.Open(stream, 24));
    LSDFReaderChunkIterator it(reader);
    ASSERT_TRUE(it.IsValid());
    std::string text = "unchanged";
    EXPECT_FALSE(it.Current().ReadString(text));
    EXPECT_EQ(text, "unchanged");
    EXPECT_FALSE(it.Next());

    // Inside a container, a child cannot reach beyond its parent.
    const LByteArray contained = sdf::Stream(24, 4, {sdf::Box(10, {hugeString}), sdf::Int(1, 9)});
    LInputStreamBuffer containedStream(contained);
    ASSERT_TRUE(reader.Open(containedStream, 24));
    LSDFReaderChunkIterator outer(reader);
    LSDFReaderChunkIterator inner(reader, outer.Current());
    ASSERT_TRUE(inner.IsValid());
    EXPECT_EQ(inner.Current().size, 2u);
    EXPECT_TRUE(inner.Current().ReadString(text));
    EXPECT_EQ(text, "x");

    LByteArray greedy = sdf::Box(10, {sdf::Int(1, 2)});
    greedy[4] = 0xFF; // the container claims 255 bytes of a parent that has 28
    const LByteArray nested = sdf::Stream(24, 4, {sdf::Box(10, {greedy}), sdf::Int(1, 9)});
    EXPECT_EQ(ReadInts(nested), (std::vector<int32_t>{2, 9}));

    const LByteArray shortInt = sdf::Stream(24, 4, {sdf::Chunk(1, 2, {1, 2}), sdf::Int(1, 6)});
    EXPECT_EQ(ReadInts(shortInt), (std::vector<int32_t>{6}));
}

TEST(LSDFReader, FileReaderMatchesMemoryReader)
{
    LByteArray bytes;
    {
        LOutputStreamByteArray stream(bytes);
        LSDFWriter writer;
        writer.Open(stream, 24, 4);
        for (int i = 0; i < 3000; ++i) {
            writer.StartChunk(10);
            writer.WriteInt(1, i);
            writer.WriteString(99, std::string(static_cast<std::size_t>(i % 700), 's'));
            writer.EndChunk(10);
        }
        writer.Close();
    }
    TempFile file;
    FILE* out = std::fopen(file.path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);

    const int fd = open(file.path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    LInputStreamFile stream(fd);
    LSDFReader reader;
    ASSERT_TRUE(reader.Open(stream, 24));
    LSDFReaderChunkIterator it(reader);
    const std::vector<int32_t> fromFile = ReadInts(reader, it);
    EXPECT_TRUE(reader.Close());
    close(fd);
    ASSERT_EQ(fromFile.size(), 3000u);
    EXPECT_EQ(fromFile, ReadInts(bytes));
}
