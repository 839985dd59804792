// The SDF stream a project file is made of, then the project file itself.

#include "fileformat/LSDFReader.h"
#include "fileformat/LSDFWriter.h"
#include "fileformat/QPFileTags.h"
#include "model/QPProject.h"

#include "support/ReadEverything.h"
#include "support/TempDir.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <bit>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <string>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// SDF streams written out by hand, byte by byte, so that the writer and the readers can
// be checked against something they did not produce themselves. Appends `value` in
// `width` bytes, least significant first.
LByteArray Append(LByteArray out, uint64_t value, int width)
{
    for (int i = 0; i < width; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    return out;
}

LByteArray Join(std::initializer_list<LByteArray> parts)
{
    LByteArray out;
    for (const LByteArray& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

LByteArray Chunk(uint16_t tag, uint16_t type, const LByteArray& payload)
{
    return Join({Append(Append(Append({}, tag, 2), type, 2), payload.size(), 8), payload});
}

LByteArray Box(uint16_t tag, std::initializer_list<LByteArray> children)
{
    return Chunk(tag, 0, Join(children));
}

LByteArray Int(uint16_t tag, int32_t value)
{
    return Chunk(tag, 2, Append({}, static_cast<uint32_t>(value), 4));
}

LByteArray Int64(uint16_t tag, int64_t value)
{
    return Chunk(tag, 3, Append({}, static_cast<uint64_t>(value), 8));
}

LByteArray Bool(uint16_t tag, bool value)
{
    return Chunk(tag, 1, {uint8_t(value)});
}

LByteArray Float(uint16_t tag, float value)
{
    return Chunk(tag, 4, Append({}, std::bit_cast<uint32_t>(value), 4));
}

LByteArray Str(uint16_t tag, std::string_view text)
{
    return Chunk(tag, 6, Join({LByteArray(text.begin(), text.end()), {0}}));
}

LByteArray Stream(uint32_t fileType, uint16_t fileVersion,
                  std::initializer_list<LByteArray> rootChildren)
{
    return Join({Append(Append({'l', 's', 'd', 'f', 1, 0}, fileType, 4), fileVersion, 2),
                 Box(0, rootChildren),
                 {'l', 's', 'd', 'f'}});
}

template <class T>
std::unique_ptr<T> Named(const std::string& name)
{
    auto element = std::make_unique<T>();
    element->name = name;
    return element;
}

// Every stored field away from its default, a header, one of each sub-record, a baseline
// and the last update state (with KESTRANO_NOW at 2026-12-06 08:30:00).
void BuildEveryField(QPProject& project)
{
    project.SetName("Site");
    project.projectStart = LocalTime(2026, 12, 6, 14, 30); // only the day is kept
    QPSchedule& days = *project.GetDefaultSchedule();
    days.regularWorkWeek = 36 * 3600;
    days.workWeekStart = eMonday;
    days.shiftDuration[eSaturday] = 6 * 3600;
    days.shiftStart[eSaturday] = LDayTime(9 * 3600);
    days.AddException(LocalTime(2045, 7, 1), 3600); // beyond 32 bits
    QPTask& dig = project.ElementAdd(Named<QPTask>("Dig"), false);
    dig.durationText = "8";
    dig.notes = "Two lines\nof notes, ünïcödé.";
    dig.percentComplete = 40;
    dig.constraintType = eConstraintFinishBefore;
    dig.taskType = eTaskTypeFixedDuration;
    dig.autoSchedule = false;
    dig.milestone = true;
    dig.start = LocalTime(2026, 12, 7, 8);
    dig.finish = LocalTime(2026, 12, 8, 15, 30);
    dig.constraintDate = LocalTime(2026, 12, 1, 12);
    dig.displayStart = LocalTime(2026, 12, 7, 9, 15, 5);
    dig.scheduleKey = days.key;
    dig.freeSlack = -3600;
    dig.totalSlack = 3 * 86400;
    dig.scheduledCost = 9876543210;
    dig.scheduledCostToDate = -5;
    QPTask& pour = project.ElementAdd(Named<QPTask>("Pour"), false);
    pour.durationText = "7,5";
    QPResource& rita = project.ElementAdd(Named<QPResource>("Rita"), false);
    rita.email = "rita@example.com";
    rita.notes = "Knows the crane.";
    rita.scheduleKey = days.key;
    rita.reserved = 7;
    rita.regularCost = 123456;
    rita.overtimeCost = 654321;
    rita.hourlyRate = 4550;
    rita.overtimeRate = 6825;
    rita.sendProjectUpdates = true;
    rita.sendTaskUpdates = false;
    rita.AddException(LocalTime(2026, 12, 24, 9), 28800);
    pour.AddDependency(dig.key, eStartToFinish, 1.5f);
    pour.AddResourceAssignment(rita.key, 50);
    QPTask& works = project.ElementAdd(Named<QPTask>("Works"), false);
    works.isHeader = true;
    works.hideSubtasks = true;
    works.subtaskKeys = {dig.key, pour.key};
    project.options.SetCurrencyCode("EUR");
    project.options.SetCurrencySymbol("€");
    project.options.SetCurrencyName("Euro");
    project.options.SetDecimalSymbol(",");
    project.options.SetThousandsSymbol(".");
    project.options.SetCurrencyPosition(1);
    project.options.SetCurrencyDigits(0);
    project.options.SetDateFormat(eDateFormatNumeric, eDateOrderYearMonthDay, '-');
    project.BaselineAdd("Approved");
    project.SetAsLastTaskUpdateState();
    // Not stored, so not in the bytes.
    dig.headerKey = works.key;
    dig.successorIDs = {2};
    dig.freeSlackSuccessorID = 2;
    dig.scheduled = true;
}

LByteArray FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return LByteArray(std::istreambuf_iterator<char>(in), {});
}

// The elements as "kind ID name #key", with a task's links (with type) and bookings (with
// percentage) and a resource's schedule by key.
std::string Elements(const QPProject& project)
{
    std::ostringstream out;
    for (const QPTask& task : project.tasks) {
        out << "T" << task.id << " " << task.name.str() << " #" << task.key;
        for (const QPTaskDependency& link : task.dependencies)
            out << " after #" << link.predecessorKey << ":" << link.type;
        for (const QPResourceAssignment& booking : task.resourceAssignments)
            out << " books #" << booking.resourceKey << ":" << booking.percent;
        out << "; ";
    }
    for (const QPResource& resource : project.resources)
        out << "R" << resource.id << " " << resource.name.str() << " #" << resource.key << " on #"
            << resource.scheduleKey << "; ";
    for (const QPSchedule& schedule : project.schedules)
        out << "S" << schedule.id << " " << schedule.name.str() << " #" << schedule.key << "; ";
    return out.str();
}

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
    EXPECT_TRUE(FileBytes(path) == memory);
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
    EXPECT_EQ(ReadInts(good), Ints{});
    LInputStreamBuffer stream(good);
    EXPECT_FALSE(LSDFReader().Open(stream, 16));
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

// Byte for byte both ways against tests/data/fileformat/every-field.qpp (checked by hand
// against the layout; dates in New York time), so every field came back.
TEST(QPProjectFile, EveryFieldByteForByte)
{
    ScopedTimeZone zone("America/New_York");
    ScopedEnvironment now("KESTRANO_NOW", "2026-12-06 08:30:00");
    QPProject project;
    BuildEveryField(project);
    const LByteArray bytes = FileBytes(KESTRANO_TEST_DATA_DIR "/fileformat/every-field.qpp");
    EXPECT_TRUE(project.ProjectSaveToBytes() == bytes);
    QPProject loaded;
    ASSERT_EQ(loaded.ProjectLoadFromBytes(bytes), 0);
    EXPECT_TRUE(loaded.ProjectSaveToBytes() == bytes);
    EXPECT_EQ(loaded.projectStart, LocalTime(2026, 12, 6));
    EXPECT_EQ(loaded.options.GetDateFormatPosition(), 9);
    EXPECT_FALSE(loaded.options.changed || loaded.IsProjectDirty());
}

// Elements go in by ID (two with one ID keep their stored order, the double ID is then
// repaired; a record without an ID comes first); missing keys are handed out after the
// largest one, chunks of a newer version are skipped, and older forms of fields are read.
TEST(QPProjectFile, RecordsAndBaselinesAreOrderedByIDAndRepaired)
{
    auto task = [](const char* name, int32_t id, int64_t key) {
        return Box(256, {Str(257, name), Int(259, id), Int64(290, key)});
    };
    QPProject project;
    ASSERT_EQ(project.ProjectLoadFromBytes(
                      Stream(24, 4,
                             {Box(4096, {Int64(7, 5), task("three", 3, 1), task("one", 1, 2),
                                         task("two", 2, 3), task("second two", 2, 4)})})),
              0);
    EXPECT_EQ(Elements(project), "T1 one #2; T2 two #3; T3 second two #4; T4 three #1; ");
    ASSERT_EQ(project.ProjectLoadFromBytes(
                      Stream(24, 4,
                             {Box(4096, {Box(256, {Str(257, "A"), Int(259, 1)}),
                                         Box(256, {Str(257, "lost")}),
                                         Box(256, {Str(257, "B"), Int(259, 2)})})})),
              0);
    EXPECT_EQ(Elements(project), "T1 lost #0; T2 A #1; T3 B #2; ");
    // Sub-records come back in reverse order.
    QPTask& b = project.tasks.At(2);
    b.dependencies = {{0, 0, 0.f}, {1, 0, 0.f}};
    ASSERT_EQ(project.ProjectLoadFromBytes(project.ProjectSaveToBytes()), 0);
    EXPECT_EQ(Elements(project), "T1 lost #0; T2 A #1; T3 B #2 after #1:0 after #0:0; ");
    const LByteArray bytes = Stream(
            24, 4,
            {Box(4096,
                 {Int64(7, 10),
                  Box(256,
                      {Str(257, "keyless"), Int(259, 1), Int64(290, -1),
                       Box(278, {Int64(292, 11), Str(4000, "from a newer version"), Int(280, 30)}),
                       Int(260, 55)}),
                  Box(512, {Str(513, "R"), Int(515, 1), Int64(525, 11)}),
                  Box(768,
                      {Str(771, "S"), Int(769, 1), Float(775, 7.5f),
                       Box(848, {Int64(851, LocalTime(2045, 7, 1, 12).Get()), Int(849, 1)})})})});
    ASSERT_EQ(project.ProjectLoadFromBytes(bytes), 0);
    EXPECT_EQ(Elements(project), "T1 keyless #12 books #11:30; R1 R #11 on #-1; S1 S #13; ");
    EXPECT_EQ(project.lastKey, 13);
    EXPECT_EQ(project.tasks.At(0).percentComplete, 55);
    // Older schedules gave shifts in hours: Tuesday's 7.5 hours.
    EXPECT_EQ(project.schedules.At(0).shiftDuration[eTuesday], 27000);
    // The 64-bit date wins over the 32-bit one, whichever comes first.
    EXPECT_EQ(project.schedules.At(0).exceptions.at(0).date, LocalTime(2045, 7, 1, 12));
    // Missing options come back at their defaults; baselines go in by ID.
    project.options.SetCurrencySymbol("¥");
    project.options.SetCurrencyDigits(0);
    auto baseline = [](const char* name, int32_t id) {
        return Box(1280, {Box(4096, {Str(1, name)}), Int(1281, id)});
    };
    ASSERT_EQ(project.ProjectLoadFromBytes(Stream(24, 4,
                                                  {baseline("two", 2), baseline("zero", 0),
                                                   baseline("one", 1), baseline("two again", 2)})),
              0);
    EXPECT_EQ(project.options.currencySymbol, "$");
    EXPECT_EQ(project.options.currencyDigits, 2);
    std::string names;
    for (const auto& b : project.baselines)
        names += b->name.str() + ";";
    EXPECT_EQ(names, "zero;one;two;two again;");
}

TEST(QPProjectFile, OldLayoutWithIDReferences)
{
    // File type 16, version 3: the root holds the project's fields, the options are among
    // them, and references are element IDs.
    const LByteArray bytes = Stream(
            16, 3,
            {Str(1, "Old plan"), Int(2, 2), Box(1024, {Str(1026, "£"), Int(1032, 0), Int(1034, 2)}),
             Box(768, {Str(771, "Days"), Int(769, 1)}), Box(768, {Str(771, "Nights"), Int(769, 2)}),
             Box(512, {Str(513, "Rob"), Int(515, 7), Int(516, 1)}),
             Box(256, {Str(257, "First"), Int(259, 1)}),
             Box(256, {Str(257, "Second"), Int(259, 2), Box(274, {Int(275, 1), Int(276, 1)}),
                       Box(278, {Int(279, 7), Int(280, 60)}), Box(278, {Int(279, 8)})})});
    QPProject project;
    ASSERT_EQ(project.ProjectLoadFromBytes(bytes), 0);
    EXPECT_EQ(project.name, "Old plan");
    EXPECT_EQ(project.options.currencySymbol, "£");
    EXPECT_EQ(project.options.currencyDigits, 0);
    EXPECT_EQ(project.options.dateOrder, eDateOrderYearMonthDay);
    // Keys are handed out tasks first, then resources, then schedules; Rob was resource 7
    // in the file and is numbered 1 after loading. Assignments come back reversed: that of
    // the missing resource 8 first, unchanged.
    EXPECT_EQ(Elements(project), "T1 First #0; T2 Second #1 after #0:1 books #8:100 books #2:60; "
                                 "R1 Rob #2 on #3; S1 Days #3; S2 Nights #4; ");
    EXPECT_EQ(project.defaultScheduleKey, project.schedules.GetElement(2)->key);
}

// A save through a link replaces the linked file and keeps the link; a locked file, or a
// save that fails, leaves the old file as it was; a load refuses what is no project.
TEST(QPProjectFile, SavesWholeOrNotAtAllAndLoadsOnlyProjects)
{
    TempDir dir;
    const std::string path = dir.File("plan.qpp");
    QPProject project;
    BuildEveryField(project);
    project.dirty = true;
    ASSERT_EQ(project.ProjectSave(path), 0);
    EXPECT_FALSE(project.IsProjectDirty());
    EXPECT_TRUE(FileBytes(path) == project.ProjectSaveToBytes());
    ASSERT_EQ(symlink(path.c_str(), dir.File("link.qpp").c_str()), 0);
    project.SetName("Through the link");
    ASSERT_EQ(project.ProjectSave(dir.File("link.qpp")), 0);
    struct stat info {};
    ASSERT_EQ(lstat(dir.File("link.qpp").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    QPProject reader;
    ASSERT_EQ(reader.ProjectLoad(path), 0);
    EXPECT_EQ(reader.name, "Through the link");
    std::filesystem::remove(dir.File("link.qpp"));
    LByteArray before = FileBytes(path);
    // Another holder of an exclusive lock (flock locks belong to the open file, so a second
    // descriptor stands for another program).
    const int holder = open(path.c_str(), O_RDWR);
    ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
    project.ElementAdd(Named<QPTask>("new"), true);
    EXPECT_EQ(project.ProjectSave(path), 2);
    EXPECT_TRUE(project.IsProjectDirty());
    EXPECT_TRUE(FileBytes(path) == before);
    EXPECT_EQ(reader.ProjectLoad(path), 2);
    close(holder);
    EXPECT_EQ(project.ProjectSave(path), 0);
    EXPECT_EQ(reader.ProjectLoad(path), 0);
    EXPECT_EQ(reader.tasks.size(), 4u);
    project.dirty = true;
    EXPECT_EQ(project.ProjectSave(dir.File("no/such/folder/plan.qpp")), 2);
    EXPECT_TRUE(project.IsProjectDirty());
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    before = FileBytes(path);
    // A large project saved while the system refuses to let any file grow past 64 KiB, so
    // the write fails part way through.
    QPProject big;
    for (int i = 0; i < 3000; ++i)
        big.ElementAdd(Named<QPTask>("task " + std::to_string(i)), false);
    big.dirty = true;
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    const rlimit small{65536, previous.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_EQ(big.ProjectSave(path), 2);
    setrlimit(RLIMIT_FSIZE, &previous);
    signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(big.IsProjectDirty());
    EXPECT_TRUE(FileBytes(path) == before);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"plan.qpp"}); // no leftovers
    // A successful save keeps the file's permissions.
    EXPECT_EQ(project.ProjectSave(path), 0);
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(reader.ProjectLoad(dir.File("missing.qpp")), 2);
    EXPECT_EQ(reader.tasks.size(), 4u); // a missing file leaves the project alone
    EXPECT_EQ(reader.ProjectLoad(dir.Write("notes.txt", "hello")), 2);
    EXPECT_TRUE(reader.tasks.empty());
    EXPECT_EQ(reader.ProjectLoad(dir.path), 2);
    // A damaged file loads as far as it can be read: cut into the third task's record.
    for (const char* name : {"A", "B", "C"})
        reader.ElementAdd(Named<QPTask>(name), false);
    const LByteArray bytes = reader.ProjectSaveToBytes();
    const std::size_t third = std::string(bytes.begin(), bytes.end()).find(std::string("C\0", 2));
    ASSERT_NE(third, std::string::npos);
    QPProject damaged;
    ASSERT_EQ(damaged.ProjectLoadFromBytes(LByteArray(bytes.begin(), bytes.begin() + third)), 0);
    EXPECT_EQ(Elements(damaged), "T1 A #0; T2 B #1; "); // the schedules came after the cut
}

TEST(QPProjectFile, FuzzRegressionsReadCleanly)
{
    const std::string folder = std::string(KESTRANO_TEST_DATA_DIR) + "/fuzz";
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".qpp")
            continue;
        SCOPED_TRACE(entry.path().string());
        ReadEverything(FileBytes(entry.path().string()));
        ++inputs;
    }
    EXPECT_GT(inputs, 0);
}
