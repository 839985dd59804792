#include "fileformat/LSDFReader.h"
#include "fileformat/LSDFWriter.h"

#include "support/SDFBytes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace sdf;

namespace {

using Ints = std::vector<int32_t>;

template <class Fill>
LByteArray Written(Fill fill)
{
    LByteArray bytes;
    LOutputStreamByteArray stream(bytes);
    LSDFWriter writer;
    EXPECT_TRUE(writer.Open(stream, 24, 4));
    fill(writer);
    EXPECT_TRUE(writer.IsOk());
    EXPECT_TRUE(writer.Close());
    return bytes;
}

// The ints of every chunk tagged 1, descending into containers tagged 10 and skipping
// everything else, in order; {-999} when the stream does not open.
Ints ReadInts(LInputStream& stream, bool* closedCleanly = nullptr)
{
    LSDFReader reader;
    if (!reader.Open(stream, 24))
        return {-999};
    Ints values;
    const auto read = [&](LSDFReaderChunkIterator it, const auto& self) -> void {
        for (int32_t value = 0; it.IsValid(); it.Next())
            if (it.Tag() == 1 && it.Current().ReadInt(value))
                values.push_back(value);
            else if (it.Tag() == 10)
                self(LSDFReaderChunkIterator(reader, it.Current()), self);
    };
    read(LSDFReaderChunkIterator(reader), read);
    const bool closed = reader.Close();
    if (closedCleanly)
        *closedCleanly = closed;
    return values;
}

Ints ReadInts(const LByteArray& bytes, bool* closedCleanly = nullptr)
{
    LInputStreamBuffer stream(bytes);
    return ReadInts(stream, closedCleanly);
}

} // namespace

TEST(LSDFWriter, ChunksByteForByte)
{
    const LByteArray empty = {'l', 's', 'd', 'f', 1, 0, 24, 0, 0, 0, 4, 0, // file header
                              0,   0,   0,   0,   0, 0, 0,  0, 0, 0, 0, 0, // root, size 0
                              'l', 's', 'd', 'f'};
    EXPECT_EQ(Written([](LSDFWriter&) {}), empty);
    const LByteArray intChunk = {0x05, 0x00, 0x02, 0x00, 0x04, 0x00, 0x00, 0x00,
                                 0x00, 0x00, 0x00, 0x00, 0xFE, 0xFF, 0xFF, 0xFF};
    const LByteArray emptyString = {0x09, 0x00, 0x06, 0x00, 0x01, 0, 0, 0, 0, 0, 0, 0, 0x00};
    EXPECT_EQ(Written([](LSDFWriter& w) {
                  w.WriteInt(5, -2);
                  w.WriteString(9, "");
                  w.WriteInt64(0x0101, 0x0102030405060708);
                  w.WriteBool(2, true);
                  w.WriteFloat(3, 1.5f);
                  w.WriteString(4, std::string("ab\0cd", 5)); // up to the first zero byte
                  // Container sizes are patched in, also of containers inside containers.
                  w.StartChunk(8);
                  w.StartChunk(7);
                  w.WriteInt(1, 42);
                  w.EndChunk(7);
                  w.EndChunk(8);
              }),
              Stream(24, 4,
                     {intChunk, emptyString, Int64(0x0101, 0x0102030405060708), Bool(2, true),
                      Float(3, 1.5f), Str(4, "ab"), Box(8, {Box(7, {Int(1, 42)})})}));
}

// Records to fill the file stream's buffer many times: sizes are patched in the buffer and in
// bytes written out, and the reader reads across its buffer's ends.
TEST(LSDFWriter, FileAndMemoryGiveTheSameBytesAndAFailedStreamStopsEverything)
{
    auto fill = [](LSDFWriter& w) {
        for (int i = 0; i < 5000; ++i) {
            w.StartChunk(10);
            w.WriteInt(1, i);
            w.WriteString(4, std::string(static_cast<std::size_t>(i % 700), 'x'));
            w.EndChunk(10);
        }
    };
    const LByteArray memory = Written(fill);
    TempDir dir;
    const std::string path = dir.Write("plan.qpp", "");
    const int fd = open(path.c_str(), O_RDWR | O_TRUNC);
    ASSERT_GE(fd, 0);
    {
        LOutputStreamFile stream(fd);
        LSDFWriter writer;
        ASSERT_TRUE(writer.Open(stream, 24, 4));
        fill(writer);
        ASSERT_TRUE(writer.Close());
        ASSERT_TRUE(stream.Flush());
    }
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(LByteArray(std::istreambuf_iterator<char>(in), {}) == memory);
    ASSERT_EQ(lseek(fd, 0, SEEK_SET), 0);
    LInputStreamFile stream(fd);
    bool closed = false;
    const Ints fromFile = ReadInts(stream, &closed);
    EXPECT_TRUE(closed);
    close(fd);
    EXPECT_GT(memory.size(), 1000000u);
    EXPECT_EQ(fromFile.size(), 5000u);
    EXPECT_EQ(fromFile, ReadInts(memory));
    // A failed stream stops everything.
    LOutputStreamFile failed(-1);
    LSDFWriter writer;
    EXPECT_FALSE(writer.Open(failed, 24, 4));
    EXPECT_FALSE(writer.IsOk() || writer.StartChunk(1));
    writer.WriteInt(2, 3);
    // Close reports success for a writer that had already failed: callers look first.
    EXPECT_TRUE(writer.Close());
}

TEST(LSDFReader, OpenChecksTheHeaderAndTheRoot)
{
    const LByteArray good = Stream(24, 4, {});
    LInputStreamBuffer stream(good);
    LSDFReader reader;
    EXPECT_TRUE(reader.Open(stream, 24));
    LInputStreamBuffer again(good);
    EXPECT_FALSE(reader.Open(again, 16));
    // The magic, the format version, the root's tag and type.
    for (const auto& [at, value] : {std::pair{0, 'L'}, {4, 2}, {12, 1}, {14, 2}}) {
        LByteArray bad = good;
        bad[at] = static_cast<uint8_t>(value);
        EXPECT_EQ(ReadInts(bad), Ints{-999}) << at;
    }
    EXPECT_EQ(ReadInts(LByteArray(good.begin(), good.begin() + 20)), Ints{-999});
    EXPECT_EQ(ReadInts({}), Ints{-999});
}

TEST(LSDFReader, UnknownChunksAreSkippedAtAnyDepthAndValuesHaveNoChildren)
{
    const LByteArray bytes =
            Stream(24, 4,
                   {Int(1, 1), Str(99, "unknown"), Int(10, 7),
                    Box(10, {Int(1, 2), Box(77, {Int(1, -1), Float(5, 2.f)}), Int64(98, 5),
                             Box(10, {Int(1, 3), Bool(97, true)}), Int(1, 4)}),
                    Box(10, {Box(10, {Int(1, 5)})}), Box(55, {}), Int(1, 6)});
    bool closed = false;
    EXPECT_EQ(ReadInts(bytes, &closed), (Ints{1, 2, 3, 4, 5, 6}));
    EXPECT_TRUE(closed);
}

TEST(LSDFReader, StringsIntoFixedFieldsAndGrowableText)
{
    const std::string long2000(2000, 'q');
    const LByteArray bytes = Stream(24, 4, {Str(1, long2000), Int(2, 77)});
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
    std::string notes;
    ASSERT_TRUE(LSDFReaderChunkIterator(reader).Current().ReadString(notes));
    EXPECT_EQ(notes, long2000);
}

TEST(LSDFReader, StoredSizesAreNotTrustedAndCutStreamsKeepWhatWasRead)
{
    // A string that claims 2^60 bytes, in a root that claims as much.
    LByteArray hugeString = Str(1, "x");
    hugeString[4 + 7] = 0x10;
    LByteArray bytes = Stream(24, 4, {hugeString});
    bytes[12 + 4 + 7] = 0x10;
    LInputStreamBuffer stream(bytes);
    LSDFReader reader;
    ASSERT_TRUE(reader.Open(stream, 24));
    LSDFReaderChunkIterator it(reader);
    ASSERT_TRUE(it.IsValid());
    std::string text = "unchanged";
    EXPECT_FALSE(it.Current().ReadString(text));
    EXPECT_EQ(text, "unchanged");
    EXPECT_FALSE(it.Next());
    // Inside a container, a child cannot reach beyond its parent: it ends where it does.
    const LByteArray contained = Stream(24, 4, {Box(10, {hugeString}), Int(1, 9)});
    LInputStreamBuffer containedStream(contained);
    ASSERT_TRUE(reader.Open(containedStream, 24));
    LSDFReaderChunkIterator outer(reader);
    LSDFReaderChunkIterator inner(reader, outer.Current());
    ASSERT_TRUE(inner.IsValid());
    EXPECT_EQ(inner.Current().size, 2u);
    EXPECT_TRUE(inner.Current().ReadString(text));
    EXPECT_EQ(text, "x");
    LByteArray greedy = Box(10, {Int(1, 2)});
    greedy[4] = 0xFF; // the container claims 255 bytes of a parent that has 28
    EXPECT_EQ(ReadInts(Stream(24, 4, {Box(10, {greedy}), Int(1, 9)})), (Ints{2, 9}));
    // Int chunks too short for their value are left out.
    EXPECT_EQ(ReadInts(Stream(24, 4, {Chunk(1, 2, {1, 2}), Chunk(1, 2, {1, 2, 3}), Int(1, 6)})),
              Ints{6});
    // Cut streams keep what was read.
    const LByteArray whole = Stream(24, 4, {Int(1, 1), Box(10, {Int(1, 2), Int(1, 3)}), Int(1, 4)});
    // Cut inside the header of the container's second child, then inside the last value.
    const std::size_t cutInHeader = 12 + 12 + 16 + 12 + 16 + 5;
    EXPECT_EQ(ReadInts(LByteArray(whole.begin(), whole.begin() + cutInHeader)), (Ints{1, 2}));
    EXPECT_EQ(ReadInts(LByteArray(whole.begin(), whole.end() - 6)), (Ints{1, 2, 3}));
    // A lost trailer shows only in Close().
    bool closed = true;
    EXPECT_EQ(ReadInts(LByteArray(whole.begin(), whole.end() - 4), &closed), (Ints{1, 2, 3, 4}));
    EXPECT_FALSE(closed);
}
