#include "import/QPProcessImportCSV.h"

#include "model/QPProject.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

const QPTask* Named(const QPProject& project, const std::string& name)
{
    for (const QPTask& element : project.tasks)
        if (element.name.str() == name)
            return &element;
    return nullptr;
}

std::string DataFile(const std::string& name)
{
    std::ifstream stream(std::string(KESTRANO_TEST_DATA_DIR) + "/import/" + name);
    return std::string(std::istreambuf_iterator<char>(stream), {});
}

// Imports tests/data/import/`name`.csv in one undo group, each field fed from the column
// headed by its name; the results page against `name`.out.
void ExpectResults(QPProject& project, eImportCSVKind kind, const std::string& name)
{
    std::unique_ptr<LProcessImportCSV> import = QPMakeImportCSV(kind, project);
    ASSERT_FALSE(import->SetFilePath(KESTRANO_TEST_DATA_DIR "/import/" + name + ".csv"));
    const Texts headers = import->ReadHeaderCells();
    for (int field = 0; field < int(import->Fields().size()); ++field)
        import->AssignField(field, import->Fields()[field].name, headers);
    EXPECT_FALSE(import->CheckAssignments());
    LProcessInterface silent;
    project.UndoRedoGroupStart();
    EXPECT_EQ(Process(silent, *import), 0);
    project.UndoRedoGroupEnd();
    std::string lines;
    for (const std::string& line : import->ResultLines())
        lines += line + "\n";
    EXPECT_EQ(lines, DataFile(name + ".out"));
}

// Each task with its hours, kind, progress, type, dates and constraint; each resource with
// its rates and task updates; each schedule's week in seconds and its shifts from Sunday as
// start+length in seconds.
std::string Transcript(const QPProject& project)
{
    std::string text;
    for (const QPTask& t : project.tasks)
        text += t.name.str() + ": " + t.durationText.str() + " h" +
                (t.milestone ? ", milestone" : "") + (t.autoSchedule ? "" : ", manual") + ", " +
                std::to_string(t.percentComplete) + "%, type " + std::to_string(t.taskType) +
                ", [" + t.start.GetDateTime() + "] to [" + t.finish.GetDateTime() +
                "], constraint " + std::to_string(t.constraintType) + " [" +
                t.constraintDate.GetDateTime() + "]\n";
    for (const QPResource& r : project.resources)
        text += r.name.str() + ": " + std::to_string(r.hourlyRate) + " " +
                std::to_string(r.overtimeRate) + ", task updates " +
                std::to_string(r.sendTaskUpdates) +
                (r.scheduleKey == project.defaultScheduleKey ? ", on the default\n" : "\n");
    for (const QPSchedule& schedule : project.schedules) {
        text += schedule.name.str() + " (" + std::to_string(schedule.regularWorkWeek) + "):";
        for (int day = 0; day < 7; ++day)
            text += " " + std::to_string(schedule.shiftStart[day].Get()) + "+" +
                    std::to_string(schedule.shiftDuration[day]);
        text += "\n";
    }
    return text;
}

} // namespace

// Each file's plan against its .txt. Schedules: starts lose their seconds, days not given
// keep the defaults. Refused rows leave no trace beside a task there before.
TEST(QPProcessImportCSV, EachKindAsItsTranscript)
{
    for (const auto& [kind, name] : {std::pair{eImportCSVKind::task, "tasks"},
                                     {eImportCSVKind::task, "refused-tasks"},
                                     {eImportCSVKind::resource, "resources"},
                                     {eImportCSVKind::schedule, "schedules"}}) {
        SCOPED_TRACE(name);
        QPProject project;
        if (name == std::string("refused-tasks"))
            project.ElementAdd(std::make_unique<QPTask>(), false).name = "Survey";
        ExpectResults(project, kind, name);
        EXPECT_EQ(Transcript(project), DataFile(name + std::string(".txt")));
    }
}

// A short row without the name column is refused; the rest comes in as one undo step.
TEST(QPProcessImportCSVTask, OneUndoTakesBackTheWholeImport)
{
    QPProject project;
    project.ElementAdd(std::make_unique<QPTask>(), true).name = "Existing";
    ExpectResults(project, eImportCSVKind::task, "short-row");
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
