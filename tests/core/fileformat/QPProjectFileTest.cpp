#include "fileformat/LSDFWriter.h"
#include "fileformat/QPFileTags.h"
#include "model/QPProject.h"

#include "support/ReadEverything.h"
#include "support/SDFBytes.h"
#include "support/TempDir.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <string>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace sdf;

namespace {

template <class T>
std::unique_ptr<T> Named(const std::string& name)
{
    auto element = std::make_unique<T>();
    element->name = name;
    return element;
}

// A project file of a small project, written out by hand.
LByteArray SmallProjectBytes()
{
    const LByteArray schedule =
            Box(768, {Str(771, "Default Schedule"), Int(769, 1), Int(794, 144000), Int(795, 0),
                      Int64(796, 0), Int(787, 0), Int(788, 28800), Int(789, 28800), Int(790, 28800),
                      Int(791, 28800), Int(792, 28800), Int(793, 0), Int(780, 28800),
                      Int(781, 28800), Int(782, 28800), Int(783, 28800), Int(784, 28800),
                      Int(785, 28800), Int(786, 28800)});
    auto task = [](const char* name, int32_t id, int64_t key, const char* start,
                   std::initializer_list<LByteArray> links) {
        LByteArray record =
                Join({Str(257, name),   Str(258, "8"),    Str(297, ""),     Int(259, id),
                      Int(260, 0),      Int(272, 0),      Int(273, 0),      Bool(263, true),
                      Bool(266, false), Bool(294, false), Bool(296, false), Str(268, start),
                      Str(269, " "),    Str(271, " "),    Str(285, " "),    Int64(290, key),
                      Int64(295, -1),   Int64(286, 0),    Int64(287, 0),    Int64(288, 0),
                      Int64(289, 0)});
        for (const LByteArray& link : links)
            record.insert(record.end(), link.begin(), link.end());
        return Chunk(256, 0, record);
    };
    const int32_t christmas = static_cast<int32_t>(LocalTime(2026, 12, 24, 12).Get());
    const LByteArray resource =
            Box(512, {Str(513, "Rita"), Str(514, ""), Str(527, ""), Int(515, 1), Int64(526, -1),
                      Int(517, 0), Int64(525, 3), Int64(523, 0), Int64(524, 0), Int64(518, 4500),
                      Int64(519, 0), Bool(528, false), Bool(529, true),
                      Box(522, {Int(849, christmas), Int(850, 28800)})});
    const LByteArray project =
            Box(4096, {Str(1, "Site"), Int64(7, 3), Int64(8, 0), Str(3, "2026-12-06"),
                       Str(4, "2026-12-07"), Str(5, "2026-12-07"),
                       task("Dig", 1, 1, "2026-12-07 08:00:00", {}),
                       task("Pour", 2, 2, " ",
                            {Box(274, {Int64(291, 1), Int(276, 0), Float(277, 1.5f)}),
                             Box(278, {Int64(292, 3), Int(280, 50)})}),
                       resource, schedule});
    const LByteArray options = Box(1024, {Str(1025, "USD"), Str(1026, "$"), Str(1027, "Dollars"),
                                          Str(1028, "."), Str(1029, ","), Int(1030, ' '),
                                          Int(1031, 0), Int(1032, 2), Int(1033, 0), Int(1034, 1)});
    return Stream(24, 4, {project, options});
}

void BuildSmallProject(QPProject& project)
{
    project.SetName("Site");
    QPTask& dig = project.ElementAdd(Named<QPTask>("Dig"), false);
    dig.durationText = "8";
    dig.start = LocalTime(2026, 12, 7, 8);
    QPTask& pour = project.ElementAdd(Named<QPTask>("Pour"), false);
    pour.durationText = "8";
    QPResource& rita = project.ElementAdd(Named<QPResource>("Rita"), false);
    rita.hourlyRate = 4500;
    rita.AddException(LocalTime(2026, 12, 24, 9), 28800);
    pour.AddDependency(dig.key, eFinishToStart, 1.5f);
    pour.AddResourceAssignment(rita.key, 50);
}

LByteArray FileBytes(const std::string& path)
{
    LByteArray bytes;
    if (FILE* in = std::fopen(path.c_str(), "rb")) {
        uint8_t buffer[65536];
        std::size_t count = 0;
        while ((count = std::fread(buffer, 1, sizeof buffer, in)) > 0)
            bytes.insert(bytes.end(), buffer, buffer + count);
        std::fclose(in);
    }
    return bytes;
}

void WriteFile(const std::string& path, const LByteArray& bytes)
{
    FILE* out = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
}

} // namespace

// ---------------------------------------------------------------------------------------
// The layout, byte for byte

TEST(QPProjectFile, SmallProjectByteForByte)
{
    ScopedEnvironment now("KESTRANO_NOW", "2026-12-06 08:30:00");
    QPProject project;
    BuildSmallProject(project);
    EXPECT_TRUE(project.ProjectSaveToBytes() == SmallProjectBytes());
}

TEST(QPProjectFile, EmptyProjectHoldsOnlyTheProjectFieldsAndOptions)
{
    ScopedEnvironment now("KESTRANO_NOW", "2026-12-06 08:30:00");
    QPProject project;
    project.ProjectReset(false);
    const LByteArray expected =
            Stream(24, 4,
                   {Box(4096, {Str(1, "New Project"), Int64(7, -1), Int64(8, -1),
                               Str(3, "2026-12-06"), Str(4, "2026-12-07"), Str(5, "2026-12-07")}),
                    Box(1024, {Str(1025, "USD"), Str(1026, "$"), Str(1027, "Dollars"),
                               Str(1028, "."), Str(1029, ","), Int(1030, ' '), Int(1031, 0),
                               Int(1032, 2), Int(1033, 0), Int(1034, 1)})});
    EXPECT_TRUE(project.ProjectSaveToBytes() == expected);

    QPProject loaded;
    ASSERT_EQ(loaded.ProjectLoadFromBytes(expected), 0);
    EXPECT_EQ(loaded.name, "New Project");
    EXPECT_TRUE(loaded.tasks.empty() && loaded.schedules.empty());
    EXPECT_EQ(loaded.projectStart, LocalTime(2026, 12, 6));
    EXPECT_EQ(loaded.projectDeadline, LocalTime(2026, 12, 7));
}

// ---------------------------------------------------------------------------------------
// Round trips

namespace {

void FillEveryField(QPProject& project)
{
    project.SetName("Bridge over the Aire");
    project.projectStart = LocalTime(2026, 3, 2);
    project.projectFinish = LocalTime(2026, 9, 30);
    project.projectDeadline = LocalTime(2026, 10, 31);
    QPSchedule& nights = project.ElementAdd(Named<QPSchedule>("Nights"), false);
    nights.regularWorkWeek = 36 * 3600;
    nights.workWeekStart = eMonday;
    for (int day = eSunday; day <= eSaturday; ++day) {
        nights.shiftDuration[day] = day * 3600;
        nights.shiftStart[day] = LDayTime(79200 + day * 60);
    }
    nights.AddException(LocalTime(2026, 12, 24), 3600);
    nights.AddException(LocalTime(2026, 12, 31), 7200);

    QPResource& ana = project.ElementAdd(Named<QPResource>("Ana Ferreira"), false);
    ana.email = "ana@example.com";
    ana.notes = "Knows the crane.";
    ana.scheduleKey = nights.key;
    ana.reserved = 7;
    ana.regularCost = 123456;
    ana.overtimeCost = 654321;
    ana.hourlyRate = 4550;
    ana.overtimeRate = 6825;
    ana.sendProjectUpdates = true;
    ana.sendTaskUpdates = false;
    ana.AddException(LocalTime(2026, 8, 3), 28800 * 5);

    QPTask& header = project.ElementAdd(Named<QPTask>("Foundations"), false);
    header.isHeader = true;
    header.hideSubtasks = true;
    QPTask& task = project.ElementAdd(Named<QPTask>("Pour concrete"), false);
    header.subtaskKeys = {task.key, 999};
    task.durationText = "7,5";
    task.notes = "Two lines\nof notes, ünïcödé.";
    task.percentComplete = 40;
    task.autoSchedule = false;
    task.milestone = true;
    task.start = LocalTime(2026, 3, 2, 8);
    task.finish = LocalTime(2026, 3, 3, 15, 30);
    task.constraintDate = LocalTime(2026, 3, 1, 12);
    task.constraintType = eConstraintFinishBefore;
    task.taskType = eTaskTypeFixedDuration;
    task.displayStart = LocalTime(2026, 3, 2, 9, 15, 5);
    task.scheduleKey = nights.key;
    task.freeSlack = -3600;
    task.totalSlack = 86400 * 3;
    task.scheduledCost = 9876543210;
    task.scheduledCostToDate = -5;
    task.AddDependency(header.key, eStartToFinish, 0.25f);
    task.AddResourceAssignment(ana.key, 75);
    // Not stored: these come back at their defaults.
    task.headerKey = header.key;
    task.successorIDs = {1};
    task.freeSlackSuccessorID = 1;
    task.scheduled = true;

    project.options.SetCurrencySymbol("€");
    project.options.SetCurrencyName("Euro");
    project.options.SetCurrencyCode("EUR");
    project.options.SetDecimalSymbol(",");
    project.options.SetThousandsSymbol(".");
    project.options.SetCurrencyPosition(1);
    project.options.SetCurrencyDigits(0);
    project.options.SetDateFormat(2, 2, '-');
}

// An element image holds every stored field, so two elements whose images are equal agree
// in all of them; the byte-for-byte test above pins what the images contain. Loading puts
// sub-records at the head of their lists, so `reversed` turns the expected lists round.
template <class T>
void ExpectSameElement(const T& expected, const T& loaded, bool reversed)
{
    T turned(expected);
    turned.notes = expected.notes; // copies start without notes
    if (reversed) {
        if constexpr (std::is_same_v<T, QPTask>) {
            std::reverse(turned.dependencies.begin(), turned.dependencies.end());
            std::reverse(turned.resourceAssignments.begin(), turned.resourceAssignments.end());
        } else {
            std::reverse(turned.exceptions.begin(), turned.exceptions.end());
        }
    }
    EXPECT_TRUE(turned.WriteSDF() == loaded.WriteSDF()) << loaded.name.str();
}

template <>
void ExpectSameElement(const QPSchedule& expected, const QPSchedule& loaded, bool reversed)
{
    QPSchedule turned(expected);
    if (reversed)
        std::reverse(turned.exceptions.begin(), turned.exceptions.end());
    EXPECT_TRUE(turned.WriteSDF() == loaded.WriteSDF()) << loaded.name.str();
}

void ExpectSameProject(const QPProjectBase& a, const QPProjectBase& b, bool reversed)
{
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.lastKey, b.lastKey);
    EXPECT_EQ(a.defaultScheduleKey, b.defaultScheduleKey);
    EXPECT_EQ(a.projectStart, b.projectStart);
    EXPECT_EQ(a.projectFinish, b.projectFinish);
    EXPECT_EQ(a.projectDeadline, b.projectDeadline);
    ASSERT_EQ(a.tasks.size(), b.tasks.size());
    for (std::size_t i = 0; i < a.tasks.size(); ++i)
        ExpectSameElement(a.tasks.At(i), b.tasks.At(i), reversed);
    ASSERT_EQ(a.resources.size(), b.resources.size());
    for (std::size_t i = 0; i < a.resources.size(); ++i)
        ExpectSameElement(a.resources.At(i), b.resources.At(i), reversed);
    ASSERT_EQ(a.schedules.size(), b.schedules.size());
    for (std::size_t i = 0; i < a.schedules.size(); ++i)
        ExpectSameElement(a.schedules.At(i), b.schedules.At(i), reversed);
}

} // namespace

TEST(QPProjectFile, EveryStoredFieldSurvivesSaveAndLoad)
{
    QPProject project;
    FillEveryField(project);
    project.BaselineAdd("Approved");
    project.tasks.At(1).name = "Pour concrete (revised)";
    project.BaselineAdd("Revised");
    project.SetAsLastTaskUpdateState();

    QPProject loaded;
    ASSERT_EQ(loaded.ProjectLoadFromBytes(project.ProjectSaveToBytes()), 0);
    ExpectSameProject(project, loaded, true);
    EXPECT_EQ(loaded.options.currencySymbol, "€");
    EXPECT_EQ(loaded.options.currencyName, "Euro");
    EXPECT_EQ(loaded.options.currencyCode, "EUR");
    EXPECT_EQ(loaded.options.decimalSymbol, ",");
    EXPECT_EQ(loaded.options.thousandsSymbol, ".");
    EXPECT_EQ(loaded.options.currencyPosition, 1);
    EXPECT_EQ(loaded.options.currencyDigits, 0);
    EXPECT_EQ(loaded.options.GetDateFormatPosition(), 9);
    EXPECT_FALSE(loaded.options.changed);
    EXPECT_FALSE(loaded.IsProjectDirty());

    const QPTask& task = loaded.tasks.At(1);
    EXPECT_EQ(task.headerKey, -1);
    EXPECT_TRUE(task.successorIDs.empty());
    EXPECT_EQ(task.freeSlackSuccessorID, -1);
    EXPECT_FALSE(task.scheduled);

    ASSERT_EQ(loaded.baselines.size(), 2u);
    EXPECT_EQ(loaded.baselines[0]->name, "Approved");
    EXPECT_EQ(loaded.baselines[1]->id, 1);
    EXPECT_EQ(loaded.baselines[1]->tasks.At(1).name, "Pour concrete (revised)");
    ExpectSameProject(*project.baselines[0], *loaded.baselines[0], true);
    ASSERT_NE(loaded.lastTaskUpdateState, nullptr);
    EXPECT_EQ(loaded.lastTaskUpdateState->name, "Last Task Update");
    EXPECT_EQ(loaded.lastTaskUpdateState->id, -1);

    // A second round trip gives the same bytes as the first.
    QPProject again;
    ASSERT_EQ(again.ProjectLoadFromBytes(loaded.ProjectSaveToBytes()), 0);
    ExpectSameProject(project, again, false);
}

TEST(QPProjectFile, SubRecordsComeBackInReverseOrder)
{
    QPProject project;
    QPTask& a = project.ElementAdd(Named<QPTask>("A"), false);
    QPTask& b = project.ElementAdd(Named<QPTask>("B"), false);
    QPTask& c = project.ElementAdd(Named<QPTask>("C"), false);
    QPTask& d = project.ElementAdd(Named<QPTask>("D"), false);
    d.dependencies = {{a.key, 0, 0.f}, {b.key, 0, 0.f}, {c.key, 0, 0.f}};
    QPProject loaded;
    ASSERT_EQ(loaded.ProjectLoadFromBytes(project.ProjectSaveToBytes()), 0);
    const auto& dependencies = loaded.tasks.At(3).dependencies;
    ASSERT_EQ(dependencies.size(), 3u);
    EXPECT_EQ(dependencies[0].predecessorKey, c.key);
    EXPECT_EQ(dependencies[2].predecessorKey, a.key);
}

TEST(QPProjectFile, ElementsAreInsertedInIDOrder)
{
    auto task = [](const char* name, int32_t id, int64_t key) {
        return Box(256, {Str(257, name), Int(259, id), Int64(290, key)});
    };
    const LByteArray bytes = Stream(24, 4,
                                    {Box(4096, {Int64(7, 5), task("three", 3, 1), task("one", 1, 2),
                                                task("two", 2, 3), task("second two", 2, 4)})});
    QPProject project;
    ASSERT_EQ(project.ProjectLoadFromBytes(bytes), 0);
    std::string order;
    for (const QPTask& t : project.tasks)
        order += t.name.str() + std::to_string(t.id) + ";";
    // Two tasks with the same ID keep their stored order; the double ID is then repaired.
    EXPECT_EQ(order, "one1;two2;second two3;three4;");
}

TEST(QPProjectFile, MissingKeysAreRepairedAndUnknownChunksSkipped)
{
    const LByteArray bytes = Stream(
            24, 4,
            {Box(4096, {Int64(7, 10),
                        Box(256, {Str(257, "keyless"), Int(259, 1), Int64(290, -1),
                                  Box(278, {Int64(292, 11), Str(4000, "from a newer version"),
                                            Int(280, 30)}),
                                  Int(260, 55)}),
                        Box(512, {Str(513, "R"), Int(515, 1), Int64(525, 11)}),
                        Box(768, {Str(771, "S"), Int(769, 1), Float(775, 7.5f)})})});
    QPProject project;
    ASSERT_EQ(project.ProjectLoadFromBytes(bytes), 0);
    const QPTask& task = project.tasks.At(0);
    EXPECT_EQ(task.key, 12); // the largest key is 11
    EXPECT_EQ(project.lastKey, 13);
    ASSERT_EQ(task.resourceAssignments.size(), 1u);
    EXPECT_EQ(task.resourceAssignments[0].percent, 30);
    EXPECT_EQ(task.percentComplete, 55);
    EXPECT_EQ(project.schedules.At(0).key, 13);
    // Older schedules gave shifts in hours: Tuesday's 7.5 hours.
    EXPECT_EQ(project.schedules.At(0).shiftDuration[eTuesday], 27000);
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
    // Keys are handed out tasks first, then resources, then schedules.
    const QPTask& first = *project.tasks.GetElement(1);
    const QPTask& second = *project.tasks.GetElement(2);
    // Rob was resource 7 in the file; the lone resource is numbered 1 after loading.
    ASSERT_NE(project.resources.GetElement(1), nullptr);
    const QPResource& rob = *project.resources.GetElement(1);
    EXPECT_EQ(rob.name, "Rob");
    EXPECT_EQ(first.key, 0);
    EXPECT_EQ(second.key, 1);
    EXPECT_EQ(rob.key, 2);
    EXPECT_EQ(project.defaultScheduleKey, project.schedules.GetElement(2)->key);
    EXPECT_EQ(rob.scheduleKey, project.schedules.GetElement(1)->key);
    ASSERT_EQ(second.dependencies.size(), 1u);
    EXPECT_EQ(second.dependencies[0].predecessorKey, first.key);
    EXPECT_EQ(second.dependencies[0].type, eStartToStart);
    ASSERT_EQ(second.resourceAssignments.size(), 2u);
    // Reversed on loading: the assignment of the missing resource 8 comes first, unchanged.
    EXPECT_EQ(second.resourceAssignments[0].resourceKey, 8);
    EXPECT_EQ(second.resourceAssignments[1].resourceKey, rob.key);
    EXPECT_EQ(second.resourceAssignments[1].percent, 60);
}

TEST(QPProjectFile, ProjectDatesKeepOnlyTheDay)
{
    QPProject project;
    project.projectStart = LocalTime(2026, 5, 4, 14, 30);
    QPProject loaded;
    ASSERT_EQ(loaded.ProjectLoadFromBytes(project.ProjectSaveToBytes()), 0);
    EXPECT_EQ(loaded.projectStart, LocalTime(2026, 5, 4));
}

TEST(QPProjectFile, ExceptionDatesBeyond32Bits)
{
    QPProject project;
    QPSchedule& schedule = project.schedules.At(0);
    schedule.AddException(LocalTime(2045, 7, 1), 3600);
    schedule.AddException(LocalTime(2030, 7, 1), 7200);
    const LByteArray bytes = project.ProjectSaveToBytes();

    QPProject loaded;
    ASSERT_EQ(loaded.ProjectLoadFromBytes(bytes), 0);
    const auto& exceptions = loaded.schedules.At(0).exceptions;
    ASSERT_EQ(exceptions.size(), 2u);
    EXPECT_EQ(exceptions[0].date, LocalTime(2045, 7, 1, 12));
    EXPECT_EQ(exceptions[1].date, LocalTime(2030, 7, 1, 12));

    // What a reader that knows only the 32-bit field finds, and what this one prefers,
    // whichever comes first.
    const int64_t date = LocalTime(2045, 7, 1, 12).Get();
    const LByteArray written = Box(848, {Int(849, INT32_MAX), Int64(851, date), Int(850, 3600)});
    const std::string all(bytes.begin(), bytes.end());
    EXPECT_NE(all.find(std::string(written.begin(), written.end())), std::string::npos);
    const LByteArray swapped =
            Stream(24, 4,
                   {Box(4096, {Box(768, {Str(771, "S"), Int(769, 1),
                                         Box(848, {Int64(851, date), Int(849, 12345)})})})});
    ASSERT_EQ(loaded.ProjectLoadFromBytes(swapped), 0);
    EXPECT_EQ(loaded.schedules.At(0).exceptions[0].date.Get(), date);
}

TEST(QPProjectFile, MissingOptionsChunkGivesTheResetValues)
{
    QPProject project;
    project.options.SetCurrencySymbol("¥");
    ASSERT_EQ(project.ProjectLoadFromBytes(Stream(24, 4, {Box(4096, {Str(1, "P")})})), 0);
    EXPECT_EQ(project.options.currencySymbol, "$");
    EXPECT_EQ(project.options.decimalSymbol, ".");
    EXPECT_EQ(project.options.thousandsSymbol, ",");
    EXPECT_EQ(project.options.currencyDigits, 2);
}

TEST(QPProjectFile, BaselinesAreOrderedByTheirIDs)
{
    auto baseline = [](const char* name, int32_t id) {
        return Box(1280, {Box(4096, {Str(1, name)}), Int(1281, id)});
    };
    QPProject project;
    ASSERT_EQ(project.ProjectLoadFromBytes(Stream(24, 4,
                                                  {baseline("two", 2), baseline("zero", 0),
                                                   baseline("one", 1), baseline("two again", 2)})),
              0);
    ASSERT_EQ(project.baselines.size(), 4u);
    EXPECT_EQ(project.baselines[0]->name, "zero");
    EXPECT_EQ(project.baselines[2]->name, "two");
    EXPECT_EQ(project.baselines[3]->name, "two again");
}

// ---------------------------------------------------------------------------------------
// Files

TEST(QPProjectFile, SaveAndLoadThroughAFile)
{
    TempDir dir;
    const std::string path = dir.File("plan.qpp");
    QPProject project;
    FillEveryField(project);
    project.dirty = true;
    ASSERT_EQ(project.ProjectSave(path), 0);
    EXPECT_FALSE(project.IsProjectDirty());
    EXPECT_TRUE(FileBytes(path) == project.ProjectSaveToBytes());
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"plan.qpp"});

    QPProject loaded;
    ASSERT_EQ(loaded.ProjectLoad(path), 0);
    ExpectSameProject(project, loaded, true);
}

TEST(QPProjectFile, LoadRefusesWhatIsNotAProject)
{
    TempDir dir;
    QPProject project;
    project.ElementAdd(Named<QPTask>("keep me"), false);
    EXPECT_EQ(project.ProjectLoad(dir.File("missing.qpp")), 2);
    EXPECT_EQ(project.tasks.size(), 1u); // a missing file leaves the project alone

    WriteFile(dir.File("notes.txt"), {'h', 'e', 'l', 'l', 'o'});
    EXPECT_EQ(project.ProjectLoad(dir.File("notes.txt")), 2);
    EXPECT_TRUE(project.tasks.empty());
    EXPECT_EQ(project.ProjectLoad(dir.path), 2);
}

TEST(QPProjectFile, DamagedFilesLoadAsFarAsTheyCanBeRead)
{
    QPProject project;
    for (const char* name : {"A", "B", "C"})
        project.ElementAdd(Named<QPTask>(name), false);
    const LByteArray bytes = project.ProjectSaveToBytes();
    // Cut into the third task's record.
    const std::string all(bytes.begin(), bytes.end());
    const std::size_t third = all.find(std::string("C\0", 2));
    ASSERT_NE(third, std::string::npos);
    QPProject damaged;
    ASSERT_EQ(damaged.ProjectLoadFromBytes(LByteArray(bytes.begin(), bytes.begin() + third)), 0);
    ASSERT_EQ(damaged.tasks.size(), 2u);
    EXPECT_EQ(damaged.tasks.At(1).name, "B");
    EXPECT_TRUE(damaged.schedules.empty()); // they came after the cut

    // A task record without an ID gets one at the end of the numbering.
    const LByteArray noID =
            Stream(24, 4,
                   {Box(4096, {Box(256, {Str(257, "A"), Int(259, 1)}), Box(256, {Str(257, "lost")}),
                               Box(256, {Str(257, "B"), Int(259, 2)})})});
    ASSERT_EQ(damaged.ProjectLoadFromBytes(noID), 0);
    std::string order;
    for (const QPTask& t : damaged.tasks)
        order += t.name.str() + std::to_string(t.id) + ";";
    EXPECT_EQ(order, "lost1;A2;B3;");
}

TEST(QPProjectFile, LockedFilesAreLeftAlone)
{
    TempDir dir;
    const std::string path = dir.File("plan.qpp");
    QPProject project;
    ASSERT_EQ(project.ProjectSave(path), 0);
    const LByteArray before = FileBytes(path);

    // Another holder of an exclusive lock (flock locks belong to the open file, so a second
    // descriptor stands for another program).
    const int holder = open(path.c_str(), O_RDWR);
    ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
    project.ElementAdd(Named<QPTask>("new"), true);
    EXPECT_EQ(project.ProjectSave(path), 2);
    EXPECT_TRUE(project.IsProjectDirty());
    EXPECT_TRUE(FileBytes(path) == before);
    QPProject reader;
    EXPECT_EQ(reader.ProjectLoad(path), 2);
    close(holder);

    EXPECT_EQ(project.ProjectSave(path), 0);
    EXPECT_EQ(reader.ProjectLoad(path), 0);
    EXPECT_EQ(reader.tasks.size(), 1u);
}

TEST(QPProjectFile, AFailedSaveLeavesTheOldFileIntact)
{
    TempDir dir;
    const std::string path = dir.File("plan.qpp");
    {
        QPProject original;
        original.ElementAdd(Named<QPTask>("original"), false);
        ASSERT_EQ(original.ProjectSave(path), 0);
    }
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    const LByteArray before = FileBytes(path);

    // A child process saves a large project while the system refuses to let any file grow
    // past 64 KiB, so the write fails part way through.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{65536, 65536};
        setrlimit(RLIMIT_FSIZE, &limit);
        QPProject big;
        for (int i = 0; i < 3000; ++i)
            big.ElementAdd(Named<QPTask>("task " + std::to_string(i)), false);
        big.dirty = true;
        const int result = big.ProjectSave(path);
        _exit(result == 2 && big.IsProjectDirty() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save did not report its failure";

    EXPECT_TRUE(FileBytes(path) == before);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"plan.qpp"}); // no leftovers
    QPProject reloaded;
    ASSERT_EQ(reloaded.ProjectLoad(path), 0);
    EXPECT_EQ(reloaded.tasks.At(0).name, "original");

    // A successful save keeps the file's permissions.
    EXPECT_EQ(reloaded.ProjectSave(path), 0);
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(QPProjectFile, SavingIntoAMissingFolderFails)
{
    TempDir dir;
    QPProject project;
    project.dirty = true;
    EXPECT_EQ(project.ProjectSave(dir.File("no/such/folder/plan.qpp")), 2);
    EXPECT_TRUE(project.IsProjectDirty());
}

TEST(QPProjectFile, SavingThroughALinkReplacesTheLinkedFile)
{
    TempDir dir;
    QPProject project;
    ASSERT_EQ(project.ProjectSave(dir.File("real.qpp")), 0);
    ASSERT_EQ(symlink(dir.File("real.qpp").c_str(), dir.File("link.qpp").c_str()), 0);
    project.SetName("Through the link");
    ASSERT_EQ(project.ProjectSave(dir.File("link.qpp")), 0);
    struct stat info {};
    ASSERT_EQ(lstat(dir.File("link.qpp").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    QPProject loaded;
    ASSERT_EQ(loaded.ProjectLoad(dir.File("real.qpp")), 0);
    EXPECT_EQ(loaded.name, "Through the link");
}

TEST(QPProjectFile, FuzzRegressionsReadCleanly)
{
    const std::string folder = std::string(KESTRANO_TEST_DATA_DIR) + "/fuzz";
    DIR* dir = opendir(folder.c_str());
    ASSERT_NE(dir, nullptr);
    int inputs = 0;
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() < 4 || name.substr(name.size() - 4) != ".qpp")
            continue;
        SCOPED_TRACE(name);
        ReadEverything(FileBytes(folder + "/" + name));
        ++inputs;
    }
    closedir(dir);
    EXPECT_GT(inputs, 0);
}
