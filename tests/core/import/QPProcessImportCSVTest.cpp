#include "import/QPProcessImportCSV.h"

#include "model/QPProject.h"
#include "support/TempDir.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

// Imports `csv` into the project in one undo group, each field fed from the column whose
// header is the field's name. Returns the results page's lines.
Texts Import(QPProject& project, eImportCSVKind kind, const std::string& csv)
{
    TempDir dir;
    std::unique_ptr<LProcessImportCSV> import = QPMakeImportCSV(kind, project);
    EXPECT_FALSE(import->SetFilePath(dir.Write("import.csv", csv)));
    const Texts headers = import->ReadHeaderCells();
    for (int field = 0; field < int(import->Fields().size()); ++field)
        import->AssignField(field, import->Fields()[field].name, headers);
    EXPECT_FALSE(import->CheckAssignments());
    LProcessInterface silent;
    project.UndoRedoGroupStart();
    EXPECT_EQ(Process(silent, *import), 0);
    project.UndoRedoGroupEnd();
    return import->ResultLines();
}

const QPTask& TaskNamed(const QPProject& project, const std::string& name)
{
    for (const QPTask& task : project.tasks)
        if (task.name.str() == name)
            return task;
    throw std::runtime_error("no task " + name);
}

const QPSchedule* ScheduleNamed(const QPProject& project, const std::string& name)
{
    for (const QPSchedule& schedule : project.schedules)
        if (schedule.name.str() == name)
            return &schedule;
    return nullptr;
}

constexpr const char* kTaskHeader =
        "(required) Task Name,Duration,Start Date,End Date,Percent Complete\n";
constexpr const char* kScheduleHeader =
        "(required) Schedule Name,Sunday Start,Sunday Duration,Monday Start,Monday Duration,"
        "Tuesday Start,Tuesday Duration,Wednesday Start,Wednesday Duration,Thursday Start,"
        "Thursday Duration,Friday Start,Friday Duration,Saturday Start,Saturday Duration\n";

} // namespace

TEST(QPProcessImportCSVTask, DurationsDatesAndProgress)
{
    QPProject project;
    const Texts results =
            Import(project, eImportCSVKind::task,
                   std::string(kTaskHeader) + "Plain,12.5,,,40\n"
                                              "Zero,0,,,150\n"
                                              "Words,soon,,,-5\n"
                                              "Started,8,2027-03-02 09:30:00,,x\n"
                                              "Day only,8,2020-02-29,,\n"
                                              "Deadline,8,,2027-03-05,\n"
                                              "Fixed,8,2027-03-01,2027-03-03 12:00:00,\n"
                                              "Point,8,2027-03-01 10:00:00,2027-03-01 10:00:00,\n");
    EXPECT_EQ(results, (Texts{"8 successful imports", "0 failed imports"}));

    // Name, hours, milestone, scheduled automatically, percent complete.
    const std::tuple<const char*, const char*, bool, bool, int> tasks[] = {
            {"Plain", "12.5", false, true, 40}, {"Zero", "", true, true, 100},
            {"Words", "", true, true, 0},       {"Started", "8", false, true, 0},
            {"Day only", "8", false, true, 0},  {"Deadline", "8", false, true, 0},
            {"Fixed", "8", false, false, 0},    {"Point", "", true, false, 0},
    };
    for (const auto& [name, hours, milestone, automatic, percent] : tasks) {
        const QPTask& task = TaskNamed(project, name);
        EXPECT_EQ(task.durationText.str(), hours) << name;
        EXPECT_EQ(task.milestone, milestone) << name;
        EXPECT_EQ(task.autoSchedule, automatic) << name;
        EXPECT_EQ(task.percentComplete, percent) << name;
    }
    EXPECT_EQ(TaskNamed(project, "Plain").taskType, eTaskTypeFixedWork);
    EXPECT_EQ(TaskNamed(project, "Started").start, LocalTime(2027, 3, 2, 9, 30));
    EXPECT_EQ(TaskNamed(project, "Started").constraintType, eConstraintNone);
    EXPECT_EQ(TaskNamed(project, "Day only").start, LocalTime(2020, 2, 29));
    EXPECT_EQ(TaskNamed(project, "Deadline").constraintType, eConstraintFinishOn);
    EXPECT_EQ(TaskNamed(project, "Deadline").constraintDate, LocalTime(2027, 3, 5));
    EXPECT_EQ(TaskNamed(project, "Fixed").finish, LocalTime(2027, 3, 3, 12));
}

TEST(QPProcessImportCSVTask, RefusedRowsLeaveNoTrace)
{
    QPProject project;
    auto existing = std::make_unique<QPTask>();
    existing->name = "Survey";
    project.ElementAdd(std::move(existing), false);

    const Texts results = Import(project, eImportCSVKind::task,
                                 std::string(kTaskHeader) + ",8\n"
                                                            "Survey,8\n"
                                                            "Paint,8,2020-02-30\n"
                                                            "Paint,8,2027-03-01,tomorrow\n"
                                                            "Paint,8,03/01/2027\n"
                                                            "Paint,4\n"
                                                            "Paint,5\n"
                                                            "\"Survey\"\"s end\",1\n");
    EXPECT_EQ(results,
              (Texts{"2 successful imports", "6 failed imports",
                     "Row #0002: Import Failed -- No task name provided",
                     "Row #0003: Import Failed -- A task with the name \"Survey\" already exists",
                     "Row #0004: Import Failed -- Unable to parse Start Date; Format must be "
                     "\"YYYY-MM-DD HH:MM:SS\"",
                     "Row #0005: Import Failed -- Unable to parse Finish Date; Format must be "
                     "\"YYYY-MM-DD HH:MM:SS\"",
                     "Row #0006: Import Failed -- Unable to parse Start Date; Format must be "
                     "\"YYYY-MM-DD HH:MM:SS\"",
                     "Row #0008: Import Failed -- A task with the name \"Paint\" already exists"}));
    ASSERT_EQ(project.tasks.size(), 3u);
    EXPECT_EQ(TaskNamed(project, "Paint").durationText.str(), "4");
    EXPECT_EQ(TaskNamed(project, "Survey\"s end").durationText.str(), "1");
}

TEST(QPProcessImportCSVTask, ShortRowWithoutItsNameIsRefused)
{
    QPProject project;
    const Texts results =
            Import(project, eImportCSVKind::task, "Duration,(required) Task Name\n8\n");
    EXPECT_EQ(results, (Texts{"0 successful imports", "1 failed imports",
                              "Row #0002: Import Failed -- No task name provided"}));
    EXPECT_EQ(project.tasks.size(), 0u);
}

TEST(QPProcessImportCSVTask, OneUndoTakesBackTheWholeImport)
{
    QPProject project;
    auto first = std::make_unique<QPTask>();
    first->name = "Existing";
    project.ElementAdd(std::move(first), true);
    Import(project, eImportCSVKind::task, std::string(kTaskHeader) + "A,1\nB,2\n,3\nC,4\n");
    ASSERT_EQ(project.tasks.size(), 4u);
    // Every new task got the next ID and a key of its own.
    EXPECT_EQ(TaskNamed(project, "A").id, 2);
    EXPECT_EQ(TaskNamed(project, "C").id, 4);
    EXPECT_NE(TaskNamed(project, "A").key, TaskNamed(project, "B").key);

    project.undoStack.Undo();
    ASSERT_EQ(project.tasks.size(), 1u);
    EXPECT_EQ(project.tasks.begin()->name.str(), "Existing");
    project.undoStack.Redo();
    EXPECT_EQ(project.tasks.size(), 4u);
    project.undoStack.Undo();
    project.undoStack.Undo();
    EXPECT_EQ(project.tasks.size(), 0u);
}

TEST(QPProcessImportCSVResource, RatesAndDefaultSchedule)
{
    QPProject project;
    const Texts results = Import(project, eImportCSVKind::resource,
                                 "(required) Resource Name,Regular Cost,Overtime Cost\n"
                                 "Rita,\"$1,234.50\",60\n"
                                 "Sam\n"
                                 "Rita,1,2\n"
                                 ",1\n");
    EXPECT_EQ(results, (Texts{"2 successful imports", "2 failed imports",
                              "Row #0004: Import Failed -- A resource with the name \"Rita\" "
                              "already exists",
                              "Row #0005: Import Failed -- No resource name provided"}));
    ASSERT_EQ(project.resources.size(), 2u);
    const QPResource& rita = *project.resources.begin();
    EXPECT_EQ(rita.hourlyRate, 123450);
    EXPECT_EQ(rita.overtimeRate, 6000);
    EXPECT_EQ(rita.scheduleKey, project.defaultScheduleKey);
    const QPResource& sam = *std::next(project.resources.begin());
    EXPECT_EQ(sam.name.str(), "Sam");
    EXPECT_EQ(sam.hourlyRate, 0);
    EXPECT_EQ(sam.overtimeRate, 0);
    EXPECT_TRUE(sam.sendTaskUpdates);
    EXPECT_EQ(sam.scheduleKey, project.defaultScheduleKey);
}

TEST(QPProcessImportCSVSchedule, ShiftsAndTheirChecks)
{
    QPProject project;
    // Columns: name, then start and minutes for Sunday to Saturday.
    const Texts results =
            Import(project, eImportCSVKind::schedule,
                   std::string(kScheduleHeader) + "Nights,,,20:00,600,05:00,480\n"
                                                  "Late,,,20:00,600,06:00,480\n"
                                                  "Idle\n"
                                                  "Zeros,,0,,0,,0,,0,,0,,0,,0\n"
                                                  "Odd,,,08:30:45,60\n"
                                                  "Wrap,08:00,60,,,,,,,,,,,22:00,601\n"
                                                  "Weekend,08:00,60,,,,,,,,,,,22:00,599\n"
                                                  "Bad start,,,,,,,,,25:00\n"
                                                  "Negative,,,,,,,,,,,,-5\n"
                                                  "Long,,,,,,,,,,,,,,1441\n"
                                                  "Whole day,,,00:00,1440,24:00:00,60\n"
                                                  "Late,,,08:00,60\n");
    EXPECT_EQ(results,
              (Texts{"4 successful imports", "8 failed imports",
                     "Row #0002: Import Failed -- At least one shift overlaps the next day's shift",
                     "Row #0004: Import Failed -- No work scheduled",
                     "Row #0005: Import Failed -- No work scheduled",
                     "Row #0007: Import Failed -- At least one shift overlaps the next day's shift",
                     "Row #0009: Import Failed -- Unable to parse Thursday start time; Format "
                     "should be \"HH:MM:SS\" using the 24-hour clock",
                     "Row #0010: Import Failed -- Negative value for Friday shift duration",
                     "Row #0011: Import Failed -- Work time for Saturday exceeds number of "
                     "minutes in a single day (1440)",
                     "Row #0013: Import Failed -- A schedule with the name \"Late\" already "
                     "exists"}));
    EXPECT_EQ(ScheduleNamed(project, "Nights"), nullptr);

    const QPSchedule* late = ScheduleNamed(project, "Late");
    ASSERT_NE(late, nullptr);
    EXPECT_EQ(late->shiftStart[eMonday].Get(), 20 * 3600);
    EXPECT_EQ(late->shiftDuration[eMonday], 600 * 60);
    EXPECT_EQ(late->shiftDuration[eTuesday], 480 * 60);
    EXPECT_EQ(late->shiftDuration[eSunday], 0);
    EXPECT_EQ(late->shiftStart[eSunday].Get(), QPSchedule::kDefaultShiftStart);
    EXPECT_EQ(late->regularWorkWeek, QPSchedule::kDefaultWorkWeek);

    const QPSchedule* odd = ScheduleNamed(project, "Odd");
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(odd->shiftStart[eMonday].Get(), 8 * 3600 + 30 * 60);

    const QPSchedule* weekend = ScheduleNamed(project, "Weekend");
    ASSERT_NE(weekend, nullptr);
    EXPECT_EQ(weekend->shiftDuration[eSaturday], 599 * 60);

    const QPSchedule* wholeDay = ScheduleNamed(project, "Whole day");
    ASSERT_NE(wholeDay, nullptr);
    EXPECT_EQ(wholeDay->shiftDuration[eMonday], 86400);
    EXPECT_EQ(wholeDay->shiftStart[eTuesday].Get(), 86400);
}

TEST(QPProcessImportCSV, EveryKeptFileImports)
{
    const std::string folder = std::string(KESTRANO_TEST_DATA_DIR) + "/fuzz-csv";
    const std::map<std::string, int> expected = {
            {"tasks.csv", 2}, {"tasks-bom.csv", 2}, {"tasks-utf16-tabs.csv", 1}};
    std::size_t seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name == "README.md")
            continue;
        QPProject project;
        QPProcessImportCSVTask import(project);
        ASSERT_FALSE(import.SetFilePath(entry.path().string())) << name;
        const Texts headers = import.ReadHeaderCells();
        for (std::size_t field = 0; field < headers.size() && field < import.Fields().size();
             ++field)
            import.AssignField(int(field), headers[field], headers);
        LProcessInterface silent;
        EXPECT_EQ(Process(silent, import), 0) << name;
        if (const auto count = expected.find(name); count != expected.end()) {
            EXPECT_EQ(import.SuccessfulImports(), count->second) << name;
            EXPECT_EQ(import.FailedImports(), 0) << name;
            ++seen;
        }
    }
    EXPECT_EQ(seen, expected.size());
}
