#include "import/QPProcessImportCSV.h"

#include "model/QPProject.h"
#include "support/TempDir.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
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

std::string DataFile(const std::string& name)
{
    std::ifstream stream(std::string(KESTRANO_TEST_DATA_DIR) + "/import/" + name);
    return std::string(std::istreambuf_iterator<char>(stream), {});
}

// The results page of importing the data file `name`.csv, against `name`.out.
void ExpectResults(QPProject& project, eImportCSVKind kind, const std::string& name)
{
    std::string lines;
    for (const std::string& line : Import(project, kind, DataFile(name + ".csv")))
        lines += line + "\n";
    EXPECT_EQ(lines, DataFile(name + ".out"));
}

constexpr const char* kTaskHeader =
        "(required) Task Name,Duration,Start Date,End Date,Percent Complete\n";

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

    ExpectResults(project, eImportCSVKind::task, "refused-tasks");
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
    ExpectResults(project, eImportCSVKind::schedule, "schedules");
    EXPECT_EQ(ScheduleNamed(project, "Nights"), nullptr);

    // Name, day, start and length of its shift in seconds; starts lose their seconds.
    const std::tuple<const char*, int, int32_t, int32_t> shifts[] = {
            {"Late", eMonday, 20 * 3600, 600 * 60},
            {"Late", eTuesday, 6 * 3600, 480 * 60},
            {"Late", eSunday, QPSchedule::kDefaultShiftStart, 0},
            {"Odd", eMonday, 8 * 3600 + 30 * 60, 3600},
            {"Weekend", eSaturday, 22 * 3600, 599 * 60},
            {"Whole day", eMonday, 0, 86400},
            {"Whole day", eTuesday, 86400, 3600},
    };
    for (const auto& [name, day, start, seconds] : shifts) {
        const QPSchedule* schedule = ScheduleNamed(project, name);
        ASSERT_NE(schedule, nullptr) << name;
        EXPECT_EQ(schedule->shiftStart[day].Get(), start) << name << " " << day;
        EXPECT_EQ(schedule->shiftDuration[day], seconds) << name << " " << day;
    }
    EXPECT_EQ(ScheduleNamed(project, "Late")->regularWorkWeek, QPSchedule::kDefaultWorkWeek);
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
