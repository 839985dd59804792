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

// The results page of importing `csv` in one undo group, fields fed by their headers.
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

template <class T = QPTask>
const T* Named(const QPProject& project, const std::string& name)
{
    for (const T& element : project.ListOf<T>())
        if (element.name.str() == name)
            return &element;
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

} // namespace

TEST(QPProcessImportCSVTask, DurationsDatesAndProgress)
{
    QPProject project;
    ExpectResults(project, eImportCSVKind::task, "tasks");
    // Name, hours, milestone, scheduled automatically, percent complete.
    const std::tuple<const char*, const char*, bool, bool, int> tasks[] = {
            {"Plain", "12.5", false, true, 40}, {"Zero", "", true, true, 100},
            {"Words", "", true, true, 0},       {"Started", "8", false, true, 0},
            {"Day only", "8", false, true, 0},  {"Deadline", "8", false, true, 0},
            {"Fixed", "8", false, false, 0},    {"Point", "", true, false, 0},
    };
    for (const auto& [name, hours, milestone, automatic, percent] : tasks) {
        const QPTask& task = *Named(project, name);
        EXPECT_EQ(task.durationText.str(), hours) << name;
        EXPECT_EQ(task.milestone, milestone) << name;
        EXPECT_EQ(task.autoSchedule, automatic) << name;
        EXPECT_EQ(task.percentComplete, percent) << name;
    }
    EXPECT_EQ(Named(project, "Plain")->taskType, eTaskTypeFixedWork);
    EXPECT_EQ(Named(project, "Started")->start, LocalTime(2027, 3, 2, 9, 30));
    EXPECT_EQ(Named(project, "Started")->constraintType, eConstraintNone);
    EXPECT_EQ(Named(project, "Day only")->start, LocalTime(2020, 2, 29));
    EXPECT_EQ(Named(project, "Deadline")->constraintType, eConstraintFinishOn);
    EXPECT_EQ(Named(project, "Deadline")->constraintDate, LocalTime(2027, 3, 5));
    EXPECT_EQ(Named(project, "Fixed")->finish, LocalTime(2027, 3, 3, 12));
}

TEST(QPProcessImportCSVTask, RefusedRowsLeaveNoTrace)
{
    QPProject project;
    auto existing = std::make_unique<QPTask>();
    existing->name = "Survey";
    project.ElementAdd(std::move(existing), false);
    ExpectResults(project, eImportCSVKind::task, "refused-tasks");
    ASSERT_EQ(project.tasks.size(), 3u);
    EXPECT_EQ(Named(project, "Paint")->durationText.str(), "4");
    EXPECT_EQ(Named(project, "Survey\"s end")->durationText.str(), "1");
}

// A short row without the name column is refused; the rest comes in as one undo step.
TEST(QPProcessImportCSVTask, OneUndoTakesBackTheWholeImport)
{
    QPProject project;
    auto first = std::make_unique<QPTask>();
    first->name = "Existing";
    project.ElementAdd(std::move(first), true);
    EXPECT_EQ(Import(project, eImportCSVKind::task,
                     "Duration,(required) Task Name\n1,A\n2,B\n3\n4,C\n"),
              (Texts{"3 successful imports", "1 failed imports",
                     "Row #0004: Import Failed -- No task name provided"}));
    ASSERT_EQ(project.tasks.size(), 4u);
    // Every new task got the next ID and a key of its own.
    EXPECT_EQ(Named(project, "A")->id, 2);
    EXPECT_EQ(Named(project, "C")->id, 4);
    EXPECT_NE(Named(project, "A")->key, Named(project, "B")->key);
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
    ExpectResults(project, eImportCSVKind::resource, "resources");
    ASSERT_EQ(project.resources.size(), 2u);
    // Name, rates, task updates; both on the default schedule.
    std::string resources;
    for (const QPResource& r : project.resources)
        resources += r.name.str() + " " + std::to_string(r.hourlyRate) + " " +
                     std::to_string(r.overtimeRate) + " " + std::to_string(r.sendTaskUpdates) +
                     std::to_string(r.scheduleKey == project.defaultScheduleKey) + "; ";
    EXPECT_EQ(resources, "Rita 123450 6000 11; Sam 0 0 11; ");
}

TEST(QPProcessImportCSVSchedule, ShiftsAndTheirChecks)
{
    QPProject project;
    ExpectResults(project, eImportCSVKind::schedule, "schedules");
    EXPECT_EQ(Named<QPSchedule>(project, "Nights"), nullptr);
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
        const QPSchedule* schedule = Named<QPSchedule>(project, name);
        ASSERT_NE(schedule, nullptr) << name;
        EXPECT_EQ(schedule->shiftStart[day].Get(), start) << name << " " << day;
        EXPECT_EQ(schedule->shiftDuration[day], seconds) << name << " " << day;
    }
    EXPECT_EQ(Named<QPSchedule>(project, "Late")->regularWorkWeek, QPSchedule::kDefaultWorkWeek);
}

// The fuzzer's seeds import their rows; inputs that once broke the import need only end.
TEST(QPProcessImportCSV, EveryKeptFileImports)
{
    const std::map<std::string, int> seeds = {
            {"tasks.csv", 2}, {"tasks-bom.csv", 2}, {"tasks-utf16-tabs.csv", 1}};
    std::size_t seen = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(KESTRANO_TEST_DATA_DIR) + "/fuzz-csv")) {
        const std::string name = entry.path().filename().string();
        if (name == "README.md")
            continue;
        QPProject project;
        QPProcessImportCSVTask import(project);
        ASSERT_FALSE(import.SetFilePath(entry.path().string())) << name;
        const Texts headers = import.ReadHeaderCells();
        for (std::size_t field = 0; field < std::min(headers.size(), import.Fields().size());
             ++field)
            import.AssignField(int(field), headers[field], headers);
        LProcessInterface silent;
        EXPECT_EQ(Process(silent, import), 0) << name;
        if (const auto seed = seeds.find(name); seed != seeds.end()) {
            ++seen;
            EXPECT_EQ(import.ResultLines(),
                      (Texts{std::to_string(seed->second) + " successful imports",
                             "0 failed imports"}))
                    << name;
        }
    }
    EXPECT_EQ(seen, seeds.size());
}
